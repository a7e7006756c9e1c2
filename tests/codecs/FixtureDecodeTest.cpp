// Pictures written by independent encoders (scripts/make-fixtures) decode to the pixels the
// encoding tool itself reads back.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>

#include "codecs/LoadPicture.h"
#include "codecs/Png.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using test::DataPath;
using test::ReadBytes;

struct Reference {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> pixels;  // RGB or RGBA, rows from the top
};

Reference LoadReference(const std::string& fixture) {
  const std::string stem = fixture.substr(0, fixture.rfind('.'));
  Reference ref;
  std::ifstream size(DataPath(stem + ".size"));
  size >> ref.width >> ref.height;
  std::ifstream probe(DataPath(stem + ".rgba"));
  ref.channels = probe.good() ? 4 : 3;
  ref.pixels = ReadBytes(DataPath(stem + (ref.channels == 4 ? ".rgba" : ".rgb")));
  return ref;
}

struct Case {
  const char* file;
  int tolerance;  // per channel; JPEG decoders and 5-bit scalings differ slightly
};

// Test names from the fixture's file name.
std::string NameOf(const std::string& file) {
  std::string name = file.substr(0, file.rfind('.'));
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}
std::string CaseName(const testing::TestParamInfo<Case>& info) { return NameOf(info.param.file); }
std::string FileName(const testing::TestParamInfo<const char*>& info) { return NameOf(info.param); }

class OpaqueFixture : public testing::TestWithParam<Case> {};

