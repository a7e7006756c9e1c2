#!/usr/bin/env bash
# The GIF benchmark: 24 photos of 12 megapixels (4000 x 3000) reduced to 700 pixels wide and
# merged into one animated GIF by pixmira-batch, with one and with two workers; the peak
# resident memory is that of the two-worker run (the larger of the two), from /usr/bin/time.
# Run it on a quiet machine: bash scripts/bench gif
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets pixmira-batch

. "$here/bench/photos.sh"

cat > "$work/gif-Config.ini" <<INI
[General]
ReduceSize=1
ReduceSizeType=2
GifSeconds=1.00
INI

# Prints the wall time in seconds and leaves the peak resident set (kB) in $work/gif-rss-JOBS.
run_gif() {  # jobs
  local out="$work/gif-$1.gif" report="$work/gif-time-$1.txt"
  rm -f "$out"
  /usr/bin/time -v -o "$report" "$dir/pixmira-batch" --config "$work/gif-Config.ini" \
    --jobs "$1" --gif "$out" "$photos" >/dev/null 2>&1
  awk -F': ' '/Maximum resident set size/ { print $2 }' "$report" > "$work/gif-rss-$1"
  awk -F': ' '/Elapsed \(wall clock\)/ {
    n = split($2, t, ":"); s = 0
    for (i = 1; i <= n; ++i) s = s * 60 + t[i]
    printf "%.3f", s }' "$report"
}

t1=$(run_gif 1)
t2=$(run_gif 2)
cmp -s "$work/gif-1.gif" "$work/gif-2.gif" || echo "warning: one and two workers wrote different files" >&2
rss=$(awk '{ printf "%.0f", $1 / 1024 }' "$work/gif-rss-2")

echo "gif-export-1-worker: $t1 s"
echo "gif-export-2-workers: $t2 s"
echo "gif-export-peak-rss: $rss MB"
echo "gif-speedup-2-workers: $(awk -v a="$t1" -v b="$t2" 'BEGIN { printf "%.2f", a / b }') x"
