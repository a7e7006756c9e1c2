#pragma once
// A decoded picture: what LoadPicture returns. Each class reads a file, reports its size,
// draws itself scaled onto a surface and copies itself into a working bitmap.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace pixmira {

// What the header of a picture file says it will take once decoded, known before decoding.
struct TPictureSize {
  int width = 0;
  int height = 0;
  uint64_t decodeBytes = 0;  // the decoder's own buffers and the decoded picture
};

class TPicture {
 public:
  virtual ~TPicture() = default;

  // Raises an Exception subclass on any failure; the picture is then unusable.
  void LoadFromFile(const std::string& path);
  virtual void LoadFromMemory(std::span<const uint8_t> data) = 0;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Scaled into rect of target, clipped.
  virtual void Draw(TBitmap& target, const TRect& rect) const = 0;
  // A new 24-bit working bitmap of the picture's size.
  virtual std::unique_ptr<TBitmap> ToBitmap() const = 0;
  // As ToBitmap, for a picture that is not needed afterwards: classes that hold a decoded
  // bitmap hand it over instead of copying it (36 MB for a 12-megapixel photo).
  virtual std::unique_ptr<TBitmap> TakeBitmap() { return ToBitmap(); }
};

// A picture decoded whole into a 24-bit bitmap (JPEG, BMP).
class TDecodedPicture : public TPicture {
 public:
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  // Point-sampled when scaled.
  void Draw(TBitmap& target, const TRect& rect) const override;
  std::unique_ptr<TBitmap> ToBitmap() const override;
  std::unique_ptr<TBitmap> TakeBitmap() override;

 protected:
  void SetBitmap(TBitmap bitmap) { bitmap_ = std::move(bitmap); }
  void Clear() { bitmap_ = TBitmap(); }

 private:
  TBitmap bitmap_;
};

// A picture with an alpha channel, kept as straight blue, green, red, alpha (PNG, WebP, HEIF).
class TAlphaPicture : public TPicture {
 public:
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Blends by alpha over what the target holds: (s*a + d*(255-a) + 127) div 255 at its own
  // size, bilinear when scaled.
  void Draw(TBitmap& target, const TRect& rect) const override;
  // Composited over black: c * a / 255, rounded to nearest.
  std::unique_ptr<TBitmap> ToBitmap() const override;

  // Rows from the top, four bytes a pixel.
  const std::vector<uint8_t>& Bgra() const { return bgra_; }

 protected:
  void SetPixels(int width, int height, std::vector<uint8_t> bgra);
  void Clear() { SetPixels(0, 0, {}); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> bgra_;
};

// The whole file; raises EFileError naming the path and the reason.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// The file's first limit bytes (all of a shorter one), with the same errors.
std::vector<uint8_t> ReadFileHead(const std::string& path, std::size_t limit);

}  // namespace pixmira
