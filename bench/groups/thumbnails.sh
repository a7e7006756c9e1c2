#!/usr/bin/env bash
# The picture list with a seller's folder: 300 photos, a quarter of them 5120 x 2880, the rest
# the sample photos (1500 x 2000 to 3000 x 2000), listed in the real main window offscreen:
#   thumbnails-300      seconds from adding the folder until every thumbnail is shown
#   event-loop-max-block  the longest the window's event loop went without running meanwhile
#   list-1000-rss       resident memory with 1,000 entries and their thumbnails
# Run it on a quiet machine: bash scripts/bench thumbnails
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets bench_ThumbnailBench

. "$here/bench/thumbnail-photos.sh"

QT_QPA_PLATFORM=offscreen "$dir/bench/bench_ThumbnailBench" "$photos" 1000 2>/dev/null
