#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "codecs/ColorReduction.h"

namespace pixmira {
namespace {

constexpr TGIFColor kBlack{0, 0, 0};

TColor Rgb(int r, int g, int b) { return RGBColor(uint8_t(r), uint8_t(g), uint8_t(b)); }

// One row of grey pixels per inner list.
TBitmap GreyPicture(std::initializer_list<std::initializer_list<int>> rows) {
  TBitmap picture(int(rows.begin()->size()), int(rows.size()));
  int y = 0;
  for (const auto& row : rows) {
    int x = 0;
    for (int v : row) picture.SetPixel(x++, y, Rgb(v, v, v));
    ++y;
  }
  return picture;
}

TGIFColorMap Greys(std::initializer_list<int> values) {
  TGIFColorMap palette;
  for (int v : values) palette.push_back({uint8_t(v), uint8_t(v), uint8_t(v)});
  return palette;
}

bool Contains(const TGIFColorMap& palette, TGIFColor color) {
  return std::find(palette.begin(), palette.end(), color) != palette.end();
}

uint8_t BruteForceNearest(const TGIFColorMap& palette, int r, int g, int b) {
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    const int dr = palette[i].r - r, dg = palette[i].g - g, db = palette[i].b - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) bestDistance = d, best = i;
  }
  return uint8_t(best);
}

TEST(OctreePalette, FlatPictureGivesItsColourThenBlack) {
  TBitmap picture(5, 3);
  picture.Fill(Rgb(200, 100, 50));
  const TGIFColorMap palette = BuildOctreePalette(picture);
  ASSERT_EQ(palette.size(), 256u);
  EXPECT_EQ(palette[0], (TGIFColor{200, 100, 50}));
  EXPECT_TRUE(std::all_of(palette.begin() + 1, palette.end(),
                          [](const TGIFColor& c) { return c == kBlack; }));

  const TPaletteBitmap reduced = ReduceToPalette(picture);
  EXPECT_EQ(reduced.palette, palette);
  EXPECT_EQ(reduced.indices, std::vector<uint8_t>(15, 0));
}

