#pragma once
// PNG through libpng. Like the platform picture library it stood in for, it also accepts
// JPEG, GIF and BMP content under a ".png" name; 13 bytes or less give an empty picture.
#include "codecs/Picture.h"
#include "codecs/WriteOptions.h"

namespace pixmira {

class TPNGPicture : public TAlphaPicture {
 public:
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

// The export's writer: 24-bit colour, zlib's default level, with the metadata's EXIF block
// (eXIf) and colour profile (iCCP).
std::vector<uint8_t> WritePng(const TBitmap& bitmap, const TWriteOptions& options);

}  // namespace pixmira
