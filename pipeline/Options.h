#pragma once
// Every effect setting read once from a store into plain values, with each key's pipeline
// default and conversion rule. The steps then work on these values and never see the store.
#include <string>
#include <vector>

#include "core/MemIniFile.h"
#include "effects/Corners.h"
#include "effects/Watermark.h"
#include "text/TextWatermark.h"

namespace pixmira {

// ReduceSizeType 0..3; any other stored number means no reduction.
enum class TSizeChoice { Width310, Width500, Width700, Custom, None };

// ReduceSizeMode: what the target width (and height) bound. Any other number: Width.
enum class TSizeMode { Width, LongestSide, FitInside, Canvas };

struct TSizeOptions {
  bool reduce = true;  // ReduceSize
  TSizeChoice choice = TSizeChoice::Width310;
  int customWidth = 310;  // ReduceSizeWidth, for Custom
  bool smooth = false;    // ReduceSizeSmooth: every reduction of the photo by Lanczos
  bool square = false;    // SquareCanvas: the finished picture on a white square (Width mode)
  TSizeMode mode = TSizeMode::Width;
  int height = 0;        // ReduceSizeHeight for FitInside and Canvas; below 1: the width
  bool enlarge = false;  // AllowEnlarge: a smaller picture grows to the target
  bool operator==(const TSizeOptions&) const = default;
};

// The target width; 0 when the choice or the custom width means no reduction (widths below 1
// are refused).
int TargetWidth(const TSizeOptions& size);
// The height that FitInside and Canvas bound: ReduceSizeHeight, or the target width when it
// is below 1.
int TargetHeight(const TSizeOptions& size);

// FrameType 0 = corners, 1 = a catalogue frame; any other number adds neither.
enum class TEdgeKind { Corners, Frame, None };

struct TEdgeOptions {
  bool add = false;  // AddFrame; the preview ignores it
  TEdgeKind kind = TEdgeKind::Corners;
  std::vector<TCorner> corners;  // by CornerType, in processing order
  int radius = 10;               // by CornerWidth
  std::string frameName;
  bool radiusOnResult = false;  // CornerRadiusOnResult: corners cut after the reduction
  bool frameFit = false;        // FrameFit: the whole photo inside the frame's opening
  bool operator==(const TEdgeOptions&) const = default;
};

// WatermarkType 0 = text, 1 = picture, 2 = both (picture first, text on top); any other
// number adds nothing.
enum class TWatermarkKind { Text, Picture, Both, None };

// How the text's character height is chosen.
enum class TTextSizeMode { Points, PercentOfWidth };

// A stored value that cannot be converted, reported when the step that needs it runs.
struct TBadSetting {
  std::string key;
  std::string value;
};

struct TTextWatermark {
  std::string text;  // stored line breaks (code 3) turned into CR LF
  TWatermarkFont font;
  std::vector<TBadSetting> fontProblems;  // size or colour that did not convert
  int opacity = 80;                       // 100 - WatermarkTransparent, as stored
  int angle = 0;
  TPaintStyle style = TPaintStyle::Single;
  TWatermarkPlacement placement;
  TTileLayout tiles;
  TTextSizeMode sizeMode = TTextSizeMode::Points;  // WatermarkFontSizeMode
  int sizePercent = 6;                             // WatermarkFontSizePercent
  bool fit = false;                                // WatermarkFitText
  bool outline = false;                            // WatermarkOutline
};

// The character height in pixels on a picture pictureWidth wide: font.size in points, or the
// percentage of the width (ties to even, at least 1).
int TextCharacterHeight(const TTextWatermark& mark, int pictureWidth);

struct TWatermarkOptions {
  bool add = false;  // AddWatermark; the preview ignores it
  TWatermarkKind kind = TWatermarkKind::Text;
  TTextWatermark text;
  TPictureWatermark picture;
};

struct TPictureOptions {
  TSizeOptions size;
  TEdgeOptions edge;
  TWatermarkOptions watermark;
};

TPictureOptions ReadPictureOptions(const TMemIniFile& settings);

// The parts, for callers that need one of them.
TSizeOptions ReadSizeOptions(const TMemIniFile& settings);
TEdgeOptions ReadEdgeOptions(const TMemIniFile& settings);
TWatermarkPlacement ReadWatermarkPlacement(const TMemIniFile& settings);
TWatermarkFont ReadWatermarkFont(const TMemIniFile& settings,
                                 std::vector<TBadSetting>* problems = nullptr);
TWatermarkOptions ReadWatermarkOptions(const TMemIniFile& settings);

}  // namespace pixmira
