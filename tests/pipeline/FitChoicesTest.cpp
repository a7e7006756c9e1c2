// Corners, frames and text sized for the finished picture; text and logo together; slices.
#include <gtest/gtest.h>

#include "../effects/PngFixture.h"
#include "pipeline/Pipeline.h"
#include "pipeline/TestPictures.h"
#include "text/TextWatermark.h"

namespace pixmira {
namespace {

using test::Columns;
using test::SamePixels;
using test::Solid;
using test::TempDir;
using test::WriteBmp;

// Text is black unless the lines say otherwise (the first of two equal keys counts).
TMemIniFile Settings(const std::string& lines) {
  return TMemIniFile::FromText("[General]\r\n" + lines + "WatermarkFontColor=clBlack\r\n");
}

// The box holding every pixel that differs from the ground colour; empty when none does.
struct TInk {
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;  // right, bottom inclusive
  bool Empty() const { return right < 0; }
  int Height() const { return bottom - top + 1; }
};

TInk InkBox(const TBitmap& b, TColor ground) {
  TInk ink;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      if (b.Pixel(x, y) == ground) continue;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
    }
  }
  return ink;
}

// How many pixels of row y from the left are white: the corner's cut on that row.
int CornerCut(const TBitmap& b, int y = 0) {
  int n = 0;
  while (n < b.Width() && b.Pixel(n, y) == kWhite) ++n;
  return n;
}

class FitChoicesTest : public ::testing::Test {
 protected:
  std::string Picture(const TBitmap& bitmap, const std::string& name) {
    const std::string path = dir_.File(name);
    WriteBmp(path, bitmap);
    return path;
  }
  std::unique_ptr<TBitmap> Run(const std::string& path, const std::string& lines,
                               const TMemIniFile& catalog = TMemIniFile::FromText("")) {
    return ProcessPicture(path, 0, Settings(lines), catalog, dir_.Path().string() + "/", false);
  }

  TempDir dir_;
};

TEST_F(FitChoicesTest, RadiusOnResultIsTheSameWhateverTheSourceSize) {
  const std::string big = Picture(Solid(5120, 1280, 0x402010), "big.bmp");
  const std::string small = Picture(Solid(1000, 250, 0x402010), "small.bmp");
  const std::string corners = "AddFrame=1\r\nFrameType=0\r\nCornerWidth=2\r\nReduceSizeType=1\r\n";
  // Measured before the reduction, the radius shrinks with the picture.
  auto bigBefore = Run(big, corners), smallBefore = Run(small, corners);
  ASSERT_TRUE(bigBefore && smallBefore);
  EXPECT_LT(CornerCut(*bigBefore), CornerCut(*smallBefore) - 3);

  // On the result: a radius of 30 cuts the same run of the edge row on both, with or without
  // a white canvas (the square, or exactly 500 x 500, whose photo rows start lower).
  for (const char* square :
       {"SquareCanvas=0", "SquareCanvas=1", "ReduceSizeMode=3\r\nReduceSizeHeight=500"}) {
    const std::string lines = corners + "CornerRadiusOnResult=1\r\n" + square + "\r\n";
    auto bigAfter = Run(big, lines), smallAfter = Run(small, lines);
    ASSERT_TRUE(bigAfter && smallAfter);
    ASSERT_EQ(bigAfter->Width(), 500);
    const bool canvas = std::string(square) != "SquareCanvas=0";
    ASSERT_EQ(bigAfter->Height(), canvas ? 500 : 125) << square;
    const int top = canvas ? (500 - 125) / 2 : 0;
    EXPECT_NEAR(CornerCut(*bigAfter, top), CornerCut(*smallAfter, top), 1) << square;
    EXPECT_GE(CornerCut(*bigAfter, top), 18) << square;
    EXPECT_LE(CornerCut(*bigAfter, top), 26) << square;
    // The bottom-right corner too, and nothing but the corners.
    EXPECT_EQ(bigAfter->Pixel(499, top + 124), kWhite) << square;
    EXPECT_EQ(bigAfter->Pixel(250, top + 60), smallAfter->Pixel(250, top + 60)) << square;
    EXPECT_NE(bigAfter->Pixel(250, top + 60), kWhite) << square;
  }
}

