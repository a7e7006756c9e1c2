#include "text/SmoothText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/Encoding.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "imaging/Rotate.h"

namespace pixmira {
namespace {

constexpr int kScale = 4;
// Beyond this a character is far taller than any picture; larger sizes are drawn at it.
constexpr int kMaxCharacterPixels = 4000;
// Extents stay far from int overflow whatever the text; such a box cannot be drawn anyway.
constexpr int64_t kMaxExtent = int64_t(1) << 24;

int EmPixels(const TFont& font) {
  int height = font.pixelHeight > 0 ? font.pixelHeight : FontPixelHeight(font.size);
  if (height == 0) height = FontPixelHeight(TFont{}.size);  // size 0: the default size
  return std::min(std::abs(height), kMaxCharacterPixels) * kScale;
}

}  // namespace

TSmoothMask::TSmoothMask(int w, int h)
    : width(w), height(h), stride((std::size_t(w) + 3) & ~std::size_t(3)) {
  coverage.assign(stride * std::size_t(h), 0);
}

int FontPixelHeight(int points) {
  return static_cast<int>(RoundHalfAway(double(points) * 96.0 / 72.0));
}

int ItalicWidth(int width, std::string_view utf8) {
  const std::size_t n = GbkLength(utf8);
  if (n == 0) return width;
  return width + static_cast<int>(RoundHalfEven(double(width) / double(n) * 0.3));
}

TTextExtent RotatedExtent(TTextExtent unrotated, int angle) {
  if (angle == 0) return unrotated;
  const double t = angle * std::numbers::pi / 180.0;
  const double s = std::sin(-t);
  const double c = std::cos(-t);
  const double a = unrotated.width / 2.0;
  const double b = unrotated.height / 2.0;
  int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
  for (const auto& [x, y] :
       std::array<std::pair<double, double>, 4>{{{-a, -b}, {a, -b}, {-a, b}, {a, b}}}) {
    const int64_t rx = RoundHalfEven(x * c - y * s);
    const int64_t ry = RoundHalfEven(x * s + y * c);
    minX = std::min(minX, rx), maxX = std::max(maxX, rx);
    minY = std::min(minY, ry), maxY = std::max(maxY, ry);
  }
  return {static_cast<int>(maxX - minX), static_cast<int>(maxY - minY)};
}

TSmoothMask MaskFromWorkImage(const TGreyImage& work, int angle) {
  const TGreyImage* source = &work;
  TGreyImage rotated;
  if (angle % 360 != 0) {
    const RotationGeometry g = ComputeRotation(angle, work.Width(), work.Height());
    rotated = TGreyImage(g.width, g.height);
    const uint8_t fill = 0;
    if (g.width > 0 && g.height > 0)
      RotatePixels(g, work.Row(0), work.Stride(), rotated.Row(0), rotated.Stride(), 1, &fill);
    source = &rotated;
  }

  TSmoothMask mask(source->Width() / kScale, source->Height() / kScale);
  for (int y = 0; y < mask.height; ++y) {
    const uint8_t* rows[kScale];
    for (int r = 0; r < kScale; ++r) rows[r] = source->Row(y * kScale + r);
    uint8_t* out = mask.Row(y);
    for (int x = 0; x < mask.width; ++x) {
      unsigned sum = 0;
      for (int r = 0; r < kScale; ++r) {
        const uint8_t* p = rows[r] + x * kScale;
        sum += p[0] + p[1] + p[2] + p[3];
      }
      out[x] = static_cast<uint8_t>(sum >> 4);
    }
  }
  return mask;
}

TSmoothFontEx::TSmoothFontEx(TBitmap& canvas) : canvas_(canvas) {}

void TSmoothFontEx::SetAlpha(int percent) { alpha_ = std::clamp(percent, 0, 100); }

void TSmoothFontEx::SetAngle(int degrees) {
  angle_ = (degrees > 360 || degrees < -360) ? degrees % 360 : degrees;
}

TTextExtent TSmoothFontEx::UnrotatedExtent(std::string_view utf8) const {
  if (utf8.empty()) return {};
  TTextRaster raster(canvas_.font, EmPixels(canvas_.font));
  const TLayoutSize size = raster.Measure(utf8);
  const int64_t width = std::min((size.width + kScale - 1) / kScale, kMaxExtent);
  const int64_t height = std::min((size.height + kScale - 1) / kScale, kMaxExtent);
  if (canvas_.font.italic) return {ItalicWidth(static_cast<int>(width), utf8), int(height)};
  return {static_cast<int>(width), static_cast<int>(height)};
}

TTextExtent TSmoothFontEx::TextExtent(std::string_view utf8) const {
  return RotatedExtent(UnrotatedExtent(utf8), angle_);
}

TSmoothMask TSmoothFontEx::MakeMask(std::string_view utf8) const {
  const TTextExtent box = UnrotatedExtent(utf8);
  if (box.width <= 0 || box.height <= 0) return {};
  if (int64_t(box.width) * box.height * kScale * kScale > kMaxPicturePixels)
    throw EInvalidGraphic("The text is too large to draw (" + std::to_string(box.width) + " x " +
                          std::to_string(box.height) + " pixels)");
  TGreyImage work(box.width * kScale, box.height * kScale);
  TTextRaster(canvas_.font, EmPixels(canvas_.font)).Draw(utf8, work);
  return MaskFromWorkImage(work, angle_);
}

namespace {

// One canvas pixel under mask coverage m, for DrawMask on a whole or a gathered canvas.
struct TInk {
  unsigned k;  // opacity × 256 / 100
  int ink[3];
  bool solid;
  uint8_t box[3];

