// PNG decoding with its content sniffing, the copy over black and the blended drawing.
#include <cstddef>
#include <cstdint>

#include "codecs/Png.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  // Header sizes beyond 4096 x 4096 are legal and only cost time; the unit tests cover them.
  if (size >= 24 && data[0] == 0x89) {
    const uint32_t w = uint32_t(data[16]) << 24 | data[17] << 16 | data[18] << 8 | data[19];
    const uint32_t h = uint32_t(data[20]) << 24 | data[21] << 16 | data[22] << 8 | data[23];
    if (uint64_t(w) * h > 4096 * 4096) return 0;
  }
  try {
    TPNGPicture png;
    png.LoadFromMemory({data, size});
    if (int64_t(png.Width()) * png.Height() > 1024 * 1024) return 0;
    png.ToBitmap();
    TBitmap target(37, 23);
    png.Draw(target, {-3, 2, 40, 19});                            // scaled, clipped
    png.Draw(target, {1, 1, 1 + png.Width(), 1 + png.Height()});  // own size
  } catch (const Exception&) {
  }
  return 0;
}
