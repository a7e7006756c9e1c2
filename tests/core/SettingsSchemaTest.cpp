#include "core/SettingsSchema.h"

#include <gtest/gtest.h>

#include <set>

#include "core/Settings.h"

namespace pixmira {
namespace {

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

// A row whose own default would be refused by --set, whose condition names no key, or which
// no site reads is a mistake in the table; so is a key listed twice.
TEST(SettingsSchema, EveryRowIsConsistent) {
  std::set<std::string> seen;
  for (const SettingRow& row : SettingsSchema()) {
    SCOPED_TRACE(row.key);
    EXPECT_TRUE(seen.insert(Lowered(row.key)).second) << "listed twice";
    EXPECT_EQ(FindSetting(row.key), &row);
    EXPECT_FALSE(row.english.empty());
    EXPECT_FALSE(row.group.empty());
    bool read = false;
    for (std::size_t site = 0; site < kReadSiteCount; ++site) {
      const auto d = RowDefault(row, static_cast<ReadSite>(site));
      if (!d) continue;
      read = true;
      if (d->empty() && row.emptyAllowed) continue;
      EXPECT_EQ(CheckSettingValue(row, *d), SettingValueProblem::None) << "default " << *d;
    }
    EXPECT_TRUE(read);
    std::set<int> values;
    for (const SettingChoice& c : row.choices) {
      EXPECT_TRUE(values.insert(c.value).second) << "choice " << c.value;
      EXPECT_FALSE(c.caption.empty());
      EXPECT_FALSE(c.english.empty());
    }
    EXPECT_EQ(row.type == SettingType::Choice, !row.choices.empty());
    for (const SettingCondition& c : row.when) {
      const SettingRow* other = FindSetting(c.key);
      ASSERT_NE(other, nullptr) << c.key;
      EXPECT_TRUE(other->type == SettingType::Bool || other->type == SettingType::Choice) << c.key;
      EXPECT_NE(other, &row);
    }
  }
}

TEST(SettingsSchema, MarginRowsFollowTheAnchorsThatUseThem) {
  std::set<std::string> listed;
  for (const SettingRow& row : SettingsSchema())
    if (!row.family.empty()) listed.insert(row.key);
  // Every corner uses both margins, the edge centres one, the centre none.
  EXPECT_EQ(listed.size(), (4 * 2 + 4 * 1) * 2u);
  EXPECT_TRUE(listed.count("cbWatermarkPosBlank0B"));
  EXPECT_TRUE(listed.count("cbWatermarkPosBlankKind7A"));
  EXPECT_FALSE(listed.count("cbWatermarkPosBlank4B"));
  EXPECT_FALSE(listed.count("cbWatermarkPosBlank8A"));
  // Keys no anchor uses, and anchors beyond the list, are still the family's keys.
  for (const char* key : {"cbWatermarkPosBlank4B", "cbwatermarkposblank12a"}) {
    const SettingRow* row = FindSetting(key);
    ASSERT_NE(row, nullptr) << key;
    EXPECT_EQ(row->family, "cbWatermarkPosBlank");
  }
  EXPECT_EQ(FindSetting("cbWatermarkPosBlankKind9B")->family, "cbWatermarkPosBlankKind");
  EXPECT_EQ(FindSetting("cbWatermarkPosBlank0C"), nullptr);
  EXPECT_EQ(FindSetting("NoSuchKey"), nullptr);
}

TEST(SettingsSchema, ValuesAreCheckedAgainstTheirRow) {
  using P = SettingValueProblem;
  struct Case {
    const char* key;
    const char* value;
    P expected;
  } cases[] = {
      {"ReduceSize", "1", P::None},
      {"ReduceSize", "2", P::OutOfRange},
      {"ReduceSize", "yes", P::NotANumber},
      {"ReduceSizeWidth", "999999", P::None},
      {"ReduceSizeWidth", "1000000", P::OutOfRange},
      {"ReduceSizeWidth", "-1", P::OutOfRange},
      {"ReduceSizeWidth", "0x1F4", P::NotANumber},
      {"ReduceSizeWidth", "", P::NotANumber},
      {"ReduceSizeWidth", "99999999999999999999", P::NotANumber},
      {"WatermarkRotate", "-180", P::None},
      {"WatermarkRotate", "+45", P::None},
      {"WatermarkRotate", "181", P::OutOfRange},
      {"ReduceSizeType", "3", P::None},
      {"ReduceSizeType", "4", P::NotAChoice},
      {"CornerType", "10", P::None},
      {"WatermarkPos", "9", P::NotAChoice},
      {"WatermarkFontColor", "clRed", P::None},
      {"WatermarkFontColor", "$00030201", P::None},
      {"WatermarkFontColor", "reddish", P::NotAColour},
      {"GifSeconds", "0.5", P::None},
      {"GifSeconds", "655.35", P::None},
      {"GifSeconds", "655.36", P::OutOfRange},
      {"GifSeconds", "1,5", P::NotADecimal},
      {"GifSeconds", "-1", P::NotADecimal},
      {"WatermarkText", "shop", P::None},
      {"WatermarkText", "two\nlines", P::LineBreak},
      {"WindowLeft", "", P::None},
      {"WindowLeft", "-20", P::None},
      {"cbWatermarkPosBlankKind3B", "1", P::None},
      {"cbWatermarkPosBlankKind3B", "2", P::NotAChoice},
  };
  for (const Case& c : cases) {
    const SettingRow* row = FindSetting(c.key);
    ASSERT_NE(row, nullptr) << c.key;
    EXPECT_EQ(CheckSettingValue(*row, c.value), c.expected) << c.key << "=" << c.value;
  }
}

TEST(SettingsSchema, ARowCountsOnlyWhereItsConditionsHold) {
  TMemIniFile ini("");
  const SettingRow& quality = *FindSetting("ReduceSizeQuality");
  const SettingRow& margin = *FindSetting("cbWatermarkPosBlank2A");
  const SettingRow& tiles = *FindSetting("WatermarkTileSpace");
  // Defaults: the size list at 310, no watermark.
  EXPECT_FALSE(SettingCounts(ini, quality, ReadSite::Main));
  ini.WriteString(kGeneral, "ReduceSizeType", "3");
  EXPECT_TRUE(SettingCounts(ini, quality, ReadSite::Main));
  ini.WriteString(kGeneral, "OutputGif", "1");
  EXPECT_FALSE(SettingCounts(ini, quality, ReadSite::Main));

  EXPECT_FALSE(SettingCounts(ini, margin, ReadSite::Pipeline));
  // The dialog does not read AddWatermark, so its preview shows the margin of its anchor.
  ini.WriteString(kGeneral, "WatermarkPos", "2");
  EXPECT_TRUE(SettingCounts(ini, margin, ReadSite::Dialog));
  EXPECT_FALSE(SettingCounts(ini, margin, ReadSite::Pipeline));
  ini.WriteString(kGeneral, "AddWatermark", "1");
  EXPECT_TRUE(SettingCounts(ini, margin, ReadSite::Pipeline));
  EXPECT_FALSE(SettingCounts(ini, tiles, ReadSite::Pipeline));
  // Any paint style other than 0 tiles.
  ini.WriteString(kGeneral, "WatermarkPaintStyle", "7");
  EXPECT_FALSE(SettingCounts(ini, margin, ReadSite::Pipeline));
  EXPECT_TRUE(SettingCounts(ini, tiles, ReadSite::Pipeline));
}

TEST(SettingsSchema, NumbersAreWrittenWithoutTheLocale) {
  EXPECT_EQ(FormatSettingNumber(-180), "-180");
  EXPECT_EQ(FormatSettingNumber(999999), "999999");
  EXPECT_EQ(FormatSettingNumber(655.35), "655.35");
}

}  // namespace
}  // namespace pixmira
