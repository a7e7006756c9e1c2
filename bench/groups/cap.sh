#!/usr/bin/env bash
# The file-size cap against a plain export, same run: 24 photos of 12 megapixels made into
# 800 x 800 main pictures on white (smooth shrinking, JPEG quality 100), once as they come and
# once each at the highest quality that keeps it at or under 60 KB, both with two workers.
# Also prints how many capped files kept their size and the largest capped file.
# Run it on a quiet machine: bash scripts/bench cap
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets pixmira-batch

. "$here/bench/photos.sh"

settings() {  # extra lines
  cat > "$work/cap-$1.ini" <<INI
[General]
ReduceSize=1
ReduceSizeType=3
ReduceSizeWidth=800
ReduceSizeHeight=800
ReduceSizeMode=3
ReduceSizeQuality=0
ReduceSizeSmooth=1
$2
INI
}
settings plain ""
settings capped "MaxFileKB=60"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

run() {  # name
  rm -rf "$work/out-cap-$1"
  local t0; t0=$(now)
  "$dir/pixmira-batch" --config "$work/cap-$1.ini" --jobs 2 --out "$work/out-cap-$1" \
    "$photos" 2>/dev/null >/dev/null
  elapsed "$t0" "$(now)"
}

plain=$(run plain)
capped=$(run capped)
largest=$(stat -c %s "$work/out-cap-capped"/*.jpg | sort -n | tail -1)
over=$(find "$work/out-cap-capped" -name '*.jpg' -size +61440c | wc -l)

echo "jpeg-export-24-photos: $plain s"
echo "size-cap-24-photos: $capped s"
echo "size-cap-cost: $(awk -v a="$capped" -v b="$plain" 'BEGIN { printf "%.2f", a / b }') x"
echo "size-cap-largest-file: $largest bytes"
echo "size-cap-files-over-cap: $over files"
