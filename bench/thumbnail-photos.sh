# Sourced by the benchmark groups: a seller's folder of 300 photos in $work/thumbnails, a quarter
# of them 5120 x 2880, the rest the sample photos (1500 x 2000 to 3000 x 2000).
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
