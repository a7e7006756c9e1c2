// The picture list across restarts and its sorting: order and turns come back as they were,
// damaged lines are left out, missing files stay in the list and sort last.
#include "output/SavedList.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Platform.h"
#include "pipeline/TestPictures.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

namespace fs = std::filesystem;
using test::DataPath;
using test::TempDir;
using test::WriteFile;

TEST(SavedListTest, OrderAndTurnsComeBackAndDamagedLinesAreLeftOut) {
  TempDir dir;
  const std::vector<TExportEntry> entries = {
      {"/photos/b 1.jpg", 90}, {"/photos/a\tb.jpg", 360}, {"/gone/c.png", 0}};
  const std::string path = SavedListPathFor(dir.File("Config.ini"));
  SaveList(path, entries);
  EXPECT_EQ(LoadSavedList(path), entries);
  // Saved again over the old one, shorter.
  SaveList(path, {entries[2]});
  EXPECT_EQ(LoadSavedList(path), std::vector<TExportEntry>{entries[2]});

  EXPECT_EQ(ParseSavedList("90\t/a.jpg\r\n45\t/b.jpg\nno tab\n0\t\n\n270\t/c.jpg"),
            (std::vector<TExportEntry>{{"/a.jpg", 90}, {"/c.jpg", 270}}));
  EXPECT_TRUE(LoadSavedList(dir.File("none.txt")).empty());
}

TEST(SavedListTest, SortByNameDateTakenAndFileDate) {
  TempDir dir;
  // Two photos with EXIF dates (taken in the opposite order of their names), one without, and
  // an iPhone-style HEIF whose date sits in its Exif item; a Chinese name must be readable.
  auto jpegWithDate = [&](const std::string& name, const std::string& date) {
    std::string tiff = std::string("II*\0\x08\0\0\0", 8) + std::string("\x01\0", 2) +
                       std::string("\x32\x01\x02\0\x14\0\0\0\x1A\0\0\0", 12) +
                       std::string(4, '\0') + date + std::string(1, '\0');
    const std::string body = std::string("Exif\0\0", 6) + tiff;
    const std::size_t length = body.size() + 2;
    const std::string file = std::string("\xFF\xD8\xFF\xE1") + char(length >> 8) +
                             char(length & 0xFF) + body + "\xFF\xD9";
    WriteFile(dir.File(name), file);
    return dir.File(name);
  };
  const std::string a = jpegWithDate("a 宝贝.jpg", "2026:05:01 10:00:00");
  const std::string b = jpegWithDate("b.jpg", "2025:01:01 10:00:00");
  WriteFile(dir.File("c.jpg"), "no exif");
  const std::string c = dir.File("c.jpg");
  const std::string d = dir.File("d.heic");
  fs::copy_file(platform::ToPath(DataPath("heif-exif.heic")), platform::ToPath(d));
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(platform::ToPath(a), now - std::chrono::hours(1));
  fs::last_write_time(platform::ToPath(b), now);
  fs::last_write_time(platform::ToPath(c), now - std::chrono::hours(2));
  fs::last_write_time(platform::ToPath(d), now - std::chrono::hours(3));
  const std::string gone = dir.File("gone.jpg");
  const std::vector<TExportEntry> list = {{gone, 0}, {c, 0}, {b, 0}, {a, 0}, {d, 0}};

  EXPECT_EQ(SortedOrder(list, TPictureOrder::Name), (std::vector<int>{3, 2, 1, 4, 0}));
  EXPECT_EQ(SortedOrder(list, TPictureOrder::DateTaken), (std::vector<int>{4, 2, 3, 1, 0}));
  EXPECT_EQ(SortedOrder(list, TPictureOrder::FileDate), (std::vector<int>{4, 1, 3, 2, 0}));
}

}  // namespace
}  // namespace pixmira
