#!/usr/bin/env bash
# pixmira-batch.exe under Wine against the Linux command on the same 24 photos of 12 megapixels
# (the batch benchmark's settings: 700 pixels wide, rounded corners, a text watermark, quality
# 90), one worker each, both Release builds; the Wine time includes starting the program in a
# prepared prefix, measured on its own too. The files must be the same bytes.
# Run it on a quiet machine: bash scripts/bench windows
set -euo pipefail
. "$(dirname "$0")/../setup.sh"
win_dir=${PIXMIRA_WINDOWS_BUILD_DIR:-$here/build-windows}
wine=/usr/lib/wine/wine64

build_targets pixmira-batch
PIXMIRA_WINDOWS_TESTS="" bash "$here/scripts/build-windows" "$win_dir" >/dev/null

. "$here/bench/photos.sh"

batch_settings > "$work/windows-Config.ini"

export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || $wine wineboot -i >/dev/null 2>&1 || true
winpath() { echo "Z:$1" | tr '/' '\\'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

$wine "$win_dir/pixmira-batch.exe" --version >/dev/null 2>&1  # wineserver up, files cached
t0=$(now)
$wine "$win_dir/pixmira-batch.exe" --version >/dev/null 2>&1
start=$(elapsed "$t0" "$(now)")

rm -rf "$work/out-linux" "$work/out-wine"
t0=$(now)
"$dir/pixmira-batch" --config "$work/windows-Config.ini" --jobs 1 --out "$work/out-linux" \
  "$photos" >/dev/null 2>&1
linux=$(elapsed "$t0" "$(now)")
t0=$(now)
$wine "$win_dir/pixmira-batch.exe" --config "$(winpath "$work/windows-Config.ini")" --jobs 1 \
  --out "$(winpath "$work/out-wine")" "$(winpath "$photos")" >/dev/null 2>&1
wine_time=$(elapsed "$t0" "$(now)")

same=0
for f in "$work"/out-linux/*.jpg; do
  cmp -s "$f" "$work/out-wine/$(basename "$f")" && same=$((same + 1))
done
echo "windows-linux-1-worker: $linux s"
echo "windows-wine-1-worker: $wine_time s"
echo "windows-wine-start: $start s"
echo "windows-wine-slowdown: $(awk -v a="$wine_time" -v b="$linux" 'BEGIN { printf "%.2f", a / b }') x"
echo "windows-same-bytes: $same of $(ls "$work"/out-linux/*.jpg | wc -l) files"
