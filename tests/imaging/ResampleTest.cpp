#include "imaging/Resample.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/imaging/ImagingTestUtil.h"

namespace pixmira {
namespace {

using test::MakePicture;
using test::Numbered;
using test::PixelsOf;
using Rows = std::vector<std::vector<TColor>>;

TEST(ResampleBilinear, SameSizeIsAnExactCopy) {
  for (auto [w, h] : {std::pair{7, 5}, std::pair{2, 2}, std::pair{1, 1}, std::pair{1, 6}}) {
    const TBitmap src = Numbered(w, h);
    TBitmap dst(w, h);
    ResampleBilinear(dst, src);
    EXPECT_EQ(PixelsOf(dst), PixelsOf(src)) << w << "x" << h;
  }
}

TEST(ResampleBilinear, TwoByTwoToThreeByThree) {
  const TColor p00 = RGBColor(10, 20, 31), p01 = RGBColor(200, 101, 0);
  const TColor p10 = RGBColor(7, 8, 9), p11 = RGBColor(255, 255, 254);
  TBitmap dst(3, 3);
  ResampleBilinear(dst, MakePicture({{p00, p01}, {p10, p11}}));
  // Corners are the source corners; midpoints average two, the centre four, halves rounding up.
  EXPECT_EQ(PixelsOf(dst),
            (Rows{{p00, RGBColor(105, 61, 16), p01},
                  {RGBColor(9, 14, 20), RGBColor(118, 96, 74), RGBColor(228, 178, 127)},
                  {p10, RGBColor(131, 132, 132), p11}}));
}

TEST(ResampleBilinear, SingleColumnsAndRows) {
  const TColor r = 0x0000FF, g = 0x00FF00, b = 0xFF0000;
  // A one-pixel-wide source stretches as copies of its column.
  TBitmap wide(4, 3);
  ResampleBilinear(wide, MakePicture({{r}, {g}, {b}}));
  EXPECT_EQ(PixelsOf(wide), (Rows{{r, r, r, r}, {g, g, g, g}, {b, b, b, b}}));

  // A one-pixel-wide or -high destination takes source column or row 0.
  const TBitmap src = MakePicture({{r, g, b}, {b, r, g}});
  TBitmap column(1, 2);
  ResampleBilinear(column, src);
  EXPECT_EQ(PixelsOf(column), (Rows{{r}, {b}}));
  TBitmap row(3, 1);
  ResampleBilinear(row, src);
  EXPECT_EQ(PixelsOf(row), (Rows{{r, g, b}}));
  TBitmap dot(1, 1);
  ResampleBilinear(dot, src);
  EXPECT_EQ(PixelsOf(dot), (Rows{{r}}));
}

TEST(ResampleBilinear, LargeDestinationsDoNotOverflow) {
  // 255 × Wd × Hd is beyond 32 bits here; a wrapped sum would not give back the flat colour.
  const TColor c = RGBColor(255, 254, 1);
  TBitmap dst(5000, 4000);
  ResampleBilinear(dst, MakePicture({{c, c}, {c, c}}));
  const std::vector<uint8_t> expected = [&] {
    std::vector<uint8_t> row;
    for (int x = 0; x < dst.Width(); ++x) row.insert(row.end(), {1, 254, 255});
    return row;
  }();
  for (int y = 0; y < dst.Height(); ++y) {
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), dst.Row(y))) << "row " << y;
  }
}

// Only the gathered grid's pixels are read: a picture of just those, resampled through the
// grid, gives the bytes of the whole one. Includes enlargements, single lines and slivers.
TEST(ResampleGrid, GatheredPixelsResampleToTheSameBytes) {
  const struct {
    int sw, sh, dw, dh;
  } cases[] = {{800, 600, 304, 228}, {5120, 7, 304, 2}, {1, 900, 2, 304}, {305, 305, 304, 304},
               {3, 3, 10, 10},       {7, 5, 1, 1},      {640, 480, 1, 3}, {2, 2, 2, 2}};
  for (const auto& c : cases) {
    const TBitmap src = Numbered(c.sw, c.sh);
    TBitmap whole(c.dw, c.dh);
    ResampleBilinear(whole, src);
    const TSampleGrid grid = ResampleGrid(c.sw, c.sh, c.dw, c.dh);
    EXPECT_TRUE(std::is_sorted(grid.columns.begin(), grid.columns.end()));
    EXPECT_TRUE(std::adjacent_find(grid.rows.begin(), grid.rows.end()) == grid.rows.end());
    EXPECT_LE(grid.columns.size(), std::size_t(std::min(c.sw, 2 * c.dw)));
    const TBitmap gathered = GatherGrid(src, grid);
    TBitmap shrunk(c.dw, c.dh);
    ResampleBilinear(shrunk, gathered, grid);
    EXPECT_EQ(PixelsOf(shrunk), PixelsOf(whole))
        << c.sw << "x" << c.sh << " to " << c.dw << "x" << c.dh;
  }
}

TEST(ResampleGrid, DrawOnGridMatchesDrawingOnTheWholePicture) {
  const TBitmap logo = Numbered(9, 4);
  TBitmap whole(40, 30);
  const TSampleGrid grid = ResampleGrid(40, 30, 7, 6);
  TBitmap gathered = GatherGrid(whole, grid);
  // Inside, across every edge, and wholly outside.
  for (auto [x, y] : {std::pair{3, 4}, std::pair{-5, -2}, std::pair{35, 28}, std::pair{50, 2}}) {
    whole.Draw(x, y, logo);
    DrawOnGrid(gathered, grid, x, y, logo);
  }
  EXPECT_EQ(PixelsOf(gathered), PixelsOf(GatherGrid(whole, grid)));
}

}  // namespace
}  // namespace pixmira
