#pragma once
// Lanczos-3 resampling whose support widens with the reduction factor, in two separable
// passes (rows, then columns) with 22-bit fixed-point weights, as Pillow's LANCZOS filter does.
// Cost: about 6 × factor multiplications per channel and pixel in each pass.
#include "imaging/Bitmap.h"

namespace pixmira {

// Fills every pixel of dst (its size chosen by the caller) from src; an axis of equal size is
// copied untouched. An empty source or destination leaves dst as it is.
void ResampleLanczos(TBitmap& dst, const TBitmap& src);

// The part of a source that stands for the whole picture, in source pixels; its edges may
// fall inside a pixel.
struct TSourceBox {
  double left = 0, top = 0, width = 0, height = 0;
};

// The same with dst filled from box only; taps that reach past it still read the source's
// pixels there, up to its edges.
void ResampleLanczos(TBitmap& dst, const TBitmap& src, const TSourceBox& box);

}  // namespace pixmira
