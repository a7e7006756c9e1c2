#pragma once
// PNG through libpng. Like the platform picture library it stood in for, it also accepts
// JPEG, GIF and BMP content under a ".png" name; 13 bytes or less give an empty picture.
#include "codecs/Picture.h"

namespace pixmira {

class TPNGPicture : public TAlphaPicture {
 public:
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

}  // namespace pixmira
