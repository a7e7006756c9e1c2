// Reading GIF files built here: the screen, blocks, LZW codes and the first frame's copy.
#include <gtest/gtest.h>

#include <random>

#include "codecs/Gif.h"
#include "core/Errors.h"

namespace pixmira {
namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& v, const Bytes& more) { v.insert(v.end(), more.begin(), more.end()); }

// Codes at given widths, least significant bit first, cut into sub-blocks and terminated.
Bytes Codes(int codeSize, const std::vector<std::pair<int, int>>& codes) {
  Bytes data;
  uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codes) {
    bits |= uint32_t(code) << count;
    count += width;
    while (count >= 8) data.push_back(uint8_t(bits)), bits >>= 8, count -= 8;
  }
  if (count > 0) data.push_back(uint8_t(bits));
  Bytes out = {uint8_t(codeSize)};
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - i);
    out.push_back(uint8_t(n));
    out.insert(out.end(), data.begin() + i, data.begin() + i + n);
  }
  out.push_back(0);
  return out;
}

// Indices sent as single-index codes, the width growing as the decoder's table does.
Bytes Literals(int codeSize, const Bytes& indices) {
  const int clear = 1 << codeSize;
  int width = codeSize + 1, next = clear + 2;
  std::vector<std::pair<int, int>> codes = {{clear, width}};
  for (std::size_t i = 0; i < indices.size(); ++i) {
    codes.push_back({indices[i], width});
    if (i > 0 && next < 4096 && ++next >= (1 << width) && width < 12) ++width;
  }
  codes.push_back({clear + 1, width});
  return Codes(codeSize, codes);
}

// Header with a logical screen and a global table of the given colours (none when empty).
Bytes Screen(int w, int h, const TGIFColorMap& global = {}, uint8_t background = 0,
             const char* signature = "GIF89a") {
  Bytes v(signature, signature + 6);
  Append(v, {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)});
  uint8_t packed = 0;
  int entries = 0;
  if (!global.empty()) {
    int bits = 1;
    while ((1 << bits) < int(global.size())) ++bits;
    packed = uint8_t(0x80 | (bits - 1));
    entries = 1 << bits;
  }
  Append(v, {packed, background, 0});
  for (int i = 0; i < entries; ++i) {
    const TGIFColor c = i < int(global.size()) ? global[i] : TGIFColor{};
    Append(v, {c.r, c.g, c.b});
  }
  return v;
}

Bytes Image(int left, int top, int w, int h, const Bytes& data, uint8_t packed = 0,
            const TGIFColorMap& local = {}) {
  Bytes v = {','};
  Append(v, {uint8_t(left), uint8_t(left >> 8), uint8_t(top), uint8_t(top >> 8), uint8_t(w),
             uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)});
  if (!local.empty()) {
    int bits = 1;
    while ((1 << bits) < int(local.size())) ++bits;
    packed |= uint8_t(0x80 | (bits - 1));
    v.push_back(packed);
    for (int i = 0; i < (1 << bits); ++i) {
      const TGIFColor c = i < int(local.size()) ? local[i] : TGIFColor{};
      Append(v, {c.r, c.g, c.b});
    }
  } else {
    v.push_back(packed);
  }
  Append(v, data);
  return v;
}

Bytes Transparency(uint8_t index) { return {'!', 0xF9, 4, 1, 0, 0, index, 0}; }

const TGIFColorMap kColors = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

TGIFImage Read(const Bytes& bytes) {
  TGIFImage gif;
  gif.LoadFromMemory(bytes);
  return gif;
}

std::string ErrorOf(const Bytes& bytes) {
  try {
    Read(bytes);
  } catch (const GIFException& e) {
    return e.what();
  }
  return "no error";
}

TEST(GifSignature, UpperCasedGifAtTheStartOrFourBytesInElseAnError) {
  Bytes tail = Image(0, 0, 1, 1, Literals(2, {1}));
  tail.push_back(';');
  Bytes lower = Screen(1, 1, kColors, 0, "gif87a");
  Append(lower, tail);
  EXPECT_EQ(Read(lower).Frames().size(), 1u);

  Bytes shifted = {'J', 'U', 'N', 'K'};
  Append(shifted, Screen(1, 1, kColors));
  Append(shifted, tail);
  EXPECT_EQ(Read(shifted).Frames()[0].indices, Bytes{1});

  Bytes wrong = Screen(1, 1, kColors, 0, "GIT89a");
  Append(wrong, tail);
  EXPECT_EQ(ErrorOf(wrong), "Invalid GIF signature");
  EXPECT_EQ(ErrorOf({'G', 'I', 'F'}), "Invalid GIF signature");
  EXPECT_EQ(ErrorOf(Screen(1, 1, kColors)), "Image is empty");
}

