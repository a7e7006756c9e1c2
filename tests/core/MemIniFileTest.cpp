#include "core/MemIniFile.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <climits>
#include <cstring>
#include <filesystem>

#include "core/Errors.h"
#include "core/Platform.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using namespace std::string_literals;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(MemIniFile, ReadsTrimmedSectionsAndKeysWithoutRegardToCase) {
  const auto ini = TMemIniFile::FromText(
      "stray=dropped before any section\r\n"
      "  [ general ]  \r\n"
      "\t reducesize  =  0 \r\n"
      "; ReduceSizeWidth=1\r\n"
      "\r\n"
      "Empty=\r\n"
      "Path=C:\\a=b\r\n"
      "no equals sign\r\n"
      "Twice=first\r\n"
      "twice=second\r\n");
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"General", "ReduceSize", "0"},
      {"GENERAL", "REDUCESIZE", "0"},
      {"General", "Empty", ""},                   // present but empty: not the default
      {"General", "Path", "C:\\a=b"},             // split at the first "="
      {"General", "Twice", "first"},              // the first line wins
      {"General", "ReduceSizeWidth", "default"},  // commented out
      {"General", "no equals sign", "default"},
      {"General", "stray", "default"},
      {"Other", "ReduceSize", "default"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_FALSE(ini.ReadBool("General", "ReduceSize", true));
  EXPECT_TRUE(ini.ValueExists("general", "EMPTY"));
  EXPECT_FALSE(ini.ValueExists("general", "no equals sign"));
  EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"general"});
}

TEST(MemIniFile, ConvertsIntegersOrFallsBackToTheDefault) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"0x1F4", 500},
      {"0X1f4", 500},
      {"$1F4", 500},
      {"-12", -12},
      {"+7", 7},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"$FFFFFFFF", -1},
      {"-$10", -16},
      {"007", 7},
      {"abc", 310},
      {"", 310},
      {"0x", 310},
      {"0xZZ", 310},
      {"$", 310},
      {"-", 310},
      {"12abc", 310},
      {"1.5", 310},
      {"2147483648", 310},
      {"0x123456789", 310},
      {"-0x10", 310},
      {"$0000000001F4", 500},
  };
  for (const Case& c : cases) {
    auto ini = TMemIniFile::FromText("");
    ini.WriteString("General", "ReduceSizeWidth", c.text);
    EXPECT_EQ(ini.ReadInteger("General", "ReduceSizeWidth", 310), c.expected) << c.text;
  }
}

TEST(MemIniFile, ReadBoolIsAnyNonZeroIntegerAndTheDefaultOtherwise) {
  const auto ini = TMemIniFile::FromText("[General]\nA=0\nB=1\nC=-3\nD=\nE=yes\n");
  EXPECT_FALSE(ini.ReadBool("General", "A", true));
  EXPECT_TRUE(ini.ReadBool("General", "B", false));
  EXPECT_TRUE(ini.ReadBool("General", "C", false));
  EXPECT_TRUE(ini.ReadBool("General", "D", true));
  EXPECT_FALSE(ini.ReadBool("General", "D", false));
  EXPECT_TRUE(ini.ReadBool("General", "E", true));
  EXPECT_TRUE(ini.ReadBool("General", "Absent", true));
}

TEST(MemIniFile, WritesInPlaceAppendsKeysAndAddsSectionsAtTheEnd) {
  auto ini = TMemIniFile::FromText("[Frame1]\r\nGraph=a.png\r\n\r\n[general]\r\nA=1\r\nB=2\r\n");
  ini.WriteString("General", "a", "x");  // replaces A in place, under the new name
  ini.WriteInteger("General", "C", -5);  // appended to the section
  ini.WriteBool("General", "D", true);
  ini.WriteBool("General", "E", false);
  ini.WriteString("Added", "FrameName", "F");  // new section at the end
  EXPECT_EQ(ini.ToText(),
            "[Frame1]\r\nGraph=a.png\r\n\r\n"
            "[general]\r\na=x\r\nB=2\r\nC=-5\r\nD=1\r\nE=0\r\n\r\n"
            "[Added]\r\nFrameName=F\r\n\r\n");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Frame1", "general", "Added"}));
}

TEST(MemIniFile, DeleteKeyRemovesEveryCopyAndLeavesTheRest) {
  auto ini = TMemIniFile::FromText("[General]\r\nA=1\r\nB=2\r\na=3\r\n[Other]\r\nA=4\r\n");
  ini.DeleteKey("general", "A");
  ini.DeleteKey("General", "Absent");
  ini.DeleteKey("Absent", "A");
  EXPECT_EQ(ini.ToText(), "[General]\r\nB=2\r\n\r\n[Other]\r\nA=4\r\n\r\n");
  EXPECT_EQ(ini.ReadInteger("General", "A", 7), 7);
}

