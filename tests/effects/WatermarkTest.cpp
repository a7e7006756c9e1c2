#include "effects/Watermark.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/Settings.h"
#include "tests/effects/PngFixture.h"
#include "tests/support/TestSupport.h"

namespace pixmira {
namespace {

TWatermarkPlacement At(int anchor, TMargin a, TMargin b) {
  return {AnchorFromNumber(anchor), a, b};
}

TEST(WatermarkPositionTest, DefaultAnchorIsBottomRightWithFifteenPixels) {
  const TBitmap picture(500, 400);
  EXPECT_EQ(WatermarkPosition(picture, 80, 20, TWatermarkPlacement{}), (TPoint{405, 365}));
}

TEST(WatermarkPositionTest, NineAnchorsWithTheirMargins) {
  const TBitmap picture(500, 400);
  // 500 − 80 = 420 and 400 − 20 = 380 left over; margin A 7, margin B 11.
  struct Case {
    int anchor;
    TPoint at;
  };
  const Case cases[] = {
      {0, {409, 373}},  {1, {11, 373}},  {2, {11, 7}},
      {3, {409, 7}},    {4, {210, 373}},  // B ignored
      {5, {210, 7}},    {6, {7, 190}},    // A is the horizontal margin
      {7, {413, 190}},  {8, {210, 190}}, {9, {409, 373}},
      {-1, {409, 373}},  // outside the table: the bottom-right rule
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WatermarkPosition(picture, 80, 20, At(c.anchor, {7}, {11})), c.at)
        << "anchor " << c.anchor;
  }
}

TEST(WatermarkPositionTest, EveryAnchorHasItsOwnRowAndNumber) {
  for (int n = 0; n < static_cast<int>(kAnchorRules.size()); ++n) {
    EXPECT_EQ(AnchorNumber(kAnchorRules[n].anchor), n);
    EXPECT_EQ(AnchorNumber(AnchorFromNumber(n)), n);
  }
}

TEST(WatermarkPositionTest, PercentMarginsRoundTiesToEven) {
  // Top left: B is the left margin of width 333, A the top margin of height 45.
  const TWatermarkPlacement place = At(2, {50, true}, {10, true});
  const TBitmap picture(333, 45);
  EXPECT_EQ(WatermarkPosition(picture, 10, 10, place), (TPoint{33, 22}));
  // 50 % of 47 is 23.5: up to the even 24.
  EXPECT_EQ(WatermarkPosition(TBitmap(333, 47), 10, 10, place).y, 24);
}

TEST(WatermarkPositionTest, OversizedWatermarksGoNegative) {
  const TWatermarkPlacement centre = At(8, {}, {});
  EXPECT_EQ(WatermarkPosition(TBitmap(500, 400), 600, 20, centre).x, -50);
  // Integer halving truncates toward zero: −101 div 2 is −50.
  EXPECT_EQ(WatermarkPosition(TBitmap(500, 400), 601, 20, centre).x, -50);
  const TWatermarkPlacement hostile = At(0, {-2147483647}, {2147483647});
  const TPoint at = WatermarkPosition(TBitmap(500, 400), 80, 20, hostile);
  EXPECT_LT(at.x, -500);
  EXPECT_GT(at.y, 400);
  const TPoint percent =
      WatermarkPosition(TBitmap(500, 400), 80, 20, At(0, {-2147483647, true}, {2147483647, true}));
  EXPECT_LT(percent.x, -500);
  EXPECT_GT(percent.y, 400);
}

std::vector<int> Xs(const std::vector<TPoint>& points) {
  std::vector<int> xs;
  for (TPoint p : points)
    if (xs.empty() || xs.back() != p.x) xs.push_back(p.x);
  return xs;
}

std::vector<int> YsOfFirstColumn(const std::vector<TPoint>& points) {
  std::vector<int> ys;
  for (TPoint p : points)
    if (p.x == points.front().x) ys.push_back(p.y);
  return ys;
}

TEST(TilePositionsTest, RowsAndColumns) {
  struct Case {
    int W, H, w, h, s, n;
    std::vector<int> xs, ys;
  };
  const Case cases[] = {
      {50, 300, 100, 40, 20, 2, {0}, {100, 160}},                   // block of rows centred
      {50, 300, 100, 40, 20, 0, {0}, {0, 60, 120, 180, 240, 300}},  // the last one all clipped
      {300, 50, 100, 40, 20, 0, {0, 120, 240}, {0}},
      {300, 50, 100, 40, 20, 1, {0, 120, 240}, {5}},
      {50, 100, 100, 40, 20, 3, {0}, {-30, 30, 90}},  // taller than the picture: y0 < 0
      {50, 100, 100, 40, 20, 4, {0}, {0, 60}},        // rows at −60 and 120 cannot show
      // A row exactly its height above the picture stays: turned text may reach one pixel more.
      {50, 0, 100, 40, 0, 2, {0}, {-40, 0}},
      {50, 300, 100, 40, 20, -1, {}, {}},
  };
  for (const Case& c : cases) {
    const auto points = TilePositions(c.W, c.H, c.w, c.h, c.s, c.n);
    SCOPED_TRACE("n=" + std::to_string(c.n) + " H=" + std::to_string(c.H));
    if (c.xs.empty()) {
      EXPECT_TRUE(points.empty());
      continue;
    }
    EXPECT_EQ(Xs(points), c.xs);
    EXPECT_EQ(YsOfFirstColumn(points), c.ys);
    EXPECT_EQ(points.size(), c.xs.size() * c.ys.size());
  }
}

TEST(TilePositionsTest, ColumnByColumnTopToBottom) {
  const auto points = TilePositions(30, 30, 10, 10, 10, 0);
  const std::vector<TPoint> expected = {{0, 0}, {0, 20}, {20, 0}, {20, 20}};
  EXPECT_EQ(points, expected);
}

TEST(TilePositionsTest, DegenerateSettingsStayBounded) {
  // A gap that cancels the cell would never move on: treated as no gap.
  EXPECT_EQ(Xs(TilePositions(30, 5, 10, 5, -10, 0)), (std::vector<int>{0, 10, 20, 30}));
  EXPECT_EQ(Xs(TilePositions(30, 5, 10, 5, -25, 0)), (std::vector<int>{0, 10, 20, 30}));
  // Overlap that still moves forward is kept.
  EXPECT_EQ(Xs(TilePositions(30, 5, 10, 5, -5, 0)), (std::vector<int>{0, 5, 10, 15, 20, 25, 30}));
  // A huge row count lists only rows that can show.
  const auto many = TilePositions(10, 100, 10, 10, 0, 2000000000);
  EXPECT_LE(many.size(), 40u);
  EXPECT_FALSE(many.empty());
  // An empty cell has nothing to draw.
  EXPECT_TRUE(TilePositions(100, 100, 0, 10, 5, 0).empty());
}

TBitmap Filled(int w, int h, TColor c) {
  TBitmap b(w, h);
  b.Fill(c);
  return b;
}

TEST(BlendLayerTest, HalfOpacityRoundsTiesToEven) {
  // Differences 1, 3, 5, 7 (and the same downwards) at f = 0.5.
  struct Case {
    uint8_t photo, layer, result;
  };
  const Case cases[] = {{0, 1, 0},     {0, 3, 2},     {0, 5, 2},      {0, 7, 4},
                        {7, 0, 3},     {5, 0, 3},     {3, 0, 1},      {1, 0, 1},
                        {0, 255, 128}, {255, 0, 127}, {100, 100, 100}};
  for (const Case& c : cases) {
    const TBitmap photo = Filled(1, 1, RGBColor(c.photo, c.photo, c.photo));
    const TBitmap layer = Filled(1, 1, RGBColor(c.layer, c.layer, 0));
    const auto out = BlendLayer(photo, layer, kWhite, 50);
    EXPECT_EQ(RedOf(out->Pixel(0, 0)), c.result) << int(c.photo) << " + " << int(c.layer);
  }
}

TEST(BlendLayerTest, FactorIsSinglePrecision) {
  // 0.33f is a little above 0.33: 50 × f = 16.5000007 rounds to 17, not to the even 16.
  const auto up =
      BlendLayer(Filled(1, 1, RGBColor(0, 100, 50)), Filled(1, 1, RGBColor(50, 0, 0)), kWhite, 33);
  EXPECT_EQ(up->Pixel(0, 0), RGBColor(17, 67, 33));
}

TEST(BlendLayerTest, OnlyExactKeyColourIsSkipped) {
  const TColor photoColour = RGBColor(10, 20, 30);
  TBitmap layer(3, 1);
  layer.SetPixel(1, 0, RGBColor(254, 255, 255));
  layer.SetPixel(2, 0, RGBColor(0, 0, 0));
  const auto out = BlendLayer(Filled(3, 1, photoColour), layer, kWhite, 100);
  EXPECT_EQ(out->Pixel(0, 0), photoColour);
  EXPECT_EQ(out->Pixel(1, 0), RGBColor(254, 255, 255));
  EXPECT_EQ(out->Pixel(2, 0), kBlack);
}

TEST(BlendLayerTest, OpacityIsClampedToItsRange) {
  const TBitmap photo = Filled(1, 1, RGBColor(10, 20, 30));
  const TBitmap layer = Filled(1, 1, RGBColor(200, 100, 0));
  struct Case {
    int opacity;
    TColor result;
  };
  const Case cases[] = {{100, RGBColor(200, 100, 0)},
                        {150, RGBColor(200, 100, 0)},
                        {0, RGBColor(10, 20, 30)},
                        {-20, RGBColor(10, 20, 30)}};
  for (const Case& c : cases)
    EXPECT_EQ(BlendLayer(photo, layer, kWhite, c.opacity)->Pixel(0, 0), c.result) << c.opacity;
  EXPECT_THROW(BlendLayer(photo, Filled(2, 1, kBlack), kWhite, 50), std::invalid_argument);
}

// A 3 × 2 watermark: black with one pure white pixel, which must not show.
TBitmap Mark() {
  TBitmap m = Filled(3, 2, kBlack);
  m.SetPixel(1, 0, kWhite);
  return m;
}

TEST(PictureWatermarkTest, PlacedAndClipped) {
  const TColor grey = RGBColor(100, 100, 100);
  const auto out = PlaceWatermarkPicture(Filled(5, 4, grey), {-1, 3}, Mark(), kWhite, 100);
  ASSERT_EQ(out->Width(), 5);
  // Watermark pixels (1..2, 0) land at (0..1, 3); its white (1, 0) is at (0, 3).
  EXPECT_EQ(out->Pixel(0, 3), grey);
  EXPECT_EQ(out->Pixel(1, 3), kBlack);
  EXPECT_EQ(out->Pixel(2, 3), grey);
  EXPECT_EQ(out->Pixel(0, 2), grey);
}

TEST(PictureWatermarkTest, TiledOverTheGrid) {
  const TColor grey = RGBColor(100, 100, 100);
  // Columns at 0 and 4, rows at 0 and 3 (gap 1).
  const auto out = TileWatermarkPicture(Filled(8, 5, grey), Mark(), 1, 0, kWhite, 100);
  const char* expected[] = {
      "#.# #.# ", "### ### ", "        ", "#.# #.# ", "### ### ",
  };
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(out->Pixel(x, y), expected[y][x] == '#' ? kBlack : grey) << x << "," << y;
}

TPictureWatermark Mark(const std::string& path, int opacity) {
  TPictureWatermark mark;
  mark.path = path;
  mark.opacity = opacity;
  return mark;
}

TEST(PictureWatermarkTest, PlacedTurnedTiledOrNothing) {
  test::TempDir dir;
  const std::string mark = dir.File("mark.png");
  // 4 × 2, opaque dark blue.
  test::WritePngBgra(mark, 4, 2, test::SolidBgra(4, 2, RGBColor(0, 0, 200), 255));
  const TColor grey = RGBColor(100, 100, 100);
  const TBitmap photo = Filled(20, 10, grey);

  // Bottom right, 2 and 1 pixels in, 20 % transparent.
  {
    TPictureWatermark options;
    options.path = mark;
    options.placement = At(0, {1}, {2});
    const auto out = ApplyPictureWatermark(photo, options);
    ASSERT_TRUE(out);
    // 100 + round(−100 × 0.8) = 20; 100 + round(100 × 0.8) = 180.
    EXPECT_EQ(out->Pixel(14, 7), RGBColor(20, 20, 180));
    EXPECT_EQ(out->Pixel(17, 8), RGBColor(20, 20, 180));
    EXPECT_EQ(out->Pixel(18, 8), grey);
    EXPECT_EQ(out->Pixel(14, 6), grey);
  }
  // Turned a quarter: 2 × 4 at the top left; opacity 0 is invisible.
  {
    TPictureWatermark options;
    options.path = mark;
    options.angle = 90;
    options.opacity = 100;
    options.placement = At(2, {0}, {0});
    const auto turned = ApplyPictureWatermark(photo, options);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->Pixel(1, 3), RGBColor(0, 0, 200));
    EXPECT_EQ(turned->Pixel(2, 0), grey);
    EXPECT_EQ(turned->Pixel(0, 4), grey);
    const auto hidden = ApplyPictureWatermark(photo, Mark(mark, 0));
    ASSERT_TRUE(hidden);
    EXPECT_EQ(hidden->Pixel(17, 8), grey);
  }
  // Tiled with a gap of 1: columns every 5 pixels, rows every 3.
  {
    TPictureWatermark options = Mark(mark, 100);
    options.style = TPaintStyle::Tiled;
    options.tiles = {1, 0};
    const auto tiled = ApplyPictureWatermark(photo, options);
    ASSERT_TRUE(tiled);
    EXPECT_EQ(tiled->Pixel(15, 9), RGBColor(0, 0, 200));
    EXPECT_EQ(tiled->Pixel(4, 0), grey);
    EXPECT_EQ(tiled->Pixel(0, 2), grey);
  }
  // Nothing to load: no watermark.
  EXPECT_EQ(ApplyPictureWatermark(photo, Mark(dir.File("none.png"), 80)), nullptr);
  EXPECT_EQ(ApplyPictureWatermark(photo, TPictureWatermark{}), nullptr);
}