TEST(GifBlocks, ZeroBytesAreSkippedAndAnUnknownBlockEndsTheReading) {
  Bytes v = Screen(2, 1, kColors);
  Append(v, {0, 0, 0});
  Append(v, Transparency(3));
  Append(v, {0});
  Append(v, Image(0, 0, 2, 1, Literals(2, {1, 2})));
  Append(v, Image(0, 0, 2, 1, Literals(2, {2, 2})));
  Append(v, {'?'});
  Append(v, Image(0, 0, 2, 1, Literals(2, {3, 3})));
  Append(v, {';'});
  const TGIFImage gif = Read(v);
  ASSERT_EQ(gif.Frames().size(), 2u);
  ASSERT_NE(gif.Frames()[0].GraphicControl(), nullptr);
  EXPECT_EQ(gif.Frames()[0].GraphicControl()->transparentIndex, 3);
  EXPECT_EQ(gif.Frames()[1].GraphicControl(), nullptr);
  EXPECT_EQ(gif.Frames()[1].indices, (Bytes{2, 2}));
}

TEST(GifBlocks, ExtensionsAreKeptPerFrameAndTrailingOnesMakeAFrameWithoutImage) {
  Bytes v = Screen(1, 1, kColors);
  Append(v, {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 5, 0, 0});
  Append(v, {'!', 0xFE, 3, 'h', 'e', 'y', 0});  // a comment: read past, not kept
  Append(v, {'!', 0xF9, 4, 0, 50, 0, 0, 0});
  Append(v, Image(0, 0, 1, 1, Literals(2, {1})));
  Append(v, Transparency(1));
  // No trailer: only a warning.
  const TGIFImage gif = Read(v);
  ASSERT_EQ(gif.Frames().size(), 2u);
  const TGIFFrame& first = gif.Frames()[0];
  ASSERT_EQ(first.extensions.size(), 2u);
  ASSERT_TRUE(first.extensions[0].loop);
  EXPECT_EQ(first.extensions[0].loop->loopCount, 5);
  EXPECT_EQ(first.GraphicControl()->delay, 50);
  EXPECT_FALSE(gif.Frames()[1].HasImage());
}

TEST(GifLzw, CodesBeyondTheTableAndInterlacedRowOrder) {
  // 1 x 8, interlaced: decoded order fills rows 0, 4, 2, 6, 1, 3, 5, 7.
  Bytes v = Screen(1, 8, kColors);
  // Code size 3: clear 8, end 9; code 10 arrives before it is defined.
  const Bytes data = Codes(3, {{8, 4}, {1, 4}, {10, 4}, {2, 4}, {3, 4}, {11, 4}, {9, 4}});
  Append(v, Image(0, 0, 1, 8, data, 0x40));
  const TGIFImage gif = Read(v);
  const TGIFFrame& f = gif.Frames()[0];
  // Strings: 1 | 10 = "1 1" | 2 (11 = "1 1 2") | 3 (12 = "2 3") | 11 = "1 1 2".
  const Bytes decoded = {1, 1, 1, 2, 3, 1, 1, 2};
  const int rows[8] = {0, 4, 2, 6, 1, 3, 5, 7};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(f.indices[rows[i]], decoded[i]) << i;
}

TEST(GifLzw, DamagedTablesFailWithTheirMessages) {
  // Entry 7 refers to itself: 0, then 7 (beyond the table) makes 7 the previous code.
  Bytes circular = Screen(4, 4, kColors);
  Append(circular, Image(0, 0, 4, 4, Codes(2, {{4, 3}, {0, 3}, {7, 3}, {1, 3}, {7, 4}})));
  EXPECT_EQ(ErrorOf(circular), "Circular decoder table entry");

  // Entries 11 and 12 refer to each other: the string never ends.
  Bytes loop = Screen(8, 8, kColors);
  Append(loop, Image(0, 0, 8, 8, Codes(3, {{8, 4}, {0, 4}, {12, 4}, {11, 4}, {0, 4}, {11, 4}})));
  EXPECT_EQ(ErrorOf(loop), "Invalid GIF data");

  // A failed load leaves nothing half read behind.
  Bytes good = Screen(1, 1, kColors);
  Append(good, Image(0, 0, 1, 1, Literals(2, {1})));
  TGIFImage gif;
  gif.LoadFromMemory(good);
  EXPECT_THROW(gif.LoadFromMemory(loop), GIFException);
  EXPECT_TRUE(gif.Frames().empty());
  EXPECT_EQ(gif.Width(), 0);
}