TEST(MemIniFile, WritingFrameNameIntoAFileWithoutGeneralAppendsTheSection) {
  TempDir dir;
  const std::string path = dir.File("Config.ini");
  WriteFile(path, "[Other]\r\nX=1\r\n");
  TMemIniFile ini(path);
  ini.WriteString("General", "FrameName", "Wood");
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path), "[Other]\r\nX=1\r\n\r\n[General]\r\nFrameName=Wood\r\n\r\n");
}

TEST(MemIniFile, LineBreaksInAValueCannotSplitTheFile) {
  auto ini = TMemIniFile::FromText("");
  ini.WriteString("General", "WatermarkText", "one\r\ntwo\nthree\rfour");
  ini.WriteString("General", "After", "kept");
  const auto reread = TMemIniFile::FromText(ini.ToText());
  EXPECT_EQ(reread.ReadString("General", "WatermarkText", ""),
            "one\x03two\x03three\x03"
            "four");
  EXPECT_EQ(reread.ReadString("General", "After", ""), "kept");
  EXPECT_EQ(reread.ReadSections(), std::vector<std::string>{"General"});
}

TEST(MemIniFile, RepeatedSectionContinuesTheFirst) {
  const auto ini = TMemIniFile::FromText("[A]\nX=1\n[B]\nY=2\n[a]\nX=3\nZ=4\n");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ini.ReadString("A", "X", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "Z", ""), "4");
}

TEST(MemIniFile, MissingOrUnreadableFileIsAnEmptyStore) {
  TempDir dir;
  test::MakeFifo(dir.File("fifo.ini"));  // just absent where there are no FIFOs
  for (const std::string& path :
       {dir.File("absent.ini"), dir.File(""), std::string(), dir.File("fifo.ini")}) {
    TMemIniFile ini(path);
    EXPECT_TRUE(ini.ReadSections().empty()) << path;
    EXPECT_EQ(ini.ReadInteger("General", "ReduceSizeWidth", 310), 310);
  }
}

TEST(MemIniFile, HostileFilesAreReadWithoutHarm) {
  TempDir dir;
  const std::string huge(4 << 20, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    const char* key;
    std::string expected;
  } cases[] = {
      {"no newline at the end", "[General]\r\nA=1\r\nB=2", "B", "2"},
      {"CR only", "[General]\rA=1\rB=2\r", "B", "2"},
      {"LF only", "[General]\nA=1\nB=2\n", "B", "2"},
      {"huge line", "[General]\r\nA=" + huge + "\r\nB=2\r\n", "A", huge},
      {"NUL bytes", "[General]\r\nA=a\0b\r\n\0\0B=2\0\r\n"s, "A", "a\0b"s},
      {"NUL bytes trimmed", "[General]\r\nA=a\0b\r\n\0\0B=2\0\r\n"s, "B", "2"},
      {"lone bracket and equals", "[\r\n]\r\n=\r\n[General]\r\n=x\r\nB=2\r\n", "B", "2"},
      {"empty section name", "[]\r\nB=1\r\n[General]\r\nB=2\r\n", "B", "2"},
      {"binary garbage", "[General]\r\nB=\xFF\xFF\xFF\r\n", "B",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.File("hostile.ini");
    WriteFile(path, c.bytes);
    TMemIniFile ini(path);
    EXPECT_EQ(ini.ReadString("General", c.key, "?"), c.expected) << c.name;
    // What was read goes out again as a well-formed file.
    const auto reread = TMemIniFile::FromText(ini.ToText());
    EXPECT_EQ(reread.ReadString("General", c.key, "?"), c.expected) << c.name;
  }
  WriteFile(dir.File("long.ini"), "[" + huge);
  EXPECT_TRUE(TMemIniFile(dir.File("long.ini")).ReadSections().empty());
}

TEST(MemIniFile, GbkFileIsReadAsChineseAndWrittenAsUtf8) {
  TempDir dir;
  const std::string path = dir.File("Config.ini");
  // 水印 (watermark) and 淘宝店铺 (shop) in GBK, as the Windows program wrote them.
  WriteFile(path,
            "[General]\r\nWatermarkText=\xCB\xAE\xD3\xA1 2024\r\n"
            "FrameName=\xCC\xD4\xB1\xA6\xB5\xEA\xC6\xCC\r\n\r\n"
            "[\xCC\xD4\xB1\xA6\xB5\xEA\xC6\xCC]\r\nGraph=frame.png\r\n\r\n");
  TMemIniFile ini(path);
  EXPECT_EQ(ini.ReadString("General", "WatermarkText", ""), "水印 2024");
  EXPECT_EQ(ini.ReadString("General", "FrameName", ""), "淘宝店铺");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"General", "淘宝店铺"}));
  EXPECT_EQ(ini.ReadString("淘宝店铺", "Graph", ""), "frame.png");

  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path),
            "[General]\r\nWatermarkText=水印 2024\r\nFrameName=淘宝店铺\r\n\r\n"
            "[淘宝店铺]\r\nGraph=frame.png\r\n\r\n");
  EXPECT_EQ(TMemIniFile(path).ReadString("General", "WatermarkText", ""), "水印 2024");
}

