#include "imaging/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Errors.h"
#include "core/Platform.h"

namespace pixmira {

void CheckPictureSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPicturePixels) {
    throw EInvalidGraphic("A picture of " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels is too large (at most " + std::to_string(kMaxPictureSide) +
                          " pixels a side and " + std::to_string(kMaxPicturePixels) +
                          " pixels in all)");
  }
}

void AdviseHugePages(void* p, std::size_t bytes) {
  constexpr uintptr_t kHuge = uintptr_t(2) << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kHuge - 1);
  // Only an advice: a system without it changes nothing.
  if (end > begin) platform::AdviseLargePages(reinterpret_cast<void*>(begin), end - begin);
}

TBitmap::TBitmap(int width, int height) {
  CheckPictureSize(width, height);
  width_ = width;
  height_ = height;
  pixels_.assign(std::size_t(width) * std::size_t(height) * 3, 0xFF);
}

namespace {

struct Bgr {
  uint8_t b, g, r;
};

Bgr ToBgr(TColor c) { return {BlueOf(c), GreenOf(c), RedOf(c)}; }

inline void Put(uint8_t* p, Bgr c) {
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

inline bool Is(const uint8_t* p, Bgr c) { return p[0] == c.b && p[1] == c.g && p[2] == c.r; }

// Fills n pixels from p with one colour.
void FillPixels(uint8_t* p, std::size_t n, Bgr c) {
  if (c.b == c.g && c.g == c.r) {
    std::memset(p, c.b, n * 3);
    return;
  }
  for (std::size_t i = 0; i < n; ++i, p += 3) Put(p, c);
}

// Rounds half up, for the pixel positions of curves.
inline int64_t RoundPos(double v) { return static_cast<int64_t>(std::floor(v + 0.5)); }

}  // namespace

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColor;
  const uint8_t* p = Row(y) + std::size_t(x) * 3;
  return RGBColor(p[2], p[1], p[0]);
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Put(Row(y) + std::size_t(x) * 3, ToBgr(color));
}

void TBitmap::Fill(TColor color) {
  if (!pixels_.empty()) FillPixels(pixels_.data(), pixels_.size() / 3, ToBgr(color));
}

void TBitmap::Draw(int x, int y, const TBitmap& src) {
  if (&src == this) {
    const TBitmap copy = src;
    Draw(x, y, copy);
    return;
  }
  const int64_t x0 = std::max<int64_t>(x, 0);
  const int64_t y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(x) + src.Width(), width_);
  const int64_t y1 = std::min<int64_t>(int64_t(y) + src.Height(), height_);
  if (x0 >= x1 || y0 >= y1) return;
  const std::size_t bytes = std::size_t(x1 - x0) * 3;
  for (int64_t row = y0; row < y1; ++row) {
    const uint8_t* from = src.Row(int(row - y)) + std::size_t(x0 - x) * 3;
    std::memcpy(Row(int(row)) + std::size_t(x0) * 3, from, bytes);
  }
}

void TBitmap::StretchDraw(const TRect& dst, const TBitmap& src) {
  if (&src == this) {
    const TBitmap copy = src;
    StretchDraw(dst, copy);
    return;
  }
  const int64_t dw = int64_t(dst.right) - dst.left;
  const int64_t dh = int64_t(dst.bottom) - dst.top;
  if (dw <= 0 || dh <= 0 || src.Empty()) return;
  const int64_t x0 = std::max<int64_t>(dst.left, 0);
  const int64_t y0 = std::max<int64_t>(dst.top, 0);
  const int64_t x1 = std::min<int64_t>(dst.right, width_);
  const int64_t y1 = std::min<int64_t>(dst.bottom, height_);
  if (x0 >= x1 || y0 >= y1) return;
  // The source byte offset of every visible column, worked out once.
  std::vector<std::size_t> column(std::size_t(x1 - x0));
  for (int64_t x = x0; x < x1; ++x) {
    column[std::size_t(x - x0)] = std::size_t(ScaledSourceIndex(x - dst.left, src.Width(), dw)) * 3;
  }
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* from = src.Row(ScaledSourceIndex(y - dst.top, src.Height(), dh));
    uint8_t* to = Row(int(y)) + std::size_t(x0) * 3;
    for (std::size_t offset : column) {
      to[0] = from[offset];
      to[1] = from[offset + 1];
      to[2] = from[offset + 2];
      to += 3;
    }
  }
}

