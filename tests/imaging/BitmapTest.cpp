#include "imaging/Bitmap.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/Errors.h"
#include "tests/imaging/ImagingTestUtil.h"

namespace pixmira {
namespace {

using test::MakePicture;
using test::PixelsOf;
using Rows = std::vector<std::vector<TColor>>;

constexpr TColor W = kWhite, K = kBlack;
constexpr TColor R = 0x0000FF, G = 0x00FF00, B = 0xFF0000, Y = 0x00FFFF, C = 0xFFFF00;

TEST(Bitmap, NewBitmapIsWhiteBgrRowsFromTop) {
  TBitmap bmp(3, 2);
  EXPECT_EQ(PixelsOf(bmp), (Rows{{W, W, W}, {W, W, W}}));
  bmp.SetPixel(2, 1, RGBColor(1, 2, 3));
  const uint8_t* p = bmp.Row(1) + 6;
  EXPECT_EQ(p[0], 3);  // blue first
  EXPECT_EQ(p[1], 2);
  EXPECT_EQ(p[2], 1);
  EXPECT_EQ(bmp.Pixel(-1, 0), kInvalidColor);
  EXPECT_EQ(bmp.Pixel(3, 0), kInvalidColor);
  bmp.SetPixel(3, 1, K);  // ignored, nothing overruns
  bmp.SetPixel(0, -1, K);
  EXPECT_EQ(bmp.Pixel(0, 0), W);
}

TEST(Bitmap, SizeLimits) {
  struct Case {
    int64_t w, h;
    bool ok;
  };
  for (const Case& c : {Case{0, 0, true}, Case{32767, 1, true}, Case{32768, 1, false},
                        Case{1, 32768, false}, Case{16384, 16384, true}, Case{16385, 16384, false},
                        Case{-1, 5, false}, Case{5, -1, false}, Case{32767, 32767, false}}) {
    if (c.ok) {
      EXPECT_NO_THROW(CheckPictureSize(c.w, c.h)) << c.w << "x" << c.h;
    } else {
      EXPECT_THROW(CheckPictureSize(c.w, c.h), EInvalidGraphic) << c.w << "x" << c.h;
    }
  }
  EXPECT_THROW(TBitmap(32767, 32767), EInvalidGraphic);
  EXPECT_THROW(TBitmap(-3, 2), EInvalidGraphic);
}

TEST(Bitmap, DrawIsClippedOnEverySide) {
  const TBitmap src = MakePicture({{R, G, B}, {Y, C, K}});
  TBitmap dst(4, 3);
  dst.Draw(-1, 1, src);
  dst.Draw(3, -1, src);
  EXPECT_EQ(PixelsOf(dst), (Rows{{W, W, W, Y}, {G, B, W, W}, {C, K, W, W}}));
  TBitmap far(2, 2);
  far.Draw(100000, -100000, src);
  far.Draw(-2147483647, 2147483647, src);
  EXPECT_EQ(PixelsOf(far), (Rows{{W, W}, {W, W}}));
  // Drawing a bitmap onto itself reads the pixels as they were before.
  TBitmap self = MakePicture({{R, G, B}});
  self.Draw(1, 0, self);
  EXPECT_EQ(PixelsOf(self), (Rows{{R, R, G}}));
}

TEST(Bitmap, StretchDrawTakesTheCentreSourceIndex) {
  // floor((2d + 1) * sn / (2 * dn)) along each axis.
  EXPECT_EQ(ScaledSourceIndex(0, 5, 2), 1);
  EXPECT_EQ(ScaledSourceIndex(1, 5, 2), 3);
  EXPECT_EQ(ScaledSourceIndex(32766, 32767, 32767), 32766);
  EXPECT_EQ(ScaledSourceIndex(999999, 32767, 1000000), 32766);  // beyond 32-bit products

  const TBitmap row = MakePicture({{R, G, B, Y, C}});
  TBitmap shrunk(2, 1);
  shrunk.StretchDraw({0, 0, 2, 1}, row);
  EXPECT_EQ(PixelsOf(shrunk), (Rows{{G, Y}}));

  const TBitmap two = MakePicture({{R, G}, {B, Y}});
  TBitmap grown(5, 3);
  grown.StretchDraw({0, 0, 5, 3}, two);
  EXPECT_EQ(PixelsOf(grown), (Rows{{R, R, G, G, G}, {B, B, Y, Y, Y}, {B, B, Y, Y, Y}}));

  // Clipping keeps the indices of the whole rectangle.
  TBitmap clipped(3, 1);
  clipped.StretchDraw({-2, 0, 3, 1}, row);
  EXPECT_EQ(PixelsOf(clipped), (Rows{{B, Y, C}}));

  // An empty or reversed rectangle draws nothing.
  TBitmap untouched(2, 1);
  untouched.StretchDraw({2, 0, 0, 1}, row);
  untouched.StretchDraw({0, 0, 2, 0}, row);
  EXPECT_EQ(PixelsOf(untouched), (Rows{{W, W}}));
}

TEST(Bitmap, RectanglesAndLines) {
  TBitmap bmp(5, 4);
  bmp.pen.color = K;
  bmp.brush.color = R;
  bmp.Rectangle({0, 0, 4, 4});
  EXPECT_EQ(PixelsOf(bmp),
            (Rows{{K, K, K, K, W}, {K, R, R, K, W}, {K, R, R, K, W}, {K, K, K, K, W}}));

  bmp.Fill(W);
  bmp.brush.style = TBrushStyle::Clear;
  bmp.FillRect({0, 0, 5, 4});
  bmp.Rectangle({1, 1, 4, 3});
  EXPECT_EQ(PixelsOf(bmp),
            (Rows{{W, W, W, W, W}, {W, K, K, K, W}, {W, K, K, K, W}, {W, W, W, W, W}}));

  // Lines leave out their end point; a line from a point to itself draws nothing.
  bmp.Fill(W);
  bmp.Line(0, 0, 4, 0);
  bmp.Line(4, 3, 1, 0);
  bmp.Line(2, 2, 2, 2);
  EXPECT_EQ(PixelsOf(bmp),
            (Rows{{K, K, K, K, W}, {W, W, K, W, W}, {W, W, W, K, W}, {W, W, W, W, K}}));

  // A line far outside costs nothing and draws only its visible part.
  bmp.Fill(W);
  bmp.Line(-2000000000, 1, 2000000000, 1);
  bmp.Line(-1000000000, -1000000000, 1000000000, 1000000000);
  EXPECT_EQ(PixelsOf(bmp),
            (Rows{{K, W, W, W, W}, {K, K, K, K, K}, {W, W, K, W, W}, {W, W, W, K, W}}));
}

// Paints the picture around (x, y) white the way rounded corners do: the outline in white,
// then a fill bounded by white from the corner pixel.
void CutCorner(TBitmap& bmp, const TRect& outline, int r, int x, int y) {
  bmp.pen.color = W;
  bmp.brush.color = W;
  bmp.brush.style = TBrushStyle::Clear;
  bmp.RoundRect(outline, 2 * r, 2 * r);
  bmp.brush.style = TBrushStyle::Solid;
  bmp.FloodFill(x, y, W);
}

TEST(Bitmap, CornerArcsHoldTheFill) {
  // For every radius and corner: the pixels turned white are those outside the circle of
  // radius r about the arc's centre, give or take the one-pixel arc, and nothing beyond.
  const TColor grey = RGBColor(90, 100, 110);
  for (int r : {10, 20, 30}) {
    for (auto [w, h] : {std::pair{71, 53}, std::pair{64, 64}, std::pair{15, 9}}) {
      struct Corner {
        TRect outline;
        int x, y;
        double cx, cy;
      };
      const double c = r - 1;  // arc centre, one pixel in from the edges the outline hugs
      const Corner corners[] = {
          {{-1, -1, w + r + 10000, h + r + 10000}, 0, 0, c, c},
          {{-10000, -1, w + 1, h + r + 10000}, w - 1, 0, w - 1 - c, c},
          {{-1, -10000, w + 10000, h + 1}, 0, h - 1, c, h - 1 - c},
          {{-1000, -10000, w + 1, h + 1}, w - 1, h - 1, w - 1 - c, h - 1 - c},
      };
      for (const Corner& k : corners) {
        TBitmap bmp(w, h);
        bmp.Fill(grey);
        CutCorner(bmp, k.outline, r, k.x, k.y);
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            // Only the corner's quadrant may change.
            const bool quadrantX = (k.x == 0) ? x <= k.cx : x >= k.cx;
            const bool quadrantY = (k.y == 0) ? y <= k.cy : y >= k.cy;
            const double d = std::hypot(x - k.cx, y - k.cy);
            const bool white = bmp.Pixel(x, y) == W;
            SCOPED_TRACE(testing::Message() << "r=" << r << " " << w << "x" << h << " corner ("
                                            << k.x << "," << k.y << ") pixel " << x << "," << y);
            if (!quadrantX || !quadrantY || d < r - 1.5) {
              ASSERT_FALSE(white);
            } else if (d > r + 1.5) {
              ASSERT_TRUE(white);
            }
          }
        }
      }
    }
  }
}

