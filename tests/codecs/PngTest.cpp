// PNG pictures: content sniffing, the copy over black and the blended drawing.
#include <gtest/gtest.h>
#include <zlib.h>

#include "codecs/Bmp.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "core/Errors.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using test::DataPath;
using test::ReadBytes;

void Be32(std::vector<uint8_t>& v, uint32_t x) {
  v.insert(v.end(), {uint8_t(x >> 24), uint8_t(x >> 16), uint8_t(x >> 8), uint8_t(x)});
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& body) {
  Be32(png, uint32_t(body.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), body.begin(), body.end());
  Be32(png, uint32_t(crc32(0, png.data() + start, uInt(png.size() - start))));
}

// An 8-bit RGBA PNG of the given straight pixels (red, green, blue, alpha).
std::vector<uint8_t> Rgba(int w, int h, const std::vector<std::array<uint8_t, 4>>& pixels) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> ihdr;
  Be32(ihdr, uint32_t(w));
  Be32(ihdr, uint32_t(h));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  std::vector<uint8_t> raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) {
      const auto& p = pixels[std::size_t(y) * w + x];
      raw.insert(raw.end(), p.begin(), p.end());
    }
  }
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(size);
  compress(packed.data(), &size, raw.data(), uLong(raw.size()));
  packed.resize(size);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", {});
  return png;
}

TPNGPicture Load(const std::vector<uint8_t>& bytes) {
  TPNGPicture png;
  png.LoadFromMemory(bytes);
  return png;
}

TEST(PngContent, RecognisedByContentLikeThePlatformLibrary) {
  // Too short for any picture: empty, no error.
  for (std::size_t n : {0, 1, 13}) {
    const TPNGPicture png = Load(std::vector<uint8_t>(n, 0x89));
    EXPECT_EQ(png.Width(), 0);
    EXPECT_EQ(png.Height(), 0);
    EXPECT_TRUE(png.ToBitmap()->Empty());
  }
  EXPECT_THROW(Load(std::vector<uint8_t>(14, 'x')), EInvalidGraphic);

  // JPEG and BMP data give their decoders' pixels, fully opaque.
  for (const char* file : {"jpeg-exif6.jpg", "bmp-rle8.bmp"}) {
    const std::vector<uint8_t> data = ReadBytes(DataPath(file));
    const TBitmap want = file[0] == 'j' ? DecodeJpeg(data) : DecodeBmp(data);
    const TPNGPicture png = Load(data);
    ASSERT_EQ(png.Width(), want.Width()) << file;
    ASSERT_EQ(png.Height(), want.Height()) << file;
    const auto got = png.ToBitmap();
    EXPECT_EQ(std::vector<uint8_t>(got->Data(), got->Data() + want.Stride() * want.Height()),
              std::vector<uint8_t>(want.Data(), want.Data() + want.Stride() * want.Height()))
        << file;
  }

  // GIF data keep their transparency as alpha: the frame's transparent index and the screen
  // around the frame are see-through.
  const TPNGPicture gif = Load(ReadBytes(DataPath("gif-transparent.gif")));
  ASSERT_EQ(gif.Width(), 14);
  auto alpha = [&](int x, int y) { return gif.Bgra()[(std::size_t(y) * 14 + x) * 4 + 3]; };
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(4, 3), 255);  // "r"
  EXPECT_EQ(alpha(7, 3), 0);    // "t", the transparent index
}

TEST(PngDamaged, BadChunksTruncationAndOversizeAreRefused) {
  const std::vector<uint8_t> good = Rgba(2, 1, {{1, 2, 3, 4}, {5, 6, 7, 8}});
  EXPECT_EQ(Load(good).Bgra(), (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));

  std::vector<uint8_t> badCrc = good;
  badCrc[29] ^= 1;  // last byte of the header's CRC
  EXPECT_THROW(Load(badCrc), EInvalidGraphic);

  const std::vector<uint8_t> cut(good.begin(), good.begin() + 40);
  EXPECT_THROW(Load(cut), EInvalidGraphic);

  std::vector<uint8_t> wide = Rgba(1, 1, {{0, 0, 0, 255}});
  std::vector<uint8_t> ihdr(wide.begin() + 16, wide.begin() + 29);
  ihdr[0] = 0, ihdr[1] = 0, ihdr[2] = 0x9C, ihdr[3] = 0x40;  // width 40000
  std::vector<uint8_t> patched(wide.begin(), wide.begin() + 8);
  Chunk(patched, "IHDR", ihdr);
  patched.insert(patched.end(), wide.begin() + 33, wide.end());
  EXPECT_THROW(Load(patched), EInvalidGraphic);
}

