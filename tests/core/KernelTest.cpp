#include "core/Kernel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/Platform.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

// Windows keeps settings in %APPDATA%\Pixmira and ends folders in "\\" (PlatformTest).
const bool kPosix = platform::PreferredSeparator() == '/';

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(Kernel, ExeFolderIsTheTestProgramsFolder) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  const std::string folder = ExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "test_core"));
}

TEST(Kernel, OpensBothStoresAndWritesOnlyWhenAsked) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  TempDir dir;
  std::filesystem::create_directory(dir.File("Frames"));
  WriteFile(dir.File("Frames/Frames.ini"), "[Wood]\r\nGraph=Wood\\frame.png\r\n");
  {
    TKaravelKernel kernel({dir.File("Config.ini"), dir.File("Frames")});
    EXPECT_EQ(kernel.FramesFolder(), dir.File("Frames") + "/");
    EXPECT_EQ(kernel.CatalogStore().ReadSections(), std::vector<std::string>{"Wood"});
    EXPECT_EQ(kernel.CatalogStore().ReadString("Wood", "Graph", ""), "Wood\\frame.png");
    EXPECT_TRUE(ReadSettingBool(kernel.SettingsStore(), keys::ReduceSize, ReadSite::Main));
    kernel.SettingsStore().WriteBool(kGeneral, keys::ReduceSize, false);
  }
  // Nothing is written when the kernel goes.
  EXPECT_FALSE(std::filesystem::exists(dir.File("Config.ini")));

  TKaravelKernel kernel({dir.File("Config.ini"), dir.File("Frames/")});
  kernel.SettingsStore().WriteInteger(kGeneral, keys::ReduceSizeWidth, 500);
  kernel.SaveSettings();
  kernel.SettingsStore().WriteInteger(kGeneral, keys::ReduceSizeWidth, 700);
  kernel.ReloadSettings();  // drops what was only in memory
  EXPECT_EQ(ReadSettingInteger(kernel.SettingsStore(), keys::ReduceSizeWidth, ReadSite::Main), 500);
  EXPECT_EQ(ReadFile(dir.File("Config.ini")), "[General]\r\nReduceSizeWidth=500\r\n\r\n");
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    test::SetEnv(name, value);
  }
  ~ScopedEnv() {
    if (old_.empty()) {
      test::UnsetEnv(name_);
    } else {
      test::SetEnv(name_, old_);
    }
  }

 private:
  const char* name_;
  std::string old_;
};

TEST(Kernel, DataFilesLiveBesideTheProgramWhenTheyCan) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  TempDir dir;
  const std::string exe = dir.File("bin") + "/";
  std::filesystem::create_directories(exe + "Frames");
  const DataPaths paths = ResolveDataPaths(exe);
  EXPECT_EQ(paths.framesFolder, exe + "Frames/");
  EXPECT_EQ(paths.configFile, exe + "Config.ini");
}

TEST(Kernel, InstalledProgramUsesTheSharedFramesAndTheUsersConfigFolder) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("xdg"));
  // A folder that cannot be written (it does not exist, so even root cannot write it).
  const std::string exe = dir.File("missing/bin/");
  const DataPaths paths = ResolveDataPaths(exe);
  EXPECT_EQ(paths.configFile, dir.File("xdg") + "/pixmira/Config.ini");
  EXPECT_NE(paths.framesFolder.find("/share/pixmira/Frames/"), std::string::npos)
      << paths.framesFolder;

  // The first save creates the folder.
  TKaravelKernel kernel(paths);
  kernel.SettingsStore().WriteString(kGeneral, keys::FrameName, "Wood");
  kernel.SaveSettings();
  EXPECT_EQ(ReadFile(paths.configFile), "[General]\r\nFrameName=Wood\r\n\r\n");
}

TEST(Kernel, InstalledFramesAreFoundBesideTheBinFolderWhereverThePrefixIs) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  TempDir dir;
  std::filesystem::create_directories(dir.File("prefix/bin"));
  std::filesystem::create_directories(dir.File("prefix/share/pixmira/Frames"));
  EXPECT_EQ(ResolveDataPaths(dir.File("prefix/bin/")).framesFolder,
            dir.File("prefix/share/pixmira/Frames/"));
}

TEST(Kernel, WritableFolderWithoutFramesIsAnInstalledProgram) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  // As root every folder is writable; an installed bin/ still never receives Config.ini.
  TempDir dir;
  ScopedEnv xdg("XDG_CONFIG_HOME", dir.File("xdg"));
  const std::string exe = dir.File("bin") + "/";
  std::filesystem::create_directories(exe);
  const DataPaths paths = ResolveDataPaths(exe);
  EXPECT_EQ(paths.configFile, dir.File("xdg") + "/pixmira/Config.ini");
  EXPECT_NE(paths.framesFolder, exe + "Frames/");
}

TEST(Kernel, ExistingConfigBesideTheProgramIsUsed) {
  PIXMIRA_SKIP_UNLESS(kPosix, "folders ending in \"/\" and XDG settings folders");
  TempDir dir;
  const std::string exe = dir.File("bin") + "/";
  std::filesystem::create_directories(exe);
  WriteFile(exe + "Config.ini", "[General]\r\n");
  EXPECT_EQ(ResolveDataPaths(exe).configFile, exe + "Config.ini");
  EXPECT_EQ(ResolveDataPaths(dir.File("bin")).configFile, exe + "Config.ini");
}

}  // namespace
}  // namespace pixmira
