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
void DrawWatermarkText(TBitmap& bitmap, int x, int y, const std::string& text, int opacity,
                       int angle);
void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows);

}  // namespace pixmira
