#include "core/Encoding.h"

#include <gtest/gtest.h>

namespace pixmira {
namespace {

TEST(Encoding, RecognisesOnlyWellFormedUtf8) {
  struct Case {
    const char* name;
    std::string_view bytes;
    bool valid;
  } cases[] = {
      {"ASCII", "General", true},
      {"Chinese", "水印", true},
      {"four bytes", "\xF0\x9F\x98\x80", true},
      {"GBK 中文", "\xD6\xD0\xCE\xC4", false},
      {"overlong slash", "\xC0\xAF", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"cut at the end", "\xE6\xB0", false},
      {"lone continuation", "\x80", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.name;
}

TEST(Encoding, DecodesGbkAndMarksBytesThatDoNotDecode) {
  struct Case {
    std::string_view gbk;
    std::string_view utf8;
  } cases[] = {
      {"\xCB\xAE\xD3\xA1", "水印"},
      {"\xD4\xB2\xBD\xC7 A", "圆角 A"},
      {"\x80", "€"},  // code page 936's euro sign
      {"a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},                               // no such lead byte
      {"\xD6\xD0\xCE", "中\xEF\xBF\xBD"},  // lead byte cut off at the end
  };
  for (const Case& c : cases) EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8);
}

TEST(Encoding, FileTextIsUtf8WhenItCanBeElseGbk) {
  EXPECT_EQ(DecodeFileText("水印"), "水印");
  EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF水印"), "水印");
  EXPECT_EQ(DecodeFileText("\xD6\xD0\xCE\xC4"), "中文");
  // A short GBK text can happen to be well-formed UTF-8 (水印 reads as "ˮӡ"); the whole
  // file decides, and a real settings file rarely holds so little Chinese.
  EXPECT_EQ(DecodeFileText("\xCB\xAE\xD3\xA1"), "ˮӡ");
  EXPECT_EQ(DecodeFileText(""), "");
}

TEST(Encoding, GbkLengthCountsTwoForEveryNonAsciiCharacter) {
  EXPECT_EQ(GbkLength(""), 0u);
  EXPECT_EQ(GbkLength("abc"), 3u);
  EXPECT_EQ(GbkLength("水印 2024"), 9u);
  EXPECT_EQ(GbkLength("é"), 2u);
}

// Code page 936 keeps the euro sign in the single byte 0x80, so an italic "20€" widens by
// width / 3 * 0.3, not width / 4 * 0.3.
TEST(Encoding, GbkLengthCountsTheEuroSignAsOneByte) {
  EXPECT_EQ(GbkLength("€"), 1u);
  EXPECT_EQ(GbkLength("20€"), 3u);
  EXPECT_EQ(GbkLength("价格€5"), 6u);
}

}  // namespace
}  // namespace pixmira
