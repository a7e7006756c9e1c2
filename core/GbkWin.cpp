// GBK decoding through Windows' own code page 936.
#include <windows.h>

#include <cstdint>

#include "core/Encoding.h"

namespace pixmira {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

// One character at a time, so a byte that does not decode becomes one U+FFFD and the next
// byte starts afresh, as the POSIX side's converter does.
std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  for (std::size_t i = 0; i < gbk.size();) {
    const auto b0 = static_cast<uint8_t>(gbk[i]);
    if (b0 < 0x80) {
      out += char(b0);
      ++i;
      continue;
    }
    const int n = b0 == 0x80 ? 1 : 2;  // 0x80 is the euro sign
    wchar_t wide[2];
    const int got = i + n <= gbk.size()
                        ? MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data() + i, n, wide, 2)
                        : 0;
    if (got == 1 && wide[0] != 0xFFFD) {
      AppendUtf8(out, char32_t(wide[0]));
      i += n;
    } else {
      out += kReplacement;
      ++i;
    }
  }
  return out;
}

}  // namespace pixmira
