// Smooth shrinking against Pillow's LANCZOS resize, on real photos, and the square canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "codecs/Jpeg.h"
#include "imaging/Lanczos.h"
#include "pipeline/Pipeline.h"
#include "pipeline/TestPictures.h"
#include "support/PillowExchange.h"

namespace pixmira {
namespace {

using test::TempDir;

std::string SamplePhoto(const std::string& name) {
  return std::string(PIXMIRA_SOURCE_DIR) + "/data/samples/" + name;
}

TBitmap Crop(const TBitmap& src, int left, int top, int w, int h) {
  TBitmap out(w, h);
  for (int y = 0; y < h; ++y) {
    std::copy_n(src.Row(top + y) + std::size_t(left) * 3, std::size_t(w) * 3, out.Row(y));
  }
  return out;
}

struct Size {
  int w, h;
};

// Pillow's Image.resize(size, LANCZOS) of src at every size, as raw RGB.
std::vector<std::string> PillowResized(const TBitmap& src, const std::vector<Size>& sizes,
                                       const TempDir& dir) {
  const std::string script = dir.File("resize.py");
  test::WriteFile(script, R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert('RGB')
args = sys.argv[2:]
for i in range(0, len(args), 3):
    w, h, out = int(args[i]), int(args[i + 1]), args[i + 2]
    with open(out, 'wb') as f:
        f.write(im.resize((w, h), Image.LANCZOS).tobytes())
)");
  test::WritePpm(dir.File("in.ppm"), src);
  std::ostringstream args;
  args << dir.File("in.ppm");
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    args << " " << sizes[i].w << " " << sizes[i].h << " " << dir.File(std::to_string(i) + ".rgb");
  }
  EXPECT_EQ(test::RunPillowScript(script, args.str()), 0);
  std::vector<std::string> out;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    out.push_back(test::ReadFile(dir.File(std::to_string(i) + ".rgb")));
  }
  return out;
}

TEST(SmoothReduceTest, AgreesWithPillowOnPhotosAtSeveralFactors) {
  if (!test::HavePillow()) GTEST_SKIP() << "Pillow is not installed";
  TempDir dir;
  struct Case {
    const char* photo;
    int left, top, w, h;  // crop; w = 0 keeps the whole photo
    std::vector<Size> sizes;
  } cases[] = {
      // Odd crop sizes, factors from barely below 1 to about 10, unequal factors per axis,
      // and an axis left at its size.
      {"cap.jpg",
       131,
       77,
       1001,
       757,
       {{1000, 756}, {500, 378}, {333, 252}, {97, 73}, {641, 203}, {1001, 311}, {250, 757}}},
      {"watch.jpg", 0, 0, 0, 0, {{700, 700}, {310, 310}}},
      {"sneaker.jpg", 0, 0, 0, 0, {{700, 467}, {3, 2}}},
  };
  for (const Case& c : cases) {
    const TBitmap photo = DecodeJpeg(test::ReadBytes(SamplePhoto(c.photo)));
    const TBitmap src = c.w ? Crop(photo, c.left, c.top, c.w, c.h) : photo;
    const std::vector<std::string> theirs = PillowResized(src, c.sizes, dir);
    for (std::size_t i = 0; i < c.sizes.size(); ++i) {
      TBitmap ours(c.sizes[i].w, c.sizes[i].h);
      ResampleLanczos(ours, src);
      EXPECT_LE(test::MaxDifference(ours, theirs[i]), 1)
          << c.photo << " " << src.Width() << "x" << src.Height() << " to " << c.sizes[i].w << "x"
          << c.sizes[i].h;
    }
  }
}

TEST(SmoothReduceTest, ReductionAveragesWhatPointSamplingPicksFrom) {
  // Alternating black and white columns: point sampling keeps one colour, the filter grey.
  TBitmap stripes(400, 12);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 400; x += 2) stripes.SetPixel(x, y, kBlack);
  }
  const auto sampled = ReducePicture(stripes, 100);
  const auto smooth = ReducePicture(stripes, 100, true);
  ASSERT_EQ(smooth->Width(), 100);
  ASSERT_EQ(smooth->Height(), 3);
  const TColor picked = sampled->Pixel(50, 1);
  EXPECT_TRUE(picked == kBlack || picked == kWhite);
  const uint8_t grey = smooth->Row(1)[50 * 3];
  EXPECT_NEAR(grey, 128, 2);
}

