#!/usr/bin/env bash
# The smooth reduction of a 12-megapixel photo (4000 x 3000) to 700 pixels wide by the
# Lanczos filter, beside the decoding of the same JPEG photo; the reduction should take at most
# twice the decoding. One thread each, medians of 7 runs: bash scripts/bench smooth
set -euo pipefail
. "$(dirname "$0")/../setup.sh"
work=$work/smooth

build_targets bench_SmoothBench

photo=$(ls "$work"/*.jpg 2>/dev/null | head -n 1 || true)
if [ -z "$photo" ]; then
  mkdir -p "$work"
  /usr/bin/python3 "$here/scripts/make-samples" "$work" --size 4000x3000 --count 1 >/dev/null
  photo=$(ls "$work"/*.jpg | head -n 1)
fi
"$dir/bench/bench_SmoothBench" "$photo" 7