void TBitmap::FillRect(const TRect& r) {
  if (brush.style == TBrushStyle::Clear) return;
  const int64_t x0 = std::max<int64_t>(r.left, 0);
  const int64_t y0 = std::max<int64_t>(r.top, 0);
  const int64_t x1 = std::min<int64_t>(r.right, width_);
  const int64_t y1 = std::min<int64_t>(r.bottom, height_);
  if (x0 >= x1 || y0 >= y1) return;
  const Bgr c = ToBgr(brush.color);
  for (int64_t y = y0; y < y1; ++y) {
    FillPixels(Row(int(y)) + std::size_t(x0) * 3, std::size_t(x1 - x0), c);
  }
}

namespace {

// Pixels of a straight line from (x0, y0): n + 1 points along the longer axis when the end
// point is included, n otherwise. Only the steps that fall on the bitmap are visited.
void PlotLine(TBitmap& bmp, int64_t x0, int64_t y0, int64_t x1, int64_t y1, bool withEnd, Bgr c) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const int64_t ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
  const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  const int64_t n = std::max(ax, ay);
  int64_t last = withEnd ? n : n - 1;
  if (last < 0) return;
  const bool xMajor = ax >= ay;
  const int64_t major0 = xMajor ? x0 : y0;
  const int64_t smajor = xMajor ? sx : sy;
  const int64_t limit = xMajor ? bmp.Width() : bmp.Height();
  // Steps k whose major coordinate major0 + smajor * k lies in 0..limit - 1.
  int64_t kFrom, kTo;
  if (smajor > 0) {
    kFrom = -major0;
    kTo = limit - 1 - major0;
  } else {
    kFrom = major0 - (limit - 1);
    kTo = major0;
  }
  kFrom = std::max<int64_t>(kFrom, 0);
  kTo = std::min(kTo, last);
  const int64_t minorSpan = xMajor ? ay : ax;
  for (int64_t k = kFrom; k <= kTo; ++k) {
    // Nearest minor offset, halves rounded away from the start.
    const int64_t off = n == 0 ? 0 : (2 * k * minorSpan + n) / (2 * n);
    int64_t x, y;
    if (xMajor) {
      x = x0 + sx * k;
      y = y0 + sy * off;
    } else {
      y = y0 + sy * k;
      x = x0 + sx * off;
    }
    if (x >= 0 && y >= 0 && x < bmp.Width() && y < bmp.Height()) {
      Put(bmp.Row(int(y)) + std::size_t(x) * 3, c);
    }
  }
}

void PlotPoint(TBitmap& bmp, int64_t x, int64_t y, Bgr c) {
  if (x >= 0 && y >= 0 && x < bmp.Width() && y < bmp.Height()) {
    Put(bmp.Row(int(y)) + std::size_t(x) * 3, c);
  }
}

// Points are 8-adjacent (or equal).
bool Touch(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  return std::abs(x1 - x0) <= 1 && std::abs(y1 - y0) <= 1;
}

// One quarter of an ellipse with centre (cx, cy) and half-axes a, b, on the side given by
// dx, dy (each -1 or +1). The flat part is drawn column by column, the steep part row by
// row, both only where they fall on the bitmap; neighbouring points are joined so the arc
// has no gaps. hEnd is the point of the arc nearest the horizontal edge (top or bottom),
// vEnd the one nearest the vertical edge.
struct Arc {
  double cx, cy, a, b;
  int dx, dy;

  // The column nearest the centre on this side, and the row likewise.
  int64_t EdgeColumn() const { return dx < 0 ? int64_t(std::floor(cx)) : int64_t(std::ceil(cx)); }
  int64_t EdgeRow() const { return dy < 0 ? int64_t(std::floor(cy)) : int64_t(std::ceil(cy)); }

  int64_t RowOfColumn(int64_t x) const {
    const double t = (double(x) - cx) / a;
    return RoundPos(cy + dy * b * std::sqrt(std::max(0.0, 1 - t * t)));
  }
  int64_t ColumnOfRow(int64_t y) const {
    const double t = (double(y) - cy) / b;
    return RoundPos(cx + dx * a * std::sqrt(std::max(0.0, 1 - t * t)));
  }

