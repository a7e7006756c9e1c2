// PNG decoding with its content sniffing, the copy over black and the blended drawing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codecs/Gif.h"
#include "codecs/Png.h"
#include "core/Errors.h"

namespace {

// Pictures beyond 2048 x 2048 are legal and only cost time filling memory; the unit tests
// cover the limits, so the fuzzer's time goes to the parsers.
constexpr int64_t kLargest = 2048 * 2048;

bool Large(const uint8_t* data, size_t size) {
  using namespace pixmira;
  if (size >= 24 && data[0] == 0x89) {
    const uint32_t w = uint32_t(data[16]) << 24 | data[17] << 16 | data[18] << 8 | data[19];
    const uint32_t h = uint32_t(data[20]) << 24 | data[21] << 16 | data[22] << 8 | data[23];
    return uint64_t(w) * h > kLargest;
  }
  if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
    const int64_t w = int32_t(data[18] | data[19] << 8 | data[20] << 16 | uint32_t(data[21]) << 24);
    const int64_t h = int32_t(data[22] | data[23] << 8 | data[24] << 16 | uint32_t(data[25]) << 24);
    return std::llabs(w) * std::llabs(h) > kLargest;
  }
  if (size >= 4 && std::memcmp(data, "GIF8", 4) == 0) {
    try {
      TGIFImage gif;
      gif.LoadFromMemory({data, size});
      return int64_t(gif.Width()) * gif.Height() > kLargest;
    } catch (const Exception&) {
      return false;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  if (Large(data, size)) return 0;
  try {
    TPNGPicture png;
    png.LoadFromMemory({data, size});
    if (int64_t(png.Width()) * png.Height() > kLargest) return 0;
    png.ToBitmap();
    TBitmap target(37, 23);
    png.Draw(target, {-3, 2, 40, 19});                            // scaled, clipped
    png.Draw(target, {1, 1, 1 + png.Width(), 1 + png.Height()});  // own size
  } catch (const Exception&) {
  }
  return 0;
}
