#include "effects/Watermark.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "codecs/LoadPicture.h"
#include "core/Rounding.h"
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

const std::array<TAnchorRule, 9> kAnchorRules{{
    {TAnchor::BottomRight, TAlign::End, TMarginSlot::B, TAlign::End, TMarginSlot::A},
    {TAnchor::BottomLeft, TAlign::Start, TMarginSlot::B, TAlign::End, TMarginSlot::A},
    {TAnchor::TopLeft, TAlign::Start, TMarginSlot::B, TAlign::Start, TMarginSlot::A},
    {TAnchor::TopRight, TAlign::End, TMarginSlot::B, TAlign::Start, TMarginSlot::A},
    {TAnchor::BottomCentre, TAlign::Middle, TMarginSlot::None, TAlign::End, TMarginSlot::A},
    {TAnchor::TopCentre, TAlign::Middle, TMarginSlot::None, TAlign::Start, TMarginSlot::A},
    {TAnchor::LeftMiddle, TAlign::Start, TMarginSlot::A, TAlign::Middle, TMarginSlot::None},
    {TAnchor::RightMiddle, TAlign::End, TMarginSlot::A, TAlign::Middle, TMarginSlot::None},
    {TAnchor::Centre, TAlign::Middle, TMarginSlot::None, TAlign::Middle, TMarginSlot::None},
}};

TAnchor AnchorFromNumber(int stored) {
  if (stored < 0 || stored >= static_cast<int>(kAnchorRules.size())) return kAnchorRules[0].anchor;
  return kAnchorRules[static_cast<std::size_t>(stored)].anchor;
}

int AnchorNumber(TAnchor anchor) { return static_cast<int>(anchor); }

const TAnchorRule& AnchorRule(TAnchor anchor) {
  return kAnchorRules[static_cast<std::size_t>(AnchorNumber(anchor))];
}

namespace {

int64_t MarginPixels(const TWatermarkPlacement& place, TMarginSlot slot, int64_t extent) {
  if (slot == TMarginSlot::None) return 0;
  const TMargin& m = slot == TMarginSlot::A ? place.a : place.b;
  return m.percent ? RoundRatio(int64_t(m.value) * extent, 100) : m.value;
}

// Where one axis starts: `room` is the picture's extent less the watermark's.
int64_t AxisPosition(TAlign align, int64_t room, int64_t margin) {
  switch (align) {
    case TAlign::Start:
      return margin;
    case TAlign::End:
      return room - margin;
    case TAlign::Middle:
      return room / 2;
  }
  return 0;
}

}  // namespace

TPoint WatermarkPosition(const TBitmap& bitmap, int w, int h, const TWatermarkPlacement& place) {
  return WatermarkPosition(bitmap.Width(), bitmap.Height(), w, h, place);
}

TPoint WatermarkPosition(int pictureWidth, int pictureHeight, int w, int h,
                         const TWatermarkPlacement& place) {
  const TAnchorRule& rule = AnchorRule(place.anchor);
  const int64_t W = pictureWidth;
  const int64_t H = pictureHeight;
  const int64_t x = AxisPosition(rule.x, W - w, MarginPixels(place, rule.xMargin, W));
  const int64_t y = AxisPosition(rule.y, H - h, MarginPixels(place, rule.yMargin, H));
  return {ClampPosition(x), ClampPosition(y)};
}

TPoint WatermarkRoom(int pictureWidth, int pictureHeight, const TWatermarkPlacement& place) {
  const TAnchorRule& rule = AnchorRule(place.anchor);
  const auto room = [](int64_t extent, int64_t margin) {
    return static_cast<int>(std::clamp<int64_t>(extent - std::max<int64_t>(0, margin), 1,
                                                std::max<int64_t>(1, extent)));
  };
  return {room(pictureWidth, MarginPixels(place, rule.xMargin, pictureWidth)),
          room(pictureHeight, MarginPixels(place, rule.yMargin, pictureHeight))};
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
    if (dynamic_cast<const TAlphaPicture*>(picture.get())) {
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

std::shared_ptr<const TBitmap> PreparePictureWatermark(const TPictureWatermark& mark) {
  if (mark.path.empty()) return nullptr;
  std::unique_ptr<TBitmap> watermark = LoadWatermark(mark.path);
  if (!watermark || watermark->Empty()) return nullptr;
  // Without scaling nothing depends on the photo: it can be turned once, too.
  if (mark.scale == 0 && mark.angle != 0) watermark = RotatePicture(*watermark, kWhite, mark.angle);
  return watermark;
}

std::unique_ptr<TBitmap> ApplyPictureWatermark(const TBitmap& bitmap, const TPictureWatermark& mark,
                                               const TSampleGrid* grid) {
  std::shared_ptr<const TBitmap> watermark =
      mark.prepared ? mark.prepared : PreparePictureWatermark(mark);
  if (!watermark) return nullptr;
  const int W = grid ? grid->width : bitmap.Width();
  const int H = grid ? grid->height : bitmap.Height();
  if (mark.scale != 0) {
    // Scaled before it is turned, so that the white corners of the turn stay pure white.
    if (auto scaled = ScaleWatermark(*watermark, W, mark.scale)) watermark = std::move(scaled);
    if (mark.angle != 0) watermark = RotatePicture(*watermark, kWhite, mark.angle);
  }

  if (mark.style == TPaintStyle::Single) {
    const TPoint at =
        WatermarkPosition(W, H, watermark->Width(), watermark->Height(), mark.placement);
    return PlaceWatermarkPicture(bitmap, at, *watermark, kWhite, mark.opacity, grid);
  }
  return TileWatermarkPicture(bitmap, *watermark, mark.tiles.space, mark.tiles.rows, kWhite,
                              mark.opacity, grid);
}

}  // namespace pixmira