TEST(OctreePalette, EightCornerColoursAreListedInChildOrder) {
  const TColor corners[8] = {Rgb(255, 255, 255), Rgb(255, 0, 0),  Rgb(0, 0, 0),
                             Rgb(0, 255, 255),   Rgb(0, 255, 0),  Rgb(255, 0, 255),
                             Rgb(0, 0, 255),     Rgb(255, 255, 0)};
  TBitmap picture(8, 2);
  for (int x = 0; x < 8; ++x) {
    picture.SetPixel(x, 0, corners[x]);
    picture.SetPixel(7 - x, 1, corners[x]);
  }
  const TGIFColorMap palette = BuildOctreePalette(picture);
  const TGIFColorMap expected = {{0, 0, 0},   {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                                 {255, 0, 0}, {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};
  EXPECT_EQ(TGIFColorMap(palette.begin(), palette.begin() + 8), expected);
  EXPECT_EQ(std::count(palette.begin(), palette.end(), kBlack), 249);

  // Exact colours carry no error; black goes to entry 0, the lowest of the black entries.
  const TPaletteBitmap reduced = ReduceToPalette(picture);
  const std::vector<uint8_t> firstRow(reduced.indices.begin(), reduced.indices.begin() + 8);
  EXPECT_EQ(firstRow, (std::vector<uint8_t>{7, 4, 0, 3, 2, 5, 1, 6}));
}

TEST(OctreePalette, LeafAveragesItsCellWithTruncation) {
  // 100..103 share a cell at six bits; 8 / 3 and 308 / 3 truncate.
  const TGIFColorMap palette = BuildOctreePalette(GreyPicture({{0, 3, 5, 100, 103, 105}}));
  EXPECT_EQ(palette[0], (TGIFColor{1, 1, 1}));        // 0 and 3
  EXPECT_EQ(palette[1], (TGIFColor{5, 5, 5}));        // 5 alone (cell 4..7)
  EXPECT_EQ(palette[2], (TGIFColor{101, 101, 101}));  // 100 and 103
  EXPECT_EQ(palette[3], (TGIFColor{105, 105, 105}));
  EXPECT_EQ(palette[4], kBlack);
}

TEST(OctreePalette, ReducesTheNewestNodeOfTheDeepestLevelFirst) {
  // 128 pairs fill 256 leaves, each pair under its own level-5 node. The 257th colour opens
  // a new level-5 node with a single leaf: folding it gains nothing, so the next newest node,
  // the last pair, is folded too.
  TBitmap picture(257, 1);
  for (int k = 0; k < 128; ++k) {
    const int r = (k & 31) << 3, g = (k >> 5) << 3;
    picture.SetPixel(2 * k, 0, Rgb(r, g, 0));
    picture.SetPixel(2 * k + 1, 0, Rgb(r, g, 4));
  }
  picture.SetPixel(256, 0, Rgb(0, 128, 0));
  const TGIFColorMap palette = BuildOctreePalette(picture);

  EXPECT_TRUE(Contains(palette, {248, 24, 2}));  // the last pair, averaged
  EXPECT_FALSE(Contains(palette, {248, 24, 0}));
  EXPECT_FALSE(Contains(palette, {248, 24, 4}));
  EXPECT_TRUE(Contains(palette, {240, 24, 0}));  // the pair before is untouched
  EXPECT_TRUE(Contains(palette, {240, 24, 4}));
  EXPECT_TRUE(Contains(palette, {0, 128, 0}));
  // 254 + 1 + 1 leaves; the only black entry is the colour (0, 0, 0) of the first pair.
  EXPECT_EQ(std::count(palette.begin(), palette.end(), kBlack), 1);
}

TEST(OctreePalette, ManyColoursKeepAtMost256Leaves) {
  TBitmap picture(64, 64);
  std::mt19937 random(7);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      picture.SetPixel(x, y, Rgb(random() & 255, random() & 255, random() & 255));
  EXPECT_EQ(BuildOctreePalette(picture).size(), 256u);
  const TGIFColorMap sixteen = BuildOctreePalette(picture, 16);
  EXPECT_EQ(sixteen.size(), 256u);
  EXPECT_TRUE(std::all_of(sixteen.begin() + 16, sixteen.end(),
                          [](const TGIFColor& c) { return c == kBlack; }));
}

TEST(OctreePalette, LargeFlatPictureDoesNotOverflowTheSums) {
  // More than 8,421,504 full-intensity pixels in one leaf overflow 32-bit sums.
  TBitmap picture(3000, 2900);
  picture.Fill(Rgb(255, 254, 253));
  EXPECT_EQ(BuildOctreePalette(picture)[0], (TGIFColor{255, 254, 253}));
}

TEST(NearestEntry, EqualsTheExhaustiveSearch) {
  std::mt19937 random(12345);
  std::vector<TGIFColorMap> palettes;
  for (int kind = 0; kind < 6; ++kind) {
    TGIFColorMap palette(256);
    const int used = kind == 0 ? 256 : kind == 1 ? 8 : kind == 2 ? 1 : 40 * kind;
    for (int i = 0; i < used; ++i) {
      // Coarse values make ties and duplicates common.
      const int step = kind % 2 ? 32 : 1;
      palette[i] = {uint8_t(random() % 256 / step * step), uint8_t(random() % 256 / step * step),
                    uint8_t(random() % 256 / step * step)};
    }
    palettes.push_back(palette);
  }
  palettes.push_back(Greys({10, 12, 12, 10, 255, 0, 11}));
  for (const TGIFColorMap& palette : palettes) {
    TGIFColorMap full = palette;
    full.resize(256);
    const TNearestColorLookup lookup(palette);
    std::vector<TGIFColor> colours(20000);
    for (TGIFColor& c : colours) c = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
    // The second pass meets answers remembered by the first.
    for (int pass = 0; pass < 2; ++pass) {
      for (const TGIFColor& c : colours) {
        ASSERT_EQ(lookup.NearestEntry(c.r, c.g, c.b), BruteForceNearest(full, c.r, c.g, c.b))
            << int(c.r) << "," << int(c.g) << "," << int(c.b);
      }
    }
  }
}

TEST(NearestEntry, EqualsTheExhaustiveSearchOnADenseGrid) {
  std::mt19937 random(99);
  TGIFColorMap palette(256);
  for (int i = 0; i < 200; ++i)
    palette[i] = {uint8_t(random() & 255), uint8_t(random() & 255), uint8_t(random() & 255)};
  const TNearestColorLookup lookup(palette);
  for (int r = 0; r < 256; r += 3)
    for (int g = 1; g < 256; g += 3)
      for (int b = 2; b < 256; b += 3)
        ASSERT_EQ(lookup.NearestEntry(r, g, b), BruteForceNearest(palette, r, g, b))
            << r << "," << g << "," << b;
}

TEST(NearestEntry, LowestIndexWinsTies) {
  const TNearestColorLookup lookup(Greys({20, 10, 30, 10}));
  EXPECT_EQ(lookup.NearestEntry(10, 10, 10), 1);  // duplicate 3 loses
  EXPECT_EQ(lookup.NearestEntry(15, 15, 15), 0);  // 20 and 10 equally far
  EXPECT_EQ(lookup.NearestEntry(25, 25, 25), 0);  // 20 and 30 equally far
  EXPECT_EQ(lookup.NearestEntry(0, 0, 0), 4);     // first of the black padding
  EXPECT_EQ(lookup.NearestEntry(255, 255, 255), 2);
}

// Black and white (then black padding); expected indices worked out by hand from the error
// terms, the error-limit table and the serpentine cursors.
TEST(FloydSteinberg, DiffusesSerpentineWithLimitedErrors) {
  const TGIFColorMap blackWhite = Greys({0, 255});
  struct Case {
    const char* name;
    TBitmap picture;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {"grey 100, 4 x 3",
       GreyPicture({{100, 100, 100, 100}, {100, 100, 100, 100}, {100, 100, 100, 100}}),
       {0, 1, 0, 0,  //
        0, 0, 1, 0,  // right to left; the first pixel reads the untouched entry W + 1
        0, 1, 0, 0}},
      {"one row goes left to right only", GreyPicture({{100, 100, 100, 100}}), {0, 1, 0, 0}},
      {"one column: every row at column 0",
       GreyPicture({{100}, {100}, {100}, {100}}),
       {0, 0, 0, 0}},
      {"mid grey", GreyPicture({{128, 128, 128, 128, 128, 128}}), {1, 0, 1, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    const TPaletteBitmap out = DitherToPalette(c.picture, blackWhite);
    EXPECT_EQ(out.width, c.picture.Width()) << c.name;
    EXPECT_EQ(out.height, c.picture.Height()) << c.name;
    EXPECT_EQ(out.indices, c.expected) << c.name;
  }
}

TEST(FloydSteinberg, CorrectionTruncatesTowardZero) {
  // 17 -> 19 leaves e = -2, so (-14 + 8) / 16 = 0: 15 stays 15, nearer 19 than 10.
  // Flooring would give 14 and entry 0.
  const TPaletteBitmap out = DitherToPalette(GreyPicture({{17, 15}}), Greys({10, 19}));
  EXPECT_EQ(out.indices, (std::vector<uint8_t>{1, 1}));
}

TEST(FloydSteinberg, EmptyPictureGivesNoIndices) {
  const TPaletteBitmap out = ReduceToPalette(TBitmap());
  EXPECT_EQ(out.palette.size(), 256u);
  EXPECT_TRUE(out.indices.empty());
}

// The picture's rectangle on the screen as the frame's colours show it: 'x' where the colour
// is the picture's, '.' where it is white.
std::vector<std::string> Layout(const TPaletteBitmap& frame, TGIFColor inside) {
  std::vector<std::string> rows;
  for (int y = 0; y < frame.height; ++y) {
    std::string row;
    for (int x = 0; x < frame.width; ++x) {
      const TGIFColor c = frame.palette[frame.indices[size_t(y) * frame.width + x]];
      row += c == inside ? 'x' : c == TGIFColor{255, 255, 255} ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(CentredOnScreen, PictureSitsAtHalfTheGapOnWhite) {
  const TGIFColor red{200, 20, 20};
  struct Case {
    int w, h, screenW, screenH;
    std::vector<std::string> layout;
  } cases[] = {
      // Odd gaps leave the extra column or row on the right and at the bottom.
      {2, 1, 5, 4, {".....", ".xx..", ".....", "....."}},
      {1, 3, 4, 3, {".x..", ".x..", ".x.."}},
      {3, 2, 3, 2, {"xxx", "xxx"}},
      {0, 0, 2, 1, {".."}},
  };
  for (const Case& c : cases) {
    TBitmap picture = c.w > 0 ? TBitmap(c.w, c.h) : TBitmap();
    picture.Fill(RGBColor(red.r, red.g, red.b));
    const TPaletteBitmap frame = ReduceCentredOnScreen(picture, c.screenW, c.screenH);
    EXPECT_EQ(frame.width, c.screenW);
    EXPECT_EQ(frame.height, c.screenH);
    EXPECT_EQ(Layout(frame, red), c.layout) << c.w << "x" << c.h;
  }
}

TEST(CentredOnScreen, APictureOfTheScreensSizeIsReducedAsItIs) {
  TBitmap photo(37, 23);
  std::mt19937 random(7);
  for (int y = 0; y < photo.Height(); ++y)
    for (int x = 0; x < photo.Width(); ++x) photo.SetPixel(x, y, random() & 0xFFFFFF);
  const TPaletteBitmap direct = ReduceToPalette(photo);
  const TPaletteBitmap onScreen = ReduceCentredOnScreen(photo, 37, 23);
  EXPECT_EQ(onScreen.palette, direct.palette);
  EXPECT_EQ(onScreen.indices, direct.indices);
  // An empty screen gives an empty frame.
  const TPaletteBitmap none = ReduceCentredOnScreen(TBitmap(), 0, 0);
  EXPECT_EQ(none.width * none.height, 0);
  EXPECT_TRUE(none.indices.empty());
}

}  // namespace
}  // namespace pixmira
