// WebP and HEIF beyond the fixtures: turned HEIF pictures, and damaged files of both.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include "codecs/Heif.h"
#include "codecs/LoadPicture.h"
#include "codecs/Png.h"
#include "codecs/Webp.h"
#include "core/Errors.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using test::DataPath;
using test::ReadBytes;

// Whether this libheif can encode HEVC at all (the Windows build is made to decode only).
bool HaveHevcEncoder() {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  const bool have =
      heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
      heif_error_Ok;
  if (encoder) heif_encoder_release(encoder);
  heif_context_free(context);
  return have;
}

// A 32 × 16 picture, red on the left half and blue on the right, written by libheif's own
// encoder with an orientation that its irot/imir boxes record.
void WriteOrientedHeif(const std::string& path, heif_orientation orientation) {
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  ASSERT_EQ(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code,
            heif_error_Ok);
  heif_encoder_set_lossless(encoder, 1);
  heif_image* image = nullptr;
  heif_image_create(32, 16, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
  heif_image_add_plane(image, heif_channel_interleaved, 32, 16, 8);
  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      uint8_t* p = plane + y * stride + x * 3;
      p[0] = x < 16 ? 220 : 20;
      p[1] = y < 8 ? 30 : 120;
      p[2] = x < 16 ? 20 : 220;
    }
  }
  heif_encoding_options* options = heif_encoding_options_alloc();
  options->image_orientation = orientation;
  ASSERT_EQ(heif_context_encode_image(context, image, encoder, options, nullptr).code,
            heif_error_Ok);
  ASSERT_EQ(heif_context_write_to_file(context, path.c_str()).code, heif_error_Ok);
  heif_encoding_options_free(options);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
}

TEST(HeifPicture, TurnedAsTheFileSaysLikeHeifConvert) {
  if (!test::Works("command -v heif-convert")) GTEST_SKIP() << "heif-convert is not installed";
  test::TempDir dir;
  struct Case {
    heif_orientation orientation;
    int width, height;
  } cases[] = {
      {heif_orientation_normal, 32, 16},
      {heif_orientation_rotate_90_cw, 16, 32},
      {heif_orientation_rotate_180, 32, 16},
      {heif_orientation_flip_horizontally, 32, 16},
  };
  for (const Case& c : cases) {
    const std::string heic = dir.File("turned.heic");
    const std::string png = dir.File("turned.png");
    WriteOrientedHeif(heic, c.orientation);
    int status = 0;
    test::RunTool("heif-convert --quiet '" + heic + "' '" + png + "'", status);
    ASSERT_EQ(status, 0);

    THEIFPicture ours;
    ours.LoadFromFile(heic);
    TPNGPicture theirs;
    theirs.LoadFromFile(png);
    ASSERT_EQ(ours.Width(), c.width) << c.orientation;
    ASSERT_EQ(ours.Height(), c.height) << c.orientation;
    ASSERT_EQ(theirs.Width(), c.width);
    EXPECT_EQ(ours.Bgra(), theirs.Bgra()) << c.orientation;
  }
}

// Every turn and mirror a camera records (front cameras mirror), against where each quarter of
// the picture must land by the orientation's own definition, not by another libheif reader.
TEST(HeifPicture, EveryTurnAndMirrorLandsWhereTheOrientationSays) {
  PIXMIRA_SKIP_UNLESS(HaveHevcEncoder(), "libheif without an HEVC encoder to write the pictures");
  test::TempDir dir;
  const int W = 32, H = 16;
  // Display (x, y) to stored (sx, sy) for each orientation, as the EXIF tag defines them.
  auto source = [&](int o, int x, int y) -> std::pair<int, int> {
    switch (o) {
      case 2:
        return {W - 1 - x, y};
      case 3:
        return {W - 1 - x, H - 1 - y};
      case 4:
        return {x, H - 1 - y};
      case 5:
        return {y, x};
      case 6:
        return {y, H - 1 - x};
      case 7:
        return {W - 1 - y, H - 1 - x};
      case 8:
        return {W - 1 - y, x};
    }
    return {x, y};
  };
  for (int o = 1; o <= 8; ++o) {
    const std::string heic = dir.File("oriented.heic");
    WriteOrientedHeif(heic, heif_orientation(o));
    THEIFPicture picture;
    ASSERT_NO_THROW(picture.LoadFromFile(heic)) << o;
    const bool turned = o >= 5;
    ASSERT_EQ(picture.Width(), turned ? H : W) << o;
    ASSERT_EQ(picture.Height(), turned ? W : H) << o;
    // The middle of each quarter: away from the edges the encoder may blur.
    for (int qy = 0; qy < 2; ++qy) {
      for (int qx = 0; qx < 2; ++qx) {
        const int x = picture.Width() / 4 + qx * picture.Width() / 2;
        const int y = picture.Height() / 4 + qy * picture.Height() / 2;
        const auto [sx, sy] = source(o, x, y);
        const uint8_t* bgra = picture.Bgra().data() + (std::size_t(y) * picture.Width() + x) * 4;
        EXPECT_NEAR(bgra[2], sx < 16 ? 220 : 20, 12)
            << "orientation " << o << " at " << x << "," << y;
        EXPECT_NEAR(bgra[1], sy < 8 ? 30 : 120, 12)
            << "orientation " << o << " at " << x << "," << y;
      }
    }
  }
}

// Cut short or overwritten, a file loads as nothing and never takes the program down.
TEST(WebpHeifRobustness, DamagedFilesLoadAsNothing) {
  test::TempDir dir;
  for (const char* file :
       {"webp-lossy.webp", "webp-alpha-lossless.webp", "heif-q90.heic", "heif-alpha.heic"}) {
    const std::vector<uint8_t> bytes = ReadBytes(DataPath(file));
    const std::string ext = std::string(file).substr(std::string(file).rfind('.'));
    for (std::size_t keep :
         {std::size_t(0), std::size_t(11), std::size_t(30), bytes.size() / 2, bytes.size() - 1}) {
      const std::string path = dir.File("cut" + ext);
      test::WriteFile(path, std::string(bytes.begin(), bytes.begin() + long(keep)));
      EXPECT_EQ(LoadPictureBitmap(path), nullptr) << file << " cut to " << keep;
    }
    std::vector<uint8_t> scrambled = bytes;
    for (std::size_t i = 40; i < scrambled.size(); i += 7) scrambled[i] ^= 0x5A;
    const std::string path = dir.File("scrambled" + ext);
    test::WriteFile(path, std::string(scrambled.begin(), scrambled.end()));
    // Either nothing or a picture of the right size; what matters is no crash.
    if (auto bitmap = LoadPictureBitmap(path)) {
      EXPECT_GT(bitmap->Width(), 0);
    }
  }
}

TEST(WebpHeifRobustness, ErrorsAreInvalidGraphics) {
  const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i',
                                     'c', 't', 'u', 'r', 'e', '.', '.', '.'};
  TWebPPicture webp;
  EXPECT_THROW(webp.LoadFromMemory(text), EInvalidGraphic);
  EXPECT_EQ(webp.Width(), 0);
  THEIFPicture heif;
  EXPECT_THROW(heif.LoadFromMemory(text), EInvalidGraphic);
  EXPECT_EQ(heif.Width(), 0);
}

}  // namespace
}  // namespace pixmira
