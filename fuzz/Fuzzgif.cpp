// Our GIF reader and the first frame's copy into a bitmap.
#include <cstddef>
#include <cstdint>

#include "codecs/Gif.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  // Huge screens are legal and only cost time filling memory; the unit tests cover the
  // limits, the fuzzer's time goes to the parser.
  for (size_t at : {size_t(6), size_t(10)}) {
    if (size >= at + 4 &&
        int64_t(data[at] | data[at + 1] << 8) * (data[at + 2] | data[at + 3] << 8) > 2048 * 2048)
      return 0;
  }
  try {
    TGIFImage gif;
    gif.LoadFromMemory({data, size});
    if (int64_t(gif.Width()) * gif.Height() <= 2048 * 2048) gif.ToBitmap();
  } catch (const Exception&) {
  }
  return 0;
}
