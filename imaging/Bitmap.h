#pragma once
// The 24-bit working bitmap and its drawing surface. Pixels are blue, green, red; row 0 is
// the top. A new bitmap is white.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ColorText.h"

namespace pixmira {

struct TPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TPoint&) const = default;
};

// Right and bottom are exclusive.
struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const TRect&) const = default;
};

enum class TBrushStyle { Solid, Clear };

struct TPen {
  TColor color = kBlack;
};

struct TBrush {
  TColor color = kWhite;
  TBrushStyle style = TBrushStyle::Solid;
};

// The font slot of the surface; the text renderer reads it.
struct TFont {
  std::string name;     // empty: the system's default sans-serif face
  int size = 8;         // points
  TColor color = kBlack;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int pixelHeight = 0;  // character height in pixels, in place of size; 0: from size
};

// What Pixel answers outside the bitmap; no 24-bit colour equals it.
inline constexpr TColor kInvalidColor = 0xFFFFFFFF;

// Largest picture we accept from any decoder or allocate for any step.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr int64_t kMaxPicturePixels = int64_t(1) << 28;
// Raises EInvalidGraphic when width × height is not a picture we can hold.
void CheckPictureSize(int64_t width, int64_t height);

// The one rule of every scaled copy ("colour on colour", no averaging): destination index d
// of dn takes source index floor((2d + 1) * sn / (2 * dn)).
inline int ScaledSourceIndex(int64_t d, int64_t sn, int64_t dn) {
  return static_cast<int>((2 * d + 1) * sn / (2 * dn));
}

// Asks the kernel to back [p, p + bytes) with huge pages where it lies on whole ones; a
// 12-megapixel picture then costs a few dozen page faults instead of ten thousand.
void AdviseHugePages(void* p, std::size_t bytes);

// Picture buffers: plain heap memory with that advice given before the first touch.
template <typename T>
struct TPixelAllocator {
  using value_type = T;
  TPixelAllocator() = default;
  template <typename U>
  TPixelAllocator(const TPixelAllocator<U>&) {}
  T* allocate(std::size_t n) {
    T* p = std::allocator<T>().allocate(n);
    AdviseHugePages(p, n * sizeof(T));
    return p;
  }
  void deallocate(T* p, std::size_t n) { std::allocator<T>().deallocate(p, n); }
  template <typename U>
  bool operator==(const TPixelAllocator<U>&) const {
    return true;
  }
};

class TBitmap {
 public:
  TBitmap() = default;
  TBitmap(int width, int height);  // white; raises EInvalidGraphic beyond the limits

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  std::size_t Stride() const { return std::size_t(width_) * 3; }

  uint8_t* Row(int y) { return pixels_.data() + std::size_t(y) * Stride(); }
  const uint8_t* Row(int y) const { return pixels_.data() + std::size_t(y) * Stride(); }
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }

  // Outside the bitmap Pixel answers kInvalidColor and SetPixel does nothing.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);
  void Fill(TColor color);

  // Drawing state, as a fresh surface has it.
  TPen pen;
  TBrush brush;
  TFont font;

  // All drawing is clipped to the bitmap; shapes may lie partly or wholly outside it, and
  // cost only what falls on the bitmap. A rectangle with right <= left or bottom <= top
  // draws nothing.

  // src unscaled with its top-left corner at (x, y), clipped.
  void Draw(int x, int y, const TBitmap& src);
  // src scaled into dst by ScaledSourceIndex, clipped.
  void StretchDraw(const TRect& dst, const TBitmap& src);
  // The brush colour over r, clipped (nothing when the brush is clear).
  void FillRect(const TRect& r);
  // Outline in the pen colour, inside filled with the brush when it is solid.
  void Rectangle(const TRect& r);
  // From (x0, y0) towards (x1, y1) in the pen colour, the end point excluded.
  void Line(int x0, int y0, int x1, int y1);
  // Rounded rectangle whose corners are quarter ellipses ew × eh: a one-pixel, 8-connected
  // outline in the pen colour without gaps; inside filled with the brush when it is solid.
  // The top-left arc is the quarter of the ellipse with centre (left + ew/2, top + eh/2) and
  // half-axes ew/2, eh/2 (so ew = eh = 20 at (-1, -1) is the circle of radius 10 about (9, 9)),
  // the other corners mirrored. ew and eh are limited to the rectangle's size; zero or less
  // gives square corners.
  void RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight);
  // Fill-to-border: every pixel 4-connected to (x, y) through pixels not equal to border
  // becomes the brush colour. Iterative, bounded memory. Nothing happens when the brush is
  // clear, the start lies outside the bitmap or the start pixel is the border colour.
  void FloodFill(int x, int y, TColor border);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t, TPixelAllocator<uint8_t>> pixels_;
};

}  // namespace pixmira
