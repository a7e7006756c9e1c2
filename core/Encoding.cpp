#include "core/Encoding.h"

#include <cstdint>

namespace pixmira {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are rejected).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
  const uint8_t b0 = byte(i);
  if (b0 < 0x80) return 1;
  std::size_t n;
  uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > text.size()) return 0;
  if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return n;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = Utf8SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string DecodeFileText(std::string_view bytes) {
  std::string_view body = bytes;
  if (body.substr(0, kBom.size()) == kBom) body.remove_prefix(kBom.size());
  if (IsValidUtf8(body)) return std::string(body);
  return GbkToUtf8(bytes);
}

std::size_t GbkLength(std::string_view utf8) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t n = Utf8SequenceLength(utf8, i);
    if (n == 1) {
      length += 1;
      i += 1;
    } else if (utf8.substr(i, 3) == "\xE2\x82\xAC") {
      length += 1;  // the euro sign is the one non-ASCII byte of code page 936 (0x80)
      i += 3;
    } else {
      length += 2;
      i += n == 0 ? 1 : n;
    }
  }
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

}  // namespace pixmira
