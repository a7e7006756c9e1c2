#include "core/ColorText.h"

#include <array>
#include <cstdio>

#include "core/Errors.h"
#include "core/MemIniFile.h"

namespace pixmira {

namespace {

struct NamedColor {
  std::string_view name;
  TColor value;
};

constexpr std::array<NamedColor, 20> kNamedColors{{
    {"clBlack", 0x000000}, {"clMaroon", 0x000080},     {"clGreen", 0x008000},
    {"clOlive", 0x008080}, {"clNavy", 0x800000},       {"clPurple", 0x800080},
    {"clTeal", 0x808000},  {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},   {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF}, {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
}};

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::optional<TColor> TryStringToColor(std::string_view text) {
  for (const NamedColor& c : kNamedColors) {
    if (SameAsciiText(c.name, text)) return c.value;
  }
  int value;
  if (!TryParseInteger(text, value)) return std::nullopt;
  // Negative numbers and a non-zero high byte are the toolkit's system and palette colours,
  // which have no fixed red, green and blue.
  if (value < 0 || value > 0xFFFFFF) return std::nullopt;
  return static_cast<TColor>(value);
}

TColor StringToColor(std::string_view text) {
  if (auto c = TryStringToColor(text)) return *c;
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::string ColorToString(TColor color) {
  for (const NamedColor& c : kNamedColors) {
    if (c.value == color) return std::string(c.name);
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "$%08X", static_cast<unsigned>(color));
  return buffer;
}

}  // namespace pixmira