TEST(MemIniFile, Utf8FileWithByteOrderMarkKeepsItsFirstSection) {
  TempDir dir;
  WriteFile(dir.File("a.ini"), "\xEF\xBB\xBF[General]\nFrameName=边框\n");
  EXPECT_EQ(TMemIniFile(dir.File("a.ini")).ReadString("General", "FrameName", ""), "边框");
}

TEST(MemIniFile, UpdateFileReplacesTheFileAndKeepsItsModeAndLink) {
  TempDir dir;
  const std::string real = dir.File("real.ini");
  const std::string link = dir.File("Config.ini");
  PIXMIRA_SKIP_UNLESS(test::CanMakeSymlinks(), "symbolic links and permission bits");
  WriteFile(real, "[General]\r\nA=1\r\n");
  std::filesystem::permissions(real, std::filesystem::perms(0640));
  std::filesystem::create_symlink(real, link);

  TMemIniFile ini(link);
  ini.WriteInteger("General", "A", 2);
  ini.UpdateFile();

  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "[General]\r\nA=2\r\n\r\n");
  EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0640));
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(MemIniFile, UpdateFileCreatesMissingFolders) {
  TempDir dir;
  const std::string path = dir.File("config/pixmira/Config.ini");
  auto ini = TMemIniFile::FromText("", path);
  ini.WriteString("General", "FrameName", "x");
  ini.UpdateFile();
  EXPECT_EQ(ReadFile(path), "[General]\r\nFrameName=x\r\n\r\n");
}

#ifndef _WIN32
// Lets writes beyond a size fail with EFBIG, as a full disk would fail them mid-file.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};

TEST(MemIniFile, FailedWriteKeepsTheOldFileAndTheValuesInMemory) {
  TempDir dir;
  const std::string path = dir.File("Config.ini");
  const std::string old = "[General]\r\nWatermarkText=old\r\n\r\n";
  WriteFile(path, old);
  TMemIniFile ini(path);
  ini.WriteString("General", "WatermarkText", std::string(64 * 1024, 'n'));
  {
    FileSizeLimit limit(4096);
    try {
      ini.UpdateFile();
      FAIL() << "the write should fail";
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot write \"" + path + "\": " + std::strerror(EFBIG));
      EXPECT_EQ(e.Path(), path);
      EXPECT_EQ(e.Error(), EFBIG);
    }
  }
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_EQ(ini.ReadString("General", "WatermarkText", ""), std::string(64 * 1024, 'n'));

  // The values go out with the next write that succeeds.
  ini.UpdateFile();
  EXPECT_EQ(TMemIniFile(path).ReadString("General", "WatermarkText", ""),
            std::string(64 * 1024, 'n'));
}
#endif

TEST(MemIniFile, UnwritablePlacesRaiseAnErrorNamingPathAndReason) {
  PIXMIRA_SKIP_UNLESS(platform::PreferredSeparator() == '/', "POSIX error codes and /proc");
  TempDir dir;
  WriteFile(dir.File("file"), "not a folder");
  std::filesystem::create_directory(dir.File("Config.ini"));
  WriteFile(dir.File("Config.ini/keep"), "kept");
  struct Case {
    std::string path;
    int reason;
  } cases[] = {
      {dir.File("file/Config.ini"), ENOTDIR},      // parent is a regular file
      {dir.File("file/sub/Config.ini"), ENOTDIR},  // a folder that cannot be created
      {dir.File("Config.ini"), EISDIR},            // a folder where the file should be
      {"/proc/pixmira-test/Config.ini", ENOENT},   // a folder nobody may create
  };
  for (const Case& c : cases) {
    auto ini = TMemIniFile::FromText("[General]\r\nA=1\r\n", c.path);
    try {
      ini.UpdateFile();
      ADD_FAILURE() << c.path << " was written";
    } catch (const EFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find("\"" + c.path + "\""), std::string::npos) << message;
      EXPECT_NE(message.find(std::strerror(c.reason)), std::string::npos) << message;
    }
    EXPECT_EQ(ini.ReadInteger("General", "A", 0), 1);
  }
  EXPECT_EQ(ReadFile(dir.File("Config.ini/keep")), "kept");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

}  // namespace
}  // namespace pixmira
