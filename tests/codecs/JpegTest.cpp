// JPEG through libjpeg: errors as exceptions, EXIF orientation, encoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "codecs/Jpeg.h"
#include "core/Errors.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

// A 3 x 2 picture whose pixels are letters: A B C / D E F.
TBitmap Letters() {
  TBitmap b(3, 2);
  for (int i = 0; i < 6; ++i) b.SetPixel(i % 3, i / 3, RGBColor(uint8_t('A' + i), 0, 0));
  return b;
}

std::string Spell(const TBitmap& b) {
  std::string s;
  for (int y = 0; y < b.Height(); ++y) {
    if (y) s += '/';
    for (int x = 0; x < b.Width(); ++x) s += char(RedOf(b.Pixel(x, y)));
  }
  return s;
}

TEST(ExifOrientation, EachValueTurnsThePictureUpright) {
  const std::pair<int, const char*> cases[] = {
      {1, "ABC/DEF"},  {2, "CBA/FED"},  {3, "FED/CBA"},  {4, "DEF/ABC"},
      {5, "AD/BE/CF"}, {6, "DA/EB/FC"}, {7, "FC/EB/DA"}, {8, "CF/BE/AD"},
      {0, "ABC/DEF"},  {9, "ABC/DEF"},  // not orientations: left alone
  };
  for (auto [orientation, want] : cases)
    EXPECT_EQ(Spell(ApplyExifOrientation(Letters(), orientation)), want) << orientation;
}

// An APP1 body: "Exif\0\0", then a TIFF header and IFD0 with the given entries.
std::vector<uint8_t> Exif(bool little, const std::vector<std::array<uint32_t, 4>>& entries,
                          uint32_t ifdOffset = 8, uint16_t count = 0xFFFF) {
  std::vector<uint8_t> v = {'E', 'x', 'i', 'f', 0, 0};
  auto u16 = [&](uint32_t x) {
    if (little)
      v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)});
    else
      v.insert(v.end(), {uint8_t(x >> 8), uint8_t(x)});
  };
  auto u32 = [&](uint32_t x) {
    if (little)
      u16(x & 0xFFFF), u16(x >> 16);
    else
      u16(x >> 16), u16(x & 0xFFFF);
  };
  const uint8_t order = little ? 'I' : 'M';
  v.push_back(order);
  v.push_back(order);
  u16(42);
  u32(ifdOffset);
  u16(count == 0xFFFF ? uint16_t(entries.size()) : count);
  for (const auto& [tag, type, n, value] : entries) {
    u16(tag), u16(type), u32(n);
    if (type == 3)
      u16(value), u16(0);
    else
      u32(value);
  }
  return v;
}

TEST(ExifOrientation, TagIsFoundInEitherByteOrderAndDamageMeansUpright) {
  struct Case {
    const char* what;
    std::vector<uint8_t> app1;
    int want;
  } cases[] = {
      {"Intel order", Exif(true, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, 6}}), 6},
      {"Motorola order", Exif(false, {{0x0112, 3, 1, 8}}), 8},
      {"as a LONG", Exif(true, {{0x0112, 4, 1, 3}}), 3},
      {"no orientation tag", Exif(true, {{0x010F, 2, 4, 0}}), 1},
      {"value out of range", Exif(true, {{0x0112, 3, 1, 12}}), 1},
      {"IFD beyond the segment", Exif(true, {{0x0112, 3, 1, 6}}, 4000), 1},
      {"count beyond the segment", Exif(true, {}, 8, 500), 1},
      {"not Exif", {'J', 'F', 'I', 'F', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0}, 1},
      {"truncated header", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(ExifOrientation(c.app1), c.want) << c.what;
}

TBitmap Quadrants(int w, int h) {
  const TColor colors[4] = {RGBColor(220, 30, 30), RGBColor(30, 200, 40), RGBColor(40, 40, 210),
                            RGBColor(240, 230, 60)};
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, colors[(x * 2 / w) + 2 * (y * 2 / h)]);
  return b;
}

