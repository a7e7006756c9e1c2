// Any format of the table that has no target of its own, named by PIXMIRA_FUZZ_FORMAT: its
// decoder, the copy into a working bitmap and the scaled drawing.
#include <cstddef>
#include <cstdint>

#include "codecs/Formats.h"
#include "core/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pixmira;
  static const TFormat* format = FormatNamed(PIXMIRA_FUZZ_FORMAT);
  if (!format) __builtin_trap();  // a corpus folder without a table row
  try {
    std::unique_ptr<TPicture> picture = format->make();
    picture->LoadFromMemory({data, size});
    picture->ToBitmap();
    TBitmap target(37, 23);
    picture->Draw(target, {-3, 2, 40, 19});
  } catch (const Exception&) {
  }
  return 0;
}
