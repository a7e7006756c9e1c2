#pragma once
// Rounded corners: a white quarter-ellipse arc and a fill to it, in place.
#include "imaging/Bitmap.h"

namespace pixmira {

enum class TCorner { TopLeft, TopRight, BottomLeft, BottomRight };

void RoundCorner(TBitmap& bitmap, TCorner corner, int radius);

// CornerType 0..10 -> corners in processing order (empty for any other value).
std::vector<TCorner> CornersForType(int cornerType);
// CornerWidth 0/1/2 -> 10/20/30; any other value 10.
int CornerRadius(int cornerWidth);

}  // namespace pixmira