  void Draw(TBitmap& bmp, Bgr c) const {
    const double h = std::sqrt(a * a + b * b);
    const double p45 = a * a / h, q45 = b * b / h;  // where the slope is 1
    // Flat part: columns between the centre and p45 away from it.
    int64_t xNear = EdgeColumn();
    int64_t xFar = dx < 0 ? int64_t(std::ceil(cx - p45)) : int64_t(std::floor(cx + p45));
    if (dx < 0 ? xFar > xNear : xFar < xNear) xFar = xNear;
    int64_t lo = std::min(xNear, xFar), hi = std::max(xNear, xFar);
    int64_t from = std::max<int64_t>(lo, 0), to = std::min<int64_t>(hi, bmp.Width() - 1);
    for (int64_t x = from; x <= to; ++x) {
      const int64_t y = RowOfColumn(x);
      const int64_t prev = x > lo ? RowOfColumn(x - 1) : y;
      if (std::abs(y - prev) <= 1) {
        PlotPoint(bmp, x, y, c);
      } else {
        // Join to the previous column's point when the curve jumps more than one row.
        const int64_t step = y > prev ? 1 : -1;
        for (int64_t yy = prev + step; yy != y + step; yy += step) PlotPoint(bmp, x, yy, c);
      }
    }
    // Steep part: rows between the centre and q45 away from it.
    int64_t yNear = EdgeRow();
    int64_t yFar = dy < 0 ? int64_t(std::ceil(cy - q45)) : int64_t(std::floor(cy + q45));
    if (dy < 0 ? yFar > yNear : yFar < yNear) yFar = yNear;
    lo = std::min(yNear, yFar);
    hi = std::max(yNear, yFar);
    from = std::max<int64_t>(lo, 0);
    to = std::min<int64_t>(hi, bmp.Height() - 1);
    for (int64_t y = from; y <= to; ++y) {
      const int64_t x = ColumnOfRow(y);
      const int64_t prev = y > lo ? ColumnOfRow(y - 1) : x;
      if (std::abs(x - prev) <= 1) {
        PlotPoint(bmp, x, y, c);
      } else {
        const int64_t step = x > prev ? 1 : -1;
        for (int64_t xx = prev + step; xx != x + step; xx += step) PlotPoint(bmp, xx, y, c);
      }
    }
    // Join the flat and the steep part where they meet near the 45 degree point.
    const int64_t fx = xFar, fy = RowOfColumn(xFar);
    const int64_t sy = yFar, sx = ColumnOfRow(yFar);
    if (!Touch(fx, fy, sx, sy)) PlotLine(bmp, fx, fy, sx, sy, true, c);
    // Join the ends to the straight sides, which lie at cy + dy * b and cx + dx * a exactly;
    // only a very small ellipse leaves a step there.
    int64_t ex, ey;
    HorizontalEnd(ex, ey);
    const int64_t side = RoundPos(cy + dy * b);
    if (!Touch(ex, ey, ex, side)) PlotLine(bmp, ex, ey, ex, side, true, c);
    VerticalEnd(ex, ey);
    const int64_t column = RoundPos(cx + dx * a);
    if (!Touch(ex, ey, column, ey)) PlotLine(bmp, ex, ey, column, ey, true, c);
  }

  void HorizontalEnd(int64_t& x, int64_t& y) const {
    x = EdgeColumn();
    y = RowOfColumn(x);
  }
  void VerticalEnd(int64_t& x, int64_t& y) const {
    y = EdgeRow();
    x = ColumnOfRow(y);
  }
};

}  // namespace

void TBitmap::Rectangle(const TRect& r) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  FillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1});
  const Bgr c = ToBgr(pen.color);
  const int64_t l = r.left, t = r.top, rt = int64_t(r.right) - 1, b = int64_t(r.bottom) - 1;
  PlotLine(*this, l, t, rt, t, true, c);
  PlotLine(*this, l, b, rt, b, true, c);
  PlotLine(*this, l, t, l, b, true, c);
  PlotLine(*this, rt, t, rt, b, true, c);
}

void TBitmap::Line(int x0, int y0, int x1, int y1) {
  PlotLine(*this, x0, y0, x1, y1, false, ToBgr(pen.color));
}

