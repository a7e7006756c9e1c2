#include "text/TextWatermark.h"

#include "effects/Watermark.h"

namespace pixmira {
namespace {

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
                       int angle, const TSampleGrid* grid) {
  TSmoothFontEx renderer = Renderer(bitmap, opacity, angle);
  if (!grid) return renderer.TextOut(x, y, text);
  if (!text.empty()) renderer.DrawMask(x, y, renderer.MakeMask(text), *grid);
}

void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows, const TSampleGrid* grid) {
  if (text.empty()) return;
  TSmoothFontEx renderer = Renderer(bitmap, opacity, angle);
  const TTextExtent cell = renderer.TextExtent(text);
  const std::vector<TPoint> tiles =
      TilePositions(grid ? grid->width : bitmap.Width(), grid ? grid->height : bitmap.Height(),
                    cell.width, cell.height, space, rows);
  if (tiles.empty()) return;
  // Every cell shows the same text, so one mask serves them all.
  const TSmoothMask mask = renderer.MakeMask(text);
  for (TPoint at : tiles) {
    if (grid) {
      renderer.DrawMask(at.x, at.y, mask, *grid);
    } else {
      renderer.DrawMask(at.x, at.y, mask);
    }
  }
}

}  // namespace pixmira
