#pragma once
// The text watermark: font from the settings, measured, placed, drawn or tiled.
#include <string>

#include "imaging/Bitmap.h"
#include "text/SmoothText.h"

namespace pixmira {

struct TWatermarkFont {
  std::string name;  // empty: keep the bitmap's face
  int size = 8;
  TColor color = kWhite;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

void SetWatermarkFont(TBitmap& bitmap, const TWatermarkFont& font);
TTextExtent MeasureWatermarkText(TBitmap& bitmap, const std::string& text, int angle);
// With a grid, bitmap is gathered by it from the whole picture, and x, y are in the whole
// picture's pixels (see imaging/SampleGrid.h).
void DrawWatermarkText(TBitmap& bitmap, int x, int y, const std::string& text, int opacity,
                       int angle, const TSampleGrid* grid = nullptr);
void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows, const TSampleGrid* grid = nullptr);

}  // namespace pixmira
