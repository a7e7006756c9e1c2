#include "codecs/Formats.h"

#include <gtest/gtest.h>

#include <set>

#include "support/TestSupport.h"

namespace pixmira {
namespace {

using test::DataPath;
using test::ReadBytes;

TEST(FormatTable, EveryExtensionIsLowerCaseDottedAndClaimedOnce) {
  std::set<std::string_view> seen;
  for (const TFormat& format : Formats()) {
    EXPECT_FALSE(format.extensions.empty()) << format.name;
    EXPECT_EQ(FormatNamed(format.name), &format);
    ASSERT_TRUE(format.make && format.looksLike) << format.name;
    for (const TExtension& e : format.extensions) {
      EXPECT_EQ(ExtensionOf(std::string("x") + std::string(e.text)), e.text);
      EXPECT_TRUE(seen.insert(e.text).second) << e.text << " claimed twice";
    }
  }
}

TEST(FormatTable, PathsFindTheirFormatInAnyLetterCase) {
  struct Case {
    const char* path;
    const char* format;  // nullptr: none
  } cases[] = {
      {"/a/PHOTO.JPG", "jpeg"},   {"a.Jpeg", "jpeg"},  {"x.KVI", "jpeg"},
      {"c:\\p\\b.bmp", "bmp"},    {"d.png", "png"},    {"e.GIF", "gif"},
      {"f.WebP", "webp"},         {"g.HEIC", "heif"},  {"h.heif", "heif"},
      {"scan.tiff", nullptr},     {"readme", nullptr}, {"dir.png/readme", nullptr},
      {"photo.jpg.txt", nullptr},
  };
  for (const Case& c : cases) {
    const TFormat* f = FormatForPath(c.path);
    if (!c.format) {
      EXPECT_EQ(f, nullptr) << c.path;
    } else {
      ASSERT_NE(f, nullptr) << c.path;
      EXPECT_EQ(f->name, c.format) << c.path;
    }
  }
}

// Each fixture's first bytes are recognised as its own format and no other.
TEST(FormatTable, FirstBytesTellTheFormatsApart) {
  const std::pair<const char*, const char*> cases[] = {
      {"jpeg-baseline.jpg", "jpeg"}, {"jpeg-progressive.jpg", "jpeg"},
      {"bmp-rgb24.bmp", "bmp"},      {"bmp-core8.bmp", "bmp"},
      {"png-rgba.png", "png"},       {"png-palette.png", "png"},
      {"gif-global.gif", "gif"},     {"gif-animated.gif", "gif"},
      {"webp-lossy.webp", "webp"},   {"webp-alpha-lossless.webp", "webp"},
      {"heif-q90.heic", "heif"},     {"heif-alpha.heic", "heif"},
  };
  for (const auto& [file, name] : cases) {
    const std::vector<uint8_t> bytes = ReadBytes(DataPath(file));
    const std::span<const uint8_t> head(bytes.data(), std::min<std::size_t>(bytes.size(), 16));
    for (const TFormat& format : Formats())
      EXPECT_EQ(format.looksLike(head), format.name == name) << file << " as " << format.name;
  }
  const uint8_t text[] = "just some text..";
  EXPECT_EQ(FormatForContent(text), nullptr);
  EXPECT_EQ(FormatForContent({}), nullptr);
}

TEST(FormatTable, FolderScanAndDialogLists) {
  // JPEG's other names and GIF never come from folders; WebP and HEIF come after PNG.
  EXPECT_EQ(FolderScanExtensions(),
            (std::vector<std::string_view>{".jpg", ".bmp", ".png", ".webp", ".heic", ".heif"}));

  const std::vector<std::string_view> assistant = DialogExtensions(TDialogGroup::Assistant);
  EXPECT_EQ(assistant, std::vector<std::string_view>{".kvi"});
  const std::vector<std::string_view> general = DialogExtensions(TDialogGroup::General);
  for (std::string_view ext : {".jpg", ".bmp", ".png", ".gif", ".webp", ".heic", ".heif"})
    EXPECT_EQ(std::count(general.begin(), general.end(), ext), 1) << ext;
}

}  // namespace
}  // namespace pixmira
