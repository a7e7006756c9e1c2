#pragma once
// The one object that owns the settings store (Config.ini) and the frame catalogue store
// (Frames/Frames.ini).
#include <memory>
#include <string>

#include "core/MemIniFile.h"

namespace pixmira {

// The folder of the running executable, ending in "/".
std::string ExeFolder();

// Where the data files of a program in exeFolder live.
struct DataPaths {
  std::string configFile;    // Config.ini
  std::string framesFolder;  // the folder holding Frames.ini and the frame pictures, ending in "/"
};

// The one rule for both: beside the program (portable use), else the installed locations.
DataPaths ResolveDataPaths(const std::string& exeFolder);

class TKaravelKernel {
 public:
  // On the running program's own folder.
  TKaravelKernel();
  // On given files (tests, the command's --config and --frames).
  explicit TKaravelKernel(DataPaths paths);

  TKaravelKernel(const TKaravelKernel&) = delete;
  TKaravelKernel& operator=(const TKaravelKernel&) = delete;

  const DataPaths& Paths() const { return paths_; }
  // Frames folder ending in "/"; catalogue file names are joined to it.
  const std::string& FramesFolder() const { return paths_.framesFolder; }

  // Fetch at the moment of use: ReloadSettings replaces the object.
  TMemIniFile& SettingsStore() { return *settings_; }
  const TMemIniFile& CatalogStore() const { return *catalog_; }

  // Drops what is only in memory and reads Config.ini again.
  void ReloadSettings();
  // UpdateFile of the settings store; raises EFileError.
  void SaveSettings();

 private:
  DataPaths paths_;
  std::unique_ptr<TMemIniFile> settings_;
  std::unique_ptr<TMemIniFile> catalog_;
};

}  // namespace pixmira
