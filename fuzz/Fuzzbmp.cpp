// Our BMP reader.
#include <cstddef>
#include <cstdint>

#include "codecs/Bmp.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  try {
    DecodeBmp({data, size});
  } catch (const Exception&) {
  }
  return 0;
}
