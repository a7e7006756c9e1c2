#pragma once
// Colours as the settings keep them: a toolkit name ("clRed") or a number, "$00BBGGRR".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixmira {

// 0x00BBGGRR: red in the low byte.
using TColor = uint32_t;

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;

constexpr uint8_t RedOf(TColor c) { return c & 0xFF; }
constexpr uint8_t GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr uint8_t BlueOf(TColor c) { return (c >> 16) & 0xFF; }
constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}

// A table name in any letter case, a decimal number or "$" hex. Nothing when it does not
// convert.
std::optional<TColor> TryStringToColor(std::string_view text);

// As above, but a text that does not convert raises EConvertError
// "'<text>' is not a valid integer value".
TColor StringToColor(std::string_view text);

// The table's name where there is one, else "$" and eight upper-case hex digits.
std::string ColorToString(TColor color);

}  // namespace pixmira
