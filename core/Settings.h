#pragma once
// Reading the keys of Config.ini with the default of the place that reads them. The read sites
// keep their own defaults (FrameType: 1 in the windows, 0 in the pipeline), so a default is
// looked up by key and site in the schema (SettingsSchema.h), never written at the call.
#include <string>
#include <string_view>

#include "core/ColorText.h"
#include "core/MemIniFile.h"
#include "core/SettingsSchema.h"

namespace pixmira {

inline constexpr std::string_view kGeneral = "General";

namespace keys {
inline constexpr std::string_view ReduceSize = "ReduceSize";
inline constexpr std::string_view ReduceSizeType = "ReduceSizeType";
inline constexpr std::string_view ReduceSizeWidth = "ReduceSizeWidth";
inline constexpr std::string_view ReduceSizeQuality = "ReduceSizeQuality";
inline constexpr std::string_view AddFrame = "AddFrame";
inline constexpr std::string_view FrameType = "FrameType";
inline constexpr std::string_view CornerType = "CornerType";
inline constexpr std::string_view CornerWidth = "CornerWidth";
inline constexpr std::string_view FrameName = "FrameName";
inline constexpr std::string_view AddWatermark = "AddWatermark";
inline constexpr std::string_view WatermarkType = "WatermarkType";
inline constexpr std::string_view WatermarkText = "WatermarkText";
inline constexpr std::string_view WatermarkImage = "WatermarkImage";
inline constexpr std::string_view WatermarkPaintStyle = "WatermarkPaintStyle";
inline constexpr std::string_view WatermarkPos = "WatermarkPos";
inline constexpr std::string_view WatermarkRotate = "WatermarkRotate";
inline constexpr std::string_view WatermarkTransparent = "WatermarkTransparent";
inline constexpr std::string_view WatermarkTileSpace = "WatermarkTileSpace";
inline constexpr std::string_view WatermarkTileCount = "WatermarkTileCount";
// Our own: width of the picture watermark in percent of the finished picture's; 0 = its own.
inline constexpr std::string_view WatermarkImageScale = "WatermarkImageScale";
inline constexpr std::string_view WatermarkFontName = "WatermarkFontName";
inline constexpr std::string_view WatermarkFontSize = "WatermarkFontSize";
inline constexpr std::string_view WatermarkFontColor = "WatermarkFontColor";
inline constexpr std::string_view WatermarkFontBold = "WatermarkFontBold";
inline constexpr std::string_view WatermarkFontItalic = "WatermarkFontItalic";
inline constexpr std::string_view WatermarkFontUnderLine = "WatermarkFontUnderLine";
inline constexpr std::string_view OutputGif = "OutputGif";
inline constexpr std::string_view GifSpeed = "GifSpeed";
inline constexpr std::string_view GifSeconds = "GifSeconds";
// Our own: Lanczos instead of point sampling for every reduction of the photo.
inline constexpr std::string_view ReduceSizeSmooth = "ReduceSizeSmooth";
// Our own: the finished picture centred on a white square of the target width.
inline constexpr std::string_view SquareCanvas = "SquareCanvas";
// Our own: JPEG files written progressive.
inline constexpr std::string_view JpegProgressive = "JpegProgressive";
// Our own: corners cut after the reduction, so the radius is in finished pixels.
inline constexpr std::string_view CornerRadiusOnResult = "CornerRadiusOnResult";
// Our own: the whole photo inside the frame's opening on white (0: it covers the opening).
inline constexpr std::string_view FrameFit = "FrameFit";
// Our own: text size in points (0) or as WatermarkFontSizePercent of the finished width (1).
inline constexpr std::string_view WatermarkFontSizeMode = "WatermarkFontSizeMode";
inline constexpr std::string_view WatermarkFontSizePercent = "WatermarkFontSizePercent";
// Our own: a text that would run past the picture's edge is made smaller until it fits.
inline constexpr std::string_view WatermarkFitText = "WatermarkFitText";
// Our own: a dark outline around the text.
inline constexpr std::string_view WatermarkOutline = "WatermarkOutline";
// Our own: where the picture goes when text and picture are stamped together
// (WatermarkType 2); alone, the picture keeps the text's anchor, margins, opacity and angle.
inline constexpr std::string_view WatermarkImagePos = "WatermarkImagePos";
inline constexpr std::string_view WatermarkImageMarginA = "WatermarkImageMarginA";
inline constexpr std::string_view WatermarkImageMarginB = "WatermarkImageMarginB";
inline constexpr std::string_view WatermarkImageMarginKindA = "WatermarkImageMarginKindA";
inline constexpr std::string_view WatermarkImageMarginKindB = "WatermarkImageMarginKindB";
inline constexpr std::string_view WatermarkImageTransparent = "WatermarkImageTransparent";
inline constexpr std::string_view WatermarkImageRotate = "WatermarkImageRotate";
// Our own: JPEG files taller than this are written in slices of at most this height (0: off),
// the watermark drawn on the whole picture or, with SliceWatermarkEach, on every slice.
inline constexpr std::string_view SliceHeight = "SliceHeight";
inline constexpr std::string_view SliceWatermarkEach = "SliceWatermarkEach";
// Our own: the vendor's web host for the home link and the update check; empty = none.
inline constexpr std::string_view HomeHost = "HomeHost";
// Our own: where the main window was (empty: centred at its first size) and the folders the
// dialogs start in (empty: the home folder).
inline constexpr std::string_view WindowLeft = "WindowLeft";
inline constexpr std::string_view WindowTop = "WindowTop";
inline constexpr std::string_view WindowWidth = "WindowWidth";
inline constexpr std::string_view WindowHeight = "WindowHeight";
inline constexpr std::string_view WindowMaximized = "WindowMaximized";
inline constexpr std::string_view PictureFolder = "PictureFolder";
inline constexpr std::string_view OutputFolder = "OutputFolder";
// Our own: the seller's output choices. How the size is reduced (0 width, 1 longest side,
// 2 fit inside width x height, 3 exactly width x height on white) and the height for 2 and 3
// (0: as the width); whether a picture may grow to it.
inline constexpr std::string_view ReduceSizeMode = "ReduceSizeMode";
inline constexpr std::string_view ReduceSizeHeight = "ReduceSizeHeight";
inline constexpr std::string_view AllowEnlarge = "AllowEnlarge";
// The file name of each output ({name}, {n}, {n:3}, {date}, {w}, {h}), the format (0 JPEG,
// 1 PNG, 2 WebP) and whether WebP is lossless.
inline constexpr std::string_view OutputNamePattern = "OutputNamePattern";
inline constexpr std::string_view OutputFormat = "OutputFormat";
inline constexpr std::string_view WebpLossless = "WebpLossless";
// Largest file in KB (0: no cap) and the lowest quality the cap may choose.
inline constexpr std::string_view MaxFileKB = "MaxFileKB";
inline constexpr std::string_view MinFileQuality = "MinFileQuality";
// 0: no metadata; 1: the photo's EXIF without position and orientation, its colour profile.
inline constexpr std::string_view KeepMetadata = "KeepMetadata";
// The window: the picture list kept across restarts, and the preset last chosen.
inline constexpr std::string_view RestoreList = "RestoreList";
inline constexpr std::string_view PresetName = "PresetName";
}  // namespace keys

// "cbWatermarkPosBlank" + anchor + letter, and its unit key "cbWatermarkPosBlankKind" + ...
std::string MarginKey(int anchor, char letter);
std::string MarginKindKey(int anchor, char letter);

// The default text of a key at a read site. Raises std::logic_error for a key the site
// does not read (a programming error, caught by the tests).
std::string_view SettingDefault(std::string_view key, ReadSite site);

// Section General, with the site's default.
std::string ReadSettingString(const TMemIniFile& store, std::string_view key, ReadSite site);
int ReadSettingInteger(const TMemIniFile& store, std::string_view key, ReadSite site);
bool ReadSettingBool(const TMemIniFile& store, std::string_view key, ReadSite site);

// Colour text (WatermarkFontColor); a text that is no colour gives the site's default.
TColor ReadSettingColor(const TMemIniFile& store, std::string_view key, ReadSite site);

// Decimal text with "." (GifSeconds): digits with at most one point. Anything else (empty,
// two points, a decimal comma) gives the site's default.
double ReadSettingDecimal(const TMemIniFile& store, std::string_view key, ReadSite site);

// Converts as ReadSettingDecimal does. Nothing when it does not convert.
bool TryParseDecimal(std::string_view text, double& value);

}  // namespace pixmira