TEST(GifLzw, BadCodeSizeOrShortDataLeaveTheFillIndexAndReadingGoesOn) {
  Bytes v = Screen(3, 1, kColors);
  Append(v, Transparency(2));
  Append(v, Image(0, 0, 3, 1, Codes(13, {{1, 8}, {1, 8}})));  // invalid code size
  Append(v, Image(0, 0, 3, 1, Codes(2, {{4, 3}, {1, 3}})));   // data end after one pixel
  Append(v, {';'});
  const TGIFImage gif = Read(v);
  ASSERT_EQ(gif.Frames().size(), 2u);
  EXPECT_EQ(gif.Frames()[0].indices, (Bytes{2, 2, 2}));  // the transparent index
  EXPECT_EQ(gif.Frames()[1].indices, (Bytes{1, 0, 0}));
}

TEST(GifLzw, ReadsBackWhatTheWriterWrote) {
  // Noise fills the string table several times over, so clear codes and 12-bit codes occur.
  std::mt19937 random(7);
  TPaletteBitmap picture{97, 61, {}, {}};
  for (int i = 0; i < 256; ++i) picture.palette.push_back({uint8_t(i), uint8_t(255 - i), 9});
  for (int i = 0; i < picture.width * picture.height; ++i)
    picture.indices.push_back(uint8_t(i % 7 == 0 ? random() % 256 : (i / 13) % 5));
  TGIFImage written;
  written.AppendFrame(picture);
  written.AppendFrame(TPaletteBitmap{2, 2, {{1, 2, 3}, {4, 5, 6}}, {0, 1, 1, 0}});
  const TGIFImage read = Read(written.SaveToMemory());
  ASSERT_EQ(read.Frames().size(), 2u);
  EXPECT_EQ(read.Frames()[0].indices, picture.indices);
  EXPECT_EQ(read.Frames()[0].localColorMap, picture.palette);
  EXPECT_EQ(read.Frames()[1].indices, (Bytes{0, 1, 1, 0}));
}

TEST(GifCopy, FirstFrameOverTheBackgroundWithTransparency) {
  struct Case {
    const char* what;
    bool transparent;
    TGIFColorMap global;
    TColor around;  // outside the frame and under its transparent pixel
  } cases[] = {
      {"global background", true, kColors, RGBColor(0, 0, 255)},
      {"no global table: window colour", true, {}, kWhite},
      {"opaque frame: a new bitmap's white", false, kColors, kWhite},
  };
  for (const Case& c : cases) {
    Bytes v = Screen(4, 3, c.global, 3);
    if (c.transparent) Append(v, Transparency(0));
    const TGIFColorMap local = {{9, 9, 9}, {200, 100, 50}};
    Append(v, Image(1, 1, 2, 1, Literals(2, {0, 1}), 0, local));
    const auto b = Read(v).ToBitmap();
    ASSERT_EQ(b->Width(), 4) << c.what;
    ASSERT_EQ(b->Height(), 3) << c.what;
    EXPECT_EQ(b->Pixel(0, 0), c.around) << c.what;
    EXPECT_EQ(b->Pixel(1, 1), c.transparent ? c.around : RGBColor(9, 9, 9)) << c.what;
    EXPECT_EQ(b->Pixel(2, 1), RGBColor(200, 100, 50)) << c.what;
  }
}

TEST(GifCopy, ScreenSizedFrameIndexWithoutColourShowsBlack) {
  Bytes v = Screen(2, 1, {{10, 20, 30}, {40, 50, 60}});
  Append(v, Image(0, 0, 2, 1, Literals(2, {1, 3})));
  const auto b = Read(v).ToBitmap();
  EXPECT_EQ(b->Pixel(0, 0), RGBColor(40, 50, 60));
  EXPECT_EQ(b->Pixel(1, 0), kBlack);
}

TEST(GifCopy, ScreenOfNoSizeTakesTheFirstFramesExtent) {
  Bytes v = Screen(0, 0, kColors);
  Append(v, Image(1, 0, 2, 1, Literals(2, {1, 2})));
  const TGIFImage gif = Read(v);
  EXPECT_EQ(gif.Width(), 3);
  EXPECT_EQ(gif.Height(), 1);
  EXPECT_EQ(gif.ToBitmap()->Pixel(2, 0), RGBColor(0, 255, 0));
}

TEST(GifHostile, OversizedFirstFrameIsRefusedBeforeAllocating) {
  Bytes v = Screen(100, 100, kColors);
  Append(v, Image(0, 0, 40000, 2, Literals(2, {1})));
  EXPECT_THROW(Read(v), EInvalidGraphic);

  // A later oversized frame ends the reading; the first one stays.
  Bytes later = Screen(1, 1, kColors);
  Append(later, Image(0, 0, 1, 1, Literals(2, {1})));
  Append(later, Image(0, 0, 65535, 65535, Literals(2, {1})));
  EXPECT_EQ(Read(later).Frames().size(), 1u);
}

}  // namespace
}  // namespace pixmira
