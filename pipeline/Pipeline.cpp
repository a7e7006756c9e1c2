#include "pipeline/Pipeline.h"

#include <algorithm>

#include "codecs/LoadPicture.h"
#include "core/Rounding.h"
#include "core/Settings.h"
#include "effects/Corners.h"
#include "effects/Frames.h"
#include "effects/Watermark.h"
#include "imaging/Lanczos.h"
#include "imaging/Rotate.h"
#include "text/TextWatermark.h"

namespace pixmira {

namespace {

constexpr ReadSite kSite = ReadSite::Pipeline;
constexpr std::string_view kPreviewPrompt = "请在此输入水印文字";

int ReadInt(const TMemIniFile& settings, std::string_view key) {
  return ReadSettingInteger(settings, key, kSite);
}

bool ReadBool(const TMemIniFile& settings, std::string_view key) {
  return ReadSettingBool(settings, key, kSite);
}

// The settings keep a line break as the one character of code 3.
std::string WatermarkLines(std::string stored) {
  std::string text;
  text.reserve(stored.size() + 8);
  for (char ch : stored) {
    if (ch == '\x03') {
      text += "\r\n";
    } else {
      text += ch;
    }
  }
  return text;
}

void ApplyCornersOrFrame(std::unique_ptr<TBitmap>& bitmap, const TMemIniFile& settings,
                         const TMemIniFile& catalog, const std::string& framesFolder, bool smooth) {
  const int frameType = ReadInt(settings, keys::FrameType);
  if (frameType == 0) {
    const int radius = CornerRadius(ReadInt(settings, keys::CornerWidth));
    for (TCorner corner : CornersForType(ReadInt(settings, keys::CornerType))) {
      RoundCorner(*bitmap, corner, radius);
    }
  } else if (frameType == 1) {
    const std::string name = ReadSettingString(settings, keys::FrameName, kSite);
    if (name.empty()) return;
    // Nothing back means the catalogue has no picture for the name: keep the photo.
    if (auto framed = ApplyFrame(*bitmap, name, catalog, framesFolder, smooth))
      bitmap = std::move(framed);
  }
}

void ApplyTextWatermark(TBitmap& bitmap, const TMemIniFile& settings, bool preview) {
  SetWatermarkFont(bitmap, settings);
  std::string text = WatermarkLines(ReadSettingString(settings, keys::WatermarkText, kSite));
  if (preview && text.empty()) text = kPreviewPrompt;
  const int opacity = 100 - ReadInt(settings, keys::WatermarkTransparent);
  const int angle = ReadInt(settings, keys::WatermarkRotate);
  if (ReadInt(settings, keys::WatermarkPaintStyle) == 0) {
    const TTextExtent extent = MeasureWatermarkText(bitmap, text, angle);
    const TPoint at = WatermarkPosition(bitmap, extent.width, extent.height, settings);
    DrawWatermarkText(bitmap, at.x, at.y, text, opacity, angle);
  } else {
    TileWatermarkText(bitmap, text, opacity, angle, ReadInt(settings, keys::WatermarkTileSpace),
                      ReadInt(settings, keys::WatermarkTileCount));
  }
}

}  // namespace

int ReduceTargetWidth(const TMemIniFile& settings) {
  switch (ReadInt(settings, keys::ReduceSizeType)) {
    case 0:
      return 310;
    case 1:
      return 500;
    case 2:
      return 700;
    case 3:
      return std::max(0, ReadInt(settings, keys::ReduceSizeWidth));
    default:
      return 0;
  }
}

bool ReduceSizeNeeded(const TBitmap& bitmap, const TMemIniFile& settings) {
  const int target = ReduceTargetWidth(settings);
  return target >= 1 && bitmap.Width() > target;
}

namespace {

// A very flat picture would round to no rows at all, which no encoder can write; keep one.
int ProportionalSide(int64_t side, int64_t other, int64_t otherTarget) {
  return static_cast<int>(
      std::max<int64_t>(side > 0 ? 1 : 0, RoundRatio(otherTarget * side, other)));
}

std::unique_ptr<TBitmap> Scaled(const TBitmap& bitmap, int width, int height, bool smooth) {
  auto scaled = std::make_unique<TBitmap>(width, height);
  // Only reductions are smoothed; a picture that grows keeps the point-sampled look.
  if (smooth && width <= bitmap.Width() && height <= bitmap.Height()) {
    ResampleLanczos(*scaled, bitmap);
  } else {
    scaled->StretchDraw(TRect{0, 0, width, height}, bitmap);
  }
  return scaled;
}

}  // namespace

std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth, bool smooth) {
  const int height = ProportionalSide(bitmap.Height(), bitmap.Width(), targetWidth);
  return Scaled(bitmap, targetWidth, height, smooth);
}

std::unique_ptr<TBitmap> SquarePicture(const TBitmap& bitmap, int side, bool smooth) {
  int w = bitmap.Width(), h = bitmap.Height();
  std::unique_ptr<TBitmap> shrunk;
  if (std::max(w, h) > side) {
    if (w >= h) {
      h = ProportionalSide(h, w, side);
      w = side;
    } else {
      w = ProportionalSide(w, h, side);
      h = side;
    }
    shrunk = Scaled(bitmap, w, h, smooth);
  }
  auto square = std::make_unique<TBitmap>(side, side);
  square->Draw((side - w) / 2, (side - h) / 2, shrunk ? *shrunk : bitmap);
  return square;
}

std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview) {
  std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(path);
  // A picture without pixels (a PNG of a few bytes) can be neither shown nor written.
  if (!bitmap || bitmap->Empty()) return nullptr;

  if (angle != 0) bitmap = RotatePicture(*bitmap, kWhite, angle);

  const bool smooth = ReadBool(settings, keys::ReduceSizeSmooth);
  if (preview || ReadBool(settings, keys::AddFrame)) {
    ApplyCornersOrFrame(bitmap, settings, catalog, framesFolder, smooth);
  }

  const bool reduce = ReadBool(settings, keys::ReduceSize);
  if (ReadBool(settings, keys::SquareCanvas)) {
    const int target = reduce ? ReduceTargetWidth(settings) : 0;
    const int side = target >= 1 ? target : std::max(bitmap->Width(), bitmap->Height());
    bitmap = SquarePicture(*bitmap, side, smooth);
  } else if (reduce && ReduceSizeNeeded(*bitmap, settings)) {
    bitmap = ReducePicture(*bitmap, ReduceTargetWidth(settings), smooth);
  }

  if (!preview && !ReadBool(settings, keys::AddWatermark)) return bitmap;

  switch (ReadInt(settings, keys::WatermarkType)) {
    case 0:
      ApplyTextWatermark(*bitmap, settings, preview);
      break;
    case 1:
      if (!ReadSettingString(settings, keys::WatermarkImage, kSite).empty()) {
        // A watermark picture that cannot be loaded adds nothing.
        if (auto marked = ApplyPictureWatermark(*bitmap, settings)) bitmap = std::move(marked);
      }
      break;
    default:
      break;
  }
  return bitmap;
}

}  // namespace pixmira
