#pragma once
// The pixels one bilinear shrink reads. A preview shows a large picture at a few hundred
// pixels, and the resampler reads at most two source columns per destination column and two
// rows per row: work done only on those pixels, gathered into a small picture, shrinks to
// the very bytes that the work done on every pixel would.
#include <cstdint>
#include <utility>
#include <vector>

#include "imaging/Bitmap.h"

namespace pixmira {

// width × height: the whole picture. columns and rows: the ones read, ascending, no repeats.
// A gathered picture holds columns.size() × rows.size() pixels; its pixel (i, j) stands for
// the whole picture's (columns[i], rows[j]).
struct TSampleGrid {
  int width = 0;
  int height = 0;
  std::vector<int> columns;
  std::vector<int> rows;
};

// What ResampleBilinear into dstWidth × dstHeight reads of a srcWidth × srcHeight picture.
TSampleGrid ResampleGrid(int srcWidth, int srcHeight, int dstWidth, int dstHeight);

// The grid's pixels of picture (sized as the grid says), with its pen, brush and font.
TBitmap GatherGrid(const TBitmap& picture, const TSampleGrid& grid);

// Indexes [first, last) into lines (a grid's columns or rows) of the lines in [from, to).
std::pair<std::size_t, std::size_t> GridSpan(const std::vector<int>& lines, int64_t from,
                                             int64_t to);

// TBitmap::Draw of src at (x, y) in whole-picture pixels onto a gathered canvas.
void DrawOnGrid(TBitmap& gathered, const TSampleGrid& grid, int x, int y, const TBitmap& src);

}  // namespace pixmira
