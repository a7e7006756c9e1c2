#include "pipeline/Options.h"

#include <gtest/gtest.h>

#include "core/Errors.h"
#include "pipeline/Pipeline.h"
#include "pipeline/TestPictures.h"

namespace pixmira {
namespace {

TMemIniFile Settings(std::string_view lines) {
  return TMemIniFile::FromText("[General]\r\n" + std::string(lines));
}

// The pipeline's defaults differ from the windows' (FrameType is 0 here, 1 there).
TEST(PictureOptionsTest, AnEmptyStoreGivesThePipelineDefaults) {
  const TPictureOptions o = ReadPictureOptions(Settings(""));
  EXPECT_TRUE(o.size.reduce);
  EXPECT_EQ(o.size.choice, TSizeChoice::Width310);
  EXPECT_EQ(o.size.customWidth, 310);
  EXPECT_FALSE(o.edge.add);
  EXPECT_EQ(o.edge.kind, TEdgeKind::Corners);
  EXPECT_EQ(o.edge.corners, CornersForType(0));
  EXPECT_EQ(o.edge.radius, 10);
  EXPECT_EQ(o.edge.frameName, "");
  EXPECT_FALSE(o.watermark.add);
  EXPECT_EQ(o.watermark.kind, TWatermarkKind::Text);

  const TTextWatermark& text = o.watermark.text;
  EXPECT_EQ(text.text, "");
  EXPECT_EQ(text.opacity, 80);
  EXPECT_EQ(text.angle, 0);
  EXPECT_EQ(text.style, TPaintStyle::Single);
  EXPECT_EQ(text.placement.anchor, TAnchor::BottomRight);
  EXPECT_EQ(text.placement.a.value, 15);
  EXPECT_FALSE(text.placement.a.percent);
  EXPECT_EQ(text.placement.b.value, 15);
  EXPECT_EQ(text.tiles.space, 20);
  EXPECT_EQ(text.tiles.rows, 0);
  EXPECT_EQ(text.font.name, "");
  EXPECT_EQ(text.font.size, 8);
  EXPECT_EQ(text.font.color, kWhite);
  EXPECT_FALSE(text.font.bold || text.font.italic || text.font.underline);
  EXPECT_TRUE(text.fontProblems.empty());

  const TPictureWatermark& picture = o.watermark.picture;
  EXPECT_EQ(picture.path, "");
  EXPECT_EQ(picture.opacity, 80);
  EXPECT_EQ(picture.style, TPaintStyle::Single);
  EXPECT_EQ(picture.scale, 0);
}

TEST(PictureOptionsTest, StoredNumbersBecomeKinds) {
  struct Case {
    const char* lines;
    TSizeChoice size;
    TEdgeKind edge;
    TWatermarkKind mark;
    TPaintStyle style;
  } cases[] = {
      {"ReduceSizeType=1\r\nFrameType=1\r\nWatermarkType=1\r\nWatermarkPaintStyle=1\r\n",
       TSizeChoice::Width500, TEdgeKind::Frame, TWatermarkKind::Picture, TPaintStyle::Tiled},
      {"ReduceSizeType=2\r\nFrameType=2\r\nWatermarkType=3\r\nWatermarkPaintStyle=7\r\n",
       TSizeChoice::Width700, TEdgeKind::None, TWatermarkKind::None, TPaintStyle::Tiled},
      {"WatermarkType=2\r\n", TSizeChoice::Width310, TEdgeKind::Corners, TWatermarkKind::Both,
       TPaintStyle::Single},
      {"ReduceSizeType=3\r\nFrameType=-1\r\nWatermarkType=-1\r\nWatermarkPaintStyle=-1\r\n",
       TSizeChoice::Custom, TEdgeKind::None, TWatermarkKind::None, TPaintStyle::Tiled},
      {"ReduceSizeType=4\r\nFrameType=x\r\nWatermarkType=x\r\nWatermarkPaintStyle=x\r\n",
       TSizeChoice::None, TEdgeKind::Corners, TWatermarkKind::Text, TPaintStyle::Single},
      {"ReduceSizeType=-1\r\n", TSizeChoice::None, TEdgeKind::Corners, TWatermarkKind::Text,
       TPaintStyle::Single},
  };
  for (const Case& c : cases) {
    const TPictureOptions o = ReadPictureOptions(Settings(c.lines));
    EXPECT_EQ(o.size.choice, c.size) << c.lines;
    EXPECT_EQ(o.edge.kind, c.edge) << c.lines;
    EXPECT_EQ(o.watermark.kind, c.mark) << c.lines;
    EXPECT_EQ(o.watermark.text.style, c.style) << c.lines;
    EXPECT_EQ(o.watermark.picture.style, c.style) << c.lines;
  }
}

TEST(PictureOptionsTest, CornersRadiusAndText) {
  const TPictureOptions o =
      ReadPictureOptions(Settings("CornerType=9\r\nCornerWidth=2\r\nWatermarkText=a\x03"
                                  "b\r\nWatermarkTransparent=130\r\nWatermarkRotate=-45\r\n"));
  EXPECT_EQ(o.edge.corners, (std::vector<TCorner>{TCorner::TopLeft, TCorner::BottomRight}));
  EXPECT_EQ(o.edge.radius, 30);
  EXPECT_EQ(o.watermark.text.text, "a\r\nb");
  // The text's renderer clamps the opacity itself; the picture's is clamped here.
  EXPECT_EQ(o.watermark.text.opacity, -30);
  EXPECT_EQ(o.watermark.picture.opacity, 0);
  EXPECT_EQ(o.watermark.text.angle, -45);
  EXPECT_EQ(o.watermark.picture.angle, -45);
  EXPECT_EQ(ReadEdgeOptions(Settings("CornerWidth=7\r\n")).radius, 10);
  EXPECT_EQ(ReadWatermarkOptions(Settings("WatermarkImageScale=35\r\n")).picture.scale, 35);
}

TEST(PictureOptionsTest, MarginsComeFromTheChosenAnchorsKeys) {
  std::string margins;
  for (int k = 0; k <= 8; ++k) {
    margins += "cbWatermarkPosBlank" + std::to_string(k) + "A=" + std::to_string(k * 10) +
               "\r\ncbWatermarkPosBlank" + std::to_string(k) + "B=" + std::to_string(k * 10 + 1) +
               "\r\n";
  }
  margins += "cbWatermarkPosBlankKind5B=1\r\ncbWatermarkPosBlank9A=1000\r\n";
  struct Case {
    const char* pos;
    TAnchor anchor;
    int a, b;
    bool bPercent;
  } cases[] = {
      {"WatermarkPos=0\r\n", TAnchor::BottomRight, 0, 1, false},
      {"WatermarkPos=5\r\n", TAnchor::TopCentre, 50, 51, true},
      {"WatermarkPos=8\r\n", TAnchor::Centre, 80, 81, false},
      // Outside the table: the first anchor with its own keys.
      {"WatermarkPos=9\r\n", TAnchor::BottomRight, 0, 1, false},
      {"WatermarkPos=-3\r\n", TAnchor::BottomRight, 0, 1, false},
  };
  for (const Case& c : cases) {
    const TWatermarkPlacement p = ReadWatermarkPlacement(Settings(c.pos + margins));
    EXPECT_EQ(p.anchor, c.anchor) << c.pos;
    EXPECT_EQ(p.a.value, c.a) << c.pos;
    EXPECT_EQ(p.b.value, c.b) << c.pos;
    EXPECT_EQ(p.b.percent, c.bPercent) << c.pos;
  }
  // A margin key that is missing keeps its default of 15 pixels.
  EXPECT_EQ(ReadWatermarkPlacement(Settings("WatermarkPos=3\r\n")).b.value, 15);
}

TEST(PictureOptionsTest, FontKeysAndValuesThatDoNotConvert) {
  const TWatermarkFont font =
      ReadWatermarkFont(Settings("WatermarkFontName=WenQuanYi Zen Hei\r\nWatermarkFontSize=22\r\n"
                                 "WatermarkFontColor=clRed\r\nWatermarkFontBold=1\r\n"
                                 "WatermarkFontItalic=1\r\nWatermarkFontUnderLine=1\r\n"));
  EXPECT_EQ(font.name, "WenQuanYi Zen Hei");
  EXPECT_EQ(font.size, 22);
  EXPECT_EQ(font.color, RGBColor(255, 0, 0));
  EXPECT_TRUE(font.bold && font.italic && font.underline);
  EXPECT_EQ(ReadWatermarkFont(Settings("WatermarkFontColor=$0000FF00\r\n")).color,
            RGBColor(0, 255, 0));

  struct Case {
    std::string lines, key, value;
  } cases[] = {
      {"WatermarkFontSize=abc\r\n", "WatermarkFontSize", "abc"},
      {"WatermarkFontSize=\r\n", "WatermarkFontSize", ""},
      {"WatermarkFontSize=12pt\r\n", "WatermarkFontSize", "12pt"},
      {"WatermarkFontColor=pink\r\n", "WatermarkFontColor", "pink"},
  };
  for (const Case& c : cases) {
    std::vector<TBadSetting> problems;
    ReadWatermarkFont(Settings(c.lines), &problems);
    ASSERT_EQ(problems.size(), 1u) << c.lines;
    EXPECT_EQ(problems[0].key, c.key);
    EXPECT_EQ(problems[0].value, c.value);
  }
}

// A bad font size is only an error when a text watermark is drawn.
TEST(PictureOptionsTest, AFontProblemStopsOnlyTheTextWatermark) {
  test::TempDir dir;
  const std::string path = dir.File("in.bmp");
  test::WriteBmp(path, test::Solid(40, 30, 0x808080));
  const TMemIniFile catalog = TMemIniFile::FromText("");
  const std::string folder = dir.Path().string() + "/";
  const std::string bad = "WatermarkFontSize=12pt\r\nWatermarkText=x\r\n";

  EXPECT_TRUE(ProcessPicture(path, 0, Settings(bad), catalog, folder, false));
  EXPECT_TRUE(ProcessPicture(path, 0, Settings(bad + "AddWatermark=1\r\nWatermarkType=1\r\n"),
                             catalog, folder, false));
  try {
    ProcessPicture(path, 0, Settings(bad + "AddWatermark=1\r\n"), catalog, folder, false);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12pt' is not a valid integer value");
  }
}

}  // namespace
}  // namespace pixmira
