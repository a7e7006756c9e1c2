#include "effects/Watermark.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "codecs/LoadPicture.h"
#include "codecs/Png.h"
#include "core/Rounding.h"
#include "core/Settings.h"
#include "imaging/Resample.h"
#include "imaging/Rotate.h"

namespace pixmira {

namespace {

// Keeps positions from hostile margins far enough from the int limits that x + w never
// overflows in the drawing code; anything this far out is clipped anyway.
constexpr int64_t kFarOutside = int64_t(1) << 30;

int ClampPosition(int64_t v) { return static_cast<int>(std::clamp(v, -kFarOutside, kFarOutside)); }

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// A gap so negative that tiles would not move forward counts as no gap.
int64_t TileStep(int64_t cell, int64_t space) { return cell + space >= 1 ? cell + space : cell; }

}  // namespace

TPoint WatermarkPosition(const TBitmap& bitmap, int w, int h, const TMemIniFile& settings) {
  return WatermarkPosition(bitmap.Width(), bitmap.Height(), w, h, settings);
}

TPoint WatermarkPosition(int pictureWidth, int pictureHeight, int w, int h,
                         const TMemIniFile& settings) {
  int anchor = ReadSettingInteger(settings, keys::WatermarkPos, ReadSite::Pipeline);
  if (anchor < 0 || anchor > 8) anchor = 0;
  const int64_t W = pictureWidth;
  const int64_t H = pictureHeight;

  // A margin in pixels, or in percent of the picture's width or height.
  auto margin = [&](char letter, int64_t extent) -> int64_t {
    const int64_t value =
        ReadSettingInteger(settings, MarginKey(anchor, letter), ReadSite::Pipeline);
    const int kind =
        ReadSettingInteger(settings, MarginKindKey(anchor, letter), ReadSite::Pipeline);
    return kind == 0 ? value : RoundRatio(value * extent, 100);
  };

  int64_t x = 0;
  int64_t y = 0;
  const int64_t right = W - w;
  const int64_t bottom = H - h;
  switch (anchor) {
    case 0:
      x = right - margin('B', W);
      y = bottom - margin('A', H);
      break;
    case 1:
      x = margin('B', W);
      y = bottom - margin('A', H);
      break;
    case 2:
      x = margin('B', W);
      y = margin('A', H);
      break;
    case 3:
      x = right - margin('B', W);
      y = margin('A', H);
      break;
    case 4:
      x = right / 2;
      y = bottom - margin('A', H);
      break;
    case 5:
      x = right / 2;
      y = margin('A', H);
      break;
    case 6:
      x = margin('A', W);
      y = bottom / 2;
      break;
    case 7:
      x = right - margin('A', W);
      y = bottom / 2;
      break;
    case 8:
      x = right / 2;
      y = bottom / 2;
      break;
  }
  return {ClampPosition(x), ClampPosition(y)};
}

std::vector<TPoint> TilePositions(int W, int H, int w, int h, int space, int rows) {
  std::vector<TPoint> points;
  if (w <= 0 || h <= 0 || rows < 0) return points;
  const int64_t stepX = TileStep(w, space);
  const int64_t stepY = TileStep(h, space);

  // Row positions y0 + k·stepY for k in [0, count); only rows that can show (y > −h − 1 and
  // y ≤ H, the same bound as the open-ended grid) are listed, so a huge count stays cheap.
  // The extra pixel keeps a turned text, whose ink may reach one row past its measured box.
  int64_t y0 = 0;
  int64_t count = 0;
  if (rows == 0) {
    count = H >= 0 ? int64_t(H) / stepY + 1 : 0;
  } else {
    y0 = (int64_t(H) - (int64_t(rows) * h + (int64_t(rows) - 1) * (stepY - h))) / 2;
    count = rows;
  }
  const int64_t reach = int64_t(h) + 1;
  const int64_t first = y0 > -reach ? 0 : FloorDiv(-reach - y0, stepY) + 1;
  const int64_t last = std::min(count - 1, H >= y0 ? FloorDiv(int64_t(H) - y0, stepY) : -1);

  std::vector<int> ys;
  for (int64_t k = first; k <= last; ++k) ys.push_back(static_cast<int>(y0 + k * stepY));
  if (ys.empty()) return points;

  for (int64_t x = 0; x <= W; x += stepX)
    for (int y : ys) points.push_back({static_cast<int>(x), y});
  return points;
}

std::unique_ptr<TBitmap> BlendLayer(const TBitmap& photo, const TBitmap& layer, TColor key,
                                    int opacity) {
  if (photo.Width() != layer.Width() || photo.Height() != layer.Height())
    throw std::invalid_argument("BlendLayer: the layer and the photograph differ in size");
  opacity = std::clamp(opacity, 0, 100);
  const float f = static_cast<float>(opacity) / 100.0f;

  // round((layer − photo) × f) for every difference −255..255, worked out once.
  std::array<int16_t, 511> add{};
  for (int d = -255; d <= 255; ++d) {
    const long double product = static_cast<long double>(d) * static_cast<long double>(f);
    add[d + 255] = static_cast<int16_t>(RoundHalfEven(static_cast<double>(product)));
  }

  auto result = std::make_unique<TBitmap>(photo.Width(), photo.Height());
  const uint8_t kb = BlueOf(key), kg = GreenOf(key), kr = RedOf(key);
  const int width = photo.Width();
  for (int y = 0; y < photo.Height(); ++y) {
    const uint8_t* p = photo.Row(y);
    const uint8_t* l = layer.Row(y);
    uint8_t* out = result->Row(y);
    for (int x = 0; x < width; ++x, p += 3, l += 3, out += 3) {
      // Branch-free: the key test is unpredictable on a tiled layer.
      const int blend = !(l[0] == kb && l[1] == kg && l[2] == kr);
      out[0] = static_cast<uint8_t>(p[0] + blend * add[l[0] - p[0] + 255]);
      out[1] = static_cast<uint8_t>(p[1] + blend * add[l[1] - p[1] + 255]);
      out[2] = static_cast<uint8_t>(p[2] + blend * add[l[2] - p[2] + 255]);
    }
  }
  return result;
}

namespace {

std::unique_ptr<TBitmap> KeyLayer(const TBitmap& bitmap, TColor key) {
  auto layer = std::make_unique<TBitmap>(bitmap.Width(), bitmap.Height());
  if (key != kWhite) layer->Fill(key);
  return layer;
}

void DrawOnLayer(TBitmap& layer, TPoint at, const TBitmap& watermark, const TSampleGrid* grid) {
  if (grid) {
    DrawOnGrid(layer, *grid, at.x, at.y, watermark);
  } else {
    layer.Draw(at.x, at.y, watermark);
  }
}

}  // namespace

std::unique_ptr<TBitmap> PlaceWatermarkPicture(const TBitmap& bitmap, TPoint at,
                                               const TBitmap& watermark, TColor key, int opacity,
                                               const TSampleGrid* grid) {
  auto layer = KeyLayer(bitmap, key);
  DrawOnLayer(*layer, at, watermark, grid);
  return BlendLayer(bitmap, *layer, key, opacity);
}

std::unique_ptr<TBitmap> TileWatermarkPicture(const TBitmap& bitmap, const TBitmap& watermark,
                                              int space, int rows, TColor key, int opacity,
                                              const TSampleGrid* grid) {
  auto layer = KeyLayer(bitmap, key);
  for (TPoint at :
       TilePositions(grid ? grid->width : bitmap.Width(), grid ? grid->height : bitmap.Height(),
                     watermark.Width(), watermark.Height(), space, rows))
    DrawOnLayer(*layer, at, watermark, grid);
  return BlendLayer(bitmap, *layer, key, opacity);
}

namespace {

// A picture with an alpha channel is laid on the key colour, so that its transparent parts
// drop out in the blend like white ones; the usual copy over black would stamp them as a
// dark box.
std::unique_ptr<TBitmap> LoadWatermark(const std::string& path) {
  const std::unique_ptr<TPicture> picture = LoadPicture(path);
  if (!picture || picture->Width() <= 0 || picture->Height() <= 0) return nullptr;
  try {
    if (dynamic_cast<const TPNGPicture*>(picture.get())) {
      auto bitmap = std::make_unique<TBitmap>(picture->Width(), picture->Height());
      picture->Draw(*bitmap, TRect{0, 0, bitmap->Width(), bitmap->Height()});
      return bitmap;
    }
    return picture->ToBitmap();
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace

std::unique_ptr<TBitmap> ScaleWatermark(const TBitmap& watermark, int pictureWidth, int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == 0 || watermark.Empty() || pictureWidth <= 0) return nullptr;
  const int64_t width = std::max<int64_t>(1, RoundRatio(int64_t(pictureWidth) * percent, 100));
  const int64_t height =
      std::max<int64_t>(1, RoundRatio(width * watermark.Height(), watermark.Width()));
  if (width == watermark.Width() && height == watermark.Height()) return nullptr;
  CheckPictureSize(width, height);
  auto scaled = std::make_unique<TBitmap>(int(width), int(height));
  ResampleBilinear(*scaled, watermark);
  return scaled;
}

std::unique_ptr<TBitmap> ApplyPictureWatermark(const TBitmap& bitmap, const TMemIniFile& settings,
                                               const TSampleGrid* grid) {
  const std::string path = ReadSettingString(settings, keys::WatermarkImage, ReadSite::Pipeline);
  if (path.empty()) return nullptr;
  std::unique_ptr<TBitmap> watermark = LoadWatermark(path);
  if (!watermark || watermark->Empty()) return nullptr;
  const int W = grid ? grid->width : bitmap.Width();
  const int H = grid ? grid->height : bitmap.Height();

  // Scaled before it is turned, so that the white corners of the turn stay pure white.
  if (auto scaled = ScaleWatermark(
          *watermark, W,
          ReadSettingInteger(settings, keys::WatermarkImageScale, ReadSite::Pipeline)))
    watermark = std::move(scaled);

  const int angle = ReadSettingInteger(settings, keys::WatermarkRotate, ReadSite::Pipeline);
  if (angle != 0) watermark = RotatePicture(*watermark, kWhite, angle);

  const int transparency = std::clamp(
      ReadSettingInteger(settings, keys::WatermarkTransparent, ReadSite::Pipeline), 0, 100);
  const int opacity = 100 - transparency;

  if (ReadSettingInteger(settings, keys::WatermarkPaintStyle, ReadSite::Pipeline) == 0) {
    const TPoint at = WatermarkPosition(W, H, watermark->Width(), watermark->Height(), settings);
    return PlaceWatermarkPicture(bitmap, at, *watermark, kWhite, opacity, grid);
  }
  return TileWatermarkPicture(
      bitmap, *watermark,
      ReadSettingInteger(settings, keys::WatermarkTileSpace, ReadSite::Pipeline),
      ReadSettingInteger(settings, keys::WatermarkTileCount, ReadSite::Pipeline), kWhite, opacity,
      grid);
}

}  // namespace pixmira
