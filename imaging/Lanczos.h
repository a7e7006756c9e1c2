#pragma once
// Lanczos-3 resampling whose support widens with the reduction factor, in two separable
// passes (rows, then columns) with 22-bit fixed-point weights, as Pillow's LANCZOS filter does.
// Cost: about 6 × factor multiplications per channel and pixel in each pass.
#include "imaging/Bitmap.h"

namespace pixmira {

// Fills every pixel of dst (its size chosen by the caller) from src; an axis of equal size is
// copied untouched. An empty source or destination leaves dst as it is.
void ResampleLanczos(TBitmap& dst, const TBitmap& src);

}  // namespace pixmira
