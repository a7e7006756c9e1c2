#include "core/Language.h"

#include "core/Platform.h"

#include <string_view>

namespace pixmira {

TLanguage UserLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::optional<std::string> value = platform::GetEnv(name);
    if (!value || value->empty()) continue;
    const std::string_view first = std::string_view(*value).substr(0, value->find(':'));
    return first.substr(0, 2) == "en" ? TLanguage::English : TLanguage::Chinese;
  }
  return TLanguage::Chinese;
}

}  // namespace pixmira
