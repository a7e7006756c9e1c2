#include "pipeline/Pipeline.h"

#include <algorithm>

#include "codecs/LoadPicture.h"
#include "core/Rounding.h"
#include "core/Settings.h"
#include "effects/Corners.h"
#include "effects/Frames.h"
#include "effects/Watermark.h"
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

void ApplyTextWatermark(TBitmap& bitmap, const TMemIniFile& settings, bool preview,
                        const TSampleGrid* grid) {
  SetWatermarkFont(bitmap, settings);
  std::string text = WatermarkLines(ReadSettingString(settings, keys::WatermarkText, kSite));
  if (preview && text.empty()) text = kPreviewPrompt;
  const int opacity = 100 - ReadInt(settings, keys::WatermarkTransparent);
  const int angle = ReadInt(settings, keys::WatermarkRotate);
  if (ReadInt(settings, keys::WatermarkPaintStyle) == 0) {
    const TTextExtent extent = MeasureWatermarkText(bitmap, text, angle);
    const TPoint at =
        grid ? WatermarkPosition(grid->width, grid->height, extent.width, extent.height, settings)
             : WatermarkPosition(bitmap, extent.width, extent.height, settings);
    DrawWatermarkText(bitmap, at.x, at.y, text, opacity, angle, grid);
  } else {
    TileWatermarkText(bitmap, text, opacity, angle, ReadInt(settings, keys::WatermarkTileSpace),
                      ReadInt(settings, keys::WatermarkTileCount), grid);
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

std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth) {
  const int64_t product = int64_t(targetWidth) * bitmap.Height();
  // A very flat picture would round to no rows at all, which no encoder can write; keep one.
  const int height = static_cast<int>(
      std::max<int64_t>(bitmap.Height() > 0 ? 1 : 0, RoundRatio(product, bitmap.Width())));
  auto reduced = std::make_unique<TBitmap>(targetWidth, height);
  reduced->StretchDraw(TRect{0, 0, targetWidth, height}, bitmap);
  return reduced;
}

std::unique_ptr<TBitmap> LoadTurnedPicture(const std::string& path, int angle) {
  std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(path);
  // A picture without pixels (a PNG of a few bytes) can be neither shown nor written.
  if (!bitmap || bitmap->Empty()) return nullptr;
  if (angle != 0) bitmap = RotatePicture(*bitmap, kWhite, angle);
  return bitmap;
}

TFrameAndSize ReadFrameAndSize(const TMemIniFile& settings, bool preview) {
  TFrameAndSize steps;
  steps.shape = preview || ReadBool(settings, keys::AddFrame);
  if (steps.shape) {
    steps.frameType = ReadInt(settings, keys::FrameType);
    if (steps.frameType == 0) {
      steps.cornerRadius = CornerRadius(ReadInt(settings, keys::CornerWidth));
      steps.cornerType = ReadInt(settings, keys::CornerType);
    } else if (steps.frameType == 1) {
      steps.frameName = ReadSettingString(settings, keys::FrameName, kSite);
    }
  }
  steps.targetWidth = ReadBool(settings, keys::ReduceSize) ? ReduceTargetWidth(settings) : 0;
  return steps;
}

void ApplyFrameAndSize(std::unique_ptr<TBitmap>& bitmap, const TFrameAndSize& steps,
                       const TMemIniFile& catalog, const std::string& framesFolder) {
  if (steps.shape) {
    if (steps.frameType == 0) {
      for (TCorner corner : CornersForType(steps.cornerType))
        RoundCorner(*bitmap, corner, steps.cornerRadius);
    } else if (steps.frameType == 1 && !steps.frameName.empty()) {
      // Nothing back means the catalogue has no picture for the name: keep the photo.
      if (auto framed = ApplyFrame(*bitmap, steps.frameName, catalog, framesFolder))
        bitmap = std::move(framed);
    }
  }
  if (steps.targetWidth >= 1 && bitmap->Width() > steps.targetWidth)
    bitmap = ReducePicture(*bitmap, steps.targetWidth);
}

bool WatermarkStepRuns(const TMemIniFile& settings, bool preview) {
  return preview || ReadBool(settings, keys::AddWatermark);
}

void ApplyWatermark(std::unique_ptr<TBitmap>& bitmap, const TMemIniFile& settings, bool preview,
                    const TSampleGrid* grid) {
  switch (ReadInt(settings, keys::WatermarkType)) {
    case 0:
      ApplyTextWatermark(*bitmap, settings, preview, grid);
      break;
    case 1:
      if (!ReadSettingString(settings, keys::WatermarkImage, kSite).empty()) {
        // A watermark picture that cannot be loaded adds nothing.
        if (auto marked = ApplyPictureWatermark(*bitmap, settings, grid))
          bitmap = std::move(marked);
      }
      break;
    default:
      break;
  }
}

std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview) {
  std::unique_ptr<TBitmap> bitmap = LoadTurnedPicture(path, angle);
  if (!bitmap) return nullptr;
  ApplyFrameAndSize(bitmap, ReadFrameAndSize(settings, preview), catalog, framesFolder);
  if (WatermarkStepRuns(settings, preview)) ApplyWatermark(bitmap, settings, preview);
  return bitmap;
}

}  // namespace pixmira
