#include "cli/SettingsCommand.h"

#include <utility>
#include <vector>

#include "cli/Messages.h"
#include "core/Settings.h"

namespace pixmira::cli {

namespace {

// The sites as a user knows them: the windows, and the export (pipeline and export driver).
bool IsWindowSite(std::size_t site) {
  return site == static_cast<std::size_t>(ReadSite::Main) ||
         site == static_cast<std::size_t>(ReadSite::Dialog);
}

TLanguage LanguageOf(bool english) { return english ? TLanguage::English : TLanguage::Chinese; }

std::string Shown(std::string_view value, bool english) {
  if (!value.empty()) return std::string(value);
  return SayIn(LanguageOf(english), "（空）");
}

// "1" where every site agrees, else "1 (window), 0 (export)".
std::string DefaultText(const SettingRow& row, bool english) {
  std::vector<std::pair<std::string, std::string>> byPlace;  // value, places
  auto add = [&](std::string value, std::string place) {
    for (auto& [v, p] : byPlace) {
      if (v == value) {
        if (p.find(place) == std::string::npos) p += ", " + place;
        return;
      }
    }
    byPlace.emplace_back(std::move(value), std::move(place));
  };
  for (std::size_t site = 0; site < kReadSiteCount; ++site) {
    const char* d = row.defaults[site];
    if (!d) continue;
    add(d, SayIn(LanguageOf(english), IsWindowSite(site) ? "窗口" : "导出"));
  }
  if (byPlace.size() == 1) return Shown(byPlace[0].first, english);
  std::string text;
  for (const auto& [value, place] : byPlace) {
    if (!text.empty()) text += ", ";
    text += Shown(value, english) + " (" + place + ")";
  }
  return text;
}

std::string Values(const SettingRow& row, bool english) {
  const TLanguage language = LanguageOf(english);
  const std::string low = FormatSettingNumber(row.minimum);
  const std::string high = FormatSettingNumber(row.maximum);
  switch (row.type) {
    case SettingType::Bool:
      return SayIn(language, "0 或 1");
    case SettingType::Int:
      return SayIn(language, row.emptyAllowed ? "{1} 到 {2}，或空" : "{1} 到 {2}", {low, high});
    case SettingType::Choice: {
      std::string text;
      for (const SettingChoice& c : row.choices) {
        if (!text.empty()) text += SayIn(language, "，");
        text += std::to_string(c.value) + " = " + (english ? c.english : c.caption);
      }
      return text;
    }
    case SettingType::Text:
      return SayIn(language, "一行文字");
    case SettingType::Colour:
      return SayIn(language, "颜色名（如 clRed）或 $00BBGGRR");
    case SettingType::Decimal:
      return SayIn(language, "{1} 到 {2}，小数点用 \".\"", {low, high});
  }
  return {};
}

// The window's caption without its trailing colon, with the tooltip; the English meaning
// where the window shows no caption.
std::string ChineseMeaning(const SettingRow& row) {
  std::string caption = row.caption;
  const std::string colon = "：";
  if (caption.size() >= colon.size() &&
      caption.compare(caption.size() - colon.size(), colon.size(), colon) == 0) {
    caption.erase(caption.size() - colon.size());
  }
  if (caption.empty()) return row.english;
  if (!row.tooltip.empty()) caption += "（" + row.tooltip + "）";
  return caption;
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text + ' ';
}

// Markdown cell text: a "|" would end the cell.
std::string Cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string AllowedValues(const SettingRow& row) { return Values(row, SpeaksEnglish()); }

std::string SettingsListing() {
  const bool english = SpeaksEnglish();
  std::string out;
  for (const SettingRow& row : SettingsSchema()) {
    out += Padded(row.key, 26) + Padded(std::string(SettingTypeName(row.type)), 7) +
           Padded(DefaultText(row, english), 8) + Values(row, english) + '\n';
    out += "    " + (english ? row.english : ChineseMeaning(row)) + '\n';
  }
  return out;
}

std::string SettingsMarkdown() {
  std::string out =
      "| key | type | default | values | meaning |\n"
      "|---|---|---|---|---|\n";
  std::vector<std::string> families;
  for (const SettingRow& listed : SettingsSchema()) {
    const SettingRow* row = &listed;
    std::string key = "`" + row->key + "`";
    if (!row->family.empty()) {
      bool seen = false;
      for (const std::string& f : families) seen = seen || f == row->family;
      if (seen) continue;
      families.push_back(row->family);
      row = FindSettingFamily(row->family);
      key = "`" + listed.family + "`*k*`A`/`B`";
    }
    out += "| " + key + " | " + std::string(SettingTypeName(row->type)) + " | " +
           Cell(DefaultText(*row, true)) + " | " + Cell(Values(*row, true)) + " | " +
           Cell(row->english) + " |\n";
  }
  return out;
}

std::optional<std::string> ParseSettingOverride(std::string_view argument,
                                                TSettingOverride& setting) {
  const std::size_t eq = argument.find('=');
  if (eq == std::string_view::npos || eq == 0) {
    return Say("--set 需要 KEY=VALUE，而不是 \"{1}\"", {std::string(argument)});
  }
  const std::string key(argument.substr(0, eq));
  const std::string value(argument.substr(eq + 1));
  const SettingRow* row = FindSetting(key);
  if (!row) return Say("未知设置 {1}（pixmira-batch --list-settings 列出所有设置）", {key});
  if (CheckSettingValue(*row, value) != SettingValueProblem::None) {
    return Say("设置 {1} 不能是 \"{2}\"，可用的值：{3}", {key, value, AllowedValues(*row)});
  }
  // A family's key keeps its own anchor and letter; a listed key takes the schema's spelling.
  setting.key = row->family.empty() ? row->key : key;
  setting.value = value;
  return std::nullopt;
}

}  // namespace pixmira::cli