TEST_P(OpaqueFixture, DecodesToTheEncodersPixels) {
  const Case c = GetParam();
  const Reference ref = LoadReference(c.file);
  ASSERT_EQ(ref.channels, 3);
  std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(DataPath(c.file));
  ASSERT_TRUE(bitmap) << c.file;
  ASSERT_EQ(bitmap->Width(), ref.width);
  ASSERT_EQ(bitmap->Height(), ref.height);
  ASSERT_EQ(ref.pixels.size(), std::size_t(ref.width) * ref.height * 3);
  int worst = 0;
  for (int y = 0; y < ref.height; ++y) {
    for (int x = 0; x < ref.width; ++x) {
      const uint8_t* want = &ref.pixels[(std::size_t(y) * ref.width + x) * 3];
      const uint8_t* got = bitmap->Row(y) + x * 3;
      for (int ch = 0; ch < 3; ++ch) {
        const int diff = std::abs(int(got[2 - ch]) - int(want[ch]));
        worst = std::max(worst, diff);
        EXPECT_LE(diff, c.tolerance) << c.file << " at " << x << "," << y << " channel " << ch;
        if (diff > c.tolerance) return;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bmp, OpaqueFixture,
                         testing::Values(Case{"bmp-rgb24.bmp", 0}, Case{"bmp-core24.bmp", 0},
                                         Case{"bmp-v5-24.bmp", 0}, Case{"bmp-v5-argb32.bmp", 0},
                                         Case{"bmp-v4-argb32.bmp", 0}, Case{"bmp-565.bmp", 4},
                                         Case{"bmp-555.bmp", 4}, Case{"bmp-rgb16.bmp", 4},
                                         Case{"bmp-rgb32.bmp", 0}, Case{"bmp-pal8.bmp", 0},
                                         Case{"bmp-pal8-short.bmp", 0}, Case{"bmp-core8.bmp", 0},
                                         Case{"bmp-pal4.bmp", 0}, Case{"bmp-pal1.bmp", 0},
                                         Case{"bmp-rle8.bmp", 0}, Case{"bmp-rle4.bmp", 0},
                                         Case{"bmp-topdown24.bmp", 0}),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(Png, OpaqueFixture,
                         testing::Values(Case{"png-rgb.png", 0}, Case{"png-palette.png", 0},
                                         Case{"png-palette2.png", 0}, Case{"png-grey.png", 0},
                                         Case{"png-grey1.png", 0}, Case{"png-rgb16.png", 1},
                                         Case{"png-grey16.png", 1}),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(Gif, OpaqueFixture,
                         testing::Values(Case{"gif-global.gif", 0}, Case{"gif-interlaced.gif", 0},
                                         Case{"gif-animated.gif", 0},
                                         Case{"gif-transparent.gif", 0}),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(Jpeg, OpaqueFixture,
                         testing::Values(Case{"jpeg-baseline.jpg", 2},
                                         Case{"jpeg-progressive.jpg", 2}, Case{"jpeg-exif3.jpg", 2},
                                         Case{"jpeg-exif6.jpg", 2}, Case{"jpeg-exif8.jpg", 2},
                                         Case{"jpeg-cmyk.jpg", 2}),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(WebP, OpaqueFixture,
                         testing::Values(Case{"webp-lossy.webp", 0}, Case{"webp-lossless.webp", 0}),
                         CaseName);

// heif-adobe carries an Adobe RGB profile: its colours arrive converted to sRGB.
INSTANTIATE_TEST_SUITE_P(Heif, OpaqueFixture,
                         testing::Values(Case{"heif-q90.heic", 0}, Case{"heif-adobe.heic", 2}),
                         CaseName);

// Pictures with alpha keep straight colour and alpha; the copy into a bitmap is over black.
class AlphaFixture : public testing::TestWithParam<const char*> {};

TEST_P(AlphaFixture, KeepsAlphaAndCompositesOverBlack) {
  const std::string file = GetParam();
  const Reference ref = LoadReference(file);
  ASSERT_EQ(ref.channels, 4);
  const std::unique_ptr<TPicture> picture = LoadPicture(DataPath(file));
  const auto* alpha = dynamic_cast<const TAlphaPicture*>(picture.get());
  ASSERT_TRUE(alpha) << file;
  const TAlphaPicture& png = *alpha;
  ASSERT_EQ(png.Width(), ref.width);
  ASSERT_EQ(png.Height(), ref.height);
  const std::vector<uint8_t>& bgra = png.Bgra();
  const std::unique_ptr<TBitmap> flat = png.ToBitmap();
  for (int i = 0; i < ref.width * ref.height; ++i) {
    const uint8_t* want = &ref.pixels[std::size_t(i) * 4];
    const uint8_t* got = &bgra[std::size_t(i) * 4];
    const uint8_t* over = flat->Data() + std::size_t(i) * 3;
    ASSERT_EQ(got[3], want[3]) << file << " pixel " << i;
    for (int ch = 0; ch < 3; ++ch) {
      if (want[3] != 0) {
        ASSERT_EQ(got[2 - ch], want[ch]) << file << " pixel " << i;
      }
      ASSERT_EQ(over[2 - ch], (want[ch] * want[3] + 127) / 255) << file << " pixel " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Png, AlphaFixture,
                         testing::Values("png-rgba.png", "png-grey-alpha.png",
                                         "png-palette-trns.png", "png-interlaced.png"),
                         FileName);

INSTANTIATE_TEST_SUITE_P(WebP, AlphaFixture,
                         testing::Values("webp-alpha-lossless.webp", "webp-alpha-lossy.webp"),
                         FileName);

INSTANTIATE_TEST_SUITE_P(Heif, AlphaFixture, testing::Values("heif-alpha.heic"), FileName);

TEST(GreyJpeg, ArrivesAsAtMost236DitheredLevelsCloseToTheSource) {
  const Reference ref = LoadReference("jpeg-grey.jpg");
  std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(DataPath("jpeg-grey.jpg"));
  ASSERT_TRUE(bitmap);
  std::set<int> levels;
  long error = 0;
  for (int i = 0; i < ref.width * ref.height; ++i) {
    const uint8_t* p = bitmap->Data() + std::size_t(i) * 3;
    ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
    levels.insert(p[0]);
    error += std::abs(int(p[0]) - int(ref.pixels[std::size_t(i) * 3]));
  }
  EXPECT_LE(levels.size(), 236u);
  EXPECT_GT(levels.size(), 150u);  // a full gradient still shows nearly every level
  EXPECT_LT(double(error) / (ref.width * ref.height), 1.5);
}

}  // namespace
}  // namespace pixmira