TEST(SmoothReduceTest, SameSizeIsAnExactCopy) {
  const TBitmap src = test::Columns(37, 23);
  TBitmap out(37, 23);
  ResampleLanczos(out, src);
  EXPECT_TRUE(test::SamePixels(out, src));
}

TMemIniFile Settings(const std::string& lines) {
  return TMemIniFile::FromText("[General]\r\n" + lines);
}

const TMemIniFile kNoCatalog = TMemIniFile::FromText("");

std::unique_ptr<TBitmap> Process(const TempDir& dir, const TBitmap& picture,
                                 const std::string& lines) {
  const std::string path = dir.File("in.bmp");
  test::WriteBmp(path, picture);
  return ProcessPicture(path, 0, Settings(lines), kNoCatalog, dir.Path().string() + "/", false);
}

constexpr TColor kBlue = 0xFF0000;

TEST(SquareCanvasTest, PictureShrunkAndCentredOnAWhiteSquare) {
  TempDir dir;
  struct Case {
    const char* what;
    int w, h;
    std::string lines;
    int side;
    TRect picture;  // where the picture lies on the square
  } cases[] = {
      {"portrait", 300, 600, "ReduceSizeType=0\r\n", 310, {77, 0, 232, 310}},
      {"landscape", 620, 300, "ReduceSizeType=0\r\n", 310, {0, 80, 310, 230}},
      {"small, never enlarged", 100, 50, "ReduceSizeType=1\r\n", 500, {200, 225, 300, 275}},
      {"narrow but tall", 200, 400, "ReduceSizeType=0\r\n", 310, {77, 0, 232, 310}},
      {"reduction off", 80, 201, "ReduceSize=0\r\n", 201, {60, 0, 140, 201}},
      {"no valid width", 80, 201, "ReduceSizeType=9\r\n", 201, {60, 0, 140, 201}},
      {"square already", 90, 90, "ReduceSize=0\r\n", 90, {0, 0, 90, 90}},
  };
  for (const Case& c : cases) {
    auto out = Process(dir, test::Solid(c.w, c.h, kBlue), "SquareCanvas=1\r\n" + c.lines);
    ASSERT_TRUE(out) << c.what;
    ASSERT_EQ(out->Width(), c.side) << c.what;
    ASSERT_EQ(out->Height(), c.side) << c.what;
    const TRect& r = c.picture;
    for (int y = 0; y < c.side; ++y) {
      for (int x = 0; x < c.side; ++x) {
        const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        ASSERT_EQ(out->Pixel(x, y), inside ? kBlue : kWhite) << c.what << " at " << x << ", " << y;
      }
    }
  }
}

TEST(SquareCanvasTest, WatermarkIsPlacedOnTheSquare) {
  TempDir dir;
  // A wide picture leaves white bands above and below; a text anchored at the bottom right
  // lands in the lower band, which only the square has.
  const std::string mark =
      "SquareCanvas=1\r\nAddWatermark=1\r\nWatermarkText=Shop\r\nWatermarkFontSize=20\r\n"
      "WatermarkFontColor=$000000\r\nWatermarkTransparent=0\r\n";
  auto marked = Process(dir, test::Solid(620, 200, kBlue), mark);
  ASSERT_TRUE(marked);
  ASSERT_EQ(marked->Width(), 310);
  int dark = 0;
  for (int y = 210; y < 310; ++y) {
    for (int x = 0; x < 310; ++x) dark += marked->Pixel(x, y) != kWhite;
  }
  EXPECT_GT(dark, 20);
}

TEST(SmoothReduceTest, KeysOffKeepThePointSampledPicture) {
  TempDir dir;
  TBitmap photo = test::Columns(700, 90);
  const auto plain = Process(dir, photo, "");
  const auto off = Process(dir, photo, "ReduceSizeSmooth=0\r\nSquareCanvas=0\r\n");
  const auto smooth = Process(dir, photo, "ReduceSizeSmooth=1\r\n");
  ASSERT_TRUE(plain && off && smooth);
  EXPECT_TRUE(test::SamePixels(*plain, *ReducePicture(photo, 310)));
  EXPECT_TRUE(test::SamePixels(*plain, *off));
  EXPECT_EQ(smooth->Width(), 310);
  EXPECT_EQ(smooth->Height(), 40);
  EXPECT_FALSE(test::SamePixels(*plain, *smooth));
  // A picture no wider than the target is left alone either way.
  const auto narrow = Process(dir, test::Columns(300, 20), "ReduceSizeSmooth=1\r\n");
  EXPECT_TRUE(test::SamePixels(*narrow, test::Columns(300, 20)));
}

}  // namespace
}  // namespace pixmira
