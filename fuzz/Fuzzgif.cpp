// Our GIF reader and the first frame's copy into a bitmap.
#include <cstddef>
#include <cstdint>

#include "codecs/Gif.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  try {
    TGIFImage gif;
    gif.LoadFromMemory({data, size});
    if (int64_t(gif.Width()) * gif.Height() <= 4096 * 4096) gif.ToBitmap();
  } catch (const Exception&) {
  }
  return 0;
}
