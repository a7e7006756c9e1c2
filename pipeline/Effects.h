#pragma once
// The effects of the per-picture pipeline, each described once: its name, the stage it
// belongs to, whether two sets of options differ for it, and how it is applied. ProcessPicture
// and its stage functions run them in table order; the preview cache keeps a stage's result
// for as long as the options of that stage's effects compare equal, so a new effect or a new
// option field can never leave a stale preview.
//
// Adding an effect: its options (a struct with defaulted operator==, defaults beside the
// fields) in TPictureOptions and read in Options.cpp, its schema rows, and one row here in
// Pipeline.cpp's table.
#include <memory>
#include <span>
#include <string_view>

#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"
#include "pipeline/Options.h"
#include "pipeline/Pipeline.h"

namespace pixmira {

// Shape: corners, frame, square, reduction and corners on the result, whose result the
// preview keeps.
// Mark: the watermarks, worked out afresh (on the preview's grid) each time.
enum class TEffectStage { Shape, Mark };

struct TEffect {
  std::string_view name;
  TEffectStage stage;
  // Whether the effect would do the same with both sets of options. Every Shape effect has
  // one; a Mark effect may leave it empty, as nothing keeps that stage's result.
  bool (*same)(const TPictureOptions& a, const TPictureOptions& b) = nullptr;
  // Does nothing when the options leave the effect out. The grid is given in the Mark stage
  // only (see ApplyWatermark).
  void (*apply)(std::unique_ptr<TBitmap>& bitmap, const TPictureRequest& request,
                const TSampleGrid* grid) = nullptr;
};

// In the order they are applied.
std::span<const TEffect> PictureEffects();

// Whether every effect of the stage does the same with both. A stage with an effect that
// cannot compare its options is a programming error (std::logic_error).
bool SameStageOptions(const TPictureOptions& a, const TPictureOptions& b, TEffectStage stage);

}  // namespace pixmira
