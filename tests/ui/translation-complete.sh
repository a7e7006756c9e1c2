#!/usr/bin/env bash
# Every text of the window has its English line: lupdate run over the sources into a copy of
# the translation finds nothing new and nothing unfinished.
#   translation-complete.sh LUPDATE SOURCE_DIR
set -euo pipefail
lupdate=${1:?usage: translation-complete.sh LUPDATE SOURCE_DIR}
src=${2:?usage: translation-complete.sh LUPDATE SOURCE_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$src/ui/translations/pixmira_en.ts" "$work/pixmira_en.ts"
"$lupdate" "$src"/ui/*.cpp "$src"/ui/*.h -ts "$work/pixmira_en.ts" -source-language zh_CN \
  -target-language en_US -locations none -no-obsolete >"$work/log" 2>&1 || {
  cat "$work/log" >&2
  exit 1
}
if grep -q 'unfinished' "$work/pixmira_en.ts" ||
  ! cmp -s "$work/pixmira_en.ts" "$src/ui/translations/pixmira_en.ts"; then
  echo "ui/translations/pixmira_en.ts is not up to date with the window's texts;" >&2
  echo "run: cmake --build build --target pixmira_lupdate, then write the English lines:" >&2
  diff "$src/ui/translations/pixmira_en.ts" "$work/pixmira_en.ts" >&2 || true
  exit 1
fi
