// JPEG decoding, and encoding again what decoded.
#include <cstddef>
#include <cstdint>

#include "codecs/Jpeg.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  try {
    TJPEGImage jpeg;
    jpeg.LoadFromMemory({data, size});
    const auto bitmap = jpeg.ToBitmap();
    if (int64_t(bitmap->Width()) * bitmap->Height() <= 64 * 64) EncodeJpeg(*bitmap, 75);
  } catch (const Exception&) {
  }
  return 0;
}
