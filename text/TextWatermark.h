#pragma once
// The text watermark: font from the settings, measured, placed, drawn or tiled.
#include <string>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"
#include "text/SmoothText.h"

namespace pixmira {

// Raises EConvertError "'%s' is not a valid integer value" for a size or colour that does
// not convert.
void SetWatermarkFont(TBitmap& bitmap, const TMemIniFile& settings);
TTextExtent MeasureWatermarkText(TBitmap& bitmap, const std::string& text, int angle);
// With a grid, bitmap is gathered by it from the whole picture, and x, y are in the whole
// picture's pixels (see imaging/SampleGrid.h).
void DrawWatermarkText(TBitmap& bitmap, int x, int y, const std::string& text, int opacity,
                       int angle, const TSampleGrid* grid = nullptr);
void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows, const TSampleGrid* grid = nullptr);

}  // namespace pixmira