TEST(JpegEncode, BaselineColourAtTheQualityDecodingCloseToTheSource) {
  const TBitmap picture = Quadrants(32, 16);
  const std::vector<uint8_t> high = EncodeJpeg(picture, 100);
  const std::vector<uint8_t> low = EncodeJpeg(picture, 50);
  EXPECT_LT(low.size(), high.size());
  ASSERT_GE(high.size(), 4u);
  EXPECT_EQ(high[0], 0xFF);
  EXPECT_EQ(high[1], 0xD8);
  // The frame header is baseline (SOF0) with three components.
  bool baseline = false;
  for (std::size_t i = 0; i + 9 < high.size(); ++i) {
    if (high[i] == 0xFF && high[i + 1] == 0xC2) FAIL() << "progressive";
    if (high[i] == 0xFF && high[i + 1] == 0xC0) baseline = high[i + 9] == 3;
  }
  EXPECT_TRUE(baseline);
  const TBitmap back = DecodeJpeg(high);
  ASSERT_EQ(back.Width(), 32);
  ASSERT_EQ(back.Height(), 16);
  for (auto [x, y] : {std::pair{4, 4}, {27, 4}, {4, 12}, {27, 12}}) {
    const TColor a = picture.Pixel(x, y), b = back.Pixel(x, y);
    EXPECT_NEAR(RedOf(a), RedOf(b), 3);
    EXPECT_NEAR(GreenOf(a), GreenOf(b), 3);
    EXPECT_NEAR(BlueOf(a), BlueOf(b), 3);
  }
}

TEST(JpegDecode, ReducedDecodeTakesTheSmallestScaleThatStillGivesTheWantedSize) {
  // 800 x 600: the scales n/8 give 100n x 75n.
  const std::vector<uint8_t> data = EncodeJpeg(Quadrants(800, 600), 90);
  struct Case {
    int wantW, wantH, w, h;
  } cases[] = {
      {0, 0, 100, 75},     {100, 75, 100, 75}, {101, 75, 200, 150}, {118, 89, 200, 150},
      {100, 76, 200, 150}, {700, 1, 700, 525}, {701, 1, 800, 600},  {5000, 5000, 800, 600},
  };
  for (const Case& c : cases) {
    const TReducedJpeg jpeg =
        DecodeJpegReduced(data, [&](int, int) { return std::pair(c.wantW, c.wantH); });
    EXPECT_EQ(jpeg.bitmap.Width(), c.w) << c.wantW << "x" << c.wantH;
    EXPECT_EQ(jpeg.bitmap.Height(), c.h) << c.wantW << "x" << c.wantH;
    EXPECT_EQ(jpeg.fullWidth, 800);
    EXPECT_EQ(jpeg.fullHeight, 600);
  }
  // The quadrants survive the reduction: red top left, yellow bottom right.
  const TReducedJpeg small = DecodeJpegReduced(data, [](int, int) { return std::pair(1, 1); });
  EXPECT_GT(RedOf(small.bitmap.Pixel(10, 10)), 180);
  EXPECT_LT(BlueOf(small.bitmap.Pixel(10, 10)), 80);
  EXPECT_GT(GreenOf(small.bitmap.Pixel(90, 65)), 180);
  EXPECT_LT(BlueOf(small.bitmap.Pixel(90, 65)), 100);
}

TEST(JpegDecode, ReducedDecodeIsUprightAndAsksWithTheUprightSize) {
  // Orientation 6 stores the picture lying on its side: 800 x 600 stored, 600 x 800 shown.
  std::vector<uint8_t> data = EncodeJpeg(Quadrants(800, 600), 90);
  const std::vector<uint8_t> body = Exif(true, {{0x0112, 3, 1, 6}});
  std::vector<uint8_t> app1 = {0xFF, 0xE1, uint8_t((body.size() + 2) >> 8),
                               uint8_t(body.size() + 2)};
  app1.insert(app1.end(), body.begin(), body.end());
  data.insert(data.begin() + 2, app1.begin(), app1.end());
  int askedW = 0, askedH = 0;
  const TReducedJpeg jpeg = DecodeJpegReduced(data, [&](int w, int h) {
    askedW = w, askedH = h;
    return std::pair(75, 100);
  });
  EXPECT_EQ(askedW, 600);
  EXPECT_EQ(askedH, 800);
  EXPECT_EQ(jpeg.fullWidth, 600);
  EXPECT_EQ(jpeg.fullHeight, 800);
  EXPECT_EQ(jpeg.bitmap.Width(), 75);
  EXPECT_EQ(jpeg.bitmap.Height(), 100);
  // Turned a quarter clockwise: the stored bottom-left (blue) is now the top left.
  EXPECT_GT(BlueOf(jpeg.bitmap.Pixel(10, 10)), 150);
  EXPECT_EQ(DecodeJpeg(data).Width(), 600);
}