TEST(PngDraw, AtItsOwnSizeBlendsByAlphaOverTheTarget) {
  const TPNGPicture png = Load(
      Rgba(4, 1, {{200, 100, 0, 0}, {200, 100, 0, 255}, {200, 100, 0, 128}, {255, 255, 255, 1}}));
  TBitmap target(5, 1);
  target.Fill(RGBColor(10, 20, 30));
  png.Draw(target, {1, 0, 5, 1});
  auto blend = [](int s, int a, int d) { return uint8_t((s * a + d * (255 - a) + 127) / 255); };
  EXPECT_EQ(target.Pixel(0, 0), RGBColor(10, 20, 30));  // outside the rectangle
  EXPECT_EQ(target.Pixel(1, 0), RGBColor(10, 20, 30));
  EXPECT_EQ(target.Pixel(2, 0), RGBColor(200, 100, 0));
  EXPECT_EQ(target.Pixel(3, 0),
            RGBColor(blend(200, 128, 10), blend(100, 128, 20), blend(0, 128, 30)));
  EXPECT_EQ(target.Pixel(4, 0), RGBColor(blend(255, 1, 10), blend(255, 1, 20), blend(255, 1, 30)));
}

TEST(PngDraw, ScaledDrawingIsBilinearAndEnlargingLeavesTheLastColumnOut) {
  const TPNGPicture pair = Load(Rgba(2, 1, {{255, 0, 0, 255}, {0, 0, 255, 255}}));
  TBitmap wide(4, 1);
  pair.Draw(wide, {0, 0, 4, 1});
  for (int x = 0; x < 4; ++x) EXPECT_EQ(wide.Pixel(x, 0), RGBColor(255, 0, 0)) << x;

  // Shrinking 4 -> 2 averages neighbours: each output pixel sits between two inputs.
  const TPNGPicture four =
      Load(Rgba(4, 1, {{0, 0, 0, 255}, {100, 0, 0, 255}, {200, 0, 0, 255}, {250, 0, 0, 255}}));
  TBitmap narrow(2, 1);
  four.Draw(narrow, {0, 0, 2, 1});
  EXPECT_EQ(RedOf(narrow.Pixel(0, 0)), 50);
  EXPECT_EQ(RedOf(narrow.Pixel(1, 0)), 225);

  // Transparent neighbours lend no colour: a half-covered edge keeps the opaque colour.
  const TPNGPicture edge = Load(Rgba(2, 1, {{0, 200, 0, 255}, {255, 255, 255, 0}}));
  TBitmap one(1, 1);
  one.Fill(kBlack);
  edge.Draw(one, {0, 0, 1, 1});
  EXPECT_EQ(one.Pixel(0, 0), RGBColor(0, 100, 0));
}

TEST(PngDraw, ClippedToTheTargetAndNothingForEmptyRectangles) {
  std::vector<std::array<uint8_t, 4>> solid(9, {10, 20, 30, 255});
  const TPNGPicture png = Load(Rgba(3, 3, solid));
  TBitmap target(4, 4);
  png.Draw(target, {-5, -5, 2, 2});
  png.Draw(target, {3, 3, 3, 10});
  png.Draw(target, {100, 0, 200, 10});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(target.Pixel(x, y), x < 2 && y < 2 ? RGBColor(10, 20, 30) : kWhite) << x << y;

  // A rectangle far larger than any picture still maps without overflow.
  TBitmap huge(3, 2);
  png.Draw(huge, {-2000000000, -5, 2000000000, 1});
  EXPECT_EQ(huge.Pixel(2, 0), RGBColor(10, 20, 30));
  EXPECT_EQ(huge.Pixel(2, 1), kWhite);
}

}  // namespace
}  // namespace pixmira