TEST(Bitmap, CornerRowsOfRadiusTen) {
  // The circle of radius 10 about (9, 9) leaves columns 0 to 4 of row 0 outside and 0 to 2
  // of row 1; the arc itself is on columns 4 and 5 of row 0 and column 3 of row 1.
  TBitmap bmp(40, 40);
  bmp.Fill(K);
  CutCorner(bmp, {-1, -1, 40 + 10 + 10000, 40 + 10 + 10000}, 10, 0, 0);
  auto whiteRun = [&](int y) {
    int n = 0;
    while (bmp.Pixel(n, y) == W) ++n;
    return n;
  };
  EXPECT_EQ(whiteRun(0), 6);
  EXPECT_EQ(whiteRun(1), 4);
  EXPECT_EQ(whiteRun(9), 0);
}

TEST(Bitmap, CornerFillStopsAtWhite) {
  const TColor grey = RGBColor(90, 100, 110);
  // A white line across the corner keeps the pixels beyond it.
  TBitmap line(30, 30);
  line.Fill(grey);
  for (int i = 0; i < 30; ++i) line.SetPixel(i, 3, W);
  CutCorner(line, {-1, -1, 30 + 20 + 10000, 30 + 20 + 10000}, 20, 0, 0);
  EXPECT_EQ(line.Pixel(0, 2), W);
  EXPECT_EQ(line.Pixel(0, 4), grey);
  EXPECT_EQ(line.Pixel(1, 5), grey);

  // A white corner pixel: only the arc is drawn.
  TBitmap corner(30, 30);
  corner.Fill(grey);
  corner.SetPixel(0, 0, W);
  CutCorner(corner, {-1, -1, 30 + 20 + 10000, 30 + 20 + 10000}, 20, 0, 0);
  EXPECT_EQ(corner.Pixel(1, 0), grey);
  EXPECT_EQ(corner.Pixel(0, 1), grey);
  EXPECT_EQ(corner.Pixel(2, 2), grey);
  EXPECT_EQ(corner.Pixel(10, 10), grey);
}

