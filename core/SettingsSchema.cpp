#include "core/SettingsSchema.h"

#include <charconv>
#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>

#include "core/ColorText.h"
#include "core/Settings.h"

namespace pixmira {

namespace {

constexpr const char* kNone = nullptr;
using T = SettingType;

// A key that only the main window reads, or the main window and the pipeline.
constexpr std::array<const char*, kReadSiteCount> MainOnly(const char* d) {
  return {d, kNone, kNone, kNone};
}
constexpr std::array<const char*, kReadSiteCount> MainAndPipeline(const char* d) {
  return {d, kNone, d, kNone};
}
constexpr std::array<const char*, kReadSiteCount> MainAndExport(const char* d) {
  return {d, kNone, kNone, d};
}
constexpr std::array<const char*, kReadSiteCount> Everywhere(const char* d) {
  return {d, d, d, kNone};
}
constexpr std::array<const char*, kReadSiteCount> DialogAndPipeline(const char* d) {
  return {kNone, d, d, kNone};
}

constexpr double kMaxBox = 999999;  // the window's number boxes

// What each anchor of WatermarkPos is called and which margins it uses, by letter.
struct AnchorMargins {
  const char* caption;
  const char* english;
  const char* a;  // the label of margin A, nullptr when the anchor has none
  const char* b;
  const char* aEnglish;
  const char* bEnglish;
};
constexpr std::array<AnchorMargins, 9> kAnchors{{
    {"右下角", "bottom right", "下边距", "右边距", "bottom margin", "right margin"},
    {"左下角", "bottom left", "下边距", "左边距", "bottom margin", "left margin"},
    {"左上角", "top left", "上边距", "左边距", "top margin", "left margin"},
    {"右上角", "top right", "上边距", "右边距", "top margin", "right margin"},
    {"底部居中", "bottom centre", "下边距", kNone, "bottom margin", kNone},
    {"顶部居中", "top centre", "上边距", kNone, "top margin", kNone},
    {"左边居中", "left centre", "左边距", kNone, "left margin", kNone},
    {"右边居中", "right centre", "右边距", kNone, "right margin", kNone},
    {"图片中心", "centre", kNone, kNone, kNone, kNone},
}};

std::vector<SettingChoice> CornerChoices() {
  return {
      {0, "四角", "all four"},
      {1, "左上角", "top left"},
      {2, "左下角", "bottom left"},
      {3, "右上角", "top right"},
      {4, "右下角", "bottom right"},
      {5, "左上角+左下角", "top left + bottom left"},
      {6, "右上角+右下角", "top right + bottom right"},
      {7, "左上角+右上角", "top left + top right"},
      {8, "左下角+右下角", "bottom left + bottom right"},
      {9, "左上角+右下角", "top left + bottom right"},
      {10, "左下角+右上角", "bottom left + top right"},
  };
}

// The conditions rows share. Made with the schema, so no global waits on another's construction.
struct Conditions {
  SettingCondition reducing{std::string(keys::ReduceSize), {1}};
  SettingCondition customWidth{std::string(keys::ReduceSizeType), {3}};
  SettingCondition jpegFiles{std::string(keys::OutputGif), {0}};
  SettingCondition framing{std::string(keys::AddFrame), {1}};
  SettingCondition marking{std::string(keys::AddWatermark), {1}};
  // WatermarkType 2 stamps both, the picture first.
  SettingCondition textMark{std::string(keys::WatermarkType), {0, 2}};
  SettingCondition pictureMark{std::string(keys::WatermarkType), {1, 2}};
  SettingCondition bothMarks{std::string(keys::WatermarkType), {2}};
  SettingCondition anyMark{std::string(keys::WatermarkType), {0, 1, 2}};
  SettingCondition single{std::string(keys::WatermarkPaintStyle), {0}};
  SettingCondition tiled{std::string(keys::WatermarkPaintStyle), {0}, true};
};

std::vector<SettingChoice> AnchorChoices() {
  std::vector<SettingChoice> choices;
  for (std::size_t k = 0; k < kAnchors.size(); ++k)
    choices.push_back({static_cast<int>(k), kAnchors[k].caption, kAnchors[k].english});
  return choices;
}

constexpr std::string_view kMarginPrefix = "cbWatermarkPosBlank";
constexpr std::string_view kKindInfix = "Kind";
constexpr std::string_view kMarginFamily = "cbWatermarkPosBlank";
constexpr std::string_view kMarginKindFamily = "cbWatermarkPosBlankKind";

// The rows every margin key is made from; the anchor fills in key, caption and condition.
SettingRow MarginTemplate() {
  return {.key = {},
          .type = T::Int,
          .defaults = DialogAndPipeline("15"),
          .minimum = 0,
          .maximum = kMaxBox,
          .english =
              "margin of anchor k (WatermarkPos) from the picture's edge: A the first, B "
              "the second, as far as the anchor uses them",
          .group = "watermark",
          .panel = "position",
          .family = std::string(kMarginFamily)};
}

SettingRow MarginKindTemplate() {
  return {.key = {},
          .type = T::Choice,
          .defaults = DialogAndPipeline("0"),
          .choices = {{0, "像素", "pixels"}, {1, "百分比", "percent"}},
          .english = "unit of that margin",
          .group = "watermark",
          .panel = "position",
          .family = std::string(kMarginKindFamily)};
}

void AddMarginRows(std::vector<SettingRow>& rows, const Conditions& c) {
  for (std::size_t k = 0; k < kAnchors.size(); ++k) {
    const AnchorMargins& anchor = kAnchors[k];
    const int number = static_cast<int>(k);
    for (char letter : {'A', 'B'}) {
      const char* label = letter == 'A' ? anchor.a : anchor.b;
      const char* english = letter == 'A' ? anchor.aEnglish : anchor.bEnglish;
      if (label == kNone) continue;
      const std::vector<SettingCondition> when{
          c.marking, c.anyMark, c.single, {std::string(keys::WatermarkPos), {number}}};
      SettingRow value = MarginTemplate();
      value.key = MarginKey(number, letter);
      value.caption = label;
      value.english = std::string(english) + " at " + anchor.english;
      value.when = when;
      rows.push_back(std::move(value));
      SettingRow kind = MarginKindTemplate();
      kind.key = MarginKindKey(number, letter);
      kind.caption = label;
      kind.english = "unit of the " + std::string(english) + " at " + anchor.english;
      kind.when = when;
      rows.push_back(std::move(kind));
    }
  }
}

std::vector<SettingRow> MakeSchema() {
  const Conditions c;
  std::vector<SettingRow> rows{
      // Size.
      {.key = std::string(keys::ReduceSize),
       .type = T::Bool,
       .defaults = MainAndPipeline("1"),
       .caption = "图片瘦身 - 批量修改图片尺寸，节省硬盘空间！",
       .english = "shrink pictures to the chosen width",
       .group = "size",
       .panel = "size"},
      {.key = std::string(keys::ReduceSizeType),
       .type = T::Choice,
       .defaults = MainAndPipeline("0"),
       .choices = {{0, "较小图片（310像素宽，约20KB，适合宝贝图片）", "310 pixels wide"},
                   {1, "中等图片（500像素宽，约100KB，适合宝贝图片）", "500 pixels wide"},
                   {2, "较大图片（700像素宽，约130KB，适合宝贝图片）", "700 pixels wide"},
                   {3, "自定义", "the custom width"}},
       .caption = "调整图片为：",
       .english = "the width to shrink to",
       .group = "size",
       .panel = "size",
       .when = {c.reducing}},
      {.key = std::string(keys::ReduceSizeWidth),
       .type = T::Int,
       .defaults = MainAndPipeline("310"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "图片宽",
       .english = "custom width in pixels",
       .group = "size",
       .panel = "custom",
       .when = {c.reducing, c.customWidth}},
      {.key = std::string(keys::ReduceSizeQuality),
       .type = T::Choice,
       .defaults = MainOnly("1"),
       .choices = {{0, "高等质量", "high (JPEG quality 100)"},
                   {1, "中等质量", "medium (75)"},
                   {2, "低等质量", "low (50)"}},
       .caption = "图片质量",
       .english = "JPEG quality with the custom width",
       .group = "size",
       .panel = "custom",
       .when = {c.reducing, c.customWidth, c.jpegFiles}},
      {.key = std::string(keys::JpegProgressive),
       .type = T::Bool,
       .defaults = MainOnly("0"),
       .caption = "渐进式",
       .tooltip = "渐进式JPEG：画面相同，文件更小",
       .english = "with the custom width: write progressive JPEG files (same pixels, smaller "
                  "files)",
       .group = "size",
       .panel = "custom",
       .when = {c.reducing, c.customWidth, c.jpegFiles}},
      {.key = std::string(keys::ReduceSizeSmooth),
       .type = T::Bool,
       .defaults = MainAndPipeline("0"),
       .caption = "平滑缩小（画质更好）",
       .english = "shrink smoothly (Lanczos filter) instead of picking one pixel in several: "
                  "every reduction, frames included",
       .group = "size",
       .panel = "size"},
      {.key = std::string(keys::SquareCanvas),
       .type = T::Bool,
       .defaults = MainAndPipeline("0"),
       .caption = "正方形主图（白底）",
       .english = "centre the finished picture on a white square as wide as the chosen width "
                  "(never enlarging it); without a width, the square's side is the picture's "
                  "longer side; the watermark goes on the square",
       .group = "size",
       .panel = "size"},
      {.key = std::string(keys::ReduceSizeMode),
       .type = T::Choice,
       .defaults = MainAndPipeline("0"),
       .choices = {{0, "按宽度", "width"},
                   {1, "按最长边", "longest side"},
                   {2, "放进宽×高之内", "fit inside width x height"},
                   {3, "正好宽×高（白底）", "exactly width x height on white"}},
       .caption = "缩小方式",
       .english = "what the width (and height) bound: 0 = the width, 1 = the longest side, "
                  "2 = fit inside ReduceSizeWidth x ReduceSizeHeight, 3 = exactly that size, "
                  "the picture centred on white; SquareCanvas counts only with 0",
       .group = "size",
       .panel = "size",
       .when = {c.reducing}},
      {.key = std::string(keys::ReduceSizeHeight),
       .type = T::Int,
       .defaults = MainAndPipeline("0"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "图片高",
       .english = "height in pixels for modes 2 and 3; 0 = as the width",
       .group = "size",
       .panel = "custom",
       .when = {c.reducing, {std::string(keys::ReduceSizeMode), {2, 3}}}},
      {.key = std::string(keys::AllowEnlarge),
       .type = T::Bool,
       .defaults = MainAndPipeline("0"),
       .caption = "允许放大小图片",
       .english = "let a smaller picture grow to the chosen size (otherwise pictures only "
                  "shrink)",
       .group = "size",
       .panel = "size",
       .when = {c.reducing}},

      // Corners and frames.
      {.key = std::string(keys::AddFrame),
       .type = T::Bool,
       .defaults = MainAndPipeline("0"),
       .caption = "为图片添加边框或圆角 - 美化宝贝图片",
       .english = "apply rounded corners or a frame",
       .group = "edge",
       .panel = "edge"},
      {.key = std::string(keys::FrameType),
       .type = T::Choice,
       .defaults = {"1", "1", "0", kNone},
       .choices = {{0, "使用圆角", "rounded corners"}, {1, "使用边框", "a frame"}},
       .caption = "边框/圆角",
       .english = "rounded corners or a frame",
       .group = "edge",
       .panel = "edge",
       .when = {c.framing}},
      {.key = std::string(keys::CornerType),
       .type = T::Choice,
       .defaults = Everywhere("0"),
       .choices = CornerChoices(),
       .caption = "将图片",
       .english = "which corners",
       .group = "edge",
       .panel = "corners",
       .when = {c.framing, {std::string(keys::FrameType), {0}}}},
      {.key = std::string(keys::CornerWidth),
       .type = T::Choice,
       .defaults = Everywhere("0"),
       .choices = {{0, "小圆角（半径10像素）", "10 pixels"},
                   {1, "中圆角（半径20像素）", "20 pixels"},
                   {2, "大圆角（半径30像素）", "30 pixels"}},
       .caption = "剪裁为",
       .english = "corner radius",
       .group = "edge",
       .panel = "corners",
       .when = {c.framing, {std::string(keys::FrameType), {0}}}},
      {.key = std::string(keys::CornerRadiusOnResult),
       .type = T::Bool,
       .defaults = Everywhere("0"),
       .caption = "半径按成品图片计算",
       .tooltip = "先缩小图片再剪裁圆角：半径是成品图片上的像素，大照片和小照片的圆角一样大。"
                  "不勾选时按原图剪裁，原图越大，成品上的圆角越小。",
       .english = "1 = cut the corners after the reduction, so the radius is in pixels of the "
                  "finished picture whatever the photo's size; 0 = on the loaded photo, so a "
                  "large photo gets small corners",
       .group = "edge",
       .panel = "corners",
       .when = {c.framing, {std::string(keys::FrameType), {0}}}},
      {.key = std::string(keys::FrameName),
       .type = T::Text,
       .defaults = Everywhere(""),
       .caption = "选择要添加的边框：",
       .english = "section of Frames/Frames.ini",
       .group = "edge",
       .panel = "frame",
       .when = {c.framing, {std::string(keys::FrameType), {1}}}},
      {.key = std::string(keys::FrameFit),
       .type = T::Bool,
       .defaults = Everywhere("0"),
       .caption = "完整显示图片（白底，不裁剪、不放大）",
       .tooltip = "整张图片放进边框的空白区域，空余处留白，小图片不会被放大。"
                  "不勾选时图片铺满空白区域，超出的部分被边框裁掉。",
       .english = "0 = the photo covers the frame's opening, its overhang cut off; 1 = the "
                  "whole photo inside the opening on white, shrunk to fit but never enlarged "
                  "(SquareCanvas then squares the framed picture)",
       .group = "edge",
       .panel = "frame",
       .when = {c.framing, {std::string(keys::FrameType), {1}}}},

      // Watermark.
      {.key = std::string(keys::AddWatermark),
       .type = T::Bool,
       .defaults = MainAndPipeline("0"),
       .caption = "为图片添加水印 - 防止图片被盗，还可以宣传您的店铺！",
       .english = "add the watermark",
       .group = "watermark",
       .panel = "watermark"},
      {.key = std::string(keys::WatermarkType),
       .type = T::Choice,
       .defaults = Everywhere("0"),
       .choices = {{0, "文字水印", "text"},
                   {1, "图片水印", "picture"},
                   {2, "文字和图片水印", "both: the picture first, the text on top"}},
       .caption = "类型",
       .english = "text, picture or both",
       .group = "watermark",
       .panel = "watermark",
       .when = {c.marking}},
      {.key = std::string(keys::WatermarkText),
       .type = T::Text,
       .defaults = Everywhere(""),
       .caption = "水印文字：",
       .english = "watermark text; line breaks stored as character code 3",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontName),
       .type = T::Text,
       .defaults = DialogAndPipeline(""),
       .caption = "字体：",
       .english = "font face; empty = the default face",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontSize),
       .type = T::Int,
       .defaults = DialogAndPipeline("8"),
       .minimum = 1,
       .maximum = 9999,
       .caption = "字体大小：",
       .english = "font size in points",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontSizeMode),
       .type = T::Choice,
       .defaults = DialogAndPipeline("0"),
       .choices = {{0, "按字号（磅）", "the size in points"},
                   {1, "按成品宽度的百分比", "WatermarkFontSizePercent of the finished width"}},
       .caption = "文字大小：",
       .tooltip = "按成品宽度的百分比：文字高度随成品图片的宽度变化，"
                  "310像素宽和800像素宽的图片上文字比例相同。",
       .english = "how the text's size is given",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontSizePercent),
       .type = T::Int,
       .defaults = DialogAndPipeline("6"),
       .minimum = 1,
       .maximum = 100,
       .caption = "文字高度占成品图片宽度的百分比",
       .english = "text height in percent of the finished picture's width, so the text keeps "
                  "its proportion at 310 or 800 pixels",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark, {std::string(keys::WatermarkFontSizeMode), {1}}}},
      // Absent counts as off, so the files of earlier versions keep their pictures.
      {.key = std::string(keys::WatermarkFitText),
       .type = T::Bool,
       .defaults = DialogAndPipeline("0"),
       .caption = "文字超出图片时自动缩小",
       .tooltip = "文字会超出图片边缘时，自动缩小到刚好放得下，不会被截断。",
       .english = "1 = a text that would run past the picture's edge (or its margins) is made "
                  "smaller until it fits, in either size mode; absent counts as 0, so settings "
                  "files of earlier versions give the same pictures (the bundled sample "
                  "settings turn it on)",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkOutline),
       .type = T::Bool,
       .defaults = DialogAndPipeline("0"),
       .caption = "文字描边",
       .tooltip = "在文字周围加1到3像素的深色描边，白色文字在白底或花哨的图片上也看得清。",
       .english = "1 = a dark outline, 1 to 3 pixels by the text's size, around the letters, "
                  "so white text shows on white and on busy photos",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontBold),
       .type = T::Bool,
       .defaults = DialogAndPipeline("0"),
       .caption = "粗体",
       .english = "bold",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontItalic),
       .type = T::Bool,
       .defaults = DialogAndPipeline("0"),
       .caption = "斜体",
       .english = "italic",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontUnderLine),
       .type = T::Bool,
       .defaults = DialogAndPipeline("0"),
       .caption = "下划线",
       .english = "underlined",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkFontColor),
       .type = T::Colour,
       .defaults = DialogAndPipeline("$FFFFFF"),
       .caption = "文字颜色：",
       .english = "text colour: a name such as clRed, or $00BBGGRR",
       .group = "watermark",
       .panel = "text",
       .when = {c.marking, c.textMark}},
      {.key = std::string(keys::WatermarkImage),
       .type = T::Text,
       .defaults = Everywhere(""),
       .caption = "水印图片：",
       .english = "path of the watermark picture",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.pictureMark}},
      {.key = std::string(keys::WatermarkImageScale),
       .type = T::Int,
       .defaults = DialogAndPipeline("0"),
       .minimum = 0,
       .maximum = 100,
       .caption = "水印宽度占成品图片宽度：",
       .english = "width of the picture watermark in percent (1-100) of the finished picture's "
                  "width, height in proportion; 0 = the watermark picture's own size",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.pictureMark}},
      {.key = std::string(keys::WatermarkImagePos),
       .type = T::Choice,
       .defaults = DialogAndPipeline("2"),
       .choices = AnchorChoices(),
       .caption = "图片位置：",
       .tooltip = "文字和图片一起使用时，图片水印的位置",
       .english = "with both watermarks: the picture's own anchor (alone, the picture takes "
                  "WatermarkPos and its margins)",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks, c.single}},
      {.key = std::string(keys::WatermarkImageMarginA),
       .type = T::Int,
       .defaults = DialogAndPipeline("15"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "边距：",
       .tooltip = "图片水印的上下边距（左边居中、右边居中时为左右边距）",
       .english = "with both: the picture's margin A (as for WatermarkPos)",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks, c.single}},
      {.key = std::string(keys::WatermarkImageMarginB),
       .type = T::Int,
       .defaults = DialogAndPipeline("15"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "边距：",
       .tooltip = "图片水印的左右边距",
       .english = "with both: the picture's margin B (as for WatermarkPos)",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks, c.single}},
      {.key = std::string(keys::WatermarkImageMarginKindA),
       .type = T::Choice,
       .defaults = DialogAndPipeline("0"),
       .choices = {{0, "像素", "pixels"}, {1, "百分比", "percent"}},
       .caption = "边距：",
       .english = "unit of the picture's margin A",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks, c.single}},
      {.key = std::string(keys::WatermarkImageMarginKindB),
       .type = T::Choice,
       .defaults = DialogAndPipeline("0"),
       .choices = {{0, "像素", "pixels"}, {1, "百分比", "percent"}},
       .caption = "边距：",
       .english = "unit of the picture's margin B",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks, c.single}},
      {.key = std::string(keys::WatermarkImageTransparent),
       .type = T::Int,
       .defaults = DialogAndPipeline("20"),
       .minimum = 0,
       .maximum = 100,
       .caption = "透明：",
       .tooltip = "图片水印的透明度",
       .english = "with both: the picture's transparency in percent (alone: "
                  "WatermarkTransparent)",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks}},
      {.key = std::string(keys::WatermarkImageRotate),
       .type = T::Int,
       .defaults = DialogAndPipeline("0"),
       .minimum = -180,
       .maximum = 180,
       .caption = "旋转：",
       .tooltip = "图片水印的旋转角度（度）",
       .english = "with both: the picture's angle in degrees (alone: WatermarkRotate)",
       .group = "watermark",
       .panel = "picture",
       .when = {c.marking, c.bothMarks}},
      {.key = std::string(keys::WatermarkPaintStyle),
       .type = T::Choice,
       .defaults = Everywhere("0"),
       .choices = {{0, "在", "one watermark at an anchor"}, {1, "平铺水印", "tiled"}},
       .caption = "位置",
       .english = "one watermark at an anchor, or tiled",
       .group = "watermark",
       .panel = "position",
       .when = {c.marking, c.anyMark}},
      {.key = std::string(keys::WatermarkPos),
       .type = T::Choice,
       .defaults = Everywhere("0"),
       .choices = AnchorChoices(),
       .caption = "显示水印",
       .english = "anchor of the watermark",
       .group = "watermark",
       .panel = "position",
       .when = {c.marking, c.anyMark, c.single}},
  };
  AddMarginRows(rows, c);
  std::vector<SettingRow> rest{
      {.key = std::string(keys::WatermarkTileSpace),
       .type = T::Int,
       .defaults = DialogAndPipeline("20"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "水印间距：",
       .english = "gap between tiles in pixels",
       .group = "watermark",
       .panel = "position",
       .when = {c.marking, c.anyMark, c.tiled}},
      {.key = std::string(keys::WatermarkTileCount),
       .type = T::Int,
       .defaults = DialogAndPipeline("0"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "行（0行：平铺整张图片）",
       .english = "tile rows; 0 = over the whole picture",
       .group = "watermark",
       .panel = "position",
       .when = {c.marking, c.anyMark, c.tiled}},
      {.key = std::string(keys::WatermarkRotate),
       .type = T::Int,
       .defaults = DialogAndPipeline("0"),
       .minimum = -180,
       .maximum = 180,
       .caption = "旋转：",
       .english = "angle in degrees",
       .group = "watermark",
       .panel = "look",
       .when = {c.marking, c.anyMark}},
      {.key = std::string(keys::WatermarkTransparent),
       .type = T::Int,
       .defaults = DialogAndPipeline("20"),
       .minimum = 0,
       .maximum = 100,
       .caption = "透明：",
       .english = "transparency in percent",
       .group = "watermark",
       .panel = "look",
       .when = {c.marking, c.anyMark}},

      // Output.
      {.key = std::string(keys::OutputGif),
       .type = T::Bool,
       .defaults = MainOnly("0"),
       .caption = "合并生成一张宝贝动态展示图片 - 自动切换，循环展示宝贝",
       .english = "write one animated GIF instead of JPEG files",
       .group = "output",
       .panel = "gif"},
      {.key = std::string(keys::GifSpeed),
       .type = T::Choice,
       .defaults = MainOnly("1"),
       .choices = {{0, "高速", "fast (0.50 s)"},
                   {1, "中速", "medium (1.00 s)"},
                   {2, "低速", "slow (2.00 s)"}},
       .caption = "宝贝图片切换速度：",
       .english = "speed list; choosing one sets GifSeconds",
       .group = "output",
       .panel = "gif",
       .when = {{std::string(keys::OutputGif), {1}}}},
      // The export takes the seconds the window shows when the key is absent or not a number.
      {.key = std::string(keys::GifSeconds),
       .type = T::Decimal,
       .defaults = {"1.00", kNone, kNone, "1.00"},
       .minimum = 0,
       .maximum = 655.35,
       .caption = "秒切换一张图片",
       .english = "seconds each picture is shown in the GIF; text that is not a number counts "
                  "as 1.00",
       .group = "output",
       .panel = "gif",
       .when = {{std::string(keys::OutputGif), {1}}}},
      {.key = std::string(keys::OutputNamePattern),
       .type = T::Text,
       .defaults = MainAndExport("{name}"),
       .caption = "文件名",
       .tooltip = "{name} 原文件名，{n} 序号（{n:3} 补足3位），{date} 日期，{w}×{h} 尺寸",
       .english = "name of each file: {name} the picture's name, {n} its place in the list "
                  "({n:3} with 3 digits), {date} the day (YYYYMMDD), {w} and {h} the finished "
                  "size, other text as it is; the extension follows the format; an existing "
                  "file is never replaced (the next name is numbered)",
       .group = "output",
       .panel = "files",
       .when = {c.jpegFiles}},
      {.key = std::string(keys::OutputFormat),
       .type = T::Choice,
       .defaults = MainAndExport("0"),
       .choices = {{0, "JPEG", "JPEG"}, {1, "PNG", "PNG"}, {2, "WebP", "WebP"}},
       .caption = "文件格式",
       .english = "format of the files: 0 = JPEG, 1 = PNG, 2 = WebP",
       .group = "output",
       .panel = "files",
       .when = {c.jpegFiles}},
      {.key = std::string(keys::WebpLossless),
       .type = T::Bool,
       .defaults = MainAndExport("0"),
       .caption = "无损",
       .english = "WebP files lossless (otherwise at the JPEG quality)",
       .group = "output",
       .panel = "files",
       .when = {c.jpegFiles, {std::string(keys::OutputFormat), {2}}}},
      {.key = std::string(keys::MaxFileKB),
       .type = T::Int,
       .defaults = MainAndExport("0"),
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "文件不超过(KB)",
       .tooltip = "0 = 不限；超出时降低质量，仍超出时逐步缩小图片",
       .english = "largest JPEG or lossy WebP file in KB; 0 = no cap. Each file takes the "
                  "highest quality that fits; one that does not fit even at MinFileQuality "
                  "is shrunk step by step, and the run says so",
       .group = "output",
       .panel = "files",
       .when = {c.jpegFiles, {std::string(keys::OutputFormat), {0, 2}}}},
      {.key = std::string(keys::MinFileQuality),
       .type = T::Int,
       .defaults = MainAndExport("30"),
       .minimum = 1,
       .maximum = 100,
       .caption = "最低质量",
       .english = "lowest quality the file-size cap may choose",
       .group = "output",
       .panel = "files",
       .when = {c.jpegFiles}},
      {.key = std::string(keys::KeepMetadata),
       .type = T::Choice,
       .defaults = MainAndExport("0"),
       .choices = {{0, "去除全部", "strip everything"},
                   {1, "保留拍摄信息（不含位置）", "keep EXIF without position"}},
       .caption = "照片信息",
       .english = "0 = strip all metadata (keeps positions private); 1 = keep the photo's "
                  "EXIF (camera, date, author, copyright) without GPS position and without "
                  "orientation, and an sRGB colour profile",
       .group = "output",
       .panel = "files",
       .when = {c.jpegFiles}},

      {.key = std::string(keys::SliceHeight),
       .type = T::Int,
       .defaults = {"0", kNone, kNone, "0"},
       .minimum = 0,
       .maximum = kMaxBox,
       .caption = "长图切片：每片最高",
       .tooltip = "比这更高的长图（如详情页图片）切成几张保存：名字-01.jpg、名字-02.jpg……"
                  "每张最多这么高，按顺序拼起来就是原图。0 = 不切。只对JPEG有效，动态图片不切。",
       .english = "JPEG files only: a finished picture taller than this is written as "
                  "NAME-01.jpg, NAME-02.jpg, ... each at most this tall, top to bottom; 0 = "
                  "never sliced; the GIF ignores it",
       .group = "output",
       .panel = "slices",
       .when = {c.jpegFiles}},
      {.key = std::string(keys::SliceWatermarkEach),
       .type = T::Bool,
       .defaults = {"0", kNone, kNone, "0"},
       .caption = "每片都加水印",
       .tooltip = "勾选：每一片单独加水印。不勾选（默认）：先给整张图片加水印，再切片。",
       .english = "0 = the watermark is drawn on the whole picture before slicing; 1 = on every "
                  "slice",
       .group = "output",
       .panel = "slices",
       .when = {c.jpegFiles, c.marking}},

      // What the window keeps for itself.
      {.key = std::string(keys::HomeHost),
       .type = T::Text,
       .defaults = MainOnly(""),
       .caption = "官方首页",
       .english = "web host of the home link; empty = none",
       .group = "program",
       .panel = "links"},
      {.key = std::string(keys::WindowLeft),
       .type = T::Int,
       .defaults = MainOnly(""),
       .minimum = -kMaxBox,
       .maximum = kMaxBox,
       .emptyAllowed = true,
       .english = "left edge of the main window; empty = centred at its first size",
       .group = "program",
       .panel = "window"},
      {.key = std::string(keys::WindowTop),
       .type = T::Int,
       .defaults = MainOnly(""),
       .minimum = -kMaxBox,
       .maximum = kMaxBox,
       .emptyAllowed = true,
       .english = "top edge of the main window; empty = centred at its first size",
       .group = "program",
       .panel = "window"},
      {.key = std::string(keys::WindowWidth),
       .type = T::Int,
       .defaults = MainOnly(""),
       .minimum = 0,
       .maximum = kMaxBox,
       .emptyAllowed = true,
       .english = "width of the main window; empty = its first size",
       .group = "program",
       .panel = "window"},
      {.key = std::string(keys::WindowHeight),
       .type = T::Int,
       .defaults = MainOnly(""),
       .minimum = 0,
       .maximum = kMaxBox,
       .emptyAllowed = true,
       .english = "height of the main window; empty = its first size",
       .group = "program",
       .panel = "window"},
      {.key = std::string(keys::WindowMaximized),
       .type = T::Bool,
       .defaults = MainOnly("0"),
       .english = "the main window was maximised",
       .group = "program",
       .panel = "window"},
      {.key = std::string(keys::PictureFolder),
       .type = T::Text,
       .defaults = MainOnly(""),
       .english = "folder the add-pictures and add-folder dialogs start in; empty = home",
       .group = "program",
       .panel = "folders"},
      {.key = std::string(keys::OutputFolder),
       .type = T::Text,
       .defaults = MainOnly(""),
       .english = "folder the output-folder and GIF dialogs start in; empty = home",
       .group = "program",
       .panel = "folders"},
      {.key = std::string(keys::RestoreList),
       .type = T::Bool,
       .defaults = MainOnly("1"),
       .caption = "记住图片列表",
       .english = "the picture list, its order and turns kept across restarts",
       .group = "program",
       .panel = "list"},
      {.key = std::string(keys::PresetName),
       .type = T::Text,
       .defaults = MainOnly(""),
       .english = "the preset last chosen in the window; empty = none",
       .group = "program",
       .panel = "presets"},
  };
  for (SettingRow& row : rest) rows.push_back(std::move(row));
  return rows;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// One to three digits and the letter A or B. The anchor number is not bounded here: the
// dialog reads and writes the margins of whatever anchor is stored.
bool IsMarginSuffix(std::string_view rest) {
  if (rest.size() < 2 || rest.size() > 4) return false;
  for (std::size_t i = 0; i + 1 < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return false;
  }
  const char letter = Lower(rest.back());
  return letter == 'a' || letter == 'b';
}

const SettingRow& MarginFamily() {
  static const SettingRow row = MarginTemplate();
  return row;
}

const SettingRow& MarginKindFamily() {
  static const SettingRow row = MarginKindTemplate();
  return row;
}

const SettingRow* FindMarginFamily(std::string_view key) {
  const SettingRow* margin = &MarginFamily();
  const SettingRow* kind = &MarginKindFamily();
  if (key.size() <= kMarginPrefix.size() ||
      !SameText(key.substr(0, kMarginPrefix.size()), kMarginPrefix)) {
    return nullptr;
  }
  const std::string_view rest = key.substr(kMarginPrefix.size());
  if (IsMarginSuffix(rest)) return margin;
  if (rest.size() > kKindInfix.size() && SameText(rest.substr(0, kKindInfix.size()), kKindInfix) &&
      IsMarginSuffix(rest.substr(kKindInfix.size()))) {
    return kind;
  }
  return nullptr;
}

// A whole decimal number, sign allowed, nothing else: stricter than the store's reading, so
// what --set accepts reads back the same everywhere.
bool ParseWhole(std::string_view text, long long& value) {
  if (text.empty()) return false;
  const char* first = text.data();
  if (*first == '+') ++first;
  const auto r = std::from_chars(first, text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && first != r.ptr;
}

// JSON string: quotes, backslashes and control characters escaped; UTF-8 passes as it is.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const char* const kSiteNames[kReadSiteCount] = {"main", "dialog", "pipeline", "export"};

void AppendRowJson(std::string& out, const SettingRow& row) {
  out += "{\"key\": " + Quoted(row.key);
  out += ", \"type\": " + Quoted(SettingTypeName(row.type));
  out += ", \"defaults\": {";
  bool first = true;
  for (std::size_t site = 0; site < kReadSiteCount; ++site) {
    if (row.defaults[site] == kNone) continue;
    if (!first) out += ", ";
    first = false;
    out += Quoted(kSiteNames[site]) + ": " + Quoted(row.defaults[site]);
  }
  out += "}";
  if (row.type == T::Int || row.type == T::Decimal) {
    out += ", \"min\": " + FormatSettingNumber(row.minimum);
    out += ", \"max\": " + FormatSettingNumber(row.maximum);
  }
  if (row.type == T::Int)
    out += row.emptyAllowed ? ", \"emptyAllowed\": true" : ", \"emptyAllowed\": false";
  if (row.type == T::Choice) {
    out += ", \"choices\": [";
    for (std::size_t i = 0; i < row.choices.size(); ++i) {
      const SettingChoice& c = row.choices[i];
      if (i) out += ", ";
      out += "{\"value\": " + std::to_string(c.value) + ", \"caption\": " + Quoted(c.caption) +
             ", \"english\": " + Quoted(c.english) + "}";
    }
    out += "]";
  }
  out += ", \"caption\": " + Quoted(row.caption);
  out += ", \"tooltip\": " + Quoted(row.tooltip);
  out += ", \"english\": " + Quoted(row.english);
  out += ", \"group\": " + Quoted(row.group);
  out += ", \"panel\": " + Quoted(row.panel);
  out += ", \"when\": [";
  for (std::size_t i = 0; i < row.when.size(); ++i) {
    const SettingCondition& c = row.when[i];
    if (i) out += ", ";
    out += "{\"key\": " + Quoted(c.key) + ", \"values\": [";
    for (std::size_t v = 0; v < c.values.size(); ++v) {
      if (v) out += ", ";
      out += std::to_string(c.values[v]);
    }
    out += c.negate ? "], \"negate\": true}" : "], \"negate\": false}";
  }
  out += "], \"family\": " + Quoted(row.family) + "}";
}

}  // namespace

std::string SettingsSchemaJson() {
  std::string out = "{\"format\": 1, \"settings\": [\n";
  const std::vector<SettingRow>& rows = SettingsSchema();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out += "  ";
    AppendRowJson(out, rows[i]);
    out += i + 1 < rows.size() ? ",\n" : "\n";
  }
  return out + "]}\n";
}

std::string MarginKey(int anchor, char letter) {
  return std::string(kMarginPrefix) + std::to_string(anchor) + letter;
}

std::string MarginKindKey(int anchor, char letter) {
  return std::string(kMarginPrefix) + std::string(kKindInfix) + std::to_string(anchor) + letter;
}

const std::vector<SettingRow>& SettingsSchema() {
  static const std::vector<SettingRow> rows = MakeSchema();
  return rows;
}

const SettingRow* FindSetting(std::string_view key) {
  for (const SettingRow& row : SettingsSchema()) {
    if (SameText(row.key, key)) return &row;
  }
  return FindMarginFamily(key);
}

const SettingRow* FindSettingFamily(std::string_view family) {
  if (family == kMarginFamily) return &MarginFamily();
  if (family == kMarginKindFamily) return &MarginKindFamily();
  return nullptr;
}

std::optional<std::string_view> RowDefault(const SettingRow& row, ReadSite site) {
  const char* value = row.defaults[static_cast<std::size_t>(site)];
  if (value == kNone) return std::nullopt;
  return std::string_view(value);
}

bool SettingCounts(const TMemIniFile& store, const SettingRow& row, ReadSite site) {
  for (const SettingCondition& c : row.when) {
    const SettingRow* other = FindSetting(c.key);
    if (!other || !RowDefault(*other, site)) continue;
    const int value = ReadSettingInteger(store, c.key, site);
    bool found = false;
    for (int v : c.values) found = found || v == value;
    if (found == c.negate) return false;
  }
  return true;
}

SettingValueProblem CheckSettingValue(const SettingRow& row, std::string_view value) {
  using P = SettingValueProblem;
  long long whole = 0;
  switch (row.type) {
    case T::Bool:
      if (!ParseWhole(value, whole)) return P::NotANumber;
      return whole == 0 || whole == 1 ? P::None : P::OutOfRange;
    case T::Int:
      if (value.empty() && row.emptyAllowed) return P::None;
      if (!ParseWhole(value, whole)) return P::NotANumber;
      return whole >= row.minimum && whole <= row.maximum ? P::None : P::OutOfRange;
    case T::Choice:
      if (!ParseWhole(value, whole)) return P::NotANumber;
      for (const SettingChoice& choice : row.choices) {
        if (choice.value == whole) return P::None;
      }
      return P::NotAChoice;
    case T::Text:
      return value.find_first_of("\r\n") == std::string_view::npos ? P::None : P::LineBreak;
    case T::Colour:
      return TryStringToColor(value) ? P::None : P::NotAColour;
    case T::Decimal: {
      double number = 0;
      if (!TryParseDecimal(value, number)) return P::NotADecimal;
      return number >= row.minimum && number <= row.maximum ? P::None : P::OutOfRange;
    }
  }
  return P::None;
}

std::string_view SettingTypeName(SettingType type) {
  switch (type) {
    case T::Bool:
      return "bool";
    case T::Int:
      return "int";
    case T::Choice:
      return "choice";
    case T::Text:
      return "text";
    case T::Colour:
      return "colour";
    case T::Decimal:
      return "decimal";
  }
  return "text";
}

std::string FormatSettingNumber(double value) {
  if (value == std::floor(value)) return std::to_string(static_cast<long long>(value));
  // The classic locale, not the user's, whose decimal separator may be a comma. (Not
  // to_chars: WebAssembly's C++ library has none for floating point.)
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << std::fixed << std::setprecision(2) << value;
  return text.str();
}

}  // namespace pixmira
