#pragma once
// The schema of Config.ini: one row per key of section General. Everything else that
// describes a setting derives from these rows: the default at each read site (Settings.h),
// the command's --set check and --list-settings, the README's key table, the JSON the web
// page builds its panel from, and the window's bound controls.
//
// Adding a key is adding one row to the table in SettingsSchema.cpp (plus a keys:: name in
// Settings.h when code reads it by name). Nothing else lists keys.
//
// Texts: `caption`, `tooltip` and each choice's `caption` are the Chinese source texts the
// window shows (it translates them as any other window text); `english` is the plain English
// meaning that the command, the README and the web page show to English readers.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/MemIniFile.h"

namespace pixmira {

// M: main window, D: settings dialog, P: pipeline, E: export driver.
enum class ReadSite { Main, Dialog, Pipeline, Export };
inline constexpr std::size_t kReadSiteCount = 4;

// How the value is stored and checked.
//   Bool     "1" or "0" (read with ReadBool: any non-zero number is on)
//   Int      a whole number within [minimum, maximum]
//   Choice   a whole number, one of `choices`
//   Text     any text on one line
//   Colour   colour text: a name such as "clRed" or "$00BBGGRR"
//   Decimal  digits with at most one "." within [minimum, maximum], e.g. "1.00"
enum class SettingType { Bool, Int, Choice, Text, Colour, Decimal };

struct SettingChoice {
  int value = 0;
  std::string caption{};  // Chinese, as the window's list shows it
  std::string english{};
};

// Holds when the key `key` reads as one of `values` (with `negate`: as none of them).
struct SettingCondition {
  std::string key{};
  std::vector<int> values{};
  bool negate = false;
};

struct SettingRow {
  std::string key{};
  SettingType type = SettingType::Text;
  // The default text at each read site, indexed by ReadSite; nullptr where the site does not
  // read the key. The sites keep their own defaults (FrameType: 1 in the windows, 0 in the
  // pipeline).
  std::array<const char*, kReadSiteCount> defaults{};
  // Int and Decimal: the allowed values, inclusive.
  double minimum = 0;
  double maximum = 0;
  // Int: an empty value is allowed and means "not set" (the window's place).
  bool emptyAllowed = false;
  // Choice: every allowed value in list order.
  std::vector<SettingChoice> choices{};
  std::string caption{};
  std::string tooltip{};
  std::string english{};
  // Where the control lives: the effect group ("size", "edge", "watermark", "output"; the
  // settings dialog shows "edge" and "watermark" as its pages) or "program" for what the
  // window keeps for itself, and the panel within the group.
  std::string group{};
  std::string panel{};
  // The row changes anything only when every condition holds (see SettingCounts).
  std::vector<SettingCondition> when{};
  // Rows made from one pattern (the margin keys of every anchor) share a family name, so a
  // listing may show them once.
  std::string family{};
};

// Every row, in the order the window and the listings show them. The margin keys appear for
// each anchor of WatermarkPos, and only the letters that anchor uses.
const std::vector<SettingRow>& SettingsSchema();

// The row of a key, letter case ignored; nullptr for an unknown key. A margin key of any
// anchor number and letter A or B finds its family's row (also those no anchor uses, which the
// dialog still reads and writes).
const SettingRow* FindSetting(std::string_view key);

// The row a family's keys are made from (SettingRow::family), for listings that show a family
// once; nullptr for an unknown family.
const SettingRow* FindSettingFamily(std::string_view family);

// The default text of the row at a site; nothing when the site does not read it.
std::optional<std::string_view> RowDefault(const SettingRow& row, ReadSite site);

// Whether the row's value counts, reading the store at `site`: every condition holds. A
// condition on a key the site does not read holds (the dialog's preview ignores AddFrame).
bool SettingCounts(const TMemIniFile& store, const SettingRow& row, ReadSite site);

// Why a value cannot be stored under a row; None when it can.
enum class SettingValueProblem {
  None,
  NotANumber,   // Bool, Int, Choice: not a decimal whole number
  OutOfRange,   // Int, Decimal: outside [minimum, maximum]; Bool: not 0 or 1
  NotAChoice,   // Choice: a number that is none of the choices
  NotAColour,   // Colour
  NotADecimal,  // Decimal: not digits with at most one "."
  LineBreak,    // Text: holds a line break, which the file cannot keep
};
SettingValueProblem CheckSettingValue(const SettingRow& row, std::string_view value);

// Stable lower-case names, as the JSON and the listings write them: "bool", "int", "choice",
// "text", "colour", "decimal".
std::string_view SettingTypeName(SettingType type);

// The schema as JSON, the form the web page builds its panel from (and what
// `pixmira-batch --list-settings --json` prints). Stable: fields are only ever added.
//   {"format": 1, "settings": [row, ...]}, rows in SettingsSchema() order, each
//   {"key", "type" (SettingTypeName), "defaults": {"main", "dialog", "pipeline", "export"}
//    (only the sites that read the key), "min", "max" (numbers; int and decimal only),
//    "emptyAllowed" (int only), "choices": [{"value", "caption", "english"}] (choice only),
//    "caption", "tooltip", "english", "group", "panel",
//    "when": [{"key", "values": [numbers], "negate"}], "family"}
// Texts are UTF-8; the row counts when every "when" entry holds (SettingCounts).
std::string SettingsSchemaJson();

// Shortest decimal text of a range bound ("-180", "655.35").
std::string FormatSettingNumber(double value);

}  // namespace pixmira
