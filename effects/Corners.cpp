#include "effects/Corners.h"

namespace pixmira {

void RoundCorner(TBitmap& bitmap, TCorner corner, int radius) {
  if (bitmap.Empty()) return;
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  const int r = radius;

  // Only the chosen corner's arc falls on the picture: its two edges run one pixel outside,
  // everything else of the rounded rectangle lies far away.
  TRect outline;
  TPoint start;
  switch (corner) {
    case TCorner::TopLeft:
      outline = {-1, -1, w + r + 10000, h + r + 10000};
      start = {0, 0};
      break;
    case TCorner::TopRight:
      outline = {-10000, -1, w + 1, h + r + 10000};
      start = {w - 1, 0};
      break;
    case TCorner::BottomLeft:
      outline = {-1, -10000, w + 10000, h + 1};
      start = {0, h - 1};
      break;
    case TCorner::BottomRight:
      outline = {-1000, -10000, w + 1, h + 1};
      start = {w - 1, h - 1};
      break;
  }

  bitmap.brush.color = kWhite;
  bitmap.brush.style = TBrushStyle::Clear;
  bitmap.pen.color = kWhite;
  bitmap.RoundRect(outline, 2 * r, 2 * r);

  bitmap.brush.style = TBrushStyle::Solid;
  bitmap.FloodFill(start.x, start.y, kWhite);
}

std::vector<TCorner> CornersForType(int cornerType) {
  using enum TCorner;
  switch (cornerType) {
    case 0:
      return {TopLeft, TopRight, BottomLeft, BottomRight};
    case 1:
      return {TopLeft};
    case 2:
      return {BottomLeft};
    case 3:
      return {TopRight};
    case 4:
      return {BottomRight};
    case 5:
      return {TopLeft, BottomLeft};
    case 6:
      return {TopRight, BottomRight};
    case 7:
      return {TopLeft, TopRight};
    case 8:
      return {BottomLeft, BottomRight};
    case 9:
      return {TopLeft, BottomRight};
    case 10:
      return {BottomLeft, TopRight};
    default:
      return {};
  }
}

int CornerRadius(int cornerWidth) {
  switch (cornerWidth) {
    case 1:
      return 20;
    case 2:
      return 30;
    default:
      return 10;
  }
}

}  // namespace pixmira
