#include "imaging/SampleGrid.h"

#include <algorithm>
#include <cstring>

namespace pixmira {

namespace {

// The resampler's mapping of one axis: destination d reads source d·(s−1) div (n−1) and,
// when the remainder is not 0, the one after it. One destination line reads line 0.
std::vector<int> ReadLines(int source, int destination) {
  std::vector<int> lines;
  if (source <= 0 || destination <= 0) return lines;
  const uint64_t ws = uint64_t(source) - 1;
  const uint64_t wd = destination > 1 ? uint64_t(destination) - 1 : 1;
  for (uint64_t d = 0; d < uint64_t(destination); ++d) {
    const uint64_t u = d * ws;
    const int s = int(u / wd);
    // s never falls from one destination to the next, so comparing with the last keeps the
    // lines ascending and single.
    if (lines.empty() || lines.back() < s) lines.push_back(s);
    if (u % wd != 0 && lines.back() < s + 1) lines.push_back(s + 1);
  }
  return lines;
}

}  // namespace

TSampleGrid ResampleGrid(int srcWidth, int srcHeight, int dstWidth, int dstHeight) {
  TSampleGrid grid;
  grid.width = srcWidth;
  grid.height = srcHeight;
  grid.columns = ReadLines(srcWidth, dstWidth);
  grid.rows = ReadLines(srcHeight, dstHeight);
  return grid;
}

TBitmap GatherGrid(const TBitmap& picture, const TSampleGrid& grid) {
  TBitmap gathered(int(grid.columns.size()), int(grid.rows.size()));
  // Drawing goes on as it would on the whole picture.
  gathered.pen = picture.pen;
  gathered.brush = picture.brush;
  gathered.font = picture.font;
  for (std::size_t j = 0; j < grid.rows.size(); ++j) {
    const uint8_t* from = picture.Row(grid.rows[j]);
    uint8_t* to = gathered.Row(int(j));
    for (int column : grid.columns) {
      std::memcpy(to, from + std::size_t(column) * 3, 3);
      to += 3;
    }
  }
  return gathered;
}

std::pair<std::size_t, std::size_t> GridSpan(const std::vector<int>& lines, int64_t from,
                                             int64_t to) {
  const auto first = std::lower_bound(lines.begin(), lines.end(), from,
                                      [](int line, int64_t v) { return line < v; });
  const auto last =
      std::lower_bound(first, lines.end(), to, [](int line, int64_t v) { return line < v; });
  return {std::size_t(first - lines.begin()), std::size_t(last - lines.begin())};
}

void DrawOnGrid(TBitmap& gathered, const TSampleGrid& grid, int x, int y, const TBitmap& src) {
  const auto [i0, i1] = GridSpan(grid.columns, x, int64_t(x) + src.Width());
  const auto [j0, j1] = GridSpan(grid.rows, y, int64_t(y) + src.Height());
  for (std::size_t j = j0; j < j1; ++j) {
    const uint8_t* from = src.Row(grid.rows[j] - y);
    uint8_t* to = gathered.Row(int(j)) + i0 * 3;
    for (std::size_t i = i0; i < i1; ++i, to += 3)
      std::memcpy(to, from + std::size_t(grid.columns[i] - x) * 3, 3);
  }
}

}  // namespace pixmira
