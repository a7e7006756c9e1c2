#pragma once
// One list entry to one finished picture: load, rotate, corners or frame, size reduction,
// watermark.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/LoadPicture.h"
#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"
#include "pipeline/Options.h"

namespace pixmira {

struct TPictureRequest {
  const std::string& path;
  int angle = 0;  // counter-clockwise degrees, as the picture list keeps it
  const TPictureOptions& options;
  const TMemIniFile& catalog;       // the frame catalogue
  const std::string& framesFolder;  // ends in "/"
  bool preview = false;             // the settings dialog's preview
  // What the preview draws while the watermark text is empty, in the window's language.
  std::string_view previewPrompt = {};
  // Asked before decoding for the memory the picture will take (see LoadPictureBitmap).
  const TMemoryGate* memoryGate = nullptr;
  TLoadReport* loadReport = nullptr;  // why nothing came back, when it was the loading
};

// Nothing when the picture cannot be loaded. Frame, font and colour errors are raised.
std::unique_ptr<TBitmap> ProcessPicture(const TPictureRequest& request);

// ProcessPicture cut by SlicePicture, the watermark drawn on the whole picture or, with
// watermarkEach, on every slice. Empty when the picture cannot be loaded.
std::vector<std::unique_ptr<TBitmap>> ProcessPictureSlices(const TPictureRequest& request,
                                                           int sliceHeight, bool watermarkEach);

// The same, with the options read from the settings store first.
std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview,
                                        std::string_view previewPrompt = {});

// ProcessPicture in its three stages, for callers that keep what a change did not touch:
// loaded and turned (nothing when the picture cannot be loaded or has no pixels); corners or
// frame and the size reduction; the watermark. With a grid, bitmap is gathered by it from the
// whole picture (imaging/SampleGrid.h) and the watermark is worked out on those pixels only.
// With options, the memory gate is asked for PictureMemoryNeed, else for PipelineBytes.
std::unique_ptr<TBitmap> LoadTurnedPicture(const std::string& path, int angle,
                                           const TMemoryGate* gate = nullptr,
                                           TLoadReport* report = nullptr,
                                           const TPictureOptions* options = nullptr);

// The peak bytes of one picture of that header through loading and these options: the file
// and the decoder's buffers, then the working bitmap with its turned or framed copy, and the
// output (a square canvas or a size larger than the input counts as it is) with the encoder's
// share. Measured to stay within 1.5 times of the real peak.
uint64_t PictureMemoryNeed(const TPictureSize& size, uint64_t fileBytes,
                           const TPictureOptions& options, int angle);
void ApplyEdgeAndSize(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request);
void ApplyWatermark(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                    const TSampleGrid* grid = nullptr);

bool ReduceSizeNeeded(const TBitmap& bitmap, const TSizeOptions& size);
// targetWidth wide, the height in proportion (at least 1). Point sampling, or with smooth the
// Lanczos filter.
std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth, bool smooth = false);

// The picture shrunk so that its longer side fits side (never enlarged), centred on a white
// square of that side; the offsets halve toward zero.
std::unique_ptr<TBitmap> SquarePicture(const TBitmap& bitmap, int side, bool smooth = false);

// The picture cut into pieces of at most height rows, top to bottom, each as wide as it; the
// picture itself (one piece) when height is below 1 or the picture is not taller.
std::vector<std::unique_ptr<TBitmap>> SlicePicture(std::unique_ptr<TBitmap> bitmap, int height);

struct TSize {
  int width = 0;
  int height = 0;
  bool operator==(const TSize&) const = default;
};

// A width x height picture scaled to touch the box from inside, proportions kept (the other
// side rounded ties to even, at least 1).
TSize FitSize(int width, int height, int boxWidth, int boxHeight);

// The picture scaled to fit inside the box: shrunk when larger, grown only with enlarge;
// nothing when it keeps its size.
std::unique_ptr<TBitmap> FitPicture(const TBitmap& bitmap, int boxWidth, int boxHeight,
                                    bool smooth = false, bool enlarge = false);

// FitPicture centred on a white width x height canvas; the offsets halve toward zero.
std::unique_ptr<TBitmap> CanvasPicture(const TBitmap& bitmap, int width, int height,
                                       bool smooth = false, bool enlarge = false);

}  // namespace pixmira
