#include "core/Kernel.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#ifdef __EMSCRIPTEN__
#include <emscripten/em_asm.h>
#endif
#include <system_error>

#ifndef PIXMIRA_INSTALL_DATADIR
#define PIXMIRA_INSTALL_DATADIR "/usr/local/share/pixmira"
#endif

namespace pixmira {

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// The user's own configuration folder, as the desktop conventions name it.
std::string UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return WithSlash(xdg);
  const char* home = std::getenv("HOME");
  std::string homeDir = home && home[0] == '/' ? home : "";
  if (homeDir.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) homeDir = pw->pw_dir;
  }
  if (homeDir.empty()) homeDir = "/tmp";
  return WithSlash(homeDir) + ".config/";
}

}  // namespace

std::string ExeFolder() {
  std::error_code ec;
#ifdef __EMSCRIPTEN__
  // Under node the program is its script; in a browser there is no program folder.
  char script[4096] = {};
  const int length = MAIN_THREAD_EM_ASM_INT(
      {
        var p = typeof process == "object" && process.argv && process.argv[1] || "";
        if (lengthBytesUTF8(p) >= $1) return 0;
        stringToUTF8(p, $0, $1);
        return lengthBytesUTF8(p);
      },
      script, int(sizeof script));
  if (length > 0) {
    const std::filesystem::path path(std::string(script, length));
    if (path.has_parent_path()) return WithSlash(path.parent_path().string());
  }
#endif
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return WithSlash(exe.parent_path().string());
  // No /proc (a locked-down container): the working folder is the only hint left.
  return WithSlash(std::filesystem::current_path(ec).string());
}

DataPaths ResolveDataPaths(const std::string& exeFolder) {
  const std::string folder = WithSlash(exeFolder);
  DataPaths paths;
  const bool portable = IsDirectory(folder + "Frames/");
  // An installed program finds its data beside its bin folder, wherever the prefix was
  // moved; the prefix it was built for is the last resort.
  const std::string relocated =
      std::filesystem::path(folder + "../share/pixmira/Frames").lexically_normal().string() + "/";
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
  if (Exists(folder + "Config.ini") || (portable && ::access(folder.c_str(), W_OK) == 0)) {
    paths.configFile = folder + "Config.ini";
  } else {
    paths.configFile = UserConfigFolder() + "pixmira/Config.ini";
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
