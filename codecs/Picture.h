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

// The whole file; raises EFileError naming the path and the reason.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

}  // namespace pixmira
