#include "core/ColorText.h"

#include <gtest/gtest.h>

#include "core/Errors.h"

namespace pixmira {
namespace {

TEST(ColorText, ReadsNamesInAnyCaseAndNumbers) {
  struct Case {
    const char* text;
    std::optional<TColor> color;
  } cases[] = {
      {"clRed", 0x0000FF},
      {"CLRED", 0x0000FF},
      {"clred", 0x0000FF},
      {"clSkyBlue", 0xF0CAA6},
      {"clMedGray", 0xA4A0A0},
      {"$FFFFFF", kWhite},
      {"$00030201", RGBColor(1, 2, 3)},
      {"255", 0x0000FF},
      {"0x00FF00", 0x00FF00},
      {"", std::nullopt},
      {"red", std::nullopt},
      {"clBtnFace", std::nullopt},  // a system colour we cannot draw
      {"$FF00000F", std::nullopt},
      {"-1", std::nullopt},
      {"$1000000", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(TryStringToColor(c.text), c.color) << c.text;
}

TEST(ColorText, WritesTheNameWhereThereIsOneElseEightHexDigits) {
  EXPECT_EQ(ColorToString(RGBColor(255, 0, 0)), "clRed");
  EXPECT_EQ(ColorToString(RGBColor(1, 2, 3)), "$00030201");
  EXPECT_EQ(ColorToString(kWhite), "clWhite");
  EXPECT_EQ(ColorToString(0xC0DCC0), "clMoneyGreen");
  EXPECT_EQ(ColorToString(0xABCDEF), "$00ABCDEF");
  // Every written text reads back as the same colour.
  for (TColor c : {0x000000u, 0x0000FFu, 0x030201u, 0xF0FBFFu, 0x7F7F7Fu}) {
    EXPECT_EQ(StringToColor(ColorToString(c)), c);
  }
}

TEST(ColorText, TextThatIsNoColourRaisesAConvertError) {
  try {
    StringToColor("Rot");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'Rot' is not a valid integer value");
  }
}

}  // namespace
}  // namespace pixmira