// A frame 120 × 100, transparent inside its opening (20, 10)-(100, 90), opaque blue around.
class FrameFitTest : public FitChoicesTest {
 protected:
  void SetUp() override {
    std::vector<uint8_t> bgra = test::SolidBgra(120, 100, 0xFF0000, 255);
    for (int y = 10; y < 90; ++y)
      for (int x = 20; x < 100; ++x) test::SetBgra(bgra, 120, x, y, 0, 0);
    test::WritePngBgra(dir_.File("f.png"), 120, 100, bgra);
  }
  const TMemIniFile catalog_ = TMemIniFile::FromText(
      "[F]\r\ngraph=f.png\r\nContentLeft=20\r\nContentTop=10\r\nContentRight=100\r\n"
      "ContentBottom=90\r\n");
  const std::string frame_ = "AddFrame=1\r\nFrameType=1\r\nFrameName=F\r\nReduceSize=0\r\n";
};

TEST_F(FrameFitTest, FitShowsEveryColumnAndRowAndNeverEnlarges) {
  struct Case {
    int w, h;
    int shownW, shownH;  // the photo's size inside the opening
  } cases[] = {
      {60, 30, 60, 30},   // smaller than the opening: its own size
      {5, 3, 5, 3},       // tiny: not blown up to the opening
      {160, 40, 80, 20},  // wide: as wide as the opening
      {40, 160, 20, 80},  // tall: as high as the opening
      {80, 80, 80, 80},   // exactly the opening
  };
  for (const Case& c : cases) {
    const TBitmap photo = Columns(c.w, c.h);
    const std::string path = Picture(photo, "p.bmp");
    auto framed = Run(path, frame_ + "FrameFit=1\r\n", catalog_);
    ASSERT_TRUE(framed);
    ASSERT_EQ(framed->Width(), 120);
    ASSERT_EQ(framed->Height(), 100);
    const int left = (20 + 100 - c.shownW) / 2, top = (10 + 90 - c.shownH) / 2;
    // The photo's box inside the opening, white around it, the frame around that.
    for (int y = 10; y < 90; ++y) {
      for (int x = 20; x < 100; ++x) {
        const bool inside = x >= left && x < left + c.shownW && y >= top && y < top + c.shownH;
        if (!inside) {
          ASSERT_EQ(framed->Pixel(x, y), kWhite) << c.w << "x" << c.h << " " << x << "," << y;
        }
      }
    }
    if (c.shownW == c.w) {
      // Unscaled: every pixel of the photo, exactly.
      for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
          ASSERT_EQ(framed->Pixel(left + x, top + y), photo.Pixel(x, y)) << c.w << "x" << c.h;
    } else {
      // Shrunk: the first and last columns and rows of the photo are in the picture.
      EXPECT_EQ(framed->Pixel(left, top), photo.Pixel(0, 0)) << c.w << "x" << c.h;
      EXPECT_EQ(framed->Pixel(left + c.shownW - 1, top + c.shownH - 1),
                photo.Pixel(c.w - 1, c.h - 1))
          << c.w << "x" << c.h;
    }
  }
  // Cover, as before, crops the wide photo's sides.
  const std::string wide = Picture(Columns(160, 40), "w.bmp");
  auto covered = Run(wide, frame_, catalog_);
  ASSERT_TRUE(covered);
  EXPECT_NE(covered->Pixel(60, 11), kWhite);
}

TEST_F(FrameFitTest, SquareCanvasTakesTheFramedPicture) {
  const std::string path = Picture(Columns(60, 30), "p.bmp");
  auto square = Run(path, frame_ + "FrameFit=1\r\nSquareCanvas=1\r\n", catalog_);
  ASSERT_TRUE(square);
  EXPECT_EQ(square->Width(), 120);
  EXPECT_EQ(square->Height(), 120);
  // The 120 × 100 frame in the middle of the square, white above and below it.
  EXPECT_EQ(square->Pixel(60, 9), kWhite);
  EXPECT_EQ(square->Pixel(0, 10), 0xFF0000u);
  EXPECT_EQ(square->Pixel(0, 109), 0xFF0000u);
  EXPECT_EQ(square->Pixel(60, 110), kWhite);
}

// Black text, nothing see-through, on white.
const std::string kText =
    "AddWatermark=1\r\nWatermarkFontName=DejaVu Sans\r\nWatermarkTransparent=0\r\n"
    "ReduceSize=0\r\n";

