#include "imaging/Lanczos.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace pixmira {

namespace {

constexpr int kPrecisionBits = 22;
constexpr double kSupport = 3.0;

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  x *= std::numbers::pi;
  return std::sin(x) / x;
}

double Lanczos3(double x) { return -kSupport <= x && x < kSupport ? Sinc(x) * Sinc(x / 3) : 0.0; }

// For each destination index: the first source index, the number of taps and their weights.
struct Taps {
  int size = 0;                 // weights per destination index (the widest run)
  std::vector<int> first;       // first source index
  std::vector<int> count;       // taps actually used
  std::vector<int32_t> weight;  // size per destination index, 1.0 = 1 << kPrecisionBits
};

// The weights are found in floating point once per destination index, outside the pixel
// loops, and rounded half away from zero to fixed point.
// The destination spans source positions [start, start + span).
Taps MakeTaps(int inSize, int outSize, double start, double span) {
  const double scale = span / outSize;
  const double filterScale = std::max(scale, 1.0);
  const double support = kSupport * filterScale;
  Taps taps;
  taps.size = int(std::ceil(support)) * 2 + 1;
  taps.first.resize(std::size_t(outSize));
  taps.count.resize(std::size_t(outSize));
  taps.weight.assign(std::size_t(outSize) * taps.size, 0);
  std::vector<double> w(std::size_t(taps.size));
  for (int d = 0; d < outSize; ++d) {
    const double center = start + (d + 0.5) * scale;
    const int lo = std::max(0, int(center - support + 0.5));
    const int hi = std::min(inSize, int(center + support + 0.5));
    const int n = std::min(hi - lo, taps.size);
    double total = 0.0;
    for (int i = 0; i < n; ++i) {
      w[std::size_t(i)] = Lanczos3((i + lo - center + 0.5) / filterScale);
      total += w[std::size_t(i)];
    }
    int32_t* out = taps.weight.data() + std::size_t(d) * taps.size;
    for (int i = 0; i < n; ++i) {
      const double v =
          (total != 0.0 ? w[std::size_t(i)] / total : w[std::size_t(i)]) * (1 << kPrecisionBits);
      out[i] = int32_t(v < 0 ? -0.5 + v : 0.5 + v);
    }
    taps.first[std::size_t(d)] = lo;
    taps.count[std::size_t(d)] = n;
  }
  return taps;
}

inline uint8_t Clip8(int32_t sum) {
  const int32_t v = sum >> kPrecisionBits;
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

constexpr int32_t kHalf = 1 << (kPrecisionBits - 1);

// Rows [rowFirst, rowFirst + rows) of src, resampled along x into out (outWidth pixels a row).
void HorizontalPass(const uint8_t* src, std::size_t srcStride, int rowFirst, int rows,
                    const Taps& taps, int outWidth, uint8_t* out) {
  const std::size_t outStride = std::size_t(outWidth) * 3;
  for (int y = 0; y < rows; ++y) {
    const uint8_t* row = src + std::size_t(rowFirst + y) * srcStride;
    uint8_t* o = out + std::size_t(y) * outStride;
    for (int x = 0; x < outWidth; ++x, o += 3) {
      const int32_t* k = taps.weight.data() + std::size_t(x) * taps.size;
      const uint8_t* p = row + std::size_t(taps.first[std::size_t(x)]) * 3;
      const int n = taps.count[std::size_t(x)];
      int32_t s0 = kHalf, s1 = kHalf, s2 = kHalf;
      for (int i = 0; i < n; ++i, p += 3) {
        s0 += p[0] * k[i];
        s1 += p[1] * k[i];
        s2 += p[2] * k[i];
      }
      o[0] = Clip8(s0);
      o[1] = Clip8(s1);
      o[2] = Clip8(s2);
    }
  }
}

// Resamples along y: destination row d mixes rows first(d) - rowFirst ... of src.
void VerticalPass(const uint8_t* src, std::size_t stride, int rowFirst, const Taps& taps,
                  TBitmap& dst) {
  std::vector<int32_t> sum(stride);
  for (int y = 0; y < dst.Height(); ++y) {
    std::fill(sum.begin(), sum.end(), kHalf);
    const int32_t* k = taps.weight.data() + std::size_t(y) * taps.size;
    const int first = taps.first[std::size_t(y)] - rowFirst;
    for (int i = 0; i < taps.count[std::size_t(y)]; ++i) {
      const uint8_t* row = src + std::size_t(first + i) * stride;
      const int32_t w = k[i];
      int32_t* s = sum.data();
      for (std::size_t b = 0; b < stride; ++b) s[b] += row[b] * w;
    }
    uint8_t* o = dst.Row(y);
    for (std::size_t b = 0; b < stride; ++b) o[b] = Clip8(sum[b]);
  }
}

}  // namespace

void ResampleLanczos(TBitmap& dst, const TBitmap& src) {
  ResampleLanczos(dst, src, {0.0, 0.0, double(src.Width()), double(src.Height())});
}

void ResampleLanczos(TBitmap& dst, const TBitmap& src, const TSourceBox& box) {
  if (src.Empty() || dst.Empty()) return;
  const int sw = src.Width(), sh = src.Height();
  const int dw = dst.Width(), dh = dst.Height();
  const bool alongX = dw != sw || box.left != 0.0 || box.width != double(sw);
  const bool alongY = dh != sh || box.top != 0.0 || box.height != double(sh);

  if (!alongX && !alongY) {
    std::memcpy(dst.Data(), src.Data(), src.Stride() * std::size_t(sh));
    return;
  }
  if (!alongY) {
    HorizontalPass(src.Data(), src.Stride(), 0, sh, MakeTaps(sw, dw, box.left, box.width), dw,
                   dst.Data());
    return;
  }
  const Taps vertical = MakeTaps(sh, dh, box.top, box.height);
  if (!alongX) {
    VerticalPass(src.Data(), src.Stride(), 0, vertical, dst);
    return;
  }
  // Only the source rows that some destination row reads are resampled along x.
  const int rowFirst = vertical.first.front();
  const int rowEnd = vertical.first.back() + vertical.count.back();
  std::vector<uint8_t> between(std::size_t(rowEnd - rowFirst) * dw * 3);
  HorizontalPass(src.Data(), src.Stride(), rowFirst, rowEnd - rowFirst,
                 MakeTaps(sw, dw, box.left, box.width), dw, between.data());
  VerticalPass(between.data(), std::size_t(dw) * 3, rowFirst, vertical, dst);
}

}  // namespace pixmira
