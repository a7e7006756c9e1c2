#include "core/Kernel.h"

#include <filesystem>
#include <system_error>

#include "core/Platform.h"

#ifndef PIXMIRA_INSTALL_DATADIR
#define PIXMIRA_INSTALL_DATADIR "/usr/local/share/pixmira"
#endif

namespace pixmira {

namespace {

std::string WithSlash(std::string folder) {
  if (!platform::EndsWithSeparator(folder)) folder += platform::PreferredSeparator();
  return folder;
}

bool IsDirectory(const std::string& path) {
  platform::FileStatus st;
  return platform::Status(path, st) == 0 && st.kind == platform::FileKind::Directory;
}

bool Exists(const std::string& path) {
  platform::FileStatus st;
  return platform::Status(path, st) == 0;
}

}  // namespace

std::string ExeFolder() {
  const std::string exe = platform::ExecutablePath();
  if (platform::NameStart(exe) != std::string::npos) return WithSlash(platform::FolderOf(exe));
  // No /proc (a locked-down container): the working folder is the only hint left.
  std::error_code ec;
  return WithSlash(platform::FromPath(std::filesystem::current_path(ec)));
}

DataPaths ResolveDataPaths(const std::string& exeFolder) {
  const std::string folder = WithSlash(exeFolder);
  DataPaths paths;
  const bool portable = IsDirectory(folder + "Frames/");
  // An installed program finds its data beside its bin folder, wherever the prefix was
  // moved; the prefix it was built for is the last resort.
  const std::string relocated = WithSlash(
      platform::FromPath(platform::ToPath(folder + "../share/pixmira/Frames").lexically_normal()));
  if (portable) {
    paths.framesFolder = folder + "Frames/";
  } else if (IsDirectory(relocated)) {
    paths.framesFolder = relocated;
  } else {
    paths.framesFolder = std::string(PIXMIRA_INSTALL_DATADIR) + "/Frames/";
  }
  // Beside the program when it is used from its own folder (portable use); an installed
  // program keeps the user's settings in the user's configuration folder. Write access alone
  // does not make a folder portable: root may write anywhere, and /usr/bin/Config.ini would
  // be a surprise.
  if (Exists(folder + "Config.ini") || (portable && platform::CheckFolderWritable(folder) == 0)) {
    paths.configFile = folder + "Config.ini";
  } else {
    paths.configFile = platform::SettingsFolder() + "Config.ini";
  }
  return paths;
}

TKaravelKernel::TKaravelKernel() : TKaravelKernel(ResolveDataPaths(ExeFolder())) {}

TKaravelKernel::TKaravelKernel(DataPaths paths)
    : paths_{std::move(paths.configFile), WithSlash(std::move(paths.framesFolder))},
      settings_(std::make_unique<TMemIniFile>(paths_.configFile)),
      catalog_(std::make_unique<TMemIniFile>(paths_.framesFolder + "Frames.ini")) {}

void TKaravelKernel::ReloadSettings() {
  settings_ = std::make_unique<TMemIniFile>(paths_.configFile);
}

void TKaravelKernel::SaveSettings() { settings_->UpdateFile(); }

}  // namespace pixmira
