// Our BMP reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/Bmp.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  // Run-length pictures may legally be far larger than their data; filling them only costs
  // time, so the fuzzer keeps to small ones.
  if (size >= 26) {
    const int64_t w = int32_t(data[18] | data[19] << 8 | data[20] << 16 | uint32_t(data[21]) << 24);
    const int64_t h = int32_t(data[22] | data[23] << 8 | data[24] << 16 | uint32_t(data[25]) << 24);
    if (std::llabs(w) * std::llabs(h) > 4096 * 4096) return 0;
  }
  try {
    DecodeBmp({data, size});
  } catch (const Exception&) {
  }
  return 0;
}
