#pragma once
// The settings dialog's preview: ProcessPicture with the preview flag on, shrunk into the
// 304 × 304 box with ResampleBilinear. TPreviewCache gives the same bytes faster by keeping
// what a change did not touch.
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"
#include "pipeline/Pipeline.h"

namespace pixmira {

inline constexpr int kPreviewBoxSide = 304;

struct TPreviewSize {
  int width = 0;
  int height = 0;
  bool operator==(const TPreviewSize&) const = default;
};

// Unscaled when the picture fits the box, otherwise the long side 304 and the short one in
// proportion (ties to even), never below 2 pixels.
TPreviewSize PreviewBoxSize(int width, int height);

// The picture as the box shows it (the same bitmap's copy when it fits).
TBitmap ShrinkForPreview(const TBitmap& picture);

struct TPreviewRequest {
  std::string path;
  int angle = 0;
  const TMemIniFile* settings = nullptr;
  const TMemIniFile* catalog = nullptr;
  std::string framesFolder;
  std::string prompt;  // drawn while the watermark text is empty
};

// ProcessPicture then ShrinkForPreview, every step done afresh. Nothing when the picture
// cannot be loaded; the pipeline's errors are raised.
std::unique_ptr<TBitmap> ComputePreviewAfresh(const TPreviewRequest& request);

// Keeps the loaded, turned picture of the last few entries, and the picture before the
// watermark for their last few frame, corner and size settings; a watermark change then
// works the watermark out only on the pixels the shrink reads. One computation at a time.
class TPreviewCache {
 public:
  struct TOutcome {
    std::unique_ptr<TBitmap> picture;  // as ComputePreviewAfresh gives it
    bool abandoned = false;            // cancelled answered true; no picture
  };

  // cancelled is asked between the stages; a stage already done stays kept.
  TOutcome Compute(const TPreviewRequest& request, const std::function<bool()>& cancelled = {});

 private:
  struct TFileStamp {
    std::string path;
    int angle = 0;
    int64_t size = -1;
    int64_t modified = 0;
    bool operator==(const TFileStamp&) const = default;
  };
  struct TTurned {
    TFileStamp stamp;
    std::shared_ptr<const TBitmap> picture;  // null: the file does not load
  };
  struct TPrepared {
    TFileStamp stamp;
    TPictureOptions options;  // compared by the Shape effects (pipeline/Effects.h)
    const TMemIniFile* catalog = nullptr;
    std::string framesFolder;
    std::shared_ptr<const TBitmap> picture;
  };

  std::shared_ptr<const TBitmap> Turned(const TFileStamp& stamp);
  static TFileStamp StampOf(const std::string& path, int angle);

  std::mutex mutex_;
  std::deque<TTurned> turned_;  // the most recent first
  std::deque<TPrepared> prepared_;
};

}  // namespace pixmira