void TBitmap::RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight) {
  const int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
  if (w <= 0 || h <= 0) return;
  const int64_t ew = std::min<int64_t>(ellipseWidth, w), eh = std::min<int64_t>(ellipseHeight, h);
  if (ew <= 0 || eh <= 0) {
    Rectangle(r);
    return;
  }
  const double a = ew / 2.0, b = eh / 2.0;
  const double left = r.left, top = r.top, right = double(r.right) - 1,
               bottom = double(r.bottom) - 1;
  const Arc tl{left + a, top + b, a, b, -1, -1};
  const Arc tr{right - a, top + b, a, b, 1, -1};
  const Arc bl{left + a, bottom - b, a, b, -1, 1};
  const Arc br{right - a, bottom - b, a, b, 1, 1};

  if (brush.style == TBrushStyle::Solid) {
    // Every pixel whose centre lies inside the outline, row by row.
    const Bgr fill = ToBgr(brush.color);
    const int64_t y0 = std::max<int64_t>(r.top + 1, 0);
    const int64_t y1 = std::min<int64_t>(int64_t(r.bottom) - 2, height_ - 1);
    for (int64_t y = y0; y <= y1; ++y) {
      double xl = left + 1, xr = right - 1;
      const Arc* arcs[2] = {nullptr, nullptr};
      if (y < tl.cy) {
        arcs[0] = &tl;
        arcs[1] = &tr;
      } else if (y > bl.cy) {
        arcs[0] = &bl;
        arcs[1] = &br;
      }
      if (arcs[0]) {
        const double t = (double(y) - arcs[0]->cy) / b;
        const double half = a * std::sqrt(std::max(0.0, 1 - t * t));
        xl = std::max(xl, arcs[0]->cx - half);
        xr = std::min(xr, arcs[1]->cx + half);
      }
      const int64_t from = std::max<int64_t>(int64_t(std::ceil(xl)), 0);
      const int64_t to = std::min<int64_t>(int64_t(std::floor(xr)), width_ - 1);
      if (from <= to)
        FillPixels(Row(int(y)) + std::size_t(from) * 3, std::size_t(to - from + 1), fill);
    }
  }

  const Bgr c = ToBgr(pen.color);
  for (const Arc* arc : {&tl, &tr, &bl, &br}) arc->Draw(*this, c);
  // The straight edges lie on the rectangle's sides, between the columns and rows where the
  // arcs leave them.
  const int64_t l = r.left, t = r.top, rt = int64_t(r.right) - 1, bt = int64_t(r.bottom) - 1;
  PlotLine(*this, tl.EdgeColumn(), t, tr.EdgeColumn(), t, true, c);
  PlotLine(*this, bl.EdgeColumn(), bt, br.EdgeColumn(), bt, true, c);
  PlotLine(*this, l, tl.EdgeRow(), l, bl.EdgeRow(), true, c);
  PlotLine(*this, rt, tr.EdgeRow(), rt, br.EdgeRow(), true, c);
}

void TBitmap::FloodFill(int x, int y, TColor border) {
  if (brush.style == TBrushStyle::Clear || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const Bgr stop = ToBgr(border);
  const Bgr paint = ToBgr(brush.color);
  if (Is(Row(y) + std::size_t(x) * 3, stop)) return;

  // Painted pixels must not be entered again. When the paint is the border colour they stop
  // the fill by themselves; otherwise a bit per pixel remembers them.
  const bool paintStops = paint.b == stop.b && paint.g == stop.g && paint.r == stop.r;
  std::vector<uint64_t> done;
  if (!paintStops) done.assign((std::size_t(width_) * std::size_t(height_) + 63) / 64, 0);
  const int w = width_, h = height_;

  // Pixel x of the row starting at p, whose first pixel has index base.
  auto open = [&](const uint8_t* p, std::size_t base, int px) {
    if (px < 0 || px >= w || Is(p + std::size_t(px) * 3, stop)) return false;
    if (paintStops) return true;
    const std::size_t i = base + std::size_t(px);
    return !(done[i >> 6] >> (i & 63) & 1);
  };
  auto paintAt = [&](uint8_t* p, std::size_t base, int px) {
    Put(p + std::size_t(px) * 3, paint);
    if (!paintStops) {
      const std::size_t i = base + std::size_t(px);
      done[i >> 6] |= uint64_t(1) << (i & 63);
    }
  };

  // Span filling: each entry is a run x1..x2 of row y still to be scanned, reached from row
  // y - dy. The stack holds runs, not pixels, and nothing is recursive.
  struct Span {
    int32_t x1, x2, y, dy;
  };
  std::vector<Span> stack;
  auto push = [&](int x1, int x2, int py, int dy) {
    if (py >= 0 && py < h) stack.push_back({x1, x2, py, dy});
  };
  push(x, x, y, 1);
  push(x, x, y - 1, -1);
  while (!stack.empty()) {
    const Span s = stack.back();
    stack.pop_back();
    uint8_t* row = Row(s.y);
    const std::size_t base = std::size_t(s.y) * std::size_t(w);
    int x1 = s.x1;
    int px = x1;
    if (open(row, base, px)) {
      while (open(row, base, px - 1)) paintAt(row, base, --px);
      if (px < x1) push(px, x1 - 1, s.y - s.dy, -s.dy);
    }
    while (x1 <= s.x2) {
      while (open(row, base, x1)) paintAt(row, base, x1++);
      if (x1 > px) push(px, x1 - 1, s.y + s.dy, s.dy);
      if (x1 - 1 > s.x2) push(s.x2 + 1, x1 - 1, s.y - s.dy, -s.dy);
      ++x1;
      while (x1 < s.x2 && !open(row, base, x1)) ++x1;
      px = x1;
    }
  }
}

}  // namespace pixmira
