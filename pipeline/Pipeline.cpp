#include "pipeline/Pipeline.h"

#include <algorithm>

#include "codecs/LoadPicture.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "effects/Frames.h"
#include "imaging/Rotate.h"

namespace pixmira {

namespace {

constexpr std::string_view kPreviewPrompt = "请在此输入水印文字";

void ApplyCornersOrFrame(std::unique_ptr<TBitmap>& bitmap, const TEdgeOptions& edge,
                         const TMemIniFile& catalog, const std::string& framesFolder) {
  switch (edge.kind) {
    case TEdgeKind::Corners:
      for (TCorner corner : edge.corners) RoundCorner(*bitmap, corner, edge.radius);
      break;
    case TEdgeKind::Frame:
      if (edge.frameName.empty()) return;
      // Nothing back means the catalogue has no picture for the name: keep the photo.
      if (auto framed = ApplyFrame(*bitmap, edge.frameName, catalog, framesFolder))
        bitmap = std::move(framed);
      break;
    case TEdgeKind::None:
      break;
  }
}

void ApplyTextWatermark(TBitmap& bitmap, const TTextWatermark& mark, bool preview) {
  if (!mark.fontProblems.empty())
    throw EConvertError("'" + mark.fontProblems.front().value + "' is not a valid integer value");
  SetWatermarkFont(bitmap, mark.font);
  const std::string& text = preview && mark.text.empty() ? std::string(kPreviewPrompt) : mark.text;
  if (mark.style == TPaintStyle::Single) {
    const TTextExtent extent = MeasureWatermarkText(bitmap, text, mark.angle);
    const TPoint at = WatermarkPosition(bitmap, extent.width, extent.height, mark.placement);
    DrawWatermarkText(bitmap, at.x, at.y, text, mark.opacity, mark.angle);
  } else {
    TileWatermarkText(bitmap, text, mark.opacity, mark.angle, mark.tiles.space, mark.tiles.rows);
  }
}

void ApplyWatermark(std::unique_ptr<TBitmap>& bitmap, const TWatermarkOptions& watermark,
                    bool preview) {
  switch (watermark.kind) {
    case TWatermarkKind::Text:
      ApplyTextWatermark(*bitmap, watermark.text, preview);
      break;
    case TWatermarkKind::Picture:
      // A watermark picture that cannot be loaded adds nothing.
      if (auto marked = ApplyPictureWatermark(*bitmap, watermark.picture))
        bitmap = std::move(marked);
      break;
    case TWatermarkKind::None:
      break;
  }
}

}  // namespace

bool ReduceSizeNeeded(const TBitmap& bitmap, const TSizeOptions& size) {
  const int target = TargetWidth(size);
  return target >= 1 && bitmap.Width() > target;
}

std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth) {
  const int64_t product = int64_t(targetWidth) * bitmap.Height();
  // A very flat picture would round to no rows at all, which no encoder can write; keep one.
  const int height = static_cast<int>(
      std::max<int64_t>(bitmap.Height() > 0 ? 1 : 0, RoundRatio(product, bitmap.Width())));
  auto reduced = std::make_unique<TBitmap>(targetWidth, height);
  reduced->StretchDraw(TRect{0, 0, targetWidth, height}, bitmap);
  return reduced;
}

std::unique_ptr<TBitmap> ProcessPicture(const TPictureRequest& request) {
  const TPictureOptions& options = request.options;
  std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(request.path);
  // A picture without pixels (a PNG of a few bytes) can be neither shown nor written.
  if (!bitmap || bitmap->Empty()) return nullptr;

  if (request.angle != 0) bitmap = RotatePicture(*bitmap, kWhite, request.angle);

  if (request.preview || options.edge.add)
    ApplyCornersOrFrame(bitmap, options.edge, request.catalog, request.framesFolder);

  if (options.size.reduce && ReduceSizeNeeded(*bitmap, options.size))
    bitmap = ReducePicture(*bitmap, TargetWidth(options.size));

  if (request.preview || options.watermark.add)
    ApplyWatermark(bitmap, options.watermark, request.preview);
  return bitmap;
}

std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview) {
  const TPictureOptions options = ReadPictureOptions(settings);
  return ProcessPicture({path, angle, options, catalog, framesFolder, preview});
}

}  // namespace pixmira
