#pragma once
// Rotation in 16.16 fixed point, one source pixel per destination pixel, no smoothing.
// Positive angles turn counter-clockwise on screen. Cost: one pass over the destination.
#include <cstdint>
#include <memory>

#include "imaging/Bitmap.h"

namespace pixmira {

// The coefficients and geometry that the picture rotation and the text renderer share.
struct RotationGeometry {
  double angle = 0;    // normalised into -180..180
  int32_t s = 0;       // trunc(sin(-angle) * 65536), in extended precision
  int32_t c = 65536;   // trunc(cos(-angle) * 65536)
  int width = 0;       // W' of the turned picture
  int height = 0;      // H'
  int hx = 0;          // destination centre after the right-angle corrections
  int hy = 0;
};

RotationGeometry ComputeRotation(double angleDegrees, int width, int height);

// A new bitmap: src turned by angleDegrees, the uncovered corners in fill.
std::unique_ptr<TBitmap> RotatePicture(const TBitmap& src, TColor fill, double angleDegrees);

}  // namespace pixmira
