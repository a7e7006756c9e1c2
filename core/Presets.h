#pragma once
// Presets: named sets of settings, one INI file each ([General], the keys of Config.ini) in
// the folder "Presets" beside the settings file. The first use creates the folder with the
// bundled presets for the usual picture slots; from then on they are the seller's own files
// to change, rename or delete.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/MemIniFile.h"

namespace pixmira {

// "Presets/" in the folder of the settings file.
std::string PresetFolderFor(const std::string& configFile);

// A preset name becomes a file name: not empty, no "/" or "\\", not beginning with ".",
// no control characters, at most 100 bytes.
bool ValidPresetName(std::string_view name);

struct TBundledPreset {
  std::string_view name;
  std::string_view text;  // the INI text
};
const std::vector<TBundledPreset>& BundledPresets();

class TPresetFolder {
 public:
  explicit TPresetFolder(std::string folder);  // ends in "/"

  // Creates the folder with the bundled presets when it does not exist yet. False when it
  // cannot be created; the bundled presets are then still listed and loaded.
  bool Prepare();

  // Sorted by name.
  std::vector<std::string> Names() const;
  // Nothing when there is no such preset.
  std::optional<TMemIniFile> Load(std::string_view name) const;
  // Raise EFileError; Save replaces a preset of that name.
  void Save(std::string_view name, const TMemIniFile& settings) const;
  void Rename(std::string_view from, std::string_view to) const;
  void Remove(std::string_view name) const;

  std::string PathOf(std::string_view name) const;

 private:
  bool Exists() const;
  std::string folder_;
};

// Every [General] key of the preset written into the settings; keys it does not hold keep
// their values. The window's own keys (where it stands, the folders it remembers) are never
// taken from a preset.
void ApplyPreset(const TMemIniFile& preset, TMemIniFile& settings);

// The settings as a preset keeps them: every [General] key except the window's own.
TMemIniFile PresetFromSettings(const TMemIniFile& settings);

}  // namespace pixmira
