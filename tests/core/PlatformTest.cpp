#include "core/Platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "support/TestSupport.h"

namespace pixmira {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const bool kWindows = platform::PreferredSeparator() == '\\';

TEST(PlatformPaths, FolderAndNameOnThisSystem) {
  struct Case {
    std::string path, folder, name;
  };
  const std::vector<Case> common = {
      {"photo.jpg", ".", "photo.jpg"},
      {"/photo.jpg", "/", "photo.jpg"},
      {"/o/p/photo.jpg", "/o/p", "photo.jpg"},
      {"o/", "o", ""},
  };
  const std::vector<Case> posix = {
      {"a\\b.jpg", ".", "a\\b.jpg"},  // a legal Linux name
      {"C:x.jpg", ".", "C:x.jpg"},
  };
  const std::vector<Case> windows = {
      {"C:\\photos\\out\\a.jpg", "C:\\photos\\out", "a.jpg"},
      {"C:\\a.jpg", "C:\\", "a.jpg"},
      {"C:/photos/a.jpg", "C:/photos", "a.jpg"},
      {"C:a.jpg", "C:", "a.jpg"},
      {"\\\\server\\share\\a.jpg", "\\\\server\\share\\", "a.jpg"},
      {"\\\\server\\share\\sub\\a.jpg", "\\\\server\\share\\sub", "a.jpg"},
      {"\\\\?\\C:\\long\\a.jpg", "\\\\?\\C:\\long", "a.jpg"},
      {"mixed/sep\\a.jpg", "mixed/sep", "a.jpg"},
  };
  std::vector<Case> cases = common;
  for (const Case& c : kWindows ? windows : posix) cases.push_back(c);
  for (const Case& c : cases) {
    EXPECT_EQ(platform::FolderOf(c.path), c.folder) << c.path;
    EXPECT_EQ(platform::NameOf(c.path), c.name) << c.path;
  }
}

TEST(PlatformPaths, JoinAddsOneSeparator) {
  const std::string sep(1, platform::PreferredSeparator());
  EXPECT_EQ(platform::Join("out", "a.jpg"), "out" + sep + "a.jpg");
  EXPECT_EQ(platform::Join("out/", "a.jpg"), "out/a.jpg");
  EXPECT_EQ(platform::Join("", "a.jpg"), "a.jpg");
  EXPECT_EQ(platform::Join("/", "a.jpg"), "/a.jpg");
  if (kWindows) {
    EXPECT_EQ(platform::Join("C:", "a.jpg"), "C:a.jpg");  // the drive's current folder
    EXPECT_EQ(platform::Join("C:\\out\\", "a.jpg"), "C:\\out\\a.jpg");
  }
}

TEST(PlatformPaths, UnicodeNamesSurviveTheSystemPath) {
  const std::string name = "\xE5\x9B\xBE\xE7\x89\x87 \xC3\xA9t\xC3\xA9.jpg";  // 图片 été.jpg
  EXPECT_EQ(platform::FromPath(platform::ToPath(name)), name);
  TempDir dir;
  const std::string path = platform::Join(dir.File(""), name);
  WriteFile(path, "bytes\n\r\n");
  EXPECT_EQ(platform::FolderEntries(platform::FromPath(dir.Path())),
            std::vector<std::string>{name});
  platform::FileStatus st;
  ASSERT_EQ(platform::Status(path, st), 0);
  EXPECT_EQ(st.kind, platform::FileKind::Regular);
  EXPECT_EQ(st.size, 8);  // binary: no line-end translation
}

TEST(PlatformFiles, RenamesReplaceOnlyWhenAsked) {
  TempDir dir;
  const std::string a = dir.File("a.tmp"), b = dir.File("b.gif"), c = dir.File("c.jpg");
  WriteFile(a, "new");
  WriteFile(b, "old");
  // Without replacing: a taken name answers EEXIST and both files stay, or the file system
  // cannot do it at all (then the caller falls back on a hard link).
  const int noReplace = platform::RenameNoReplace(a, b);
  EXPECT_TRUE(noReplace == EEXIST || noReplace == EINVAL || noReplace == ENOSYS ||
              noReplace == ENOTSUP)
      << noReplace;
  EXPECT_EQ(ReadFile(b), "old");
  EXPECT_EQ(platform::HardLink(a, b), EEXIST);
  EXPECT_EQ(ReadFile(b), "old");
  // Replacing: the new bytes take the name, the temporary is gone.
  EXPECT_EQ(platform::RenameReplace(a, b), 0);
  EXPECT_EQ(ReadFile(b), "new");
  EXPECT_FALSE(platform::NameTaken(a));
  // To a free name both ways work.
  const int moved = platform::RenameNoReplace(b, c);
  if (moved != 0) {
    EXPECT_EQ(platform::HardLink(b, c), 0);
  }
  EXPECT_EQ(ReadFile(c), "new");
  EXPECT_EQ(platform::RemoveFile(dir.File("missing")), ENOENT);
}

TEST(PlatformFiles, StatusTellsFilesFromFolders) {
  TempDir dir;
  const std::string folder = platform::FromPath(dir.Path());
  platform::FileStatus st;
  ASSERT_EQ(platform::Status(folder, st), 0);
  EXPECT_EQ(st.kind, platform::FileKind::Directory);
  EXPECT_EQ(platform::Status(dir.File("missing"), st), ENOENT);
  EXPECT_EQ(st.kind, platform::FileKind::Missing);
  EXPECT_FALSE(platform::NameTaken(dir.File("missing")));
  EXPECT_EQ(platform::CheckFolderWritable(folder), 0);
  // The writability probe leaves nothing behind.
  EXPECT_TRUE(platform::FolderEntries(folder).empty());
  int error = 0;
  const int fd = platform::Open(
      dir.File("new.bin"), platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive,
      error);
  ASSERT_GE(fd, 0) << error;
  const std::string bytes = "a\nb\x1a\r\n";
  EXPECT_EQ(platform::WriteAllAndSync(fd, bytes.data(), bytes.size()), 0);
  ASSERT_EQ(platform::Status(fd, st), 0);
  EXPECT_EQ(st.kind, platform::FileKind::Regular);
  EXPECT_EQ(platform::Close(fd), 0);
  EXPECT_EQ(ReadFile(dir.File("new.bin")), bytes);
  EXPECT_EQ(platform::Open(dir.File("new.bin"),
                           platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive,
                           error),
            -1);
  EXPECT_EQ(error, EEXIST);
  const auto real = platform::RealPath(dir.File("new.bin"));
  ASSERT_TRUE(real.has_value());
  EXPECT_EQ(platform::NameOf(*real), "new.bin");
  EXPECT_NE(platform::RootLength(*real), 0u);
}

// Every system answers with the POSIX reason, so the user hears why: Windows itself says
// "access denied" for a folder and "not found" below a file.
TEST(PlatformFiles, OpeningTellsWhyAPathIsNoFile) {
  TempDir dir;
  test::WriteFile(dir.File("plain"), "a file");
  const unsigned write = platform::kOpenWrite | platform::kOpenCreate;
  const struct {
    std::string path;
    unsigned flags;
    int error;
  } cases[] = {
      {platform::FromPath(dir.Path()), write, EISDIR},
      {dir.File("plain") + "/out.jpg", write, ENOTDIR},
      {platform::Join(platform::Join(dir.File("plain"), "sub"), "out.jpg"), write, ENOTDIR},
      {platform::Join(dir.File("missing"), "out.jpg"), write, ENOENT},
      {dir.File("missing.jpg"), platform::kOpenRead, ENOENT},
  };
  for (const auto& c : cases) {
    int error = 0;
    EXPECT_EQ(platform::Open(c.path, c.flags, error), -1) << c.path;
    EXPECT_EQ(error, c.error) << c.path;
  }
}

TEST(PlatformProcess, KnowsItselfAndItsMachine) {
  EXPECT_TRUE(platform::ProcessMayBeAlive(platform::ProcessId()));
  EXPECT_GE(platform::AvailableProcessors(), 1);
  EXPECT_GT(platform::PhysicalMemory(), uint64_t(16) << 20);
  const std::string exe = platform::ExecutablePath();
  EXPECT_NE(platform::RootLength(exe), 0u) << exe;
  EXPECT_TRUE(platform::EndsWithSeparator(platform::SettingsFolder()));
  EXPECT_FALSE(platform::GetEnv("PIXMIRA_SURELY_UNSET_VARIABLE").has_value());
}

}  // namespace
}  // namespace pixmira
