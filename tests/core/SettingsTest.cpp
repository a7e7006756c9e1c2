#include "core/Settings.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace pixmira {
namespace {

constexpr ReadSite M = ReadSite::Main, D = ReadSite::Dialog, P = ReadSite::Pipeline,
                   E = ReadSite::Export;

TEST(Settings, SitesKeepTheirOwnDefaults) {
  struct Case {
    std::string key;
    ReadSite site;
    std::string_view expected;
  } cases[] = {
      {"ReduceSize", M, "1"},
      {"ReduceSize", P, "1"},
      {std::string(keys::ReduceSizeWidth), P, "310"},
      {std::string(keys::ReduceSizeQuality), M, "1"},
      {std::string(keys::FrameType), M, "1"},
      {std::string(keys::FrameType), D, "1"},
      {std::string(keys::FrameType), P, "0"},
      {std::string(keys::WatermarkTransparent), D, "20"},
      {std::string(keys::WatermarkTileSpace), P, "20"},
      {std::string(keys::WatermarkFontSize), P, "8"},
      {std::string(keys::WatermarkFontColor), D, "$FFFFFF"},
      {std::string(keys::GifSpeed), M, "1"},
      {std::string(keys::GifSeconds), M, "1.00"},
      {std::string(keys::GifSeconds), E, "1.00"},
      {std::string(keys::HomeHost), M, ""},
      {"reducesizewidth", M, "310"},
      {MarginKey(0, 'A'), D, "15"},
      {MarginKey(8, 'B'), P, "15"},
      {MarginKindKey(4, 'A'), P, "0"},
      {MarginKindKey(7, 'B'), D, "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SettingDefault(c.key, c.site), c.expected) << c.key << " at " << int(c.site);
  }
}

TEST(Settings, ReadingAKeyASiteDoesNotReadIsAProgrammingError) {
  struct Case {
    std::string key;
    ReadSite site;
  } cases[] = {
      {"GifSeconds", P},      {"WatermarkRotate", M},     {"OutputGif", E},
      {"NoSuchKey", M},       {MarginKey(0, 'A'), M},     {MarginKey(9, 'A'), E},
      {MarginKey(0, 'C'), D}, {"cbWatermarkPosBlank", D},
  };
  for (const Case& c : cases) {
    EXPECT_THROW(SettingDefault(c.key, c.site), std::logic_error) << c.key;
  }
}

TEST(Settings, MarginKeysAreNamedFromAnchorAndLetter) {
  EXPECT_EQ(MarginKey(0, 'A'), "cbWatermarkPosBlank0A");
  EXPECT_EQ(MarginKindKey(4, 'B'), "cbWatermarkPosBlankKind4B");
  // A new anchor needs no change here: any index has the family's defaults.
  EXPECT_EQ(SettingDefault(MarginKey(12, 'B'), ReadSite::Pipeline), "15");
  EXPECT_EQ(SettingDefault(MarginKindKey(9, 'a'), ReadSite::Dialog), "0");
  EXPECT_THROW(SettingDefault("cbWatermarkPosBlank-1A", ReadSite::Dialog), std::logic_error);
}

TEST(Settings, EmptyOrUnconvertibleValuesReadAsTheSiteDefault) {
  const auto ini = TMemIniFile::FromText(
      "[ general ]\r\n"
      "  reducesize =  \r\n"
      "ReduceSizeWidth=abc\r\n"
      "ReduceSizeType=0x2\r\n"
      "WatermarkFontColor=lila\r\n"
      "GifSeconds=1,5\r\n");
  EXPECT_TRUE(ReadSettingBool(ini, keys::ReduceSize, M));
  EXPECT_TRUE(ReadSettingBool(ini, keys::ReduceSize, P));
  EXPECT_EQ(ReadSettingInteger(ini, keys::ReduceSizeWidth, P), 310);
  EXPECT_EQ(ReadSettingInteger(ini, keys::ReduceSizeType, M), 2);
  EXPECT_EQ(ReadSettingInteger(ini, keys::FrameType, M), 1);
  EXPECT_EQ(ReadSettingInteger(ini, keys::FrameType, P), 0);
  EXPECT_EQ(ReadSettingColor(ini, keys::WatermarkFontColor, P), kWhite);
  EXPECT_DOUBLE_EQ(ReadSettingDecimal(ini, keys::GifSeconds, E), 1.0);
  EXPECT_DOUBLE_EQ(ReadSettingDecimal(ini, keys::GifSeconds, M), 1.0);
  EXPECT_EQ(ReadSettingString(ini, keys::GifSeconds, E), "1,5");
  EXPECT_EQ(ReadSettingInteger(ini, MarginKey(3, 'B'), P), 15);

  const auto set = TMemIniFile::FromText(
      "[General]\nReduceSize=0\nReduceSizeWidth=0x1F4\nWatermarkFontColor=clRed\n");
  EXPECT_FALSE(ReadSettingBool(set, keys::ReduceSize, M));
  EXPECT_EQ(ReadSettingInteger(set, keys::ReduceSizeWidth, M), 500);
  EXPECT_EQ(ReadSettingColor(set, keys::WatermarkFontColor, D), 0x0000FFu);
}

TEST(Settings, DecimalTextIsDigitsWithAtMostOnePoint) {
  struct Case {
    const char* text;
    bool converts;
    double value;
  } cases[] = {
      {"1.1", true, 1.1}, {"2", true, 2.0},  {".5", true, 0.5},   {"3.", true, 3.0},
      {"", false, 0},     {".", false, 0},   {"1.2.3", false, 0}, {"1,5", false, 0},
      {"-1", false, 0},   {"1e3", false, 0}, {" 1", false, 0},
  };
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_EQ(TryParseDecimal(c.text, v), c.converts) << c.text;
    if (c.converts) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace pixmira
