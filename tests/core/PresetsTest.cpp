// Presets as a seller uses them: the bundled slots on first use, saved, renamed and deleted
// without ever replacing another preset, applied over the settings without moving the window.
#include "core/Presets.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Errors.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

namespace fs = std::filesystem;

// Beside the settings file on each system; on Windows "Presets" used to land in the current
// folder because only "/" was taken as a separator.
TEST(PresetsTest, FolderSitsBesideTheSettingsFile) {
  EXPECT_EQ(PresetFolderFor("Config.ini"), std::string("Presets") + platform::PreferredSeparator());
#ifdef _WIN32
  EXPECT_EQ(PresetFolderFor("C:\\Users\\李\\AppData\\Roaming\\Pixmira\\Config.ini"),
            "C:\\Users\\李\\AppData\\Roaming\\Pixmira\\Presets\\");
  EXPECT_EQ(PresetFolderFor("D:/portable/Config.ini"), "D:/portable/Presets\\");
#else
  EXPECT_EQ(PresetFolderFor("/home/li/.config/pixmira/Config.ini"),
            "/home/li/.config/pixmira/Presets/");
  EXPECT_EQ(PresetFolderFor("/odd\\name/Config.ini"), "/odd\\name/Presets/");
#endif
}

TEST(PresetsTest, BundledSlotsOnFirstUseThenTheSellersOwnFiles) {
  test::TempDir dir;
  const TPresetFolder presets(PresetFolderFor(dir.File("Config.ini")));
  // Before the folder exists the bundled ones are listed and loaded, and nothing is written.
  const std::vector<std::string> bundled = presets.Names();
  ASSERT_EQ(bundled.size(), 4u);
  EXPECT_FALSE(fs::exists(dir.Path() / "Presets"));
  const auto main = presets.Load("主图 800x800");
  ASSERT_TRUE(main);
  EXPECT_EQ(main->ReadString(kGeneral, keys::MaxFileKB, ""), "500");
  EXPECT_EQ(main->ReadString(kGeneral, keys::ReduceSizeMode, ""), "3");

  TPresetFolder writable(PresetFolderFor(dir.File("Config.ini")));
  ASSERT_TRUE(writable.Prepare());
  EXPECT_EQ(writable.Names(), bundled);

  // Deleting a bundled preset keeps it deleted; the next Prepare does not bring it back.
  writable.Remove("缩略图 310");
  ASSERT_TRUE(writable.Prepare());
  EXPECT_EQ(writable.Names().size(), 3u);
  EXPECT_FALSE(writable.Load("缩略图 310"));
}

TEST(PresetsTest, SaveRenameAndDeleteNeverReplaceAnotherPreset) {
  test::TempDir dir;
  const TPresetFolder presets(dir.File("Presets"));
  TMemIniFile settings = TMemIniFile::FromText(
      "[General]\r\nReduceSizeWidth=640\r\nWindowLeft=12\r\nPictureFolder=/home/li\r\n");
  presets.Save("mine", settings);
  presets.Save("other", TMemIniFile::FromText("[General]\r\nReduceSizeWidth=100\r\n"));
  // The window's own place is not part of a preset.
  const auto mine = presets.Load("mine");
  ASSERT_TRUE(mine);
  EXPECT_EQ(mine->ReadKeys(kGeneral), (std::vector<std::string>{"ReduceSizeWidth"}));
  // Saving under an existing name replaces that preset (the seller chose the name).
  settings.WriteString(kGeneral, keys::ReduceSizeWidth, "700");
  presets.Save("mine", settings);
  EXPECT_EQ(presets.Load("mine")->ReadString(kGeneral, keys::ReduceSizeWidth, ""), "700");

  EXPECT_THROW(presets.Rename("mine", "other"), EFileError);
  EXPECT_EQ(presets.Load("other")->ReadString(kGeneral, keys::ReduceSizeWidth, ""), "100");
  presets.Rename("mine", "shop main");
  EXPECT_EQ(presets.Names(), (std::vector<std::string>{"other", "shop main"}));
  EXPECT_THROW(presets.Remove("mine"), EFileError);

  for (const char* bad : {"", "../x", "a/b", ".hidden", "a\nb"}) {
    EXPECT_FALSE(ValidPresetName(bad)) << bad;
    EXPECT_THROW(presets.Save(bad, settings), EFileError) << bad;
    EXPECT_FALSE(presets.Load(bad)) << bad;
  }
  EXPECT_FALSE(fs::exists(dir.Path() / "x.ini"));
}

TEST(PresetsTest, ApplyingTakesThePresetsKeysAndKeepsTheRest) {
  TMemIniFile settings = TMemIniFile::FromText(
      "[General]\r\nReduceSizeWidth=640\r\nAddWatermark=1\r\nWindowLeft=12\r\n");
  ApplyPreset(TMemIniFile::FromText("[General]\r\nReduceSizeWidth=800\r\nWindowLeft=900\r\n"),
              settings);
  EXPECT_EQ(settings.ReadString(kGeneral, keys::ReduceSizeWidth, ""), "800");
  EXPECT_EQ(settings.ReadString(kGeneral, keys::AddWatermark, ""), "1");
  EXPECT_EQ(settings.ReadString(kGeneral, keys::WindowLeft, ""), "12");
}

}  // namespace
}  // namespace pixmira
