// PNG decoding with its content sniffing, the copy over black and the blended drawing.
#include <cstddef>
#include <cstdint>

#include "codecs/Png.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
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
