#include "imaging/Rotate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pixmira {

namespace {

// sin and cos of whole degrees 0..180 in 16.16 fixed point, truncated, as an x87's 80-bit
// arithmetic gives them. Other machines' long double (128-bit in WebAssembly, 64-bit elsewhere)
// land on the other side of one half at 30, 60, 120 and 150 degrees.
constexpr int32_t kSine[181] = {
    0,     1143,  2287,  3429,  4571,  5711,  6850,  7986,  9120,  10252, 11380, 12504, 13625,
    14742, 15854, 16961, 18064, 19160, 20251, 21336, 22414, 23486, 24550, 25606, 26655, 27696,
    28729, 29752, 30767, 31772, 32768, 33753, 34728, 35693, 36647, 37589, 38521, 39440, 40347,
    41243, 42125, 42995, 43852, 44695, 45525, 46340, 47142, 47929, 48702, 49460, 50203, 50931,
    51643, 52339, 53019, 53683, 54331, 54963, 55577, 56175, 56755, 57319, 57864, 58393, 58903,
    59395, 59870, 60326, 60763, 61183, 61583, 61965, 62328, 62672, 62997, 63302, 63589, 63856,
    64103, 64331, 64540, 64729, 64898, 65047, 65176, 65286, 65376, 65446, 65496, 65526, 65536,
    65526, 65496, 65446, 65376, 65286, 65176, 65047, 64898, 64729, 64540, 64331, 64103, 63856,
    63589, 63302, 62997, 62672, 62328, 61965, 61583, 61183, 60763, 60326, 59870, 59395, 58903,
    58393, 57864, 57319, 56755, 56175, 55577, 54963, 54331, 53683, 53019, 52339, 51643, 50931,
    50203, 49460, 48702, 47929, 47142, 46340, 45525, 44695, 43852, 42995, 42125, 41243, 40347,
    39440, 38521, 37589, 36647, 35693, 34728, 33753, 32768, 31772, 30767, 29752, 28729, 27696,
    26655, 25606, 24550, 23486, 22414, 21336, 20251, 19160, 18064, 16961, 15854, 14742, 13625,
    12504, 11380, 10252, 9120,  7986,  6850,  5711,  4571,  3429,  2287,  1143,  0};
constexpr int32_t kCosine[181] = {
    65536,  65526,  65496,  65446,  65376,  65286,  65176,  65047,  64898,  64729,  64540,  64331,
    64103,  63856,  63589,  63302,  62997,  62672,  62328,  61965,  61583,  61183,  60763,  60326,
    59870,  59395,  58903,  58393,  57864,  57319,  56755,  56175,  55577,  54963,  54331,  53683,
    53019,  52339,  51643,  50931,  50203,  49460,  48702,  47929,  47142,  46340,  45525,  44695,
    43852,  42995,  42125,  41243,  40347,  39440,  38521,  37589,  36647,  35693,  34728,  33753,
    32767,  31772,  30767,  29752,  28729,  27696,  26655,  25606,  24550,  23486,  22414,  21336,
    20251,  19160,  18064,  16961,  15854,  14742,  13625,  12504,  11380,  10252,  9120,   7986,
    6850,   5711,   4571,   3429,   2287,   1143,   0,      -1143,  -2287,  -3429,  -4571,  -5711,
    -6850,  -7986,  -9120,  -10252, -11380, -12504, -13625, -14742, -15854, -16961, -18064, -19160,
    -20251, -21336, -22414, -23486, -24550, -25606, -26655, -27696, -28729, -29752, -30767, -31772,
    -32768, -33753, -34728, -35693, -36647, -37589, -38521, -39440, -40347, -41243, -42125, -42995,
    -43852, -44695, -45525, -46340, -47142, -47929, -48702, -49460, -50203, -50931, -51643, -52339,
    -53019, -53683, -54331, -54963, -55577, -56175, -56755, -57319, -57864, -58393, -58903, -59395,
    -59870, -60326, -60763, -61183, -61583, -61965, -62328, -62672, -62997, -63302, -63589, -63856,
    -64103, -64331, -64540, -64729, -64898, -65047, -65176, -65286, -65376, -65446, -65496, -65526,
    -65536};

}  // namespace

