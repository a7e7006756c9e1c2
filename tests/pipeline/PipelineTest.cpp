#include "pipeline/Pipeline.h"

#include <gtest/gtest.h>

#include "core/Errors.h"
#include "effects/Watermark.h"
#include "pipeline/TestPictures.h"
#include "text/TextWatermark.h"

namespace pixmira {
namespace {

using test::Columns;
using test::SamePixels;
using test::Solid;
using test::TempDir;
using test::WriteBmp;

TMemIniFile Settings(std::string_view lines) {
  return TMemIniFile::FromText("[General]\r\n" + std::string(lines));
}

const TMemIniFile kNoCatalog = TMemIniFile::FromText("");

class PipelineTest : public ::testing::Test {
 protected:
  std::string Picture(const TBitmap& bitmap, const std::string& name = "in.bmp") {
    const std::string path = dir_.File(name);
    WriteBmp(path, bitmap);
    return path;
  }
  std::unique_ptr<TBitmap> Run(const std::string& path, const TMemIniFile& settings,
                               bool preview = false, int angle = 0) {
    return ProcessPicture(path, angle, settings, kNoCatalog, dir_.Path().string() + "/", preview,
                          "请在此输入水印文字");
  }

  TempDir dir_;
};

TEST(ReduceTargetWidthTest, ByTypeAndCustomWidth) {
  struct Case {
    const char* lines;
    int target;
  } cases[] = {
      {"", 310},
      {"ReduceSizeType=0\r\n", 310},
      {"ReduceSizeType=1\r\n", 500},
      {"ReduceSizeType=2\r\n", 700},
      {"ReduceSizeType=3\r\n", 310},  // custom without a width: its default
      {"ReduceSizeType=3\r\nReduceSizeWidth=1024\r\n", 1024},
      {"ReduceSizeType=3\r\nReduceSizeWidth=1\r\n", 1},
      {"ReduceSizeType=3\r\nReduceSizeWidth=0\r\n", 0},  // would empty every picture
      {"ReduceSizeType=3\r\nReduceSizeWidth=-5\r\n", 0},
      {"ReduceSizeType=4\r\n", 0},
      {"ReduceSizeType=-1\r\n", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TargetWidth(ReadSizeOptions(Settings(c.lines))), c.target) << c.lines;
  }
}

TEST(ReduceSizeNeededTest, OnlyWhenWiderThanTheTarget) {
  const TSizeOptions settings = ReadSizeOptions(Settings("ReduceSizeType=0\r\n"));
  EXPECT_FALSE(ReduceSizeNeeded(TBitmap(310, 5), settings));
  EXPECT_TRUE(ReduceSizeNeeded(TBitmap(311, 5), settings));
  EXPECT_FALSE(ReduceSizeNeeded(TBitmap(5000, 5), TSizeOptions{true, TSizeChoice::Custom, 0}));
}

TEST(ReducePictureTest, HeightIsTheRatioRoundedTiesToEven) {
  struct Case {
    int w, h, target, height;
  } cases[] = {
      {620, 3, 310, 2},                           // 1.5 -> 2
      {620, 5, 310, 2},                           // 2.5 -> 2
      {620, 7, 310, 4},                           // 3.5 -> 4
      {311, 100, 310, 100},                       // 99.68 -> 100
      {3000, 2000, 700, 467}, {1000, 1, 310, 1},  // 0.31 would leave no row to write; one is kept
  };
  for (const Case& c : cases) {
    auto reduced = ReducePicture(TBitmap(c.w, c.h), c.target);
    EXPECT_EQ(reduced->Width(), c.target);
    EXPECT_EQ(reduced->Height(), c.height) << c.w << " x " << c.h;
  }
}

TEST(ReducePictureTest, TakesOneSourcePixelPerPixelWithoutAveraging) {
  // Four columns to two: each destination column takes a whole source column.
  TBitmap src(4, 1);
  src.SetPixel(0, 0, 0x000010);
  src.SetPixel(1, 0, 0x000020);
  src.SetPixel(2, 0, 0x000030);
  src.SetPixel(3, 0, 0x000040);
  auto reduced = ReducePicture(src, 2);
  ASSERT_EQ(reduced->Height(), 1);
  EXPECT_EQ(reduced->Pixel(0, 0), 0x000020u);
  EXPECT_EQ(reduced->Pixel(1, 0), 0x000040u);
}

TEST_F(PipelineTest, UnloadablePictureGivesNothing) {
  test::WriteFile(dir_.File("broken.jpg"), "not a picture");
  EXPECT_EQ(Run(dir_.File("broken.jpg"), Settings("")), nullptr);
  EXPECT_EQ(Run(dir_.File("missing.bmp"), Settings("")), nullptr);
  EXPECT_EQ(Run(dir_.File("notes.txt"), Settings("")), nullptr);
  // A PNG of a few bytes loads as a picture without pixels, which nothing can be made of.
  test::WriteFile(dir_.File("tiny.png"), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(Run(dir_.File("tiny.png"), Settings("")), nullptr);
}

TEST_F(PipelineTest, AngleZeroAndFullTurnKeepThePicture) {
  const TBitmap src = Columns(40, 30);
  const std::string path = Picture(src);
  const TMemIniFile settings = Settings("");
  auto same = Run(path, settings, false, 0);
  auto turned = Run(path, settings, false, 360);
  ASSERT_TRUE(same && turned);
  EXPECT_TRUE(SamePixels(*same, src));
  EXPECT_TRUE(SamePixels(*turned, src));

  auto quarter = Run(path, settings, false, 90);
  ASSERT_TRUE(quarter);
  EXPECT_EQ(quarter->Width(), 30);
  EXPECT_EQ(quarter->Height(), 40);
}

TEST_F(PipelineTest, SizeReductionByTheStore) {
  const std::string narrow = Picture(Columns(310, 20), "narrow.bmp");
  const std::string wide = Picture(Columns(311, 20), "wide.bmp");
  struct Case {
    const char* lines;
    const std::string* path;
    int width;
  } cases[] = {
      {"", &narrow, 310},  // ReduceSize absent counts as true; 310 needs nothing
      {"", &wide, 310},
      {"ReduceSize=\r\n", &wide, 310},  // empty value reads like an absent key
      {"ReduceSize=0\r\n", &wide, 311},
      {"ReduceSize=1\r\nReduceSizeType=7\r\n", &wide, 311},
      {"ReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=0\r\n", &wide, 311},
      {"ReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=100\r\n", &wide, 100},
  };
  for (const Case& c : cases) {
    for (bool preview : {false, true}) {
      auto out = Run(*c.path, Settings(c.lines), preview);
      ASSERT_TRUE(out);
      EXPECT_EQ(out->Width(), c.width) << c.lines << " preview " << preview;
    }
  }
}

// Corners are white after rounding; the blue picture shows whether they ran.
TEST_F(PipelineTest, CornersRunInExportOnlyWithAddFrameAndAlwaysInPreview) {
  const std::string path = Picture(Solid(200, 100, 0xFF0000));
  struct Case {
    const char* lines;
    bool preview;
    bool rounded;
  } cases[] = {
      {"AddFrame=0\r\nFrameType=0\r\n", false, false},
      {"FrameType=0\r\n", false, false},  // AddFrame absent is false
      {"AddFrame=1\r\nFrameType=0\r\n", false, true},
      {"AddFrame=0\r\nFrameType=0\r\n", true, true},
      {"AddFrame=1\r\nFrameType=2\r\n", false, false},  // neither corners nor frame
      {"AddFrame=1\r\nFrameType=0\r\nCornerType=11\r\n", false, false},
  };
  for (const Case& c : cases) {
    auto out = Run(path, Settings(c.lines), c.preview);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Pixel(0, 0) == kWhite, c.rounded) << c.lines << " preview " << c.preview;
    EXPECT_EQ(out->Pixel(100, 50), 0xFF0000u);
  }
}

TEST_F(PipelineTest, FrameTypeOneNeedsANameAndAGraph) {
  const TBitmap src = Columns(60, 40);
  const std::string path = Picture(src);
  for (const char* lines :
       {"AddFrame=1\r\nFrameType=1\r\n", "AddFrame=1\r\nFrameType=1\r\nFrameName=\r\n",
        "AddFrame=1\r\nFrameType=1\r\nFrameName=NoSuchFrame\r\n"}) {
    auto out = Run(path, Settings(lines));
    ASSERT_TRUE(out);
    EXPECT_TRUE(SamePixels(*out, src)) << lines;
  }
}

TEST_F(PipelineTest, AMissingFramePictureReachesTheCaller) {
  const std::string path = Picture(Columns(60, 40));
  const TMemIniFile catalog = TMemIniFile::FromText("[Gold]\r\ngraph=gold.png\r\n");
  EXPECT_THROW(ProcessPicture(path, 0, Settings("AddFrame=1\r\nFrameType=1\r\nFrameName=Gold\r\n"),
                              catalog, dir_.Path().string() + "/", false),
               Exception);
}

// The text watermark settings below draw visibly on a grey picture.
constexpr const char* kText =
    "WatermarkType=0\r\nWatermarkFontName=DejaVu Sans\r\nWatermarkFontSize=20\r\n"
    "WatermarkFontColor=clBlack\r\nWatermarkTransparent=0\r\nWatermarkPos=8\r\n";

TEST_F(PipelineTest, ExportWithoutAddWatermarkReturnsAfterTheReduction) {
  const TBitmap src = Solid(300, 120, 0x808080);
  const std::string path = Picture(src);
  auto out = Run(path, Settings(std::string(kText) + "WatermarkText=Shop\r\nAddWatermark=0\r\n"));
  ASSERT_TRUE(out);
  EXPECT_TRUE(SamePixels(*out, src));
  auto marked =
      Run(path, Settings(std::string(kText) + "WatermarkText=Shop\r\nAddWatermark=1\r\n"));
  ASSERT_TRUE(marked);
  EXPECT_FALSE(SamePixels(*marked, src));
}

// What the pipeline should have drawn: the text at its anchor, straight onto the picture.
TBitmap DrawnDirectly(const TBitmap& src, const TMemIniFile& settings, const std::string& text) {
  TBitmap expected = src;
  SetWatermarkFont(expected, ReadWatermarkFont(settings));
  const TTextExtent extent = MeasureWatermarkText(expected, text, 0);
  const TPoint at =
      WatermarkPosition(expected, extent.width, extent.height, ReadWatermarkPlacement(settings));
  DrawWatermarkText(expected, at.x, at.y, text, 100, 0);
  return expected;
}

TEST_F(PipelineTest, EmptyTextPromptsInPreviewAndDrawsNothingInExport) {
  const TBitmap src = Solid(300, 120, 0x808080);
  const std::string path = Picture(src);
  // FrameType 2: the preview rounds no corners.
  const TMemIniFile settings = Settings(std::string(kText) + "AddWatermark=1\r\nFrameType=2\r\n");

  auto exported = Run(path, settings, false);
  ASSERT_TRUE(exported);
  EXPECT_TRUE(SamePixels(*exported, src));

  auto preview = Run(path, settings, true);
  ASSERT_TRUE(preview);
  EXPECT_FALSE(SamePixels(*preview, src));
  EXPECT_TRUE(SamePixels(*preview, DrawnDirectly(src, settings, "请在此输入水印文字")));
  // The window hands its prompt in its own language.
  auto english = ProcessPicture(path, 0, settings, kNoCatalog, dir_.Path().string() + "/", true,
                                "Type the watermark text here");
  ASSERT_TRUE(english);
  EXPECT_TRUE(SamePixels(*english, DrawnDirectly(src, settings, "Type the watermark text here")));
}

TEST_F(PipelineTest, CodeThreeIsALineBreak) {
  const TBitmap src = Solid(200, 160, 0x808080);
  const std::string path = Picture(src);
  const TMemIniFile settings = Settings(std::string(kText) +
                                        "AddWatermark=1\r\nWatermarkText=a\x03"
                                        "b\r\n");
  auto out = Run(path, settings);
  ASSERT_TRUE(out);
  EXPECT_TRUE(SamePixels(*out, DrawnDirectly(src, settings, "a\r\nb")));
  EXPECT_FALSE(SamePixels(*out, DrawnDirectly(src, settings, "ab")));
}

TEST_F(PipelineTest, WatermarkComesAfterTheReduction) {
  // The same text on a picture reduced from 620 to 310 and on one that was 310 already:
  // font size and margins are in output pixels, so the two agree.
  const std::string big = Picture(Solid(620, 240, 0x808080), "big.bmp");
  const std::string small = Picture(Solid(310, 120, 0x808080), "small.bmp");
  const TMemIniFile settings =
      Settings(std::string(kText) + "AddWatermark=1\r\nWatermarkText=Shop\r\nWatermarkPos=0\r\n");
  auto a = Run(big, settings);
  auto b = Run(small, settings);
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(SamePixels(*a, *b));
}

}  // namespace
}  // namespace pixmira