TEST_F(FitChoicesTest, PercentTextHeightScalesWithTheWidth) {
  const std::string lines = kText +
                            "WatermarkText=HHHH\r\nWatermarkFontSizeMode=1\r\n"
                            "WatermarkFontSizePercent=10\r\nWatermarkPos=8\r\n";
  std::vector<int> heights;
  for (int width : {300, 600, 1200}) {
    auto out = Run(Picture(Solid(width, width / 2, kWhite), "w.bmp"), lines);
    ASSERT_TRUE(out);
    const TInk ink = InkBox(*out, kWhite);
    ASSERT_FALSE(ink.Empty()) << width;
    heights.push_back(ink.Height());
  }
  // Capitals are about 0.73 of the character height: 22, 44 and 88 pixels here.
  EXPECT_NEAR(heights[0], 22, 2);
  EXPECT_NEAR(heights[1], 2 * heights[0], 2);
  EXPECT_NEAR(heights[2], 4 * heights[0], 3);
}

TEST_F(FitChoicesTest, FittedTextNeverLeavesThePicture) {
  const std::string text = "WatermarkText=Pixmira official store 2026\r\n";
  struct Case {
    std::string lines;
    int width;
  } cases[] = {
      {"WatermarkFontSize=48\r\n", 500},                    // points, anchor 0
      {"WatermarkFontSize=48\r\nWatermarkPos=4\r\n", 300},  // bottom centre
      {"WatermarkFontSizeMode=1\r\nWatermarkFontSizePercent=30\r\nWatermarkPos=8\r\n", 400},
      {"WatermarkFontSize=48\r\nWatermarkRotate=30\r\nWatermarkPos=2\r\n", 500},
      {"WatermarkFontSize=48\r\nWatermarkOutline=1\r\n", 500},
  };
  for (const Case& c : cases) {
    const std::string path = Picture(Solid(c.width, 300, kWhite), "t.bmp");
    auto cut = Run(path, kText + text + c.lines);
    auto fitted = Run(path, kText + text + c.lines + "WatermarkFitText=1\r\n");
    ASSERT_TRUE(cut && fitted);
    const TInk before = InkBox(*cut, kWhite), after = InkBox(*fitted, kWhite);
    ASSERT_FALSE(after.Empty()) << c.lines;
    // Unfitted the text runs into an edge; fitted it keeps clear of every edge.
    EXPECT_TRUE(before.left == 0 || before.right == c.width - 1) << c.lines;
    EXPECT_GT(after.left, 0) << c.lines;
    EXPECT_LT(after.right, c.width - 1) << c.lines;
    EXPECT_GT(after.top, 0) << c.lines;
    EXPECT_LT(after.bottom, 299) << c.lines;
  }
  // A text that fits is not changed by the choice.
  const std::string path = Picture(Solid(500, 300, kWhite), "s.bmp");
  auto plain = Run(path, kText + "WatermarkText=Pixmira\r\nWatermarkFontSize=20\r\n");
  auto fitted = Run(path, kText +
                              "WatermarkText=Pixmira\r\nWatermarkFontSize=20\r\n"
                              "WatermarkFitText=1\r\n");
  ASSERT_TRUE(plain && fitted);
  EXPECT_TRUE(SamePixels(*plain, *fitted));
}

TEST_F(FitChoicesTest, OutlineShowsWhiteTextOnWhite) {
  const std::string path = Picture(Solid(400, 200, kWhite), "w.bmp");
  const std::string white = kText +
                            "WatermarkText=Pixmira\r\nWatermarkFontColor=clWhite\r\n"
                            "WatermarkFontSize=30\r\nWatermarkPos=8\r\n";
  auto plain = Run(path, white);
  auto outlined = Run(path, white + "WatermarkOutline=1\r\n");
  ASSERT_TRUE(plain && outlined);
  EXPECT_TRUE(InkBox(*plain, kWhite).Empty());
  const TInk rim = InkBox(*outlined, kWhite);
  ASSERT_FALSE(rim.Empty());
  // Dark rim pixels, and white letters inside the rim.
  int dark = 0;
  for (int y = rim.top; y <= rim.bottom; ++y)
    for (int x = rim.left; x <= rim.right; ++x) dark += outlined->Pixel(x, y) == 0;
  EXPECT_GT(dark, 100);
}

