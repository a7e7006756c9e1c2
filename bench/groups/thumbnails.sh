#!/usr/bin/env bash
# The picture list with a seller's folder: 300 photos, a quarter of them 5120 x 2880, the rest
# the sample photos (1500 x 2000 to 3000 x 2000), listed in the real main window offscreen:
#   thumbnails-300      seconds from adding the folder until every thumbnail is shown
#   event-loop-max-block  the longest the window's event loop went without running meanwhile
#   list-1000-rss       resident memory with 1,000 entries and their thumbnails
# Run it on a quiet machine: bash scripts/bench thumbnails
set -euo pipefail
here=${PIXMIRA_SRC:-$(cd "$(dirname "$0")/../.." && pwd)}
dir=${1:-${PIXMIRA_BUILD_DIR:-$here/build-release}}
work=${PIXMIRA_BENCH_DIR:-/tmp/pixmira-bench}

cmake -S "$here" -B "$dir" -G Ninja >/dev/null
cmake --build "$dir" --parallel "${PIXMIRA_JOBS:-2}" --target bench_ThumbnailBench >/dev/null

photos="$work/thumbnails"
if [ "$(ls "$photos"/*.jpg 2>/dev/null | wc -l)" -ne 300 ]; then
  echo "Making 300 photos in $photos ..." >&2
  rm -rf "$photos" "$work/large"
  mkdir -p "$photos"
  # The large ones: the samples drawn up to 5120 x 2880, as a phone's or camera's photo.
  mkdir -p "$work/large"
  samples=("$here"/data/samples/*.jpg)
  for f in "${samples[@]}"; do
    convert "$f" -resize '5120x2880!' -quality 85 "$work/large/$(basename "$f")"
  done
  large=("$work/large"/*.jpg)
  for i in $(seq 1 300); do
    name=$(printf 'photo%03d.jpg' "$i")
    if [ $((i % 4)) -eq 0 ]; then
      cp "${large[$((i % ${#large[@]}))]}" "$photos/$name"
    else
      cp "${samples[$((i % ${#samples[@]}))]}" "$photos/$name"
    fi
  done
fi

QT_QPA_PLATFORM=offscreen "$dir/bench/bench_ThumbnailBench" "$photos" 1000 2>/dev/null
