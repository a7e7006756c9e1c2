#include "core/FileWrite.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Errors.h"
#include "core/Platform.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(platform::FromPath(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(FitFileName, ShortensOnWholeCharactersAndKeepsTheExtension) {
  const std::string han = "\xE5\x9B\xBE";  // one three-byte character
  std::string hans;
  for (int i = 0; i < 90; ++i) hans += han;  // 270 bytes
  struct Case {
    std::string path;
    std::size_t room;
    std::string want;
  } cases[] = {
      {"/o/short.jpg", 0, "/o/short.jpg"},
      {"/o/" + std::string(251, 'a') + ".jpg", 0, "/o/" + std::string(251, 'a') + ".jpg"},
      {"/o/" + std::string(251, 'a') + ".jpg", 1, "/o/" + std::string(250, 'a') + ".jpg"},
      // 251 bytes leave room for 83 whole characters, not 83 and a third.
      {"/o/" + hans + ".jpg", 0, "/o/" + hans.substr(0, 83 * 3) + ".jpg"},
      // A long tail after the last dot is no extension.
      {std::string(300, 'b') + "." + std::string(40, 'c'), 0, std::string(255, 'b')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitFileName(c.path, c.room), c.want) << c.path.size();
  }
}

TEST(WriteNewFile, LongNamesExportAgainUnderAShortenedNumberedName) {
  TempDir dir;
  const std::string name = std::string(251, 'n') + ".jpg";  // 255 bytes, the longest
  const std::string first = WriteNewFile(dir.File(name), Bytes("1"));
  const std::string second = WriteNewFile(dir.File(name), Bytes("2"));
  const std::string third = WriteNewFile(dir.File(name), Bytes("3"));
  EXPECT_EQ(first, dir.File(name));
  EXPECT_EQ(second, dir.File(std::string(250, 'n') + "2.jpg"));
  EXPECT_EQ(third, dir.File(std::string(250, 'n') + "3.jpg"));
  EXPECT_EQ(ReadFile(second), "2");
  // Too long from the start: shortened before the first write.
  EXPECT_EQ(WriteNewFile(dir.File(std::string(300, 'm') + ".jpg"), Bytes("4")),
            dir.File(std::string(251, 'm') + ".jpg"));
  EXPECT_EQ(Names(dir.Path()).size(), 4u);

  EXPECT_LE(TemporaryFileName(name, 12345).size(), kMaxFileNameBytes);
}

TEST(WriteNewFile, ColonsAndBackslashesStayInTheName) {
  PIXMIRA_SKIP_UNLESS(!platform::IsSeparator('\\'), "names holding \":\" or \"\\\"");
  TempDir dir;
  EXPECT_EQ(WriteNewFile(dir.File("a:b\\c.jpg"), Bytes("x")), dir.File("a:b\\c.jpg"));
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a:b\\c.jpg"}));
  // What FAT, exFAT and SMB would take instead; the folders on the way stay as they are.
  EXPECT_EQ(PortableFileName("/a:b/c?d*e\"f<g>h|i\\j\x01k.jpg"), "/a:b/c_d_e_f_g_h_i_j_k.jpg");
  EXPECT_EQ(PortableFileName("plain name.jpg"), "plain name.jpg");
}

TEST(ReplaceFile, ReplacesWholeKeepsThePermissionsAndFollowsLinks) {
  PIXMIRA_SKIP_UNLESS(test::CanMakeSymlinks(), "symbolic links and permission bits");
  TempDir dir;
  WriteFile(dir.File("real.gif"), "old");
  fs::permissions(dir.File("real.gif"), fs::perms(0640));
  fs::create_symlink(dir.File("real.gif"), dir.File("link.gif"));
  ReplaceFile(dir.File("link.gif"), Bytes("new"));
  EXPECT_TRUE(fs::is_symlink(dir.File("link.gif")));
  EXPECT_EQ(ReadFile(dir.File("real.gif")), "new");
  EXPECT_EQ(fs::status(dir.File("real.gif")).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"link.gif", "real.gif"}));
}

TEST(ReplaceFile, RefusesFoldersPipesAndMissingFoldersAndLeavesNothing) {
  TempDir dir;
  fs::create_directory(dir.File("folder.gif"));
  PIXMIRA_SKIP_UNLESS(test::MakeFifo(dir.File("fifo.gif")), "FIFOs");
  const std::pair<std::string, int> cases[] = {
      {dir.File("folder.gif"), EISDIR},
      {dir.File("fifo.gif"), EINVAL},
      {dir.File("missing/a.gif"), ENOENT},
  };
  for (const auto& [path, error] : cases) {
    try {
      ReplaceFile(path, Bytes("x"));
      ADD_FAILURE() << path;
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Error(), error) << path;
      EXPECT_EQ(e.Path(), path);
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
  }
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"fifo.gif", "folder.gif"}));
}

TEST(RemoveStaleTemporaries, RemovesOnlyOursOfProcessesThatAreGone) {
  TempDir dir;
  const std::string mine = TemporaryFileName("a.jpg", 7);
  const std::string pid = "-" + std::to_string(platform::ProcessId()) + "-";
  std::string gone = mine;
  gone.replace(gone.rfind(pid), pid.size(), "-999999999-");
  std::string otherHost = gone;
  otherHost.replace(otherHost.find(".pixmira-") + 9, 0, "elsewhere.");
  // Left by an earlier version's JPEG writer.
  const std::string earlier = ".~a.jpg.999999999-3.tmp";
  for (const std::string& name :
       {mine, gone, otherHost, earlier, std::string(".notes.tmp"), std::string(".a.jpg.1-2.tmp")}) {
    WriteFile(dir.File(name), "x");
  }
  EXPECT_EQ(RemoveStaleTemporaries(dir.Path().string()), 2);
  EXPECT_FALSE(fs::exists(dir.File(gone)));
  EXPECT_FALSE(fs::exists(dir.File(earlier)));
  EXPECT_TRUE(fs::exists(dir.File(mine)));
  EXPECT_TRUE(fs::exists(dir.File(otherHost)));
  EXPECT_EQ(Names(dir.Path()).size(), 4u);

  // A writer cleans a folder the first time it writes there.
  TempDir out;
  WriteFile(out.File(gone), "x");
  WriteNewFile(out.File("b.jpg"), Bytes("b"));
  EXPECT_EQ(Names(out.Path()), (std::vector<std::string>{"b.jpg"}));
}

}  // namespace
}  // namespace pixmira
