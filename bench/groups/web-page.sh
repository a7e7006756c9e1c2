#!/usr/bin/env bash
# The web page in Debian's Chromium, headless, cross-origin isolated (threaded engine):
#   web-thumbnails-300           seconds from adding the 300 photos of the thumbnails group until
#                                every thumbnail shows
#   web-export-24-photos-page    the batch group's 24 photos and settings, from "generate" until
#                                the zip is made
#   native-export-24-photos-1-worker   pixmira-batch on the same photos with one worker, this run
# Run it on a quiet machine: bash scripts/bench web-page
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets pixmira-batch
# The engine in the flavours whose libraries are built (they take hours from cold).
flavours=()
for f in st mt; do
  if bash "$here/scripts/build-web-deps" --cached "$f" >/dev/null 2>&1; then flavours+=("$f"); fi
done
if [ ${#flavours[@]} -gt 0 ]; then bash "$here/scripts/build-web" "${flavours[@]}" >/dev/null; fi
echo "web-page-engine-flavours: ${flavours[*]:-none}" >&2
bash "$here/scripts/build-page"

. "$here/bench/thumbnail-photos.sh"
(cd "$here/web" && node bench/page.mjs thumbnails "$photos")

. "$here/bench/photos.sh"
batch_settings > "$work/web-page.ini"
(cd "$here/web" && node bench/page.mjs export "$work/web-page.ini" "$photos"/*.jpg)

out="$work/web-page-native"
rm -rf "$out" && mkdir -p "$out"
start=$(date +%s%N)
# Its progress lines go to a file, shown only when it fails.
if ! "$dir/pixmira-batch" --config "$work/web-page.ini" --jobs 1 --out "$out" "$photos"/*.jpg \
  >"$work/web-page-native.log" 2>&1; then
  cat "$work/web-page-native.log" >&2
  exit 1
fi
end=$(date +%s%N)
awk -v ns=$((end - start)) 'BEGIN { printf "native-export-24-photos-1-worker: %.2f s\n", ns / 1e9 }'
rm -rf "$out"
