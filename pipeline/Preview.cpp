#include "pipeline/Preview.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/Platform.h"
#include "core/Rounding.h"
#include "imaging/Resample.h"
#include "imaging/SampleGrid.h"
#include "pipeline/Effects.h"

namespace pixmira {

namespace {

// A 5120 × 2880 photo takes 44 MB turned; a few entries cover browsing back and forth.
constexpr std::size_t kTurnedKept = 3;
constexpr std::size_t kPreparedKept = 4;

template <typename Entry>
void KeepFirst(std::deque<Entry>& entries, Entry entry, std::size_t limit) {
  entries.push_front(std::move(entry));
  if (entries.size() > limit) entries.pop_back();
}

// The watermark step on the picture before the watermark, then the shrink. When the shrink
// reads fewer pixels than the picture has, only those get the watermark.
std::unique_ptr<TBitmap> WatermarkAndShrink(const TBitmap& prepared,
                                            const TPictureRequest& request) {
  const TPreviewSize size = PreviewBoxSize(prepared.Width(), prepared.Height());
  const bool shrinks = size.width != prepared.Width() || size.height != prepared.Height();
  TSampleGrid grid;
  if (shrinks) grid = ResampleGrid(prepared.Width(), prepared.Height(), size.width, size.height);
  if (!shrinks || grid.columns.size() * grid.rows.size() ==
                      std::size_t(prepared.Width()) * std::size_t(prepared.Height())) {
    auto picture = std::make_unique<TBitmap>(prepared);
    ApplyWatermark(picture, request);
    return std::make_unique<TBitmap>(ShrinkForPreview(*picture));
  }
  auto gathered = std::make_unique<TBitmap>(GatherGrid(prepared, grid));
  ApplyWatermark(gathered, request, &grid);
  auto shown = std::make_unique<TBitmap>(size.width, size.height);
  ResampleBilinear(*shown, *gathered, grid);
  return shown;
}

}  // namespace

TPreviewSize PreviewBoxSize(int width, int height) {
  if (width <= kPreviewBoxSide && height <= kPreviewBoxSide) return {width, height};
  // A sliver of a picture still gets a box the resampler can fill.
  const auto side = [](int64_t numerator, int64_t denominator) {
    return static_cast<int>(std::max<int64_t>(2, RoundRatio(numerator, denominator)));
  };
  if (height > width) return {side(int64_t(kPreviewBoxSide) * width, height), kPreviewBoxSide};
  return {kPreviewBoxSide, side(int64_t(kPreviewBoxSide) * height, width)};
}

TBitmap ShrinkForPreview(const TBitmap& picture) {
  const TPreviewSize size = PreviewBoxSize(picture.Width(), picture.Height());
  if (size.width == picture.Width() && size.height == picture.Height()) return picture;
  TBitmap shrunk(size.width, size.height);
  ResampleBilinear(shrunk, picture);
  return shrunk;
}

std::unique_ptr<TBitmap> ComputePreviewAfresh(const TPreviewRequest& request) {
  const auto picture =
      ProcessPicture(request.path, request.angle, *request.settings, *request.catalog,
                     request.framesFolder, /*preview=*/true, request.prompt);
  if (!picture || picture->Empty()) return nullptr;
  return std::make_unique<TBitmap>(ShrinkForPreview(*picture));
}

TPreviewCache::TFileStamp TPreviewCache::StampOf(const std::string& path, int angle) {
  // A file replaced or removed since it was kept is loaded again.
  TFileStamp stamp{path, angle, -1, 0};
  std::error_code error;
  const auto size = std::filesystem::file_size(platform::ToPath(path), error);
  if (error) return stamp;
  const auto modified = std::filesystem::last_write_time(platform::ToPath(path), error);
  if (error) return stamp;
  stamp.size = static_cast<int64_t>(size);
  stamp.modified = modified.time_since_epoch().count();
  return stamp;
}

std::shared_ptr<const TBitmap> TPreviewCache::Turned(const TFileStamp& stamp) {
  for (auto it = turned_.begin(); it != turned_.end(); ++it) {
    if (it->stamp == stamp) {
      TTurned found = std::move(*it);
      turned_.erase(it);
      KeepFirst(turned_, found, kTurnedKept);
      return found.picture;
    }
  }
  std::shared_ptr<const TBitmap> picture = LoadTurnedPicture(stamp.path, stamp.angle);
  KeepFirst(turned_, TTurned{stamp, picture}, kTurnedKept);
  return picture;
}

TPreviewCache::TOutcome TPreviewCache::Compute(const TPreviewRequest& request,
                                               const std::function<bool()>& cancelled) {
  const std::lock_guard lock(mutex_);
  const auto abandoned = [&cancelled] { return cancelled && cancelled(); };
  TOutcome outcome;
  const TFileStamp stamp = StampOf(request.path, request.angle);
  const TPictureOptions options = ReadPictureOptions(*request.settings);
  const TPictureRequest picture{request.path,     request.angle,        options,
                                *request.catalog, request.framesFolder, /*preview=*/true,
                                request.prompt};

  std::shared_ptr<const TBitmap> prepared;
  for (auto it = prepared_.begin(); it != prepared_.end(); ++it) {
    if (it->stamp == stamp && SameStageOptions(it->options, options, TEffectStage::Shape) &&
        it->catalog == request.catalog && it->framesFolder == request.framesFolder) {
      TPrepared found = std::move(*it);
      prepared_.erase(it);
      prepared = found.picture;
      KeepFirst(prepared_, std::move(found), kPreparedKept);
      break;
    }
  }
  if (!prepared) {
    const std::shared_ptr<const TBitmap> turned = Turned(stamp);
    if (!turned) return outcome;
    if (abandoned()) {
      outcome.abandoned = true;
      return outcome;
    }
    auto bitmap = std::make_unique<TBitmap>(*turned);
    ApplyEdgeAndSize(bitmap, picture);
    prepared = std::move(bitmap);
    KeepFirst(prepared_, TPrepared{stamp, options, request.catalog, request.framesFolder, prepared},
              kPreparedKept);
  }
  if (abandoned()) {
    outcome.abandoned = true;
    return outcome;
  }
  if (prepared->Empty()) return outcome;
  outcome.picture = WatermarkAndShrink(*prepared, picture);
  return outcome;
}

}  // namespace pixmira
