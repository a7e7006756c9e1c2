// The size modes as a seller sets them: width, longest side, fit inside a box, exactly a box
// on white; never growing a picture unless allowed.
#include <gtest/gtest.h>

#include "pipeline/Pipeline.h"
#include "pipeline/TestPictures.h"

namespace pixmira {
namespace {

using test::Solid;

TEST(SizeModeTest, FinishedSizeForEveryModeAndPicture) {
  struct Case {
    const char* lines;
    int w, h;    // the picture
    int ow, oh;  // the finished picture
  } cases[] = {
      // Width (today's): only wider pictures shrink; AllowEnlarge grows narrower ones.
      {"ReduceSizeWidth=400\r\n", 800, 600, 400, 300},
      {"ReduceSizeWidth=400\r\n", 300, 900, 300, 900},
      {"ReduceSizeWidth=400\r\nAllowEnlarge=1\r\n", 200, 100, 400, 200},
      // Longest side.
      {"ReduceSizeMode=1\r\nReduceSizeWidth=400\r\n", 300, 900, 133, 400},
      {"ReduceSizeMode=1\r\nReduceSizeWidth=400\r\n", 900, 300, 400, 133},
      {"ReduceSizeMode=1\r\nReduceSizeWidth=400\r\n", 300, 200, 300, 200},
      {"ReduceSizeMode=1\r\nReduceSizeWidth=400\r\nAllowEnlarge=1\r\n", 300, 200, 400, 267},
      // Fit inside 750 x 1000: whichever side touches first.
      {"ReduceSizeMode=2\r\nReduceSizeWidth=750\r\nReduceSizeHeight=1000\r\n", 1500, 1000, 750,
       500},
      {"ReduceSizeMode=2\r\nReduceSizeWidth=750\r\nReduceSizeHeight=1000\r\n", 1000, 4000, 250,
       1000},
      {"ReduceSizeMode=2\r\nReduceSizeWidth=750\r\nReduceSizeHeight=1000\r\n", 700, 900, 700, 900},
      // Only one side too large still shrinks.
      {"ReduceSizeMode=2\r\nReduceSizeWidth=750\r\nReduceSizeHeight=1000\r\n", 700, 1100, 636,
       1000},
      // Exactly the box, on white; height 0 means a square.
      {"ReduceSizeMode=3\r\nReduceSizeWidth=800\r\nReduceSizeHeight=800\r\n", 1600, 1200, 800, 800},
      {"ReduceSizeMode=3\r\nReduceSizeWidth=800\r\n", 100, 50, 800, 800},
      {"ReduceSizeMode=3\r\nReduceSizeWidth=750\r\nReduceSizeHeight=1000\r\n", 3000, 1000, 750,
       1000},
      // The size box unticked leaves every mode alone.
      {"ReduceSize=0\r\nReduceSizeMode=3\r\nReduceSizeWidth=800\r\n", 100, 50, 100, 50},
  };
  const TMemIniFile catalog = TMemIniFile::FromText("");
  const std::string frames;
  for (const Case& c : cases) {
    const TMemIniFile settings =
        TMemIniFile::FromText("[General]\r\nReduceSizeType=3\r\n" + std::string(c.lines));
    const TPictureOptions options = ReadPictureOptions(settings);
    const std::string path;
    TPictureRequest request{path, 0, options, catalog, frames};
    auto bitmap = std::make_unique<TBitmap>(Solid(c.w, c.h, 0x202020));
    ApplyEdgeAndSize(bitmap, request);
    EXPECT_EQ(bitmap->Width(), c.ow) << c.lines << c.w << "x" << c.h;
    EXPECT_EQ(bitmap->Height(), c.oh) << c.lines << c.w << "x" << c.h;
  }
}

TEST(SizeModeTest, TheCanvasCentresThePictureOnWhite) {
  // 300 x 100 into 200 x 200: 200 x 67 at (0, 66); white above and below.
  const auto canvas = CanvasPicture(Solid(300, 100, 0x000000), 200, 200, true);
  ASSERT_EQ(canvas->Width(), 200);
  EXPECT_EQ(canvas->Pixel(100, 65), TColor(0xFFFFFF));
  EXPECT_EQ(canvas->Pixel(100, 66), TColor(0x000000));
  EXPECT_EQ(canvas->Pixel(100, 132), TColor(0x000000));
  EXPECT_EQ(canvas->Pixel(100, 133), TColor(0xFFFFFF));
  // Never grown without leave: a small picture sits in the middle at its own size.
  const auto small = CanvasPicture(Solid(10, 10, 0x000000), 30, 30);
  EXPECT_EQ(small->Pixel(9, 9), TColor(0xFFFFFF));
  EXPECT_EQ(small->Pixel(10, 10), TColor(0x000000));
  EXPECT_EQ(small->Pixel(20, 20), TColor(0xFFFFFF));
}

}  // namespace
}  // namespace pixmira
