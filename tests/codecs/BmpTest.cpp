// Our BMP reader on small files built here, byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/Bmp.h"
#include "core/Errors.h"

namespace pixmira {
namespace {

void Put16(std::vector<uint8_t>& v, std::size_t at, uint32_t x) {
  v[at] = uint8_t(x), v[at + 1] = uint8_t(x >> 8);
}
void Put32(std::vector<uint8_t>& v, std::size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
}

// A version 3 file: header, optional masks or palette (as given), then the pixel bytes.
std::vector<uint8_t> Bmp(int width, int height, int bpp, uint32_t compression,
                         const std::vector<uint8_t>& between, const std::vector<uint8_t>& pixels,
                         uint32_t colorsUsed = 0) {
  std::vector<uint8_t> v(54);
  v[0] = 'B', v[1] = 'M';
  const uint32_t offset = uint32_t(54 + between.size());
  Put32(v, 2, uint32_t(offset + pixels.size()));
  Put32(v, 10, offset);
  Put32(v, 14, 40);
  Put32(v, 18, uint32_t(width));
  Put32(v, 22, uint32_t(height));
  Put16(v, 26, 1);
  Put16(v, 28, uint32_t(bpp));
  Put32(v, 30, compression);
  Put32(v, 34, uint32_t(pixels.size()));
  Put32(v, 46, colorsUsed);
  v.insert(v.end(), between.begin(), between.end());
  v.insert(v.end(), pixels.begin(), pixels.end());
  return v;
}

std::vector<uint8_t> Masks(uint32_t r, uint32_t g, uint32_t b) {
  std::vector<uint8_t> v(12);
  Put32(v, 0, r), Put32(v, 4, g), Put32(v, 8, b);
  return v;
}

// Palette entries as blue, green, red, reserved.
const std::vector<uint8_t> kPalette = {255, 255, 255, 0,   // 0 white
                                       0,   0,   255, 0,   // 1 red
                                       255, 0,   0,   0};  // 2 blue
constexpr TColor kRed = RGBColor(255, 0, 0);
constexpr TColor kBlue = RGBColor(0, 0, 255);

TEST(BmpBitFields, EachChannelScalesToFullRangeRoundedToNearest) {
  struct Case {
    uint32_t r, g, b;  // masks
    int bpp;
    uint32_t pixel;
    TColor want;
  } cases[] = {
      {0xF800, 0x07E0, 0x001F, 16, 0xF800, RGBColor(255, 0, 0)},
      {0xF800, 0x07E0, 0x001F, 16, 0x0020 | 0x0003, RGBColor(0, 4, 25)},  // 1/63, 3/31
      {0x7C00, 0x03E0, 0x001F, 16, 0x7FFF, RGBColor(255, 255, 255)},
      {0x7C00, 0x03E0, 0x001F, 16, 0x0842, RGBColor(16, 16, 16)},  // 2/31 of each
      // Ten bits per channel, and a mask of no bits reads as zero.
      {0x3FF00000, 0x000FFC00, 0x000003FF, 32, 0x3FF00200, RGBColor(255, 0, 128)},
      {0x00FF0000, 0x0000FF00, 0x00000000, 32, 0x00123456, RGBColor(0x12, 0x34, 0)},
      {0x000000F0, 0x0000000F, 0x0000F000, 16, 0x9F3F, RGBColor(0x33, 0xFF, 0x99)},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> px(4);
    Put32(px, 0, c.pixel);  // one pixel, a whole row of 16 bits gets two bytes of padding
    const TBitmap b = DecodeBmp(Bmp(1, 1, c.bpp, 3, Masks(c.r, c.g, c.b), px));
    EXPECT_EQ(b.Pixel(0, 0), c.want) << std::hex << c.pixel;
  }
}

TEST(BmpBitFields, NonContiguousMaskIsRefused) {
  EXPECT_THROW(DecodeBmp(Bmp(1, 1, 16, 3, Masks(0xF00F, 0x0F00, 0x00F0), {0, 0, 0, 0})),
               EInvalidGraphic);
}

TEST(BmpRunLength, Rle8EscapesMoveAndEndWithUnreachedPixelsBlack) {
  // 4 x 3, bottom-up: the first stored row is the bottom one.
  const std::vector<uint8_t> rle = {
      2, 1,              // bottom row: two red
      0, 2, 1, 1,        // move right 1, up 1 -> (3, middle)
      1, 2,              // blue
      0, 0,              // end of line -> top row
      0, 3, 1, 2, 1, 0,  // literal run of three, padded to a word
      0, 1,              // end of bitmap
      5, 2,              // never read
  };
  const TBitmap b = DecodeBmp(Bmp(4, 3, 8, 1, kPalette, rle, 3));
  const TColor want[3][4] = {
      {kRed, kBlue, kRed, kBlack}, {kBlack, kBlack, kBlack, kBlue}, {kRed, kRed, kBlack, kBlack}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, y), want[y][x]) << x << "," << y;
}

TEST(BmpRunLength, Rle4AlternatesNibblesAndClipsRunsAtTheRowEnd) {
  const std::vector<uint8_t> rle = {
      5, 0x12,                    // 1 2 1 2 1, only three fit
      0, 0,                       //
      0, 3,    0x21, 0x00, 0, 0,  // literal 2 1 0, then end of line
      0, 1,
  };
  const TBitmap b = DecodeBmp(Bmp(3, 2, 4, 2, kPalette, rle, 3));
  EXPECT_EQ(b.Pixel(0, 1), kRed);
  EXPECT_EQ(b.Pixel(1, 1), kBlue);
  EXPECT_EQ(b.Pixel(2, 1), kRed);
  EXPECT_EQ(b.Pixel(0, 0), kBlue);
  EXPECT_EQ(b.Pixel(1, 0), kRed);
  EXPECT_EQ(b.Pixel(2, 0), kWhite);
}

TEST(BmpPalette, IndexBeyondAShortPaletteShowsBlack) {
  // 8-bit with three entries; index 7 has none.
  const TBitmap b = DecodeBmp(Bmp(2, 1, 8, 0, kPalette, {1, 7, 0, 0}, 3));
  EXPECT_EQ(b.Pixel(0, 0), kRed);
  EXPECT_EQ(b.Pixel(1, 0), kBlack);
}

TEST(BmpHostile, EveryBadHeaderIsOneClearError) {
  auto withField = [](std::size_t at, uint32_t value, int bytes = 4) {
    std::vector<uint8_t> v = Bmp(2, 2, 24, 0, {}, std::vector<uint8_t>(16, 0x40));
    for (int i = 0; i < bytes; ++i) v[at + i] = uint8_t(value >> (8 * i));
    return v;
  };
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"not BM", withField(0, 'X', 1)},
      {"width 0", withField(18, 0)},
      {"height 0", withField(22, 0)},
      {"negative width", withField(18, uint32_t(-5))},
      {"wider than 32767", withField(18, 32768)},
      {"more than 2^28 pixels",
       [&] {
         auto v = withField(18, 20000);
         Put32(v, 22, 20000);
         return v;
       }()},
      {"lowest height", withField(22, 0x80000000u)},
      {"rows beyond the data", withField(22, 3)},
      {"header size 20", withField(14, 20)},
      {"7 bits per pixel", withField(28, 7, 2)},
      {"RLE8 with 24 bits", withField(30, 1)},
      {"unknown compression", withField(30, 9)},
      {"pixels beyond the end", withField(10, 5000)},
      {"only the file header", std::vector<uint8_t>{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"palette beyond the end", Bmp(2, 2, 8, 0, {}, {}, 0)},
  };
  for (const auto& [what, bytes] : cases) {
    EXPECT_THROW(DecodeBmp(bytes), EInvalidGraphic) << what;
  }
}

TEST(BmpImage, DrawsScaledAndCopiesItself) {
  TBMPImage image;
  image.LoadFromMemory(Bmp(2, 1, 8, 0, kPalette, {1, 2, 0, 0}, 3));
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(image.Height(), 1);
  TBitmap target(4, 2);
  image.Draw(target, {0, 0, 4, 2});
  EXPECT_EQ(target.Pixel(1, 1), kRed);
  EXPECT_EQ(target.Pixel(2, 0), kBlue);
  EXPECT_EQ(image.ToBitmap()->Pixel(1, 0), kBlue);
}

}  // namespace
}  // namespace pixmira