RotationGeometry ComputeRotation(double angleDegrees, int width, int height) {
  RotationGeometry g;
  double a = std::isfinite(angleDegrees) ? std::fmod(angleDegrees, 360.0) : 0.0;
  while (a > 180) a -= 360;
  while (a < -180) a += 360;
  g.angle = a;
  if (a == std::trunc(a)) {
    // Turned by -a: the sine changes sign with the angle, the cosine does not.
    const int whole = static_cast<int>(a);
    g.s = whole <= 0 ? kSine[-whole] : -kSine[whole];
    g.c = kCosine[std::abs(whole)];
  } else {
    // In double, sin 30 and cos 60 land just below one half and every coefficient
    // derived from them is one unit off; 80-bit long double gets them right.
    const long double pi = 3.141592653589793238462643383279502884L;
    const long double theta = -static_cast<long double>(a) * pi / 180.0L;
    g.s = static_cast<int32_t>(std::trunc(std::sin(theta) * 65536.0L));
    g.c = static_cast<int32_t>(std::trunc(std::cos(theta) * 65536.0L));
  }

  const int64_t as = std::abs(int64_t(g.s)), ac = std::abs(int64_t(g.c));
  g.srcWidth = width;
  g.srcHeight = height;
  g.width = static_cast<int>((int64_t(width) * ac + int64_t(height) * as) >> 16);
  g.height = static_cast<int>((int64_t(width) * as + int64_t(height) * ac) >> 16);
  g.cx = width / 2;
  g.cy = height / 2;
  g.hx = g.width / 2;
  g.hy = g.height / 2;
  if ((a == 0 || a == -90) && g.width % 2 == 0) --g.hx;
  if ((a == 0 || a == 90) && g.height % 2 == 0) --g.hy;
  return g;
}

int64_t RotationGeometry::FixedX(int i, int j) const {
  const int64_t u = int64_t(i) - (int64_t(width) - 1 - hx), v = int64_t(hy) - j;
  return u * c - v * s;
}

int64_t RotationGeometry::FixedY(int i, int j) const {
  const int64_t u = int64_t(i) - (int64_t(width) - 1 - hx), v = int64_t(hy) - j;
  return u * s + v * c;
}

TPoint RotationGeometry::SourceOf(int i, int j) const {
  // >> on a negative value is an arithmetic shift: rounds toward minus infinity.
  const int64_t sx = (FixedX(i, j) >> 16) + cx;
  const int64_t sy = (FixedY(i, j) >> 16) + cy;
  return {static_cast<int>(sx), static_cast<int>(int64_t(srcHeight) - 1 - sy)};
}

namespace {

template <int kBytes>
void RotateRows(const RotationGeometry& g, const uint8_t* src, std::size_t srcStride, uint8_t* dst,
                std::size_t dstStride, int bytes, const uint8_t* fill) {
  const int n = kBytes ? kBytes : bytes;
  const uint64_t w = uint64_t(g.srcWidth), h = uint64_t(g.srcHeight);
  // Square tiles keep the source lines that a tile reads in the cache: a turned row of the
  // destination crosses many source rows.
  constexpr int kTile = 64;
  for (int j0 = 0; j0 < g.height; j0 += kTile) {
    const int j1 = std::min(j0 + kTile, g.height);
    for (int i0 = 0; i0 < g.width; i0 += kTile) {
      const int i1 = std::min(i0 + kTile, g.width);
      for (int j = j0; j < j1; ++j) {
        int64_t fx = g.FixedX(i0, j), fy = g.FixedY(i0, j);
        uint8_t* out = dst + std::size_t(j) * dstStride + std::size_t(i0) * n;
        for (int i = i0; i < i1; ++i, fx += g.c, fy += g.s, out += n) {
          const int64_t sx = (fx >> 16) + g.cx;
          const int64_t sy = (fy >> 16) + g.cy;
          // Negative values wrap to huge unsigned ones, so one comparison covers both ends.
          if (uint64_t(sx) < w && uint64_t(sy) < h) {
            const uint8_t* p =
                src + std::size_t(h - 1 - uint64_t(sy)) * srcStride + std::size_t(sx) * n;
            if constexpr (kBytes == 3) {
              out[0] = p[0];
              out[1] = p[1];
              out[2] = p[2];
            } else if constexpr (kBytes == 1) {
              out[0] = p[0];
            } else {
              std::memcpy(out, p, std::size_t(n));
            }
          } else {
            std::memcpy(out, fill, std::size_t(n));
          }
        }
      }
    }
  }
}

}  // namespace

void RotatePixels(const RotationGeometry& g, const uint8_t* src, std::size_t srcStride,
                  uint8_t* dst, std::size_t dstStride, int bytesPerPixel, const uint8_t* fill) {
  switch (bytesPerPixel) {
    case 3:
      RotateRows<3>(g, src, srcStride, dst, dstStride, 3, fill);
      break;
    case 1:
      RotateRows<1>(g, src, srcStride, dst, dstStride, 1, fill);
      break;
    default:
      RotateRows<0>(g, src, srcStride, dst, dstStride, bytesPerPixel, fill);
  }
}

std::unique_ptr<TBitmap> RotatePicture(const TBitmap& src, TColor fill, double angleDegrees) {
  const RotationGeometry g = ComputeRotation(angleDegrees, src.Width(), src.Height());
  auto dst = std::make_unique<TBitmap>(g.width, g.height);
  const uint8_t bgr[3] = {BlueOf(fill), GreenOf(fill), RedOf(fill)};
  if (!dst->Empty()) {
    RotatePixels(g, src.Data(), src.Stride(), dst->Data(), dst->Stride(), 3, bgr);
  }
  return dst;
}

}  // namespace pixmira