  void Apply(uint8_t* p, uint8_t m) const {
    if (solid) std::copy_n(box, 3, p);
    const int weight = static_cast<int>((m * k) >> 8) & 255;
    if (weight == 0) return;
    for (int ch = 0; ch < 3; ++ch) {
      // The arithmetic shift rounds toward minus infinity, so the result stays between
      // the old value and the ink.
      p[ch] =
          weight == 255 ? uint8_t(ink[ch]) : uint8_t(p[ch] + (((ink[ch] - p[ch]) * weight) >> 8));
    }
  }
};

TInk InkOf(const TBitmap& canvas, int alpha) {
  const TColor color = canvas.font.color;
  return {unsigned(alpha) * 256 / 100,
          {BlueOf(color), GreenOf(color), RedOf(color)},
          canvas.brush.style == TBrushStyle::Solid,
          {BlueOf(canvas.brush.color), GreenOf(canvas.brush.color), RedOf(canvas.brush.color)}};
}

}  // namespace

void TSmoothFontEx::DrawMask(int x, int y, const TSmoothMask& mask) {
  const int x0 = std::max(x, 0);
  const int y0 = std::max(y, 0);
  const int x1 = static_cast<int>(std::min<int64_t>(int64_t(x) + mask.width, canvas_.Width()));
  const int y1 = static_cast<int>(std::min<int64_t>(int64_t(y) + mask.height, canvas_.Height()));
  if (x0 >= x1 || y0 >= y1) return;

  const TInk ink = InkOf(canvas_, alpha_);
  for (int row = y0; row < y1; ++row) {
    const uint8_t* m = mask.Row(row - y);
    uint8_t* p = canvas_.Row(row) + std::size_t(x0) * 3;
    for (int col = x0; col < x1; ++col, p += 3) ink.Apply(p, m[col - x]);
  }
}

void TSmoothFontEx::DrawMask(int x, int y, const TSmoothMask& mask, const TSampleGrid& grid) {
  const auto [i0, i1] = GridSpan(grid.columns, x, int64_t(x) + mask.width);
  const auto [j0, j1] = GridSpan(grid.rows, y, int64_t(y) + mask.height);
  if (i0 >= i1 || j0 >= j1) return;

  const TInk ink = InkOf(canvas_, alpha_);
  for (std::size_t j = j0; j < j1; ++j) {
    const uint8_t* m = mask.Row(grid.rows[j] - y);
    uint8_t* p = canvas_.Row(int(j)) + i0 * 3;
    for (std::size_t i = i0; i < i1; ++i, p += 3) ink.Apply(p, m[grid.columns[i] - x]);
  }
}

void TSmoothFontEx::TextOut(int x, int y, std::string_view utf8) {
  if (utf8.empty()) return;
  DrawMask(x, y, MakeMask(utf8));
}

}  // namespace pixmira
