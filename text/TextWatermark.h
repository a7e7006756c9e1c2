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
  int pixelHeight = 0;  // character height in pixels, in place of size; 0: from size
};

void SetWatermarkFont(TBitmap& bitmap, const TWatermarkFont& font);
TTextExtent MeasureWatermarkText(TBitmap& bitmap, const std::string& text, int angle);
// With a grid, bitmap is gathered by it from the whole picture, and x, y are in the whole
// picture's pixels (see imaging/SampleGrid.h). outline > 0 first draws a dark rim that many
// pixels wide around the letters, at the same opacity.
void DrawWatermarkText(TBitmap& bitmap, int x, int y, const std::string& text, int opacity,
                       int angle, const TSampleGrid* grid = nullptr, int outline = 0);
void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows, const TSampleGrid* grid = nullptr, int outline = 0);

// The largest character height, at most height, whose text box at angle is no wider than
// maxWidth and no higher than maxHeight (1 when even that is too large). Measures with the
// bitmap's font, whose pixel height it leaves as it was.
int FitTextHeight(TBitmap& bitmap, const std::string& text, int angle, int height, int maxWidth,
                  int maxHeight);

// The rim width for text of that character height: 1 to 3 pixels.
int OutlineWidth(int characterHeight);

// mask grown by radius pixels on every side, each pixel the largest coverage within radius
// (a square neighbourhood); its top-left corner lies radius pixels up and left of mask's.
TSmoothMask GrowMask(const TSmoothMask& mask, int radius);

}  // namespace pixmira
