#!/usr/bin/env bash
# The WebAssembly engine beside the native one: the 24 shared photos of 12 megapixels reduced
# to 700 pixels wide with the sample settings (corners, text watermark), one worker each, in
# the same run: scripts/web-batch (single-threaded build, under node) and pixmira-batch. Also
# the engine's download size (wasm, gzip -9). When the threaded build's libraries are in the
# cache (scripts/build-web-deps mt), the same for it, with one worker and with two, beside the
# native command with two. Run on a quiet machine: bash scripts/bench web
set -euo pipefail
. "$(dirname "$0")/../setup.sh"

build_targets pixmira-batch
flavours=(st)
if bash "$here/scripts/build-web-deps" --cached mt >/dev/null 2>&1; then flavours+=(mt); fi
bash "$here/scripts/build-web" "${flavours[@]}" >/dev/null

. "$here/bench/photos.sh"
settings=$here/data/sample-settings/Config.ini

seconds() { # command...
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$start $end" | awk '{printf "%.2f", $2 - $1}'
}
rm -rf "$work/web-out" "$work/native-out"
web=$(PIXMIRA_WEB_FLAVOUR=st seconds bash "$here/scripts/web-batch" --config "$settings" \
  --jobs 1 --out "$work/web-out" "$photos")
native=$(seconds "$dir/pixmira-batch" --config "$settings" --jobs 1 --out "$work/native-out" \
  "$photos")
if ! diff -r "$work/web-out" "$work/native-out" >/dev/null; then
  echo "web: the two engines wrote different files" >&2
  exit 1
fi
echo "web-export-24-photos: $web s"
echo "native-export-24-photos: $native s"
size=$(gzip -9 -c "$here/build-web/st/pixmira-engine.wasm" | wc -c)
echo "web-engine-size: $((size / 1024)) KB"

[ "${flavours[*]}" = "st mt" ] || exit 0
for jobs in 1 2; do
  rm -rf "$work/web-out"
  web=$(PIXMIRA_WEB_FLAVOUR=mt seconds bash "$here/scripts/web-batch" --config "$settings" \
    --jobs $jobs --out "$work/web-out" "$photos")
  if ! diff -r "$work/web-out" "$work/native-out" >/dev/null; then
    echo "web: the threaded engine wrote other files than the native one" >&2
    exit 1
  fi
  if [ $jobs = 1 ]; then
    echo "web-mt-export-24-photos: $web s"
  else
    echo "web-mt-export-24-photos-2-jobs: $web s"
  fi
done
rm -rf "$work/native-out"
native=$(seconds "$dir/pixmira-batch" --config "$settings" --jobs 2 --out "$work/native-out" \
  "$photos")
echo "native-export-24-photos-2-jobs: $native s"
size=$(gzip -9 -c "$here/build-web/mt/pixmira-engine.wasm" | wc -c)
echo "web-mt-engine-size: $((size / 1024)) KB"
