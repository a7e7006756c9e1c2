#include "text/TextWatermark.h"

#include <algorithm>

#include "effects/Watermark.h"

namespace pixmira {
namespace {

// Dark enough to part white text from a white or busy ground.
constexpr TColor kOutlineColor = 0x000000;

void DrawOutlined(TSmoothFontEx& renderer, TBitmap& bitmap, int x, int y, const TSmoothMask& mask,
                  const TSmoothMask* rim, int outline, const TSampleGrid* grid) {
  if (rim) {
    const TColor ink = bitmap.font.color;
    bitmap.font.color = kOutlineColor;
    if (grid) {
      renderer.DrawMask(x - outline, y - outline, *rim, *grid);
    } else {
      renderer.DrawMask(x - outline, y - outline, *rim);
    }
    bitmap.font.color = ink;
  }
  if (grid) {
    renderer.DrawMask(x, y, mask, *grid);
  } else {
    renderer.DrawMask(x, y, mask);
  }
}

TSmoothFontEx Renderer(TBitmap& bitmap, int opacity, int angle) {
  bitmap.brush.style = TBrushStyle::Clear;
  TSmoothFontEx renderer(bitmap);
  renderer.SetAlpha(opacity);
  renderer.SetAngle(angle);
  return renderer;
}

}  // namespace

void SetWatermarkFont(TBitmap& bitmap, const TWatermarkFont& font) {
  if (!font.name.empty()) bitmap.font.name = font.name;
  bitmap.font.size = font.size;
  bitmap.font.pixelHeight = font.pixelHeight;
  bitmap.font.color = font.color;
  bitmap.font.bold = font.bold;
  bitmap.font.italic = font.italic;
  bitmap.font.underline = font.underline;
  bitmap.brush.style = TBrushStyle::Clear;
}

TTextExtent MeasureWatermarkText(TBitmap& bitmap, const std::string& text, int angle) {
  return Renderer(bitmap, 100, angle).TextExtent(text);
}

void DrawWatermarkText(TBitmap& bitmap, int x, int y, const std::string& text, int opacity,
                       int angle, const TSampleGrid* grid, int outline) {
  TSmoothFontEx renderer = Renderer(bitmap, opacity, angle);
  if (!grid && outline <= 0) return renderer.TextOut(x, y, text);
  if (text.empty()) return;
  const TSmoothMask mask = renderer.MakeMask(text);
  const TSmoothMask rim = outline > 0 ? GrowMask(mask, outline) : TSmoothMask();
  DrawOutlined(renderer, bitmap, x, y, mask, outline > 0 ? &rim : nullptr, outline, grid);
}

void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows, const TSampleGrid* grid, int outline) {
  if (text.empty()) return;
  TSmoothFontEx renderer = Renderer(bitmap, opacity, angle);
  const TTextExtent cell = renderer.TextExtent(text);
  const std::vector<TPoint> tiles =
      TilePositions(grid ? grid->width : bitmap.Width(), grid ? grid->height : bitmap.Height(),
                    cell.width, cell.height, space, rows);
  if (tiles.empty()) return;
  // Every cell shows the same text, so one mask serves them all.
  const TSmoothMask mask = renderer.MakeMask(text);
  const TSmoothMask rim = outline > 0 ? GrowMask(mask, outline) : TSmoothMask();
  for (TPoint at : tiles)
    DrawOutlined(renderer, bitmap, at.x, at.y, mask, outline > 0 ? &rim : nullptr, outline, grid);
}

int FitTextHeight(TBitmap& bitmap, const std::string& text, int angle, int height, int maxWidth,
                  int maxHeight) {
  const int kept = bitmap.font.pixelHeight;
  const auto fits = [&](int h) {
    bitmap.font.pixelHeight = h;
    const TTextExtent box = MeasureWatermarkText(bitmap, text, angle);
    return box.width <= maxWidth && box.height <= maxHeight;
  };
  int best = std::max(1, height);
  if (!fits(best)) {
    // Sizes grow the box almost in proportion: search between 1 and the size that did not fit.
    int low = 1, high = best - 1;
    best = 1;
    while (low <= high) {
      const int mid = low + (high - low) / 2;
      if (fits(mid)) {
        best = mid;
        low = mid + 1;
      } else {
        high = mid - 1;
      }
    }
  }
  bitmap.font.pixelHeight = kept;
  return best;
}

int OutlineWidth(int characterHeight) { return std::clamp((characterHeight + 8) / 16, 1, 3); }

TSmoothMask GrowMask(const TSmoothMask& mask, int radius) {
  const int r = std::max(0, radius);
  TSmoothMask across(mask.width + 2 * r, mask.height);
  // Rows first, then columns: the largest value of a square is that of its rows' largest.
  for (int y = 0; y < mask.height; ++y) {
    const uint8_t* in = mask.Row(y);
    uint8_t* out = across.Row(y);
    for (int x = 0; x < across.width; ++x) {
      const int from = std::max(0, x - 2 * r), to = std::min(mask.width - 1, x);
      uint8_t best = 0;
      for (int i = from; i <= to; ++i) best = std::max(best, in[i]);
      out[x] = best;
    }
  }
  TSmoothMask grown(across.width, mask.height + 2 * r);
  for (int y = 0; y < grown.height; ++y) {
    const int from = std::max(0, y - 2 * r), to = std::min(mask.height - 1, y);
    uint8_t* out = grown.Row(y);
    for (int j = from; j <= to; ++j) {
      const uint8_t* in = across.Row(j);
      for (int x = 0; x < grown.width; ++x) out[x] = std::max(out[x], in[x]);
    }
  }
  return grown;
}

}  // namespace pixmira
