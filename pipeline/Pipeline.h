#pragma once
// One list entry to one finished picture: load, rotate, corners or frame, size reduction,
// watermark, every option read from the store handed in.
#include <memory>
#include <string>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"

namespace pixmira {

// Nothing when the picture cannot be loaded. Frame, font and colour errors are raised.
std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview);

// Target width by ReduceSizeType (0 = 310, 1 = 500, 2 = 700, 3 = ReduceSizeWidth); 0 when
// the type or width means no reduction (widths below 1 are refused).
int ReduceTargetWidth(const TMemIniFile& settings);
bool ReduceSizeNeeded(const TBitmap& bitmap, const TMemIniFile& settings);
// targetWidth wide, the height in proportion (at least 1). Point sampling, or with smooth the
// Lanczos filter.
std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth, bool smooth = false);

// The picture shrunk so that its longer side fits side (never enlarged), centred on a white
// square of that side; the offsets halve toward zero.
std::unique_ptr<TBitmap> SquarePicture(const TBitmap& bitmap, int side, bool smooth = false);

}  // namespace pixmira
