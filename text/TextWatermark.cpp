#include "text/TextWatermark.h"

#include "core/ColorText.h"
#include "core/Errors.h"
#include "core/Settings.h"
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

void SetWatermarkFont(TBitmap& bitmap, const TMemIniFile& settings) {
  const std::string name = ReadSettingString(settings, keys::WatermarkFontName, ReadSite::Pipeline);
  const std::string size = ReadSettingString(settings, keys::WatermarkFontSize, ReadSite::Pipeline);
  const std::string color =
      ReadSettingString(settings, keys::WatermarkFontColor, ReadSite::Pipeline);
  int points = 0;
  if (!TryParseInteger(size, points))
    throw EConvertError("'" + size + "' is not a valid integer value");
  // Converted before anything changes, so a bad value leaves the font as it was.
  const TColor ink = StringToColor(color);

  if (!name.empty()) bitmap.font.name = name;
  bitmap.font.size = points;
  bitmap.font.color = ink;
  bitmap.font.bold = ReadSettingBool(settings, keys::WatermarkFontBold, ReadSite::Pipeline);
  bitmap.font.italic = ReadSettingBool(settings, keys::WatermarkFontItalic, ReadSite::Pipeline);
  bitmap.font.underline =
      ReadSettingBool(settings, keys::WatermarkFontUnderLine, ReadSite::Pipeline);
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
