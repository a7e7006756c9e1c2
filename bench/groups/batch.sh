#!/usr/bin/env bash
# The batch benchmark: 24 photos of 12 megapixels reduced to 700 pixels wide, with rounded
# corners (radius 10), a text watermark and JPEG quality 90, through
#   - pixmira-batch with one and with two workers,
#   - ImageMagick's convert with the nearest equivalent commands (one thread, and its default),
#   - the bare libjpeg floor (bench/BatchBenchFloor.cpp): every photo decoded whole at full
#     size, point-sampled to 700 wide and encoded at quality 90 in memory, one after another,
#     the same library and defaults as ours, no DCT scaling; and the same with djpeg/cjpeg.
# Every time comes from this one run. Run it on a quiet machine: bash scripts/bench batch
set -euo pipefail
. "$(dirname "$0")/../setup.sh"
convert=/usr/bin/convert
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
text="小店精品"

build_targets pixmira-batch bench_BatchBenchFloor

. "$here/bench/photos.sh"

batch_settings "$text" > "$work/Config.ini"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

run_pixmira() {  # jobs
  rm -rf "$work/out-pixmira-$1"
  local t0; t0=$(now)
  "$dir/pixmira-batch" --config "$work/Config.ini" --jobs "$1" --out "$work/out-pixmira-$1" \
    "$photos" 2>/dev/null >/dev/null
  elapsed "$t0" "$(now)"
}

# Corners: a white mask with a black rounded rectangle, lightened onto the photo at full
# size (as ours are); then point sampling to 700 wide, the text at the bottom right, quality 90.
run_magick() {  # thread limit ("" = ImageMagick's default)
  local out="$work/out-magick"
  rm -rf "$out"; mkdir -p "$out"
  local t0; t0=$(now)
  for f in "$photos"/*.jpg; do
    MAGICK_THREAD_LIMIT=$1 "$convert" "$f" \
      \( +clone -fill white -colorize 100 -fill black -draw "roundrectangle 0,0 3999,2999 10,10" \) \
      -compose lighten -composite -sample 700x \
      -font "$font" -pointsize 27 -fill "rgba(192,48,48,0.8)" -gravity southeast \
      -annotate +15+15 "$text" -quality 90 "$out/$(basename "$f")"
  done
  elapsed "$t0" "$(now)"
}

run_floor_cpp() {
  "$dir/bench/bench_BatchBenchFloor" 700 90 "$photos"/*.jpg 2>/dev/null
}

run_floor_tools() {
  local small="$work/small"
  rm -rf "$small"; mkdir -p "$small"
  for f in "$work/out-pixmira-1"/*.jpg; do djpeg -ppm "$f" > "$small/$(basename "$f" .jpg).ppm"; done
  local t0; t0=$(now)
  for f in "$photos"/*.jpg; do djpeg -ppm "$f" > /dev/null; done
  for f in "$small"/*.ppm; do cjpeg -quality 90 "$f" > /dev/null; done
  elapsed "$t0" "$(now)"
}

p1=$(run_pixmira 1)
p2=$(run_pixmira 2)
m1=$(run_magick 1)
m0=$(run_magick "")
floor=$(run_floor_cpp)
tools=$(run_floor_tools)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "batch-pixmira-1-worker: $p1 s"
echo "batch-pixmira-2-workers: $p2 s"
echo "batch-imagemagick-1-thread: $m1 s"
echo "batch-imagemagick-default-threads: $m0 s"
echo "batch-libjpeg-floor: $floor s"
echo "batch-djpeg-cjpeg: $tools s"
echo "batch-speedup-2-workers: $(ratio "$p1" "$p2") x"