TEST_F(FitChoicesTest, BothWatermarksEachAtTheirOwnPlace) {
  // A red 20 × 20 logo at the top left (its own anchor), black text at the bottom right.
  test::WritePngBitmap(dir_.File("logo.png"), Solid(20, 20, 0x0000FF));
  const std::string lines = kText +
                            "WatermarkType=2\r\nWatermarkText=Pixmira\r\n"
                            "WatermarkFontSize=16\r\nWatermarkImage=" +
                            dir_.File("logo.png") +
                            "\r\nWatermarkImagePos=2\r\nWatermarkImageMarginA=5\r\n"
                            "WatermarkImageMarginB=7\r\nWatermarkImageTransparent=0\r\n";
  const std::string path = Picture(Solid(300, 200, kWhite), "p.bmp");
  auto out = Run(path, lines);
  ASSERT_TRUE(out);
  const TInk all = InkBox(*out, kWhite);
  EXPECT_EQ(out->Pixel(7, 5), 0x0000FFu);
  EXPECT_EQ(out->Pixel(26, 24), 0x0000FFu);
  EXPECT_EQ(out->Pixel(27, 25), kWhite);
  // The text sits at the bottom right, its own anchor and margins (15 pixels).
  EXPECT_GT(all.right, 250);
  EXPECT_GT(all.bottom, 170);
  EXPECT_LE(all.right, 300 - 15);
  // The text on top of the logo where both fall on the same place.
  const std::string over = kText +
                           "WatermarkType=2\r\nWatermarkText=██\r\nWatermarkFontSize=40\r\n"
                           "WatermarkPos=2\r\nWatermarkImage=" +
                           dir_.File("logo.png") +
                           "\r\nWatermarkImagePos=2\r\n"
                           "WatermarkImageTransparent=0\r\n";
  auto stacked = Run(path, over);
  ASSERT_TRUE(stacked);
  EXPECT_EQ(stacked->Pixel(25, 30), 0u);
  // Alone, the picture keeps the text's anchor and transparency, as it always has.
  auto alone = Run(path, kText + "WatermarkType=1\r\nWatermarkImage=" + dir_.File("logo.png") +
                             "\r\nWatermarkImagePos=2\r\n");
  ASSERT_TRUE(alone);
  EXPECT_EQ(alone->Pixel(300 - 15 - 1, 200 - 15 - 1), 0x0000FFu);
}

TEST_F(FitChoicesTest, SlicesStackedAreTheWholePicture) {
  const std::string path = Picture(Columns(60, 350), "long.bmp");
  const TMemIniFile settings = Settings(kText +
                                        "WatermarkText=Pixmira\r\nWatermarkFontSize=20\r\n"
                                        "WatermarkPos=8\r\n");
  const TPictureOptions options = ReadPictureOptions(settings);
  const TMemIniFile catalog = TMemIniFile::FromText("");
  const std::string folder = dir_.Path().string() + "/";
  const TPictureRequest request{path, 0, options, catalog, folder};
  auto whole = ProcessPicture(request);
  ASSERT_TRUE(whole);
  for (int height : {100, 175, 349, 350, 1000}) {
    const auto slices = ProcessPictureSlices(request, height, false);
    ASSERT_EQ(slices.size(), std::size_t((350 + height - 1) / height)) << height;
    int y = 0;
    for (const auto& slice : slices) {
      ASSERT_EQ(slice->Width(), 60);
      ASSERT_LE(slice->Height(), height);
      for (int row = 0; row < slice->Height(); ++row, ++y)
        ASSERT_TRUE(std::equal(slice->Row(row), slice->Row(row) + 180, whole->Row(y))) << height;
    }
    EXPECT_EQ(y, 350) << height;
  }
  // Stamped on every slice instead: each piece differs from its plain self in its own middle.
  TPictureOptions bare = options;
  bare.watermark.add = false;
  const auto plain = ProcessPictureSlices({path, 0, bare, catalog, folder}, 100, false);
  const auto each = ProcessPictureSlices(request, 100, true);
  ASSERT_EQ(each.size(), 4u);
  ASSERT_EQ(plain.size(), 4u);
  for (std::size_t i = 0; i < each.size(); ++i) {
    const int middle = each[i]->Height() / 2;
    EXPECT_FALSE(
        std::equal(each[i]->Row(middle), each[i]->Row(middle) + 180, plain[i]->Row(middle)))
        << i;
  }
  // Unloadable: nothing at all.
  const TPictureRequest missing{dir_.File("gone.bmp"), 0, options, catalog, folder};
  EXPECT_TRUE(ProcessPictureSlices(missing, 100, false).empty());
}

}  // namespace
}  // namespace pixmira