TEST(Bitmap, RoundRectOutlineIsClosedThinAndFilled) {
  for (auto [ew, eh] : {std::pair{15, 15}, std::pair{20, 9}, std::pair{7, 24}, std::pair{1, 1},
                        std::pair{2, 3}, std::pair{100, 100}, std::pair{0, 10}}) {
    SCOPED_TRACE(testing::Message() << ew << " x " << eh);
    TBitmap bmp(50, 40);
    bmp.Fill(K);
    bmp.pen.color = W;
    bmp.brush.style = TBrushStyle::Clear;
    const TRect r{3, 4, 46, 35};
    bmp.RoundRect(r, ew, eh);
    // Thin: no 2 × 2 block of outline pixels.
    for (int y = 0; y + 1 < 40; ++y) {
      for (int x = 0; x + 1 < 50; ++x) {
        ASSERT_FALSE(bmp.Pixel(x, y) == W && bmp.Pixel(x + 1, y) == W && bmp.Pixel(x, y + 1) == W &&
                     bmp.Pixel(x + 1, y + 1) == W)
            << x << "," << y;
      }
    }
    // Closed: a fill from outside never reaches the centre, the straight edges are in place.
    bmp.brush.style = TBrushStyle::Solid;
    bmp.brush.color = R;
    bmp.FloodFill(0, 0, W);
    EXPECT_EQ(bmp.Pixel(24, 19), K);
    EXPECT_EQ(bmp.Pixel(24, 4), W);
    EXPECT_EQ(bmp.Pixel(24, 34), W);
    EXPECT_EQ(bmp.Pixel(3, 19), W);
    EXPECT_EQ(bmp.Pixel(45, 19), W);
    EXPECT_EQ(bmp.Pixel(2, 19), R);
    EXPECT_EQ(bmp.Pixel(46, 19), R);
    // A solid brush fills the inside up to the outline.
    TBitmap filled(50, 40);
    filled.Fill(K);
    filled.pen.color = W;
    filled.brush.color = G;
    filled.RoundRect(r, ew, eh);
    filled.brush.color = R;
    filled.FloodFill(24, 19, W);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 50; ++x) ASSERT_NE(filled.Pixel(x, y), G) << x << "," << y;
    }
  }
}

