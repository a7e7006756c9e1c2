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
void DrawWatermarkText(TBitmap& bitmap, int x, int y, const std::string& text, int opacity,
                       int angle);
void TileWatermarkText(TBitmap& bitmap, const std::string& text, int opacity, int angle, int space,
                       int rows);

}  // namespace pixmira
