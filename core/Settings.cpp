#include "core/Settings.h"

#include <charconv>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>

namespace pixmira {

namespace {

const char* SiteName(ReadSite site) {
  switch (site) {
    case ReadSite::Main:
      return "main window";
    case ReadSite::Dialog:
      return "settings dialog";
    case ReadSite::Pipeline:
      return "pipeline";
    case ReadSite::Export:
      return "export";
  }
  return "?";
}

int DefaultInteger(std::string_view key, ReadSite site) {
  int value;
  if (!TryParseInteger(SettingDefault(key, site), value)) {
    throw std::logic_error("setting " + std::string(key) + " is not an integer");
  }
  return value;
}

}  // namespace

std::string_view SettingDefault(std::string_view key, ReadSite site) {
  const SettingRow* row = FindSetting(key);
  const std::optional<std::string_view> value = row ? RowDefault(*row, site) : std::nullopt;
  if (!value) {
    throw std::logic_error("the " + std::string(SiteName(site)) + " does not read setting " +
                           std::string(key));
  }
  return *value;
}

std::string ReadSettingString(const TMemIniFile& store, std::string_view key, ReadSite site) {
  return store.ReadString(kGeneral, key, SettingDefault(key, site));
}

int ReadSettingInteger(const TMemIniFile& store, std::string_view key, ReadSite site) {
  return store.ReadInteger(kGeneral, key, DefaultInteger(key, site));
}

bool ReadSettingBool(const TMemIniFile& store, std::string_view key, ReadSite site) {
  return store.ReadBool(kGeneral, key, DefaultInteger(key, site) != 0);
}

TColor ReadSettingColor(const TMemIniFile& store, std::string_view key, ReadSite site) {
  const TColor fallback = StringToColor(SettingDefault(key, site));
  return TryStringToColor(store.ReadString(kGeneral, key, "")).value_or(fallback);
}

bool TryParseDecimal(std::string_view text, double& value) {
  bool digit = false, point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!digit) return false;
  // The classic locale, not the user's, whose decimal separator may be a comma. (Not
  // from_chars: WebAssembly's C++ library has none for floating point.)
  std::istringstream in{std::string(text)};
  in.imbue(std::locale::classic());
  in >> value;
  return !in.fail();
}

double ReadSettingDecimal(const TMemIniFile& store, std::string_view key, ReadSite site) {
  double fallback = 0;
  if (!TryParseDecimal(SettingDefault(key, site), fallback)) {
    throw std::logic_error("setting " + std::string(key) + " is not a decimal");
  }
  double value;
  return TryParseDecimal(store.ReadString(kGeneral, key, ""), value) ? value : fallback;
}

}  // namespace pixmira
