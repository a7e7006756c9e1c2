#pragma once
// Bilinear resampling with corner-aligned mapping, integer arithmetic throughout.
// Cost: one pass over the destination, four source reads per pixel.
#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"

namespace pixmira {

// Fills every pixel of dst (its size chosen by the caller) from src. A destination one
// pixel wide or high maps that column or row to source column or row 0. An empty source
// leaves dst as it is.
void ResampleBilinear(TBitmap& dst, const TBitmap& src);

// The same shrink of the whole picture that gathered was taken from by grid, which must be
// ResampleGrid for dst's size; the bytes equal those of resampling the whole picture.
void ResampleBilinear(TBitmap& dst, const TBitmap& gathered, const TSampleGrid& grid);

}  // namespace pixmira
