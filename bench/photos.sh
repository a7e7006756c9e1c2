# Sourced by the benchmark groups: the shared set of 24 photos of 12 megapixels (4000 x 3000),
# drawn once into $work/photos and reused by every group.
photos="$work/photos"
if [ "$(ls "$photos"/*.jpg 2>/dev/null | wc -l)" -ne 24 ]; then
  echo "Drawing 24 photos of 4000 x 3000 into $photos ..." >&2
  rm -rf "$photos"
  mkdir -p "$work"
  /usr/bin/python3 "$here/scripts/make-samples" "$photos" --size 4000x3000 --count 24 >/dev/null
fi

# The settings every group exports the photos with (the batch group's): 500 wide, corners and a
# text watermark, the text given or 小店精品.
batch_settings() {
  cat <<INI
[General]
ReduceSize=1
ReduceSizeType=2
AddFrame=1
FrameType=0
CornerType=0
CornerWidth=0
AddWatermark=1
WatermarkType=0
WatermarkText=${1:-小店精品}
WatermarkFontName=WenQuanYi Zen Hei
WatermarkFontSize=20
WatermarkFontColor=\$003030C0
WatermarkTransparent=20
WatermarkPos=0
INI
}
