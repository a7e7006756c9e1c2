#include "core/Settings.h"

#include <array>
#include <charconv>
#include <stdexcept>
#include <string>

namespace pixmira {

namespace {

// A site that does not read the key.
constexpr const char* kNone = nullptr;

struct KeyDefaults {
  std::string_view key;
  // Indexed by ReadSite: Main, Dialog, Pipeline, Export.
  std::array<const char*, 4> byReadSite;
};

// Every key with its default at each site that reads it, the one place they are written.
constexpr std::array<KeyDefaults, 51> kDefaults{{
    {keys::ReduceSize, {"1", kNone, "1", kNone}},
    {keys::ReduceSizeType, {"0", kNone, "0", kNone}},
    {keys::ReduceSizeWidth, {"310", kNone, "310", kNone}},
    {keys::ReduceSizeQuality, {"1", kNone, kNone, kNone}},
    {keys::AddFrame, {"0", kNone, "0", kNone}},
    {keys::FrameType, {"1", "1", "0", kNone}},
    {keys::CornerType, {"0", "0", "0", kNone}},
    {keys::CornerWidth, {"0", "0", "0", kNone}},
    {keys::FrameName, {"", "", "", kNone}},
    {keys::AddWatermark, {"0", kNone, "0", kNone}},
    {keys::WatermarkType, {"0", "0", "0", kNone}},
    {keys::WatermarkText, {"", "", "", kNone}},
    {keys::WatermarkImage, {"", "", "", kNone}},
    {keys::WatermarkPaintStyle, {"0", "0", "0", kNone}},
    {keys::WatermarkPos, {"0", "0", "0", kNone}},
    {keys::WatermarkRotate, {kNone, "0", "0", kNone}},
    {keys::WatermarkTransparent, {kNone, "20", "20", kNone}},
    {keys::WatermarkTileSpace, {kNone, "20", "20", kNone}},
    {keys::WatermarkTileCount, {kNone, "0", "0", kNone}},
    {keys::WatermarkImageScale, {kNone, "0", "0", kNone}},
    {keys::WatermarkFontName, {kNone, "", "", kNone}},
    {keys::WatermarkFontSize, {kNone, "8", "8", kNone}},
    {keys::WatermarkFontColor, {kNone, "$FFFFFF", "$FFFFFF", kNone}},
    {keys::WatermarkFontBold, {kNone, "0", "0", kNone}},
    {keys::WatermarkFontItalic, {kNone, "0", "0", kNone}},
    {keys::WatermarkFontUnderLine, {kNone, "0", "0", kNone}},
    {keys::OutputGif, {"0", kNone, kNone, kNone}},
    {keys::GifSpeed, {"1", kNone, kNone, kNone}},
    // The export takes the seconds the window shows when the key is absent or not a number.
    {keys::GifSeconds, {"1.00", kNone, kNone, "1.00"}},
    {keys::HomeHost, {"", kNone, kNone, kNone}},
    {keys::WindowLeft, {"", kNone, kNone, kNone}},
    {keys::WindowTop, {"", kNone, kNone, kNone}},
    {keys::WindowWidth, {"", kNone, kNone, kNone}},
    {keys::WindowHeight, {"", kNone, kNone, kNone}},
    {keys::WindowMaximized, {"0", kNone, kNone, kNone}},
    {keys::PictureFolder, {"", kNone, kNone, kNone}},
    {keys::OutputFolder, {"", kNone, kNone, kNone}},
    {keys::ReduceSizeSmooth, {"0", kNone, "0", kNone}},
    {keys::SquareCanvas, {"0", kNone, "0", kNone}},
    {keys::JpegProgressive, {"0", kNone, kNone, kNone}},
    {keys::ReduceSizeMode, {"0", kNone, "0", kNone}},
    {keys::ReduceSizeHeight, {"0", kNone, "0", kNone}},
    {keys::AllowEnlarge, {"0", kNone, "0", kNone}},
    {keys::OutputNamePattern, {"{name}", kNone, kNone, "{name}"}},
    {keys::OutputFormat, {"0", kNone, kNone, "0"}},
    {keys::WebpLossless, {"0", kNone, kNone, "0"}},
    {keys::MaxFileKB, {"0", kNone, kNone, "0"}},
    {keys::MinFileQuality, {"30", kNone, kNone, "30"}},
    {keys::KeepMetadata, {"0", kNone, kNone, "0"}},
    {keys::RestoreList, {"1", kNone, kNone, kNone}},
    {keys::PresetName, {"", kNone, kNone, kNone}},
}};

// The margin family: "cbWatermarkPosBlank" / "cbWatermarkPosBlankKind", anchor index, A or B.
// Every anchor has the same defaults, so the index is not bounded here: the anchor table in
// effects/ decides which anchors exist.
constexpr std::string_view kMarginPrefix = "cbWatermarkPosBlank";
constexpr std::string_view kKindInfix = "Kind";
constexpr KeyDefaults kMarginDefaults{"", {kNone, "15", "15", kNone}};
constexpr KeyDefaults kMarginKindDefaults{"", {kNone, "0", "0", kNone}};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool IsMarginSuffix(std::string_view rest) {
  if (rest.size() < 2 || rest.size() > 4) return false;
  for (std::size_t i = 0; i + 1 < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return false;
  }
  const char letter = Lower(rest.back());
  return letter == 'a' || letter == 'b';
}

const KeyDefaults* FindDefaults(std::string_view key) {
  for (const KeyDefaults& k : kDefaults) {
    if (SameText(k.key, key)) return &k;
  }
  if (key.size() > kMarginPrefix.size() &&
      SameText(key.substr(0, kMarginPrefix.size()), kMarginPrefix)) {
    std::string_view rest = key.substr(kMarginPrefix.size());
    if (IsMarginSuffix(rest)) return &kMarginDefaults;
    if (rest.size() > kKindInfix.size() &&
        SameText(rest.substr(0, kKindInfix.size()), kKindInfix) &&
        IsMarginSuffix(rest.substr(kKindInfix.size()))) {
      return &kMarginKindDefaults;
    }
  }
  return nullptr;
}

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

std::string MarginKey(int anchor, char letter) {
  return std::string(kMarginPrefix) + std::to_string(anchor) + letter;
}

std::string MarginKindKey(int anchor, char letter) {
  return std::string(kMarginPrefix) + std::string(kKindInfix) + std::to_string(anchor) + letter;
}

std::string_view SettingDefault(std::string_view key, ReadSite site) {
  const KeyDefaults* k = FindDefaults(key);
  const char* value = k ? k->byReadSite[static_cast<std::size_t>(site)] : kNone;
  if (value == kNone) {
    throw std::logic_error("the " + std::string(SiteName(site)) + " does not read setting " +
                           std::string(key));
  }
  return value;
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
  // from_chars ignores the locale, whose decimal separator may be a comma.
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
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
