#include "imaging/Resample.h"

#include <algorithm>
#include <vector>

namespace pixmira {

namespace {

struct Column {
  uint32_t offset;  // byte offset of source column sx
  uint32_t next;    // byte offset of the right neighbour (sx itself when fx is 0)
  uint32_t fx, wx;
};

// Sum is the type of the weighted sums: 32 bits while 255 * Wd * Hd fits, else 64 bits.
// ws × hs + 1 is the whole source's size; columnOf and rowOf say where its column or row
// lies in src (itself, or a picture gathered from it).
template <typename Sum, typename ColumnOf, typename RowOf>
void Resample(TBitmap& dst, const TBitmap& src, uint32_t ws, uint32_t hs, uint32_t wd, uint32_t hd,
              ColumnOf columnOf, RowOf rowOf) {
  const Sum div = Sum(wd) * hd;
  const Sum half = div / 2;

  std::vector<Column> columns(std::size_t(dst.Width()));
  for (uint32_t x = 0; x < uint32_t(dst.Width()); ++x) {
    const uint64_t u = uint64_t(x) * ws;
    const uint32_t sx = uint32_t(u / wd), fx = uint32_t(u % wd);
    columns[x] = {columnOf(sx) * 3, columnOf(fx ? sx + 1 : sx) * 3, fx, wd - fx};
  }

  for (uint32_t y = 0; y < uint32_t(dst.Height()); ++y) {
    const uint64_t t = uint64_t(y) * hs;
    const uint32_t sy = uint32_t(t / hd), fy = uint32_t(t % hd), wy = hd - fy;
    const uint8_t* a = src.Row(int(rowOf(sy)));
    const uint8_t* b = fy ? src.Row(int(rowOf(sy + 1))) : a;
    uint8_t* out = dst.Row(int(y));
    for (const Column& col : columns) {
      const Sum w00 = Sum(col.wx) * wy, w01 = Sum(col.fx) * wy;
      const Sum w10 = Sum(col.wx) * fy, w11 = Sum(col.fx) * fy;
      const uint8_t* p00 = a + col.offset;
      const uint8_t* p01 = a + col.next;
      const uint8_t* p10 = b + col.offset;
      const uint8_t* p11 = b + col.next;
      for (int ch = 0; ch < 3; ++ch) {
        out[ch] =
            uint8_t((w00 * p00[ch] + w01 * p01[ch] + w10 * p10[ch] + w11 * p11[ch] + half) / div);
      }
      out += 3;
    }
  }
}

template <typename ColumnOf, typename RowOf>
void ResampleFrom(TBitmap& dst, const TBitmap& src, int srcWidth, int srcHeight, ColumnOf columnOf,
                  RowOf rowOf) {
  // A single destination column or row takes source column or row 0: with a divisor of 1
  // its position x * Ws / 1 is 0 and its weight is whole.
  const uint32_t wd = dst.Width() > 1 ? uint32_t(dst.Width()) - 1 : 1;
  const uint32_t hd = dst.Height() > 1 ? uint32_t(dst.Height()) - 1 : 1;
  const uint32_t ws = uint32_t(srcWidth) - 1, hs = uint32_t(srcHeight) - 1;
  if (uint64_t(wd) * hd * 255 + uint64_t(wd) * hd / 2 <= UINT32_MAX) {
    Resample<uint32_t>(dst, src, ws, hs, wd, hd, columnOf, rowOf);
  } else {
    Resample<uint64_t>(dst, src, ws, hs, wd, hd, columnOf, rowOf);
  }
}

}  // namespace

void ResampleBilinear(TBitmap& dst, const TBitmap& src) {
  if (dst.Empty() || src.Empty()) return;
  const auto same = [](uint32_t line) { return line; };
  ResampleFrom(dst, src, src.Width(), src.Height(), same, same);
}

void ResampleBilinear(TBitmap& dst, const TBitmap& gathered, const TSampleGrid& grid) {
  if (dst.Empty() || gathered.Empty() || grid.width <= 0 || grid.height <= 0) return;
  const auto indexIn = [](const std::vector<int>& lines) {
    return [&lines](uint32_t line) {
      return uint32_t(std::lower_bound(lines.begin(), lines.end(), int(line)) - lines.begin());
    };
  };
  ResampleFrom(dst, gathered, grid.width, grid.height, indexIn(grid.columns), indexIn(grid.rows));
}

}  // namespace pixmira
