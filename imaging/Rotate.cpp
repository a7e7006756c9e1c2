#include "imaging/Rotate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pixmira {

RotationGeometry ComputeRotation(double angleDegrees, int width, int height) {
  RotationGeometry g;
  double a = std::isfinite(angleDegrees) ? std::fmod(angleDegrees, 360.0) : 0.0;
  while (a > 180) a -= 360;
  while (a < -180) a += 360;
  g.angle = a;
  // In double, sin 30 and cos 60 land just below one half and every coefficient
  // derived from them is one unit off; 80-bit long double gets them right.
  const long double pi = 3.141592653589793238462643383279502884L;
  const long double theta = -static_cast<long double>(a) * pi / 180.0L;
  g.s = static_cast<int32_t>(std::trunc(std::sin(theta) * 65536.0L));
  g.c = static_cast<int32_t>(std::trunc(std::cos(theta) * 65536.0L));

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
