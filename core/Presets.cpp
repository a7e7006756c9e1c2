#include "core/Presets.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "core/FileWrite.h"
#include "core/Platform.h"
#include "core/Settings.h"

namespace pixmira {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExtension = ".ini";

// The window's own place and habits belong to the machine, not to a picture slot.
constexpr std::array<std::string_view, 11> kWindowKeys{
    keys::WindowLeft,      keys::WindowTop,     keys::WindowWidth,  keys::WindowHeight,
    keys::WindowMaximized, keys::PictureFolder, keys::OutputFolder, keys::PresetName,
    keys::RestoreList,     keys::HomeHost,      "PictureList"};

bool WindowKey(std::string_view key) {
  auto lower = [](std::string_view t) {
    std::string s(t);
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return s;
  };
  const std::string k = lower(key);
  return std::any_of(kWindowKeys.begin(), kWindowKeys.end(),
                     [&](std::string_view w) { return lower(w) == k; });
}

void CopyGeneral(const TMemIniFile& from, TMemIniFile& to) {
  for (const std::string& key : from.ReadKeys(kGeneral)) {
    if (!WindowKey(key)) to.WriteString(kGeneral, key, from.ReadString(kGeneral, key, ""));
  }
}

[[noreturn]] void Fail(const std::string& path, int error) { RaiseWriteError(path, error); }

}  // namespace

std::string PresetFolderFor(const std::string& configFile) {
  // Beside the settings file, whichever separator its path uses (Windows takes "\\" too).
  std::size_t end = configFile.size();
  while (end > 0 && !platform::IsSeparator(configFile[end - 1])) --end;
  return configFile.substr(0, end) + "Presets" + platform::PreferredSeparator();
}

bool ValidPresetName(std::string_view name) {
  if (name.empty() || name.size() > 100 || name.front() == '.') return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

const std::vector<TBundledPreset>& BundledPresets() {
  // Each one sets every size and output key, so switching from another slot leaves nothing
  // of it behind.
  static const std::vector<TBundledPreset> presets{
      {"主图 800x800",
       "[General]\r\nReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=800\r\n"
       "ReduceSizeHeight=800\r\nReduceSizeMode=3\r\nReduceSizeQuality=0\r\nReduceSizeSmooth=1\r\n"
       "SquareCanvas=0\r\nAllowEnlarge=0\r\nOutputFormat=0\r\nMaxFileKB=500\r\nOutputGif=0\r\n"},
      {"详情页 750 宽",
       "[General]\r\nReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=750\r\n"
       "ReduceSizeHeight=0\r\nReduceSizeMode=0\r\nReduceSizeQuality=0\r\nReduceSizeSmooth=1\r\n"
       "SquareCanvas=0\r\nAllowEnlarge=0\r\nOutputFormat=0\r\nMaxFileKB=0\r\nOutputGif=0\r\n"},
      {"详情页 790 宽",
       "[General]\r\nReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=790\r\n"
       "ReduceSizeHeight=0\r\nReduceSizeMode=0\r\nReduceSizeQuality=0\r\nReduceSizeSmooth=1\r\n"
       "SquareCanvas=0\r\nAllowEnlarge=0\r\nOutputFormat=0\r\nMaxFileKB=0\r\nOutputGif=0\r\n"},
      {"缩略图 310",
       "[General]\r\nReduceSize=1\r\nReduceSizeType=0\r\nReduceSizeWidth=310\r\n"
       "ReduceSizeHeight=0\r\nReduceSizeMode=0\r\nReduceSizeQuality=1\r\nReduceSizeSmooth=1\r\n"
       "SquareCanvas=0\r\nAllowEnlarge=0\r\nOutputFormat=0\r\nMaxFileKB=0\r\nOutputGif=0\r\n"},
  };
  return presets;
}

TPresetFolder::TPresetFolder(std::string folder) : folder_(std::move(folder)) {
  if (!folder_.empty() && !platform::IsSeparator(folder_.back()))
    folder_ += platform::PreferredSeparator();
}

bool TPresetFolder::Exists() const {
  std::error_code ec;
  return fs::is_directory(platform::ToPath(folder_), ec);
}

std::string TPresetFolder::PathOf(std::string_view name) const {
  return folder_ + std::string(name) + std::string(kExtension);
}

bool TPresetFolder::Prepare() {
  if (Exists()) return true;
  std::error_code ec;
  fs::create_directories(platform::ToPath(folder_), ec);
  if (ec) return false;
  try {
    for (const TBundledPreset& p : BundledPresets())
      WriteNewFile(PathOf(p.name),
                   {reinterpret_cast<const uint8_t*>(p.text.data()), p.text.size()});
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::vector<std::string> TPresetFolder::Names() const {
  std::vector<std::string> names;
  if (!Exists()) {
    for (const TBundledPreset& p : BundledPresets()) names.emplace_back(p.name);
  } else {
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(platform::ToPath(folder_), ec)) {
      const std::string file = platform::FromPath(e.path().filename());
      if (file.size() <= kExtension.size() || !file.ends_with(kExtension)) continue;
      const std::string name = file.substr(0, file.size() - kExtension.size());
      std::error_code regular;
      if (ValidPresetName(name) && e.is_regular_file(regular)) names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<TMemIniFile> TPresetFolder::Load(std::string_view name) const {
  if (!ValidPresetName(name)) return std::nullopt;
  if (!Exists()) {
    for (const TBundledPreset& p : BundledPresets())
      if (p.name == name) return TMemIniFile::FromText(p.text);
    return std::nullopt;
  }
  std::error_code ec;
  if (!fs::is_regular_file(platform::ToPath(PathOf(name)), ec)) return std::nullopt;
  return TMemIniFile(PathOf(name));
}

void TPresetFolder::Save(std::string_view name, const TMemIniFile& settings) const {
  if (!ValidPresetName(name)) Fail(PathOf(name), EINVAL);
  std::error_code ec;
  fs::create_directories(platform::ToPath(folder_), ec);
  TMemIniFile preset = PresetFromSettings(settings);
  const std::string text = preset.ToText();
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (fs::exists(platform::ToPath(PathOf(name)), ec)) {
    ReplaceFile(PathOf(name), bytes);
  } else {
    WriteNewFile(PathOf(name), bytes);
  }
}

void TPresetFolder::Rename(std::string_view from, std::string_view to) const {
  if (!ValidPresetName(to)) Fail(PathOf(to), EINVAL);
  if (!ValidPresetName(from)) Fail(PathOf(from), ENOENT);
  std::error_code ec;
  // Another preset of the new name is never replaced.
  if (fs::exists(platform::ToPath(PathOf(to)), ec)) Fail(PathOf(to), EEXIST);
  fs::rename(platform::ToPath(PathOf(from)), platform::ToPath(PathOf(to)), ec);
  if (ec) Fail(PathOf(from), ec.value());
}

void TPresetFolder::Remove(std::string_view name) const {
  if (!ValidPresetName(name)) Fail(PathOf(name), ENOENT);
  std::error_code ec;
  if (!fs::remove(platform::ToPath(PathOf(name)), ec)) Fail(PathOf(name), ec ? ec.value() : ENOENT);
}

void ApplyPreset(const TMemIniFile& preset, TMemIniFile& settings) {
  CopyGeneral(preset, settings);
}

TMemIniFile PresetFromSettings(const TMemIniFile& settings) {
  TMemIniFile preset = TMemIniFile::FromText("");
  CopyGeneral(settings, preset);
  return preset;
}

}  // namespace pixmira
