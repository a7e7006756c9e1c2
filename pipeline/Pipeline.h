#pragma once
// One list entry to one finished picture: load, rotate, corners or frame, size reduction,
// watermark, every option read from the store handed in.
#include <memory>
#include <string>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"

namespace pixmira {

// Nothing when the picture cannot be loaded. Frame, font and colour errors are raised.
std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview);

// ProcessPicture in its three stages, for callers that keep what a change did not touch.

// Loaded and turned by angle; nothing when the picture cannot be loaded or has no pixels.
std::unique_ptr<TBitmap> LoadTurnedPicture(const std::string& path, int angle);

// Everything the corners-or-frame and the size steps depend on.
struct TFrameAndSize {
  bool shape = false;  // corners or frame at all (preview, or AddFrame)
  int frameType = 0;   // 0 corners, 1 frame, else neither
  int cornerType = 0;
  int cornerRadius = 0;
  std::string frameName;
  int targetWidth = 0;  // 0: no size reduction
  bool operator==(const TFrameAndSize&) const = default;
};
TFrameAndSize ReadFrameAndSize(const TMemIniFile& settings, bool preview);
void ApplyFrameAndSize(std::unique_ptr<TBitmap>& bitmap, const TFrameAndSize& steps,
                       const TMemIniFile& catalog, const std::string& framesFolder);

// Whether the watermark step runs, and the step. With a grid, bitmap is gathered by it from
// the whole picture (imaging/SampleGrid.h) and the watermark is worked out on those pixels only.
bool WatermarkStepRuns(const TMemIniFile& settings, bool preview);
void ApplyWatermark(std::unique_ptr<TBitmap>& bitmap, const TMemIniFile& settings, bool preview,
                    const TSampleGrid* grid = nullptr);

// Target width by ReduceSizeType (0 = 310, 1 = 500, 2 = 700, 3 = ReduceSizeWidth); 0 when
// the type or width means no reduction (widths below 1 are refused).
int ReduceTargetWidth(const TMemIniFile& settings);
bool ReduceSizeNeeded(const TBitmap& bitmap, const TMemIniFile& settings);
std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth);

}  // namespace pixmira
