#include "imaging/Rotate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/imaging/ImagingTestUtil.h"

namespace pixmira {
namespace {

using test::MakePicture;
using test::Numbered;
using test::PixelsOf;
using Rows = std::vector<std::vector<TColor>>;

constexpr TColor kFill = 0x030201;

TEST(RotatePicture, Coefficients) {
  // Values of extended precision; in double, 30 and 60 degrees come out one unit off.
  struct Case {
    double angle;
    double normalised;
    int32_t s, c;
  };
  for (const Case& k :
       {Case{30, 30, -32768, 56755}, Case{60, 60, -56755, 32767}, Case{-30, -30, 32768, 56755},
        Case{120, 120, -56755, -32768}, Case{-150, -150, 32768, -56755},
        Case{45, 45, -46340, 46340}, Case{15, 15, -16961, 63302}, Case{90, 90, -65536, 0},
        Case{270, -90, 65536, 0}, Case{180, 180, 0, -65536}, Case{-180, -180, 0, -65536},
        Case{360, 0, 0, 65536}, Case{540, 180, 0, -65536}, Case{-450, -90, 65536, 0},
        Case{360e6 + 30, 30, -32768, 56755}}) {
    const RotationGeometry g = ComputeRotation(k.angle, 10, 10);
    EXPECT_EQ(g.angle, k.normalised) << k.angle;
    EXPECT_EQ(g.s, k.s) << k.angle;
    EXPECT_EQ(g.c, k.c) << k.angle;
  }
  // Not a number: no turn at all rather than an undefined conversion.
  for (double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    const RotationGeometry g = ComputeRotation(bad, 4, 3);
    EXPECT_EQ(g.s, 0);
    EXPECT_EQ(g.c, 65536);
    EXPECT_EQ(g.width, 4);
    EXPECT_EQ(g.height, 3);
  }
}

// Whole degrees come from a table, the same on every machine; where long double is the x87's
// 80 bits, every entry must be what that arithmetic computes.
TEST(RotatePicture, WholeDegreesAreTheExtendedPrecisionValues) {
  if (std::numeric_limits<long double>::digits != 64)
    GTEST_SKIP() << "long double is not 80-bit extended precision here";
  const long double pi = 3.141592653589793238462643383279502884L;
  for (int a = -180; a <= 180; ++a) {
    const long double theta = -static_cast<long double>(a) * pi / 180.0L;
    const RotationGeometry g = ComputeRotation(a, 10, 10);
    EXPECT_EQ(g.s, int32_t(std::trunc(std::sin(theta) * 65536.0L))) << a;
    EXPECT_EQ(g.c, int32_t(std::trunc(std::cos(theta) * 65536.0L))) << a;
  }
}

TEST(RotatePicture, SizesOfTheTurnedPicture) {
  struct Case {
    double angle;
    int w, h, w2, h2;
  };
  for (const Case& k : {Case{45, 10, 10, 14, 14}, Case{30, 100, 50, 111, 93}, Case{90, 3, 2, 2, 3},
                        Case{-90, 3, 2, 2, 3}, Case{180, 3, 2, 3, 2}, Case{0, 7, 1, 7, 1}}) {
    const RotationGeometry g = ComputeRotation(k.angle, k.w, k.h);
    EXPECT_EQ(g.width, k.w2) << k.angle;
    EXPECT_EQ(g.height, k.h2) << k.angle;
  }
}

TEST(RotatePicture, NoTurnIsAnExactCopy) {
  for (double angle : {0.0, 360.0, -360.0}) {
    for (auto [w, h] : {std::pair{5, 4}, std::pair{4, 4}, std::pair{1, 1}, std::pair{6, 3}}) {
      const TBitmap src = Numbered(w, h);
      EXPECT_EQ(PixelsOf(*RotatePicture(src, kFill, angle)), PixelsOf(src)) << angle;
    }
  }
}

TEST(RotatePicture, RightAnglesArePermutations) {
  const TColor a = 0x0000AA, b = 0x0000BB, c = 0x0000CC, d = 0x00DD00, e = 0x00EE00, f = 0xFF0000;
  const TBitmap small = MakePicture({{a, b, c}, {d, e, f}});
  // Counter-clockwise: the top-right pixel comes to the top-left.
  EXPECT_EQ(PixelsOf(*RotatePicture(small, kFill, 90)), (Rows{{c, f}, {b, e}, {a, d}}));
  EXPECT_EQ(PixelsOf(*RotatePicture(small, kFill, 270)), (Rows{{d, a}, {e, b}, {f, c}}));
  EXPECT_EQ(PixelsOf(*RotatePicture(small, kFill, -90)), (Rows{{d, a}, {e, b}, {f, c}}));
  EXPECT_EQ(PixelsOf(*RotatePicture(small, kFill, 180)), (Rows{{f, e, d}, {c, b, a}}));
  EXPECT_EQ(PixelsOf(*RotatePicture(small, kFill, -180)), (Rows{{f, e, d}, {c, b, a}}));

  for (auto [w, h] : {std::pair{5, 4}, std::pair{4, 4}, std::pair{3, 7}, std::pair{2, 1},
                      std::pair{1, 1}, std::pair{8, 6}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const TBitmap src = Numbered(w, h);
    std::unique_ptr<TBitmap> turned = std::make_unique<TBitmap>(src);
    for (int quarter = 0; quarter < 4; ++quarter) turned = RotatePicture(*turned, kFill, 90);
    EXPECT_EQ(PixelsOf(*turned), PixelsOf(src));
    // Turning back and forth is the identity too.
    EXPECT_EQ(PixelsOf(*RotatePicture(*RotatePicture(src, kFill, 90), kFill, -90)), PixelsOf(src));
    EXPECT_EQ(PixelsOf(*RotatePicture(*RotatePicture(src, kFill, 180), kFill, 180)), PixelsOf(src));
  }

  const TBitmap dot = MakePicture({{e}});
  for (double angle : {90.0, 180.0, 270.0, -90.0}) {
    EXPECT_EQ(PixelsOf(*RotatePicture(dot, kFill, angle)), (Rows{{e}})) << angle;
  }
}

TEST(RotatePicture, FortyFiveDegrees) {
  const TBitmap src = Numbered(10, 10);
  const auto out = RotatePicture(src, kFill, 45);
  ASSERT_EQ(out->Width(), 14);
  ASSERT_EQ(out->Height(), 14);
  // The corners of the bounding box are uncovered; the middle shows the source middle.
  EXPECT_EQ(out->Pixel(0, 0), kFill);
  EXPECT_EQ(out->Pixel(13, 0), kFill);
  EXPECT_EQ(out->Pixel(0, 13), kFill);
  EXPECT_EQ(out->Pixel(13, 13), kFill);
  EXPECT_EQ(out->Pixel(7, 7), src.Pixel(5, 5));
  // One source pixel per destination pixel, never a mixture.
  int copied = 0;
  for (int y = 0; y < 14; ++y) {
    for (int x = 0; x < 14; ++x) {
      const TColor p = out->Pixel(x, y);
      if (p == kFill) continue;
      ++copied;
      const TPoint from = ComputeRotation(45, 10, 10).SourceOf(x, y);
      EXPECT_EQ(p, src.Pixel(from.x, from.y));
    }
  }
  EXPECT_NEAR(copied, 100, 12);
}

TEST(RotatePicture, GreyImagesTurnLikeBitmaps) {
  // The text renderer turns one-byte images through the same loop.
  const TBitmap src = Numbered(9, 5);
  for (double angle : {30.0, -75.0, 90.0, 180.0}) {
    const RotationGeometry g = ComputeRotation(angle, 9, 5);
    std::vector<uint8_t> grey(9 * 5);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 9; ++x) grey[std::size_t(y * 9 + x)] = src.Row(y)[x * 3];
    }
    std::vector<uint8_t> out(std::size_t(g.width) * std::size_t(g.height));
    const uint8_t fill = 7;
    RotatePixels(g, grey.data(), 9, out.data(), std::size_t(g.width), 1, &fill);
    const auto turned = RotatePicture(src, RGBColor(0, 0, 7), angle);
    for (int y = 0; y < g.height; ++y) {
      for (int x = 0; x < g.width; ++x) {
        ASSERT_EQ(out[std::size_t(y * g.width + x)], turned->Row(y)[x * 3]) << angle;
      }
    }
  }
}

}  // namespace
}  // namespace pixmira
