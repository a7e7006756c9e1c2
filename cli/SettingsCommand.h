#pragma once
// The command's view of the settings schema: --list-settings in its three forms and the check
// of --set KEY=VALUE.
#include <optional>
#include <string>
#include <string_view>

#include "core/SettingsSchema.h"

namespace pixmira::cli {

// One entry per key: key, type, default, allowed values, then its meaning on an indented line;
// in the command's language.
std::string SettingsListing();

// The README's key table, always English: margin families shown once.
std::string SettingsMarkdown();

// The allowed values of a row in the command's language ("0 到 100", "0 = text, 1 = picture").
std::string AllowedValues(const SettingRow& row);

struct TSettingOverride {
  std::string key;  // as the schema spells it
  std::string value;
};

// Checks "KEY=VALUE" against the schema. The usage error's sentence on failure.
std::optional<std::string> ParseSettingOverride(std::string_view argument,
                                                TSettingOverride& setting);

}  // namespace pixmira::cli
