#!/usr/bin/env bash
# The built program greets an English locale in English and a Chinese one in Chinese:
#   english-window.sh PATH_TO_PIXMIRA
# Runs the program's screenshot mode offscreen in a scratch program folder and reads the words
# its main window showed.
set -euo pipefail
program=${1:?usage: english-window.sh PATH_TO_PIXMIRA}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/pixmira"
mkdir -p "$work/Frames"
# One picture in the list, so the count below it must be said in the singular.
convert -size 40x30 xc:'#3a7fd9' "$work/one.png"
unset LANGUAGE LC_ALL LC_MESSAGES
export QT_QPA_PLATFORM=offscreen PIXMIRA_SCREENSHOT_ONLY_MAIN=1
fail=0

shoot() { # LANG OUT_DIR
  PIXMIRA_SCREENSHOT_DIR=$2 LANG=$1 timeout 60 "$work/pixmira" "$work/one.png" 2>"$2.err" || {
    echo "pixmira under LANG=$1 failed:" >&2
    cat "$2.err" >&2
    return 1
  }
}

shoot en_US.UTF-8 "$work/en"
if grep -q 'translation' "$work/en.err"; then
  echo "English locale: the program says" >&2
  cat "$work/en.err" >&2
  fail=1
fi
for want in 'Add pictures' 'Generate' '^1 picture$'; do
  if ! grep -q "$want" "$work/en/main-window.txt"; then
    echo "English locale: no \"$want\" in the main window" >&2
    fail=1
  fi
done
# Han characters left in the English window are texts without a translation.
if grep -P '[\x{4e00}-\x{9fff}]' "$work/en/main-window.txt" >&2; then
  echo "English locale: the lines above are still Chinese" >&2
  fail=1
fi

# The first run kept its picture list for the next start; this one starts with only its own.
find "$work" -name PictureList.txt -delete
shoot zh_CN.UTF-8 "$work/zh"
if ! grep -q '添加图片' "$work/zh/main-window.txt" || ! grep -q '^共 1 张图片$' "$work/zh/main-window.txt"; then
  echo "Chinese locale: no 添加图片 or 共 1 张图片 in the main window" >&2
  fail=1
fi
if [ $fail -ne 0 ]; then
  echo "--- English main window:" >&2
  cat "$work/en/main-window.txt" >&2
fi
exit $fail
