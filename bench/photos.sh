# Sourced by the benchmark groups: the shared set of 24 photos of 12 megapixels (4000 x 3000),
# drawn once into $work/photos and reused by every group.
photos="$work/photos"
if [ "$(ls "$photos"/*.jpg 2>/dev/null | wc -l)" -ne 24 ]; then
  echo "Drawing 24 photos of 4000 x 3000 into $photos ..." >&2
  rm -rf "$photos"
  mkdir -p "$work"
  /usr/bin/python3 "$here/scripts/make-samples" "$photos" --size 4000x3000 --count 24 >/dev/null
fi
