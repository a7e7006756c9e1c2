// Pictures tagged with a foreign RGB profile arrive in sRGB, as Pillow's ImageCms converts
// them; every other picture keeps its pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "codecs/ColorProfile.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "support/PillowExchange.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kIccFolder = "/usr/share/color/icc/";
const std::string kAdobe = kIccFolder + "compatibleWithAdobeRGB1998.icc";

// A crop of a real photo, so the conversion meets the colours of a product picture.
TBitmap Photo() {
  const TBitmap whole =
      DecodeJpeg(test::ReadBytes(std::string(PIXMIRA_SOURCE_DIR) + "/data/samples/handbag.jpg"));
  TBitmap crop(161, 121);
  for (int y = 0; y < crop.Height(); ++y) {
    std::copy_n(whole.Row(900 + y) + 700 * 3, crop.Stride(), crop.Row(y));
  }
  return crop;
}

// The profile as APP2 "ICC_PROFILE" segments right after the start marker, cut into chunks
// of at most chunkSize bytes. count overrides the chunk count written in each segment.
Bytes WithProfile(const Bytes& jpeg, const Bytes& profile, std::size_t chunkSize, int count = 0) {
  const std::size_t chunks = (profile.size() + chunkSize - 1) / chunkSize;
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  for (std::size_t i = 0; i < chunks; ++i) {
    const std::size_t n = std::min(chunkSize, profile.size() - i * chunkSize);
    const std::size_t length = 2 + 12 + 2 + n;
    const uint8_t head[] = {0xFF, 0xE2, uint8_t(length >> 8), uint8_t(length & 0xFF)};
    out.insert(out.end(), head, head + 4);
    const char tag[12] = "ICC_PROFILE";
    out.insert(out.end(), tag, tag + 12);
    out.push_back(uint8_t(i + 1));
    out.push_back(uint8_t(count ? count : int(chunks)));
    out.insert(out.end(), profile.begin() + std::ptrdiff_t(i * chunkSize),
               profile.begin() + std::ptrdiff_t(i * chunkSize + n));
  }
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         std::equal(a.Data(), a.Data() + a.Stride() * a.Height(), b.Data());
}

class ColorProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kAdobe)) GTEST_SKIP() << "icc-profiles-free is not installed";
    adobe_ = test::ReadBytes(kAdobe);
  }

  // Pillow: the picture's pixels converted by ImageCms.profileToProfile from the profile to
  // its built-in sRGB, perceptual; and the same pixels saved as a PNG carrying the profile.
  void Pillow(const TBitmap& picture, const std::string& profile, const std::string& rgbOut,
              const std::string& pngOut) {
    const std::string script = dir_.File("cms.py");
    test::WriteFile(script, R"(
import sys
from PIL import Image, ImageCms
src, profile, rgb_out, png_out = sys.argv[1:]
im = Image.open(src).convert('RGB')
converted = ImageCms.profileToProfile(im, ImageCms.ImageCmsProfile(profile),
                                      ImageCms.createProfile('sRGB'),
                                      renderingIntent=0)  # perceptual
with open(rgb_out, 'wb') as f:
    f.write(converted.tobytes())
im.save(png_out, icc_profile=open(profile, 'rb').read())
)");
    test::WritePpm(dir_.File("in.ppm"), picture);
    ASSERT_EQ(test::RunPillowScript(
                  script, dir_.File("in.ppm") + " " + profile + " " + rgbOut + " " + pngOut),
              0);
  }

  Bytes adobe_;
  test::TempDir dir_;
};

TEST_F(ColorProfileTest, AdobeRgbJpegAndPngArriveAsPillowConvertsThem) {
  if (!test::HavePillow()) GTEST_SKIP() << "Pillow is not installed";
  const Bytes plain = EncodeJpeg(Photo(), 95);
  const TBitmap stored = DecodeJpeg(plain);
  Pillow(stored, kAdobe, dir_.File("srgb.rgb"), dir_.File("tagged.png"));
  const std::string expected = test::ReadFile(dir_.File("srgb.rgb"));

  // One segment, and the profile in three chunks.
  for (std::size_t chunk : {std::size_t(60000), std::size_t(200)}) {
    const TBitmap jpeg = DecodeJpeg(WithProfile(plain, adobe_, chunk));
    EXPECT_FALSE(SamePixels(jpeg, stored)) << "not converted, chunks of " << chunk;
    EXPECT_LE(test::MaxDifference(jpeg, expected), 1) << "chunks of " << chunk;
  }

  TPNGPicture png;
  png.LoadFromMemory(test::ReadBytes(dir_.File("tagged.png")));
  EXPECT_LE(test::MaxDifference(*png.ToBitmap(), expected), 1);
}

TEST_F(ColorProfileTest, OtherProfilesAndDamagedOnesLeaveThePixels) {
  const Bytes plain = EncodeJpeg(Photo(), 95);
  const TBitmap stored = DecodeJpeg(plain);
  Bytes damaged = adobe_;
  std::fill(damaged.begin() + 128, damaged.end(), uint8_t(0xA5));  // tag table overwritten
  struct Case {
    const char* what;
    Bytes jpeg;
  } cases[] = {
      {"sRGB profile", WithProfile(plain, test::ReadBytes(kIccFolder + "sRGB.icc"), 60000)},
      {"grey profile", WithProfile(plain, test::ReadBytes(kIccFolder + "Gray.icc"), 60000)},
      {"damaged profile", WithProfile(plain, damaged, 60000)},
      {"header only", WithProfile(plain, Bytes(adobe_.begin(), adobe_.begin() + 100), 60000)},
      {"a chunk missing", WithProfile(plain, adobe_, 200, 4)},
      {"no profile", plain},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(SamePixels(DecodeJpeg(c.jpeg), stored)) << c.what;
  }
}

TEST_F(ColorProfileTest, AlphaIsLeftAsItIs) {
  // Two pixels in BGRA: the colours change, the alpha bytes do not.
  uint8_t pixels[] = {10, 200, 30, 0, 250, 128, 5, 77};
  EXPECT_TRUE(ConvertProfileToSrgb(adobe_, pixels, 2, 1, 8, TPixelLayout::BGRA));
  EXPECT_EQ(pixels[3], 0);
  EXPECT_EQ(pixels[7], 77);
  EXPECT_NE(pixels[1], 200);
}

}  // namespace
}  // namespace pixmira
