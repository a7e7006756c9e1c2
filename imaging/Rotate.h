#pragma once
// Rotation in 16.16 fixed point, one source pixel per destination pixel, no smoothing.
// Positive angles turn counter-clockwise on screen. Cost: one pass over the destination.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/Bitmap.h"

namespace pixmira {

// The coefficients and geometry that the picture rotation and the text renderer share.
// Destination pixel (i, j), column i from the left and row j from the top, copies the source
// pixel that SourceOf gives, or keeps the fill when that lies outside the source. Turns by 0,
// 90, 180 and 270 degrees are exact permutations of the pixels.
struct RotationGeometry {
  double angle = 0;   // normalised into -180..180
  int32_t s = 0;      // trunc(sin(-angle) * 65536), in extended precision
  int32_t c = 65536;  // trunc(cos(-angle) * 65536)
  int width = 0;      // W' of the turned picture
  int height = 0;     // H'
  int hx = 0;         // destination centre after the right-angle corrections
  int hy = 0;
  int srcWidth = 0;  // W and H of the source
  int srcHeight = 0;
  int cx = 0;  // source centre, W div 2 and H div 2
  int cy = 0;

  // 16.16 position of destination pixel (i, j) relative to the source centre, before the
  // shift: x = u*c - v*s, y = u*s + v*c with u = i - (W' - 1 - hx), v = hy - j. Moving one
  // column right adds c to x and s to y. 64-bit, so no size within the limits overflows.
  int64_t FixedX(int i, int j) const;
  int64_t FixedY(int i, int j) const;

  // The source pixel for destination (i, j): column, and row counted from the top. It may
  // lie outside 0..srcWidth-1 × 0..srcHeight-1.
  TPoint SourceOf(int i, int j) const;
};

// The geometry for turning a width × height picture by angleDegrees (positive turns
// counter-clockwise on screen). An angle that is not a finite number turns nothing.
RotationGeometry ComputeRotation(double angleDegrees, int width, int height);

// The pixel loop behind RotatePicture, for any pixel size (3 bytes for a working bitmap,
// 1 for a grey image): fills the g.width × g.height destination rows from the source rows,
// writing `fill` (bytesPerPixel bytes) where the source is not hit.
void RotatePixels(const RotationGeometry& g, const uint8_t* src, std::size_t srcStride,
                  uint8_t* dst, std::size_t dstStride, int bytesPerPixel, const uint8_t* fill);

// A new bitmap: src turned by angleDegrees, the uncovered corners in fill. Raises
// EInvalidGraphic when the turned picture would exceed the size limits.
std::unique_ptr<TBitmap> RotatePicture(const TBitmap& src, TColor fill, double angleDegrees);

}  // namespace pixmira
