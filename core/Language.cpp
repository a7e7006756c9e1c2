#include "core/Language.h"

#include <cstdlib>
#include <string_view>

namespace pixmira {

TLanguage UserLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    const std::string_view first =
        std::string_view(value).substr(0, std::string_view(value).find(':'));
    return first.substr(0, 2) == "en" ? TLanguage::English : TLanguage::Chinese;
  }
  return TLanguage::Chinese;
}

}  // namespace pixmira
