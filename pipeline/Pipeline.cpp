#include "pipeline/Pipeline.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "codecs/LoadPicture.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "effects/Frames.h"
#include "imaging/Lanczos.h"
#include "imaging/Rotate.h"
#include "pipeline/Effects.h"

namespace pixmira {

namespace {

// emptyText stands in for an empty watermark text (the preview's prompt).
void ApplyTextWatermark(TBitmap& bitmap, const TTextWatermark& mark, std::string_view emptyText,
                        const TSampleGrid* grid) {
  if (!mark.fontProblems.empty())
    throw EConvertError("'" + mark.fontProblems.front().value + "' is not a valid integer value");
  SetWatermarkFont(bitmap, mark.font);
  const std::string text = mark.text.empty() ? std::string(emptyText) : mark.text;
  const int W = grid ? grid->width : bitmap.Width();
  const int H = grid ? grid->height : bitmap.Height();
  int height = TextCharacterHeight(mark, W);
  if (mark.sizeMode == TTextSizeMode::PercentOfWidth || mark.fit) {
    if (mark.fit && !text.empty()) {
      // A tile may reach the edges; a single text keeps its margins.
      const TPoint room = mark.style == TPaintStyle::Single
                              ? WatermarkRoom(W, H, mark.placement)
                              : TPoint{std::max(1, W), std::max(1, H)};
      // The rim grows the box on every side.
      const int rim = mark.outline ? 2 * OutlineWidth(height) : 0;
      height = FitTextHeight(bitmap, text, mark.angle, height, std::max(1, room.x - rim),
                             std::max(1, room.y - rim));
    }
    bitmap.font.pixelHeight = height;
  }
  const int outline = mark.outline ? OutlineWidth(height) : 0;
  if (mark.style == TPaintStyle::Single) {
    const TTextExtent extent = MeasureWatermarkText(bitmap, text, mark.angle);
    const TPoint at = grid ? WatermarkPosition(grid->width, grid->height, extent.width,
                                               extent.height, mark.placement)
                           : WatermarkPosition(bitmap, extent.width, extent.height, mark.placement);
    DrawWatermarkText(bitmap, at.x, at.y, text, mark.opacity, mark.angle, grid, outline);
  } else {
    TileWatermarkText(bitmap, text, mark.opacity, mark.angle, mark.tiles.space, mark.tiles.rows,
                      grid, outline);
  }
}

}  // namespace

bool ReduceSizeNeeded(const TBitmap& bitmap, const TSizeOptions& size) {
  const int target = TargetWidth(size);
  return target >= 1 && bitmap.Width() > target;
}

namespace {

// A very flat picture would round to no rows at all, which no encoder can write; keep one.
int ProportionalSide(int64_t side, int64_t other, int64_t otherTarget) {
  return static_cast<int>(
      std::max<int64_t>(side > 0 ? 1 : 0, RoundRatio(otherTarget * side, other)));
}

std::unique_ptr<TBitmap> Scaled(const TBitmap& bitmap, int width, int height, bool smooth) {
  auto scaled = std::make_unique<TBitmap>(width, height);
  // Only reductions are smoothed; a picture that grows keeps the point-sampled look.
  if (smooth && width <= bitmap.Width() && height <= bitmap.Height()) {
    ResampleLanczos(*scaled, bitmap);
  } else {
    scaled->StretchDraw(TRect{0, 0, width, height}, bitmap);
  }
  return scaled;
}

}  // namespace

std::unique_ptr<TBitmap> ReducePicture(const TBitmap& bitmap, int targetWidth, bool smooth) {
  const int height = ProportionalSide(bitmap.Height(), bitmap.Width(), targetWidth);
  return Scaled(bitmap, targetWidth, height, smooth);
}

TSize FitSize(int width, int height, int boxWidth, int boxHeight) {
  // Wider than the box (ties too) is bounded by the box's width, else by its height.
  if (int64_t(width) * boxHeight >= int64_t(height) * boxWidth)
    return {boxWidth, ProportionalSide(height, width, boxWidth)};
  return {ProportionalSide(width, height, boxHeight), boxHeight};
}

namespace {

// The white canvas a width x height picture is set on: the square (the target width, or the
// picture's longer side) or exactly W x H; nothing when the size settings bring none.
std::optional<TSize> CanvasBox(const TSizeOptions& size, int width, int height) {
  if (size.mode == TSizeMode::Width) {
    if (!size.square) return {};
    const int target = size.reduce ? TargetWidth(size) : 0;
    const int side = target >= 1 ? target : std::max(width, height);
    return TSize{side, side};
  }
  if (!size.reduce || size.mode != TSizeMode::Canvas) return {};
  const int w = TargetWidth(size), h = TargetHeight(size);
  if (w < 1 || h < 1) return {};
  return TSize{w, h};
}

// The picture's size once it fits the box: shrunk when it is larger, grown only when allowed.
TSize FittedSize(int w, int h, int boxWidth, int boxHeight, bool enlarge) {
  const bool larger = w > boxWidth || h > boxHeight;
  if (!larger && !(enlarge && w < boxWidth && h < boxHeight)) return {w, h};
  return FitSize(w, h, boxWidth, boxHeight);
}

}  // namespace

std::unique_ptr<TBitmap> FitPicture(const TBitmap& bitmap, int boxWidth, int boxHeight, bool smooth,
                                    bool enlarge) {
  const TSize fitted = FittedSize(bitmap.Width(), bitmap.Height(), boxWidth, boxHeight, enlarge);
  if (fitted.width == bitmap.Width() && fitted.height == bitmap.Height()) return nullptr;
  return Scaled(bitmap, fitted.width, fitted.height, smooth);
}

std::unique_ptr<TBitmap> CanvasPicture(const TBitmap& bitmap, int width, int height, bool smooth,
                                       bool enlarge) {
  std::unique_ptr<TBitmap> fitted = FitPicture(bitmap, width, height, smooth, enlarge);
  const TBitmap& picture = fitted ? *fitted : bitmap;
  auto canvas = std::make_unique<TBitmap>(width, height);
  canvas->Draw((width - picture.Width()) / 2, (height - picture.Height()) / 2, picture);
  return canvas;
}

std::unique_ptr<TBitmap> SquarePicture(const TBitmap& bitmap, int side, bool smooth) {
  return CanvasPicture(bitmap, side, side, smooth, false);
}

uint64_t PictureMemoryNeed(const TPictureSize& size, uint64_t fileBytes,
                           const TPictureOptions& options, int angle) {
  const bool turned = angle % 180 != 0;
  const uint64_t w = uint64_t(turned ? size.height : size.width);
  const uint64_t h = uint64_t(turned ? size.width : size.height);
  const uint64_t in = w * h * 3;
  // Loading: the file and the decoder's buffers with the picture they decode into; a decoder
  // of four-byte pixels hands them over as a second, three-byte copy.
  const uint64_t loading = fileBytes + size.decodeBytes;
  // Then the working bitmap beside a turned or framed copy of it.
  const bool framed = options.edge.add && options.edge.kind == TEdgeKind::Frame;
  const uint64_t working = in + (angle % 360 != 0 ? in : 0) + (framed ? in + in / 2 : 0);
  // The output: a new bitmap when the size changes, the watermark picture's blend.
  const TSizeOptions& sz = options.size;
  const uint64_t boxW = sz.reduce ? uint64_t(std::max(TargetWidth(sz), 0)) : 0;
  const uint64_t boxH = sz.mode == TSizeMode::LongestSide ? boxW
                        : sz.reduce                       ? uint64_t(std::max(TargetHeight(sz), 0))
                                                          : 0;
  uint64_t out = in, made = 0;
  if (const auto canvas = CanvasBox(sz, int(w), int(h))) {
    out = uint64_t(canvas->width) * uint64_t(canvas->height) * 3;
    made = out + std::min(out, in);  // the canvas and the shrunk picture drawn on it
  } else if (sz.mode == TSizeMode::Width && boxW >= 1 && (w > boxW || sz.enlarge)) {
    out = boxW * (h * boxW / std::max<uint64_t>(w, 1) + 1) * 3;
    made = out;
  } else if (sz.mode != TSizeMode::Width && boxW >= 1 && boxH >= 1) {
    // Fitted into the box: never larger than the box when grown, never larger than the photo.
    out = sz.enlarge ? std::max(in, boxW * boxH * 3) : in;
    made = out;
  }
  const bool pictureMark =
      options.watermark.add && options.watermark.kind == TWatermarkKind::Picture;
  // The encoder works on a copy of the rows beside the compressed bytes.
  const uint64_t output = made + (pictureMark ? out : 0) + out + out / 4;
  return std::max(loading, working) + output;
}

std::vector<std::unique_ptr<TBitmap>> SlicePicture(std::unique_ptr<TBitmap> bitmap, int height) {
  std::vector<std::unique_ptr<TBitmap>> slices;
  if (height < 1 || bitmap->Height() <= height) {
    slices.push_back(std::move(bitmap));
    return slices;
  }
  const std::size_t rowBytes = std::size_t(bitmap->Width()) * 3;
  for (int top = 0; top < bitmap->Height(); top += height) {
    auto slice =
        std::make_unique<TBitmap>(bitmap->Width(), std::min(height, bitmap->Height() - top));
    for (int y = 0; y < slice->Height(); ++y)
      std::copy_n(bitmap->Row(top + y), rowBytes, slice->Row(y));
    slices.push_back(std::move(slice));
  }
  return slices;
}

std::unique_ptr<TBitmap> LoadTurnedPicture(const std::string& path, int angle,
                                           const TMemoryGate* gate, TLoadReport* report,
                                           const TPictureOptions* options) {
  TLoadReport why;
  TMemoryEstimate estimate;
  if (options) {
    estimate = [options, angle](const TPictureSize& size, uint64_t fileBytes) {
      return PictureMemoryNeed(size, fileBytes, *options, angle);
    };
  }
  std::unique_ptr<TBitmap> bitmap =
      LoadPictureBitmap(path, gate ? *gate : TMemoryGate(), why, estimate);
  if (report) *report = why;
  // A picture without pixels (a PNG of a few bytes) can be neither shown nor written.
  if (!bitmap || bitmap->Empty()) return nullptr;
  if (angle != 0) bitmap = RotatePicture(*bitmap, kWhite, angle);
  return bitmap;
}

namespace {

// The dialog's preview shows corners, frame and watermark whether or not they are ticked.
bool EdgesWanted(const TPictureRequest& request) {
  return request.preview || request.options.edge.add;
}

bool WatermarkWanted(const TPictureRequest& request, TWatermarkKind kind) {
  const TWatermarkOptions& watermark = request.options.watermark;
  return (request.preview || watermark.add) &&
         (watermark.kind == kind || watermark.kind == TWatermarkKind::Both);
}

bool SameEdge(const TPictureOptions& a, const TPictureOptions& b) {
  // A frame is scaled smoothly with the smooth reduction.
  return a.edge == b.edge && a.size.smooth == b.size.smooth;
}

bool SameSize(const TPictureOptions& a, const TPictureOptions& b) { return a.size == b.size; }

// Corners measured on the finished picture are cut by the square or after the reduction.
bool SameEdgeAndSize(const TPictureOptions& a, const TPictureOptions& b) {
  return SameEdge(a, b) && SameSize(a, b);
}

bool CornersWanted(const TPictureRequest& request, bool onResult) {
  const TEdgeOptions& edge = request.options.edge;
  return EdgesWanted(request) && edge.kind == TEdgeKind::Corners && edge.radiusOnResult == onResult;
}

void RoundCorners(TBitmap& bitmap, const TEdgeOptions& edge) {
  for (TCorner corner : edge.corners) RoundCorner(bitmap, corner, edge.radius);
}

void ApplyCorners(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                  const TSampleGrid*) {
  if (CornersWanted(request, false)) RoundCorners(*bitmap, request.options.edge);
}

// A picture set on a white canvas (the square, or exactly W x H) has the photo's own corners
// rounded before it is placed; rounding the canvas would show nothing.
bool PlacedOnCanvas(const TSizeOptions& size) { return CanvasBox(size, 1, 1).has_value(); }

void RoundBeforeCanvas(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request, int width,
                       int height) {
  if (!CornersWanted(request, true)) return;
  const TSizeOptions& size = request.options.size;
  // At the size the photo will have on the canvas.
  if (auto fitted = FitPicture(*bitmap, width, height, size.smooth, size.enlarge))
    bitmap = std::move(fitted);
  RoundCorners(*bitmap, request.options.edge);
}

void ApplyCornersOnResult(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                          const TSampleGrid*) {
  if (CornersWanted(request, true) && !PlacedOnCanvas(request.options.size))
    RoundCorners(*bitmap, request.options.edge);
}

void ApplyCatalogueFrame(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                         const TSampleGrid*) {
  const TEdgeOptions& edge = request.options.edge;
  if (!EdgesWanted(request) || edge.kind != TEdgeKind::Frame || edge.frameName.empty()) return;
  // Nothing back means the catalogue has no picture for the name: keep the photo.
  if (auto framed = ApplyFrame(*bitmap, edge.frameName, request.catalog, request.framesFolder,
                               request.options.size.smooth, edge.frameFit))
    bitmap = std::move(framed);
}

void ApplySquare(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                 const TSampleGrid*) {
  const TSizeOptions& size = request.options.size;
  // The other modes bring their own canvas with the reduction.
  if (size.mode != TSizeMode::Width) return;
  const auto canvas = CanvasBox(size, bitmap->Width(), bitmap->Height());
  if (!canvas) return;
  RoundBeforeCanvas(bitmap, request, canvas->width, canvas->height);
  bitmap = CanvasPicture(*bitmap, canvas->width, canvas->height, size.smooth, size.enlarge);
}

void ApplyReduction(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                    const TSampleGrid*) {
  const TSizeOptions& size = request.options.size;
  if (!size.reduce) return;
  if (size.mode != TSizeMode::Width) {
    if (const auto canvas = CanvasBox(size, bitmap->Width(), bitmap->Height())) {
      RoundBeforeCanvas(bitmap, request, canvas->width, canvas->height);
      bitmap = CanvasPicture(*bitmap, canvas->width, canvas->height, size.smooth, size.enlarge);
      return;
    }
    const int width = TargetWidth(size);
    const int height = size.mode == TSizeMode::LongestSide ? width : TargetHeight(size);
    if (width < 1 || height < 1 || size.mode == TSizeMode::Canvas) return;
    if (auto fitted = FitPicture(*bitmap, width, height, size.smooth, size.enlarge))
      bitmap = std::move(fitted);
    return;
  }
  // The square already has the chosen width.
  if (size.square) return;
  if (ReduceSizeNeeded(*bitmap, size) || (size.enlarge && bitmap->Width() < TargetWidth(size)))
    bitmap = ReducePicture(*bitmap, TargetWidth(size), size.smooth);
}

void ApplyTextMark(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                   const TSampleGrid* grid) {
  if (!WatermarkWanted(request, TWatermarkKind::Text)) return;
  ApplyTextWatermark(*bitmap, request.options.watermark.text,
                     request.preview ? request.previewPrompt : std::string_view(), grid);
}

void ApplyPictureMark(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                      const TSampleGrid* grid) {
  if (!WatermarkWanted(request, TWatermarkKind::Picture)) return;
  // A watermark picture that cannot be loaded adds nothing.
  if (auto marked = ApplyPictureWatermark(*bitmap, request.options.watermark.picture, grid))
    bitmap = std::move(marked);
}

constexpr TEffect kEffects[] = {
    {"corners", TEffectStage::Shape, SameEdge, ApplyCorners},
    {"frame", TEffectStage::Shape, SameEdge, ApplyCatalogueFrame},
    {"square", TEffectStage::Shape, SameEdgeAndSize, ApplySquare},
    {"reduction", TEffectStage::Shape, SameSize, ApplyReduction},
    {"corners on the result", TEffectStage::Shape, SameEdgeAndSize, ApplyCornersOnResult},
    // With both, the text goes on top, so that the logo never hides it.
    {"picture watermark", TEffectStage::Mark, nullptr, ApplyPictureMark},
    {"text watermark", TEffectStage::Mark, nullptr, ApplyTextMark},
};

void ApplyStage(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                TEffectStage stage, const TSampleGrid* grid) {
  for (const TEffect& effect : kEffects) {
    if (effect.stage == stage) effect.apply(bitmap, request, grid);
  }
}

}  // namespace

std::span<const TEffect> PictureEffects() { return kEffects; }

bool SameStageOptions(const TPictureOptions& a, const TPictureOptions& b, TEffectStage stage) {
  for (const TEffect& effect : kEffects) {
    if (effect.stage != stage) continue;
    if (!effect.same)
      throw std::logic_error("the effect " + std::string(effect.name) + " cannot compare options");
    if (!effect.same(a, b)) return false;
  }
  return true;
}

void ApplyEdgeAndSize(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request) {
  ApplyStage(bitmap, request, TEffectStage::Shape, nullptr);
}

void ApplyWatermark(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                    const TSampleGrid* grid) {
  ApplyStage(bitmap, request, TEffectStage::Mark, grid);
}

namespace {

// The finished size of a width x height picture (turned as the list says) when the shape steps
// only shrink it smoothly to a size its own size decides; nothing when anything else may
// depend on the photo's pixels or size as loaded.
std::optional<TSize> SmoothShrinkSize(int width, int height, const TPictureRequest& request) {
  const TPictureOptions& options = request.options;
  const TSizeOptions& size = options.size;
  // The preview keeps the whole photo, as its cache does; only quarter turns keep the size
  // known before the turn.
  if (request.preview || !size.smooth || !size.reduce || request.angle % 90 != 0) return {};
  // A frame and corners measured on the photo as loaded depend on its own size.
  const TEdgeOptions& edge = options.edge;
  if (EdgesWanted(request) &&
      (edge.kind == TEdgeKind::Frame || (edge.kind == TEdgeKind::Corners && !edge.radiusOnResult)))
    return {};
  const int target = TargetWidth(size);
  if (target < 1) return {};
  TSize shrunk{width, height};
  if (size.mode == TSizeMode::Width) {
    if (size.square) {
      shrunk = FittedSize(width, height, target, target, size.enlarge);
    } else if (width > target) {
      shrunk = {target, ProportionalSide(height, width, target)};
    }
  } else {
    const int boxHeight = size.mode == TSizeMode::LongestSide ? target : TargetHeight(size);
    if (boxHeight < 1) return {};
    shrunk = FittedSize(width, height, target, boxHeight, size.enlarge);
  }
  // Only a picture shrunk both ways is filtered; any other keeps the point-sampled look.
  if (shrunk.width >= width || shrunk.height >= height) return {};
  return shrunk;
}

std::unique_ptr<TBitmap> LoadForRequest(const TPictureRequest& request) {
  if (request.preview || !request.options.size.smooth)
    return LoadTurnedPicture(request.path, request.angle, request.memoryGate, request.loadReport,
                             &request.options);
  const bool quarter = request.angle % 180 != 0;
  std::optional<TSize> shrunk;  // upright
  TReducedLoad reduce;
  reduce.wanted = [&](int width, int height) {
    shrunk = quarter ? SmoothShrinkSize(height, width, request)
                     : SmoothShrinkSize(width, height, request);
    // A size never reached keeps the whole picture.
    if (!shrunk) return std::pair(width + 1, height + 1);
    if (quarter) std::swap(shrunk->width, shrunk->height);
    // More than twice the finished size, however the scale's last pixel falls.
    const int wantW = 2 * shrunk->width + 1, wantH = 2 * shrunk->height + 1;
    // At 7/8 the reduced decode costs about what it saves.
    if (int64_t(wantW) * 4 > int64_t(width) * 3 || int64_t(wantH) * 4 > int64_t(height) * 3) {
      shrunk.reset();
      return std::pair(width + 1, height + 1);
    }
    return std::pair(wantW, wantH);
  };
  const int angle = request.angle;
  const TPictureOptions& options = request.options;
  const TMemoryEstimate estimate = [&options, angle](const TPictureSize& size, uint64_t fileBytes) {
    return PictureMemoryNeed(size, fileBytes, options, angle);
  };
  TLoadReport why;
  std::unique_ptr<TBitmap> bitmap =
      LoadPictureBitmap(request.path, request.memoryGate ? *request.memoryGate : TMemoryGate(), why,
                        estimate, &reduce);
  if (request.loadReport) *request.loadReport = why;
  if (!bitmap || bitmap->Empty()) return nullptr;
  if (shrunk && reduce.got.reduced) {
    // Straight to the finished size from the part that is the whole picture; the shape steps
    // then find nothing left to shrink.
    const TReducedJpeg& got = reduce.got;
    auto small = std::make_unique<TBitmap>(shrunk->width, shrunk->height);
    ResampleLanczos(*small, *bitmap,
                    {got.contentLeft, got.contentTop, got.contentWidth, got.contentHeight});
    bitmap = std::move(small);
  }
  if (angle != 0) bitmap = RotatePicture(*bitmap, kWhite, angle);
  return bitmap;
}

}  // namespace

std::unique_ptr<TBitmap> ProcessPicture(const TPictureRequest& request) {
  std::unique_ptr<TBitmap> bitmap = LoadForRequest(request);
  if (!bitmap) return nullptr;
  ApplyEdgeAndSize(bitmap, request);
  ApplyWatermark(bitmap, request);
  return bitmap;
}

std::vector<std::unique_ptr<TBitmap>> ProcessPictureSlices(const TPictureRequest& request,
                                                           int sliceHeight, bool watermarkEach) {
  std::unique_ptr<TBitmap> bitmap = LoadForRequest(request);
  if (!bitmap) return {};
  ApplyEdgeAndSize(bitmap, request);
  if (!watermarkEach) ApplyWatermark(bitmap, request);
  std::vector<std::unique_ptr<TBitmap>> slices = SlicePicture(std::move(bitmap), sliceHeight);
  if (watermarkEach) {
    for (auto& slice : slices) ApplyWatermark(slice, request);
  }
  return slices;
}

std::unique_ptr<TBitmap> ProcessPicture(const std::string& path, int angle,
                                        const TMemIniFile& settings, const TMemIniFile& catalog,
                                        const std::string& framesFolder, bool preview,
                                        std::string_view previewPrompt) {
  const TPictureOptions options = ReadPictureOptions(settings);
  return ProcessPicture({path, angle, options, catalog, framesFolder, preview, previewPrompt});
}

}  // namespace pixmira