TEST(Bitmap, RoundRectFarOutsideDrawsOnlyWhatShows) {
  TBitmap bmp(20, 10);
  bmp.pen.color = K;
  bmp.brush.style = TBrushStyle::Clear;
  // Huge rectangles and ellipses must not walk their off-picture outline.
  bmp.RoundRect({-2000000000, -2000000000, 2000000000, 2000000000}, 2000000000, 2000000000);
  bmp.RoundRect({-2000000000, 5, 2000000000, 2000000000}, 60, 60);
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(bmp.Pixel(x, 5), K);
    EXPECT_EQ(bmp.Pixel(x, 4), W);
  }
}

TEST(Bitmap, FloodFillFollowsFourNeighbours) {
  // A diagonal of border pixels is closed to a 4-connected fill.
  TBitmap bmp = MakePicture({{W, W, W, K},  //
                             {W, W, K, W},
                             {W, K, W, W},
                             {K, W, W, W}});
  bmp.brush.color = R;
  bmp.FloodFill(0, 0, K);
  EXPECT_EQ(PixelsOf(bmp), (Rows{{R, R, R, K}, {R, R, K, W}, {R, K, W, W}, {K, W, W, W}}));

  // The start pixel in the border colour, a clear brush or a start outside: nothing.
  TBitmap same = bmp;
  same.FloodFill(3, 0, K);
  same.FloodFill(-1, 0, W);
  same.FloodFill(0, 4, W);
  same.brush.style = TBrushStyle::Clear;
  same.FloodFill(3, 3, K);
  EXPECT_EQ(PixelsOf(same), PixelsOf(bmp));

  // Pixels that already have the brush colour are passed through, not mistaken for border.
  TBitmap through = MakePicture({{W, R, W, K, W}, {K, K, K, K, W}});
  through.brush.color = R;
  through.FloodFill(0, 0, K);
  EXPECT_EQ(PixelsOf(through), (Rows{{R, R, R, K, W}, {K, K, K, K, W}}));
}

TEST(Bitmap, FloodFillOfAThirtyMegapixelMaze) {
  // Walls from top to bottom, open alternately at the bottom and the top: the fill must
  // follow one path of about 30 million pixels, far beyond any recursion.
  const int w = 6000, h = 5000;
  TBitmap bmp(w, h);
  bmp.Fill(B);
  for (int x = 1; x < w; x += 2) {
    const int gap = (x / 2) % 2 == 0 ? h - 1 : 0;
    for (int y = 0; y < h; ++y) {
      if (y != gap) bmp.SetPixel(x, y, K);
    }
  }
  bmp.brush.color = G;
  bmp.FloodFill(0, 0, K);
  int64_t painted = 0, left = 0;
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = bmp.Row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      painted += p[1] == 0xFF && p[0] == 0;
      left += p[0] == 0xFF;
    }
  }
  EXPECT_EQ(left, 0);
  EXPECT_EQ(painted, int64_t(w / 2) * h + w / 2);  // the open columns and every gap
}

}  // namespace
}  // namespace pixmira