// Progressive files hold the same coefficients in several scans: the same pixels, smaller.
TEST(JpegEncode, ProgressiveGivesTheSamePixelsInASmallerFile) {
  const TBitmap photo =
      DecodeJpeg(test::ReadBytes(std::string(PIXMIRA_SOURCE_DIR) + "/data/samples/mug.jpg"));
  for (int quality : {90, 50}) {
    const std::vector<uint8_t> baseline = EncodeJpeg(photo, quality);
    const std::vector<uint8_t> progressive = EncodeJpeg(photo, quality, true);
    EXPECT_LT(progressive.size(), baseline.size()) << quality;
    bool sof2 = false;
    for (std::size_t i = 0; i + 1 < progressive.size() && !sof2; ++i) {
      sof2 = progressive[i] == 0xFF && progressive[i + 1] == 0xC2;
    }
    EXPECT_TRUE(sof2) << quality;
    const TBitmap a = DecodeJpeg(baseline), b = DecodeJpeg(progressive);
    ASSERT_EQ(a.Stride() * a.Height(), b.Stride() * b.Height());
    EXPECT_TRUE(std::equal(a.Data(), a.Data() + a.Stride() * a.Height(), b.Data())) << quality;
  }
}

TEST(JpegErrors, LibjpegFailuresBecomeNumberedExceptions) {
  const std::vector<std::vector<uint8_t>> inputs = {
      {},  // nothing at all
      {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'},
      {0xFF, 0xD8, 0xFF, 0xD9},  // start and end, no frame
  };
  for (const auto& input : inputs) {
    try {
      DecodeJpeg(input);
      ADD_FAILURE() << "no error for " << input.size() << " bytes";
    } catch (const EJPEG& e) {
      EXPECT_GT(e.Code(), 0);
      EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(e.Code()));
    }
  }
  EXPECT_THROW(EncodeJpeg(TBitmap()), EJPEG);
}

TEST(JpegErrors, OversizedFrameIsRefusedBeforeDecoding) {
  std::vector<uint8_t> data = EncodeJpeg(Quadrants(16, 16), 90);
  for (std::size_t i = 0; i + 8 < data.size(); ++i) {
    if (data[i] == 0xFF && data[i + 1] == 0xC0) {
      data[i + 7] = 0x9C, data[i + 8] = 0x40;  // width 40000
      break;
    }
  }
  EXPECT_THROW(DecodeJpeg(data), EInvalidGraphic);
}

// Each empty scan is a pass over every coefficient: hundreds of them in a file of a few
// kilobytes took a minute. A real progressive file (a dozen scans) still decodes.
TEST(JpegErrors, HundredsOfEmptyScansAreRefused) {
  auto scans = [](int count) {
    std::vector<uint8_t> d = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    d.insert(d.end(), 64, 1);
    const uint8_t sof[] = {0xFF, 0xC2, 0, 11, 8, 2, 0, 2, 0, 1, 1, 0x11, 0};
    d.insert(d.end(), std::begin(sof), std::end(sof));
    const uint8_t dht[] = {0xFF, 0xC4, 0, 20, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    d.insert(d.end(), std::begin(dht), std::end(dht));
    for (int i = 0; i < count; ++i) {
      const uint8_t sos[] = {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0, 0, 0};
      d.insert(d.end(), std::begin(sos), std::end(sos));
    }
    d.push_back(0xFF);
    d.push_back(0xD9);
    return d;
  };
  EXPECT_NO_THROW(DecodeJpeg(scans(12)));
  EXPECT_THROW(DecodeJpeg(scans(600)), EJPEG);
}

TEST(JpegDecode, TruncatedFileGivesWhatLibjpegCouldRead) {
  const std::vector<uint8_t> whole = test::ReadBytes(test::DataPath("jpeg-baseline.jpg"));
  const std::vector<uint8_t> half(whole.begin(), whole.begin() + whole.size() / 2);
  TJPEGImage jpeg;
  jpeg.LoadFromMemory(half);
  EXPECT_EQ(jpeg.Width(), 48);
  EXPECT_EQ(jpeg.Height(), 32);
}

}  // namespace
}  // namespace pixmira
