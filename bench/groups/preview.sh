#!/usr/bin/env bash
# The settings dialog's preview on a 5120 x 2880 JPEG (bench/PreviewBench.cpp): medians of the
# first preview of an entry, of a frame or corner change and of a watermark change (text and
# picture watermarks, single and tiled), through the preview cache, and the same done afresh by
# the pipeline for comparison. First at the shop width 700, then with no size reduction
# (the names ending in -full-size). Run it on a quiet machine: bash scripts/bench preview
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets bench_PreviewBench

photos="$work/preview"
photo="$photos/photo-5120x2880-0.jpg"
logo="$photos/logo.png"
if [ ! -f "$photo" ] || [ ! -f "$logo" ]; then
  rm -rf "$photos"
  /usr/bin/python3 "$here/scripts/make-samples" "$photos" --size 5120x2880 --count 1 \
    --prefix photo-5120x2880 >/dev/null
  /usr/bin/python3 - "$logo" <<'PY'
import sys
from PIL import Image, ImageDraw
logo = Image.new("RGBA", (500, 500), (0, 0, 0, 0))
d = ImageDraw.Draw(logo)
d.ellipse((20, 20, 480, 480), fill=(200, 40, 40, 255))
d.rectangle((150, 200, 350, 300), fill=(255, 255, 255, 255))
logo.save(sys.argv[1])
PY
fi
[ -f "$photo" ] || photo=$(ls "$photos"/*.jpg | head -1)

"$dir/bench/bench_PreviewBench" "$photo" "$here/data/Frames" "$logo"
"$dir/bench/bench_PreviewBench" "$photo" "$here/data/Frames" "$logo" -full-size "ReduceSize=0"
