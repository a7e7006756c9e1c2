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
std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth);

}  // namespace pixmira