TEST(PictureWatermarkTest, TransparentPartsOfTheWatermarkLeaveThePhotograph) {
  test::TempDir dir;
  const std::string logo = dir.File("logo.png");
  // Clear, opaque black, half-transparent black.
  auto bgra = test::SolidBgra(3, 1, kBlack, 255);
  test::SetBgra(bgra, 3, 0, 0, kBlack, 0);
  test::SetBgra(bgra, 3, 2, 0, kBlack, 128);
  test::WritePngBgra(logo, 3, 1, bgra);
  const TColor grey = RGBColor(100, 100, 100);
  TPictureWatermark options = Mark(logo, 100);
  options.placement = At(2, {0}, {0});
  const auto out = ApplyPictureWatermark(Filled(3, 1, grey), options);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->Pixel(0, 0), grey);  // not a black box
  EXPECT_EQ(out->Pixel(1, 0), kBlack);
  EXPECT_EQ(out->Pixel(2, 0), RGBColor(127, 127, 127));  // half black on white
}

// A scale of 0 keeps the picture's own size and today's bytes; a percentage makes it that
// share of the photo's width, height in proportion, before it turns.
TEST(PictureWatermarkTest, ScaleIsAShareOfThePhotosWidth) {
  test::TempDir dir;
  const std::string path = dir.File("mark.png");
  test::WritePngBgra(path, 4, 2, test::SolidBgra(4, 2, RGBColor(0, 0, 200), 255));
  const TColor grey = RGBColor(100, 100, 100);
  const TBitmap photo = Filled(40, 30, grey);
  const auto mark = [&](int scale, int angle) {
    TPictureWatermark options = Mark(path, 100);
    options.placement = {TAnchor::TopLeft, {0, false}, {0, false}};
    options.scale = scale;
    options.angle = angle;
    return options;
  };
  const auto own =
      PlaceWatermarkPicture(photo, {0, 0}, Filled(4, 2, RGBColor(0, 0, 200)), kWhite, 100);
  for (int none : {0, -5}) {
    const auto out = ApplyPictureWatermark(photo, mark(none, 0));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->Width(), 40);
    for (int y = 0; y < 30; ++y)
      ASSERT_TRUE(std::equal(out->Row(y), out->Row(y) + out->Stride(), own->Row(y))) << none;
  }
  // The extent of the blue box: 25 % of 40 is 10 × 5; 150 % is held at the photo's width.
  const auto extent = [&](int scale, int angle) {
    const auto out = ApplyPictureWatermark(photo, mark(scale, angle));
    int w = 0, h = 0;
    while (w < 40 && out->Pixel(w, 0) != grey) ++w;
    while (h < 30 && out->Pixel(0, h) != grey) ++h;
    return std::pair{w, h};
  };
  EXPECT_EQ(extent(25, 0), (std::pair{10, 5}));
  EXPECT_EQ(extent(150, 0), (std::pair{40, 20}));
  // Scaled first, then turned a quarter: 5 wide, 10 high.
  EXPECT_EQ(extent(25, 90), (std::pair{5, 10}));
}

// The settings list a margin key for exactly the margins an anchor's rule places by.
TEST(WatermarkPositionTest, SettingsListTheMarginsEachAnchorUses) {
  const SettingRow& pos = *FindSetting(keys::WatermarkPos);
  ASSERT_EQ(pos.choices.size(), kAnchorRules.size());
  for (std::size_t k = 0; k < kAnchorRules.size(); ++k) {
    const TAnchorRule& rule = kAnchorRules[k];
    for (auto [letter, slot] : {std::pair{'A', TMarginSlot::A}, std::pair{'B', TMarginSlot::B}}) {
      const bool used = rule.xMargin == slot || rule.yMargin == slot;
      const SettingRow* row = FindSetting(MarginKey(static_cast<int>(k), letter));
      ASSERT_NE(row, nullptr);
      // A listed row carries its anchor's condition; the family's fallback row has none.
      EXPECT_EQ(!row->when.empty(), used) << "anchor " << k << letter;
    }
  }
}

}  // namespace
}  // namespace pixmira
