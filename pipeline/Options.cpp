#include "pipeline/Options.h"

#include <algorithm>
#include <cstdlib>

#include "core/ColorText.h"
#include "core/Rounding.h"
#include "core/Settings.h"

namespace pixmira {

namespace {

constexpr ReadSite kSite = ReadSite::Pipeline;

int ReadInt(const TMemIniFile& settings, std::string_view key) {
  return ReadSettingInteger(settings, key, kSite);
}

bool ReadBool(const TMemIniFile& settings, std::string_view key) {
  return ReadSettingBool(settings, key, kSite);
}

std::string ReadText(const TMemIniFile& settings, std::string_view key) {
  return ReadSettingString(settings, key, kSite);
}

// The settings keep a line break as the one character of code 3.
std::string WatermarkLines(const std::string& stored) {
  std::string text;
  text.reserve(stored.size() + 8);
  for (char ch : stored) {
    if (ch == '\x03') {
      text += "\r\n";
    } else {
      text += ch;
    }
  }
  return text;
}

TMargin ReadMargin(const TMemIniFile& settings, int anchor, char letter) {
  return {ReadInt(settings, MarginKey(anchor, letter)),
          ReadInt(settings, MarginKindKey(anchor, letter)) != 0};
}

TPaintStyle ReadPaintStyle(const TMemIniFile& settings) {
  return ReadInt(settings, keys::WatermarkPaintStyle) == 0 ? TPaintStyle::Single
                                                           : TPaintStyle::Tiled;
}

TTileLayout ReadTiles(const TMemIniFile& settings) {
  return {ReadInt(settings, keys::WatermarkTileSpace), ReadInt(settings, keys::WatermarkTileCount)};
}

TTextWatermark ReadTextWatermark(const TMemIniFile& settings) {
  TTextWatermark text;
  text.text = WatermarkLines(ReadText(settings, keys::WatermarkText));
  text.font = ReadWatermarkFont(settings, &text.fontProblems);
  text.opacity = 100 - ReadInt(settings, keys::WatermarkTransparent);
  text.angle = ReadInt(settings, keys::WatermarkRotate);
  text.style = ReadPaintStyle(settings);
  text.placement = ReadWatermarkPlacement(settings);
  text.tiles = ReadTiles(settings);
  text.sizeMode = ReadInt(settings, keys::WatermarkFontSizeMode) == 1
                      ? TTextSizeMode::PercentOfWidth
                      : TTextSizeMode::Points;
  text.sizePercent = ReadInt(settings, keys::WatermarkFontSizePercent);
  text.fit = ReadBool(settings, keys::WatermarkFitText);
  text.outline = ReadBool(settings, keys::WatermarkOutline);
  return text;
}

// Beside a text the picture has its own anchor, margins, opacity and angle; alone it takes the
// text's, as it always has.
TPictureWatermark ReadPictureWatermark(const TMemIniFile& settings, bool besideText) {
  TPictureWatermark mark;
  mark.path = ReadText(settings, keys::WatermarkImage);
  mark.angle = ReadInt(settings, besideText ? keys::WatermarkImageRotate : keys::WatermarkRotate);
  // The picture's blend takes the transparency clamped; the text's renderer clamps its own.
  mark.opacity = 100 - std::clamp(ReadInt(settings, besideText ? keys::WatermarkImageTransparent
                                                               : keys::WatermarkTransparent),
                                  0, 100);
  mark.style = ReadPaintStyle(settings);
  if (besideText) {
    mark.placement.anchor = AnchorFromNumber(ReadInt(settings, keys::WatermarkImagePos));
    mark.placement.a = {ReadInt(settings, keys::WatermarkImageMarginA),
                        ReadInt(settings, keys::WatermarkImageMarginKindA) != 0};
    mark.placement.b = {ReadInt(settings, keys::WatermarkImageMarginB),
                        ReadInt(settings, keys::WatermarkImageMarginKindB) != 0};
  } else {
    mark.placement = ReadWatermarkPlacement(settings);
  }
  mark.tiles = ReadTiles(settings);
  mark.scale = ReadInt(settings, keys::WatermarkImageScale);
  return mark;
}

}  // namespace

int TextCharacterHeight(const TTextWatermark& mark, int pictureWidth) {
  if (mark.sizeMode == TTextSizeMode::Points) {
    const int points = mark.font.size != 0 ? mark.font.size : TWatermarkFont{}.size;
    return std::abs(FontPixelHeight(points));
  }
  const int64_t percent = std::clamp(mark.sizePercent, 1, 100);
  return static_cast<int>(std::max<int64_t>(1, RoundRatio(percent * pictureWidth, 100)));
}

int TargetWidth(const TSizeOptions& size) {
  switch (size.choice) {
    case TSizeChoice::Width310:
      return 310;
    case TSizeChoice::Width500:
      return 500;
    case TSizeChoice::Width700:
      return 700;
    case TSizeChoice::Custom:
      return std::max(0, size.customWidth);
    case TSizeChoice::None:
      break;
  }
  return 0;
}

int TargetHeight(const TSizeOptions& size) {
  return size.height >= 1 ? size.height : TargetWidth(size);
}

TSizeOptions ReadSizeOptions(const TMemIniFile& settings) {
  TSizeOptions size;
  size.reduce = ReadBool(settings, keys::ReduceSize);
  const int type = ReadInt(settings, keys::ReduceSizeType);
  size.choice = type >= 0 && type <= 3 ? static_cast<TSizeChoice>(type) : TSizeChoice::None;
  size.customWidth = ReadInt(settings, keys::ReduceSizeWidth);
  size.smooth = ReadBool(settings, keys::ReduceSizeSmooth);
  size.square = ReadBool(settings, keys::SquareCanvas);
  const int mode = ReadInt(settings, keys::ReduceSizeMode);
  size.mode = mode >= 1 && mode <= 3 ? static_cast<TSizeMode>(mode) : TSizeMode::Width;
  size.height = ReadInt(settings, keys::ReduceSizeHeight);
  size.enlarge = ReadBool(settings, keys::AllowEnlarge);
  return size;
}

TEdgeOptions ReadEdgeOptions(const TMemIniFile& settings) {
  TEdgeOptions edge;
  edge.add = ReadBool(settings, keys::AddFrame);
  const int type = ReadInt(settings, keys::FrameType);
  edge.kind = type == 0 ? TEdgeKind::Corners : type == 1 ? TEdgeKind::Frame : TEdgeKind::None;
  edge.corners = CornersForType(ReadInt(settings, keys::CornerType));
  edge.radius = CornerRadius(ReadInt(settings, keys::CornerWidth));
  edge.frameName = ReadText(settings, keys::FrameName);
  edge.radiusOnResult = ReadBool(settings, keys::CornerRadiusOnResult);
  edge.frameFit = ReadBool(settings, keys::FrameFit);
  return edge;
}

TWatermarkPlacement ReadWatermarkPlacement(const TMemIniFile& settings) {
  TWatermarkPlacement place;
  place.anchor = AnchorFromNumber(ReadInt(settings, keys::WatermarkPos));
  // An anchor outside the table also takes the first anchor's margins.
  const int anchor = AnchorNumber(place.anchor);
  place.a = ReadMargin(settings, anchor, 'A');
  place.b = ReadMargin(settings, anchor, 'B');
  return place;
}

TWatermarkFont ReadWatermarkFont(const TMemIniFile& settings, std::vector<TBadSetting>* problems) {
  TWatermarkFont font;
  font.name = ReadText(settings, keys::WatermarkFontName);
  const std::string size = ReadText(settings, keys::WatermarkFontSize);
  if (!TryParseInteger(size, font.size)) {
    // The pipeline's own default, from the one table of defaults.
    TryParseInteger(SettingDefault(keys::WatermarkFontSize, ReadSite::Pipeline), font.size);
    if (problems) problems->push_back({std::string(keys::WatermarkFontSize), size});
  }
  const std::string color = ReadText(settings, keys::WatermarkFontColor);
  if (auto ink = TryStringToColor(color)) {
    font.color = *ink;
  } else if (problems) {
    problems->push_back({std::string(keys::WatermarkFontColor), color});
  }
  font.bold = ReadBool(settings, keys::WatermarkFontBold);
  font.italic = ReadBool(settings, keys::WatermarkFontItalic);
  font.underline = ReadBool(settings, keys::WatermarkFontUnderLine);
  return font;
}

TWatermarkOptions ReadWatermarkOptions(const TMemIniFile& settings) {
  TWatermarkOptions watermark;
  watermark.add = ReadBool(settings, keys::AddWatermark);
  const int type = ReadInt(settings, keys::WatermarkType);
  watermark.kind = type == 0   ? TWatermarkKind::Text
                   : type == 1 ? TWatermarkKind::Picture
                   : type == 2 ? TWatermarkKind::Both
                               : TWatermarkKind::None;
  watermark.text = ReadTextWatermark(settings);
  watermark.picture = ReadPictureWatermark(settings, watermark.kind == TWatermarkKind::Both);
  return watermark;
}

TPictureOptions ReadPictureOptions(const TMemIniFile& settings) {
  return {ReadSizeOptions(settings), ReadEdgeOptions(settings), ReadWatermarkOptions(settings)};
}

}  // namespace pixmira
