#include "effects/Corners.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace pixmira {
namespace {

constexpr TColor kBlue = RGBColor(20, 40, 200);

TBitmap Solid(int w, int h, TColor color) {
  TBitmap b(w, h);
  b.Fill(color);
  return b;
}

// (x, y) seen from the given corner: (0, 0) is the corner pixel itself.
TPoint FromCorner(const TBitmap& b, TCorner corner, int x, int y) {
  const bool right = corner == TCorner::TopRight || corner == TCorner::BottomRight;
  const bool bottom = corner == TCorner::BottomLeft || corner == TCorner::BottomRight;
  return {right ? b.Width() - 1 - x : x, bottom ? b.Height() - 1 - y : y};
}

std::string Name(TCorner corner) {
  switch (corner) {
    case TCorner::TopLeft:
      return "top-left";
    case TCorner::TopRight:
      return "top-right";
    case TCorner::BottomLeft:
      return "bottom-left";
    case TCorner::BottomRight:
      return "bottom-right";
  }
  return "?";
}

constexpr TCorner kAllCorners[] = {TCorner::TopLeft, TCorner::TopRight, TCorner::BottomLeft,
                                   TCorner::BottomRight};

// Every pixel of a one-coloured picture after one corner: the arc's circle has its centre
// about r − 1.5 pixels in from the corner (the outline's box starts one pixel outside).
// Well inside the circle, or beyond the corner's r × r box, nothing changes; in the corner
// area well outside the circle everything is white. Between lies the arc itself.
void ExpectRoundedCorner(const TBitmap& b, TCorner corner, int r, const std::string& what) {
  const double c = r - 1.5;
  for (int v = 0; v < b.Height(); ++v) {
    for (int u = 0; u < b.Width(); ++u) {
      const TPoint p = FromCorner(b, corner, u, v);
      const TColor got = b.Pixel(p.x, p.y);
      const double d = std::hypot(u - c, v - c);
      const bool inBox = u < r && v < r;
      if (!inBox || d < r - 2.5) {
        ASSERT_EQ(got, kBlue) << what << " leaked to (" << u << ", " << v << ")";
      } else if (u <= c && v <= c && d > r + 0.5) {
        ASSERT_EQ(got, kWhite) << what << " left (" << u << ", " << v << ") unfilled";
      }
    }
  }
  EXPECT_EQ(b.Pixel(FromCorner(b, corner, 0, 0).x, FromCorner(b, corner, 0, 0).y), kWhite) << what;
}

TEST(RoundCornerTest, CutsEachCornerForEveryRadiusWithoutLeaking) {
  for (int r : {10, 20, 30}) {
    for (TCorner corner : kAllCorners) {
      // Large, and narrower or lower than the arc (it then runs off the far side).
      for (auto [w, h] : {std::pair{120, 90}, std::pair{15, 90}, std::pair{90, 7}, std::pair{3, 3},
                          std::pair{1, 1}}) {
        TBitmap b = Solid(w, h, kBlue);
        RoundCorner(b, corner, r);
        ExpectRoundedCorner(b, corner, r,
                            Name(corner) + " r=" + std::to_string(r) + " on " + std::to_string(w) +
                                "x" + std::to_string(h));
      }
    }
  }
}

TEST(RoundCornerTest, RadiusTenWhitensAboutFivePixelsOfTheEdgeRow) {
  TBitmap b = Solid(40, 40, kBlue);
  RoundCorner(b, TCorner::TopLeft, 10);
  int row0 = 0, column0 = 0;
  while (b.Pixel(row0, 0) == kWhite) ++row0;
  while (b.Pixel(0, column0) == kWhite) ++column0;
  EXPECT_GE(row0, 4);
  EXPECT_LE(row0, 6);
  EXPECT_EQ(row0, column0);  // the circle is symmetric
  EXPECT_EQ(b.Pixel(10, 0), kBlue);
}

TEST(RoundCornerTest, WhitePixelsStopTheFill) {
  // A white diagonal across the corner, well inside the arc: beyond it the colours stay.
  TBitmap line = Solid(40, 40, kBlue);
  for (int i = 0; i <= 2; ++i) line.SetPixel(i, 2 - i, kWhite);
  RoundCorner(line, TCorner::TopLeft, 20);
  EXPECT_EQ(line.Pixel(0, 0), kWhite);
  EXPECT_EQ(line.Pixel(1, 0), kWhite);
  EXPECT_EQ(line.Pixel(0, 1), kWhite);
  for (TPoint beyond : {TPoint{3, 0}, TPoint{2, 1}, TPoint{1, 2}, TPoint{0, 3}, TPoint{2, 2}})
    EXPECT_EQ(line.Pixel(beyond.x, beyond.y), kBlue) << beyond.x << "," << beyond.y;

  // A white corner pixel: nothing is filled, only the arc becomes white.
  TBitmap corner = Solid(40, 40, kBlue);
  corner.SetPixel(39, 39, kWhite);
  RoundCorner(corner, TCorner::BottomRight, 10);
  int arc = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (corner.Pixel(x, y) != kWhite || (x == 39 && y == 39)) continue;
      ++arc;
      const double d = std::hypot((39 - x) - 8.5, (39 - y) - 8.5);
      EXPECT_NEAR(d, 9.5, 1.5) << "not on the arc: " << x << "," << y;
    }
  }
  EXPECT_GT(arc, 0);
  EXPECT_EQ(corner.Pixel(38, 39), kBlue);
  EXPECT_EQ(corner.Pixel(39, 38), kBlue);
}

TEST(RoundCornerTest, EveryCornerTypeRoundsItsCornersInOrder) {
  using enum TCorner;
  const std::vector<std::vector<TCorner>> expected = {{TopLeft, TopRight, BottomLeft, BottomRight},
                                                      {TopLeft},
                                                      {BottomLeft},
                                                      {TopRight},
                                                      {BottomRight},
                                                      {TopLeft, BottomLeft},
                                                      {TopRight, BottomRight},
                                                      {TopLeft, TopRight},
                                                      {BottomLeft, BottomRight},
                                                      {TopLeft, BottomRight},
                                                      {BottomLeft, TopRight}};
  for (int type = 0; type < 11; ++type) {
    ASSERT_EQ(CornersForType(type), expected[type]) << "type " << type;
    TBitmap b = Solid(60, 50, kBlue);
    for (TCorner corner : CornersForType(type)) RoundCorner(b, corner, 10);
    for (TCorner corner : kAllCorners) {
      const bool chosen =
          std::find(expected[type].begin(), expected[type].end(), corner) != expected[type].end();
      const TPoint p = FromCorner(b, corner, 0, 0);
      EXPECT_EQ(b.Pixel(p.x, p.y), chosen ? kWhite : kBlue)
          << "type " << type << " " << Name(corner);
    }
  }
  EXPECT_TRUE(CornersForType(11).empty());
  EXPECT_TRUE(CornersForType(-1).empty());
}

TEST(RoundCornerTest, RadiusFromCornerWidth) {
  const std::pair<int, int> cases[] = {{0, 10}, {1, 20}, {2, 30}, {3, 10}, {-1, 10}, {99, 10}};
  for (auto [width, radius] : cases) EXPECT_EQ(CornerRadius(width), radius) << width;
}

}  // namespace
}  // namespace pixmira
