#include "text/SmoothText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace pixmira {
namespace {

const TColor kInk = RGBColor(100, 0, 250);          // bytes B G R = 250, 0, 100
const TColor kBackground = RGBColor(100, 200, 10);  // bytes B G R = 10, 200, 100

TBitmap Canvas(int w, int h, TColor fill) {
  TBitmap b(w, h);
  b.Fill(fill);
  return b;
}

std::vector<uint8_t> Bytes(const TBitmap& b) {
  return {b.Data(), b.Data() + b.Stride() * std::size_t(b.Height())};
}

TSmoothMask FullMask(int w, int h, uint8_t coverage) {
  TSmoothMask m(w, h);
  for (int y = 0; y < h; ++y) std::fill_n(m.Row(y), w, coverage);
  return m;
}

TBitmap TextCanvas(int w, int h, const std::string& face, int size) {
  TBitmap b = Canvas(w, h, kWhite);
  b.font.name = face;
  b.font.size = size;
  b.font.color = kBlack;
  b.brush.style = TBrushStyle::Clear;
  return b;
}

// Ink pixels (not white) in columns [x0, x1) of the whole height.
int InkIn(const TBitmap& b, int x0, int x1) {
  int ink = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = x0; x < x1; ++x) ink += b.Pixel(x, y) != kWhite;
  return ink;
}

std::vector<TColor> Cell(const TBitmap& b, int x0, int width) {
  std::vector<TColor> cell;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = x0; x < x0 + width; ++x) cell.push_back(b.Pixel(x, y));
  return cell;
}

TEST(SmoothTextBlend, WeightFollowsCoverageTimesOpacity) {
  struct Case {
    int opacity;
    uint8_t coverage;
    uint8_t b, g, r;  // expected bytes; background 10, 200, 100, ink 250, 0, 100
  } cases[] = {
      {100, 255, 250, 0, 100},    // full ink: the colour exactly
      {100, 127, 129, 100, 100},  // 10 + floor(240·127/256); 200 + floor(−200·127/256)
      {80, 255, 200, 41, 100},    // weight 203: 10 + floor(240·203/256); 200 − 159
      {5, 255, 20, 191, 100},     // k = 12, weight 11
      {5, 15, 10, 200, 100},      // 15 × 12 < 256: unchanged
      {0, 255, 10, 200, 100},     // opacity 0: unchanged
      {150, 255, 250, 0, 100},    // above 100 clamped to 100
      {-20, 255, 10, 200, 100},   // below 0 clamped to 0
      {100, 0, 10, 200, 100},     // no coverage: unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "opacity " << c.opacity << " coverage " << int(c.coverage));
    TBitmap target = Canvas(1, 1, kBackground);
    target.font.color = kInk;
    target.brush.style = TBrushStyle::Clear;
    TSmoothFontEx font(target);
    font.SetAlpha(c.opacity);
    font.DrawMask(0, 0, FullMask(1, 1, c.coverage));
    const uint8_t* p = target.Row(0);
    EXPECT_EQ(p[0], c.b);
    EXPECT_EQ(p[1], c.g);
    EXPECT_EQ(p[2], c.r);
  }
}

TEST(SmoothTextBlend, SolidBrushPaintsTheWholeBoxClearBrushKeepsThePicture) {
  TSmoothMask mask(2, 1);
  mask.Row(0)[0] = 255;  // left ink, right nothing
  for (TBrushStyle style : {TBrushStyle::Solid, TBrushStyle::Clear}) {
    TBitmap target = Canvas(3, 1, kBackground);
    target.font.color = kInk;
    target.brush = {kWhite, style};
    TSmoothFontEx(target).DrawMask(0, 0, mask);
    EXPECT_EQ(target.Pixel(0, 0), kInk);
    EXPECT_EQ(target.Pixel(1, 0), style == TBrushStyle::Solid ? kWhite : kBackground);
    EXPECT_EQ(target.Pixel(2, 0), kBackground);  // outside the box
  }
}

TEST(SmoothTextBlend, ClippedAtEveryEdgeAndNothingOutsideTheBoxChanges) {
  const TPoint places[] = {{-2, -1}, {4, 3},   {-2, 3}, {4, -1}, {1, 1},
                           {-10, 0}, {0, -10}, {6, 0},  {0, 5},  {-1, -1}};
  const TSmoothMask mask = FullMask(4, 3, 255);
  for (TPoint at : places) {
    SCOPED_TRACE(testing::Message() << "at " << at.x << "," << at.y);
    TBitmap target = Canvas(6, 5, kBackground);
    target.font.color = kInk;
    target.brush.style = TBrushStyle::Clear;
    TSmoothFontEx(target).DrawMask(at.x, at.y, mask);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) {
        const bool inside = x >= at.x && x < at.x + 4 && y >= at.y && y < at.y + 3;
        EXPECT_EQ(target.Pixel(x, y), inside ? kInk : kBackground) << x << "," << y;
      }
  }
}

TEST(SmoothTextMask, BlocksAverageToSeventeenLevels) {
  // One 4 × 4 block with k ink samples gives (k × 255) >> 4.
  const std::pair<int, uint8_t> cases[] = {{0, 0},   {1, 15},   {5, 79},
                                           {8, 127}, {15, 239}, {16, 255}};
  for (auto [samples, coverage] : cases) {
    TGreyImage work(4, 4);
    for (int i = 0; i < samples; ++i) work.Row(i / 4)[i % 4] = 255;
    const TSmoothMask mask = MaskFromWorkImage(work, 0);
    ASSERT_EQ(mask.width, 1);
    ASSERT_EQ(mask.height, 1);
    EXPECT_EQ(mask.Row(0)[0], coverage) << samples;
  }
}

TEST(SmoothTextMask, PartialBlocksAtTheRightAndBottomAreDropped) {
  TGreyImage work(11, 7);
  for (int y = 0; y < 7; ++y) std::fill_n(work.Row(y), 11, uint8_t(255));
  const TSmoothMask mask = MaskFromWorkImage(work, 0);
  EXPECT_EQ(mask.width, 2);
  EXPECT_EQ(mask.height, 1);
  EXPECT_EQ(mask.Row(0)[1], 255);
}

TEST(SmoothTextMask, TurnsCounterClockwiseWithTheFixedPointRule) {
  // An 8 × 4 work image with its left block inked; at 90 degrees the left end goes down.
  TGreyImage work(8, 4);
  for (int y = 0; y < 4; ++y) std::fill_n(work.Row(y), 4, uint8_t(255));
  const TSmoothMask turned = MaskFromWorkImage(work, 90);
  ASSERT_EQ(turned.width, 1);
  ASSERT_EQ(turned.height, 2);
  EXPECT_EQ(turned.Row(0)[0], 0);
  EXPECT_EQ(turned.Row(1)[0], 255);

  const TSmoothMask back = MaskFromWorkImage(work, -90);
  ASSERT_EQ(back.height, 2);
  EXPECT_EQ(back.Row(0)[0], 255);
  EXPECT_EQ(back.Row(1)[0], 0);

  // 360 turns nothing.
  const TSmoothMask full = MaskFromWorkImage(work, 360);
  ASSERT_EQ(full.width, 2);
  EXPECT_EQ(full.Row(0)[0], 255);
  EXPECT_EQ(full.Row(0)[1], 0);
}

TEST(SmoothTextMask, FortyFiveDegreesOfAHundredByTwentyBox) {
  TGreyImage work(400, 80);
  for (int y = 0; y < 80; ++y) std::fill_n(work.Row(y), 400, uint8_t(255));
  const TSmoothMask mask = MaskFromWorkImage(work, 45);  // rotated work image 339 × 339
  EXPECT_EQ(mask.width, 84);
  EXPECT_EQ(mask.height, 84);
  EXPECT_EQ(mask.Row(42)[42], 255);  // the middle is ink, the corners are not
  EXPECT_EQ(mask.Row(0)[0], 0);
  EXPECT_EQ(mask.Row(83)[83], 0);
  EXPECT_EQ(RotatedExtent({100, 20}, 45), (TTextExtent{mask.width, mask.height}));
}

TEST(SmoothTextExtent, TurnedBoxByTheRoundedCorners) {
  struct Case {
    int angle;
    TTextExtent in, out;
  } cases[] = {
      {0, {100, 20}, {100, 20}},   {45, {100, 20}, {84, 84}},   {90, {100, 20}, {20, 100}},
      {-90, {100, 20}, {20, 100}}, {180, {100, 20}, {100, 20}}, {-45, {100, 20}, {84, 84}},
      {30, {100, 20}, {96, 68}},   {0, {0, 0}, {0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RotatedExtent(c.in, c.angle), c.out) << c.angle << " " << c.in.width;
}

TEST(SmoothTextExtent, ItalicWideningByGbkLength) {
  struct Case {
    int width;
    std::string text;
    int widened;
  } cases[] = {
      {100, "0123456789", 103},  // ten bytes
      {100, "淘宝小店", 104},    // a Chinese character counts 2: 3.75 → 4
      {5, "abc", 5},             // 0.5 rounds to even
      {5, "a", 7},               // 1.5 rounds to even
      {40, "a\r\nb", 43},        // CR and LF count 1 each
  };
  for (const Case& c : cases) EXPECT_EQ(ItalicWidth(c.width, c.text), c.widened) << c.text;
}

TEST(SmoothTextPixels, TwentyTwoPointsAreTwentyNinePixels) {
  const std::pair<int, int> cases[] = {{22, 29}, {8, 11}, {9, 12}, {10, 13}, {1, 1}, {-22, -29}};
  for (auto [points, pixels] : cases) EXPECT_EQ(FontPixelHeight(points), pixels) << points;
}

TEST(SmoothTextMeasure, LinesStackAndTheWidestLineSetsTheWidth) {
  TBitmap b = TextCanvas(10, 10, "DejaVu Sans", 12);
  TSmoothFontEx font(b);
  const TTextExtent shortLine = font.TextExtent("ab");
  const TTextExtent longLine = font.TextExtent("abcdefgh");
  const TTextExtent both = font.TextExtent("abcdefgh\r\nab");
  EXPECT_GT(longLine.width, shortLine.width);
  EXPECT_EQ(shortLine.height, longLine.height);
  EXPECT_EQ(both.width, longLine.width);
  // Heights are rounded up after the 4x layout, so two lines may be one pixel less.
  EXPECT_GE(both.height, 2 * shortLine.height - 1);
  EXPECT_LE(both.height, 2 * shortLine.height);
  // A lone LF or CR breaks the line just as CR LF does.
  EXPECT_EQ(font.TextExtent("abcdefgh\nab"), both);
  EXPECT_EQ(font.TextExtent("abcdefgh\rab"), both);
  EXPECT_EQ(font.TextExtent(""), (TTextExtent{0, 0}));
}

TEST(SmoothTextMeasure, ItalicBoldAndSizeChangeTheBox) {
  // WenQuanYi has no italic face: the slant is synthesised and the advances stay, so the
  // italic box is exactly the upright one widened.
  TBitmap b = TextCanvas(10, 10, "WenQuanYi Zen Hei", 22);
  const TTextExtent upright = TSmoothFontEx(b).TextExtent("淘宝小店");
  EXPECT_EQ(upright.width, 4 * 29);  // one em per character
  b.font.italic = true;
  EXPECT_EQ(TSmoothFontEx(b).TextExtent("淘宝小店").width, ItalicWidth(upright.width, "淘宝小店"));
  b.font.italic = false;
  b.font.bold = true;
  EXPECT_GT(TSmoothFontEx(b).TextExtent("淘宝小店").width, upright.width);
  b.font.bold = false;
  b.font.size = 44;
  EXPECT_EQ(TSmoothFontEx(b).TextExtent("淘宝小店").width, 4 * 59);
}

TEST(SmoothTextMeasure, SizeZeroIsTheDefaultAndANegativeSizeCountsAsPositive) {
  TBitmap b = TextCanvas(10, 10, "WenQuanYi Zen Hei", 8);
  const TTextExtent eight = TSmoothFontEx(b).TextExtent("店");
  b.font.size = 0;
  EXPECT_EQ(TSmoothFontEx(b).TextExtent("店"), eight);
  b.font.size = -8;
  EXPECT_EQ(TSmoothFontEx(b).TextExtent("店"), eight);
}

TEST(SmoothTextMeasure, MaskCoversTheMeasuredBox) {
  TBitmap b = TextCanvas(10, 10, "DejaVu Sans", 16);
  for (int angle : {0, 30, 45, 90, -135, 180}) {
    TSmoothFontEx font(b);
    font.SetAngle(angle);
    const TTextExtent box = font.TextExtent("Pixmira 淘宝\r\nline two");
    const TSmoothMask mask = font.MakeMask("Pixmira 淘宝\r\nline two");
    EXPECT_NEAR(mask.width, box.width, 1) << angle;
    EXPECT_NEAR(mask.height, box.height, 1) << angle;
  }
}

TEST(SmoothTextDraw, ChineseComesOutAsRealGlyphsInEveryFace) {
  // DejaVu Sans has no Chinese: its characters come from a fallback face.
  for (const char* face : {"WenQuanYi Zen Hei", "DejaVu Sans"}) {
    SCOPED_TRACE(face);
    TBitmap text = TextCanvas(4 * 29 + 10, 50, face, 22);
    TSmoothFontEx(text).TextOut(0, 0, "淘宝小店");
    TBitmap missing = TextCanvas(4 * 29 + 10, 50, face, 22);
    TSmoothFontEx(missing).TextOut(0, 0, "\uFFFF");  // no face has it: the missing-glyph box
    const int cell = 29;
    const std::vector<TColor> box = Cell(missing, 0, cell);
    std::vector<std::vector<TColor>> cells;
    for (int i = 0; i < 4; ++i) {
      EXPECT_GT(InkIn(text, i * cell, (i + 1) * cell), 40) << "character " << i;
      cells.push_back(Cell(text, i * cell, cell));
      EXPECT_NE(cells.back(), box) << "character " << i << " is a missing-glyph box";
    }
    for (int i = 0; i < 4; ++i)
      for (int j = i + 1; j < 4; ++j) EXPECT_NE(cells[i], cells[j]) << i << " and " << j;
  }
}

TEST(SmoothTextDraw, EdgesAreSmoothAndFullInkIsTheColour) {
  TBitmap b = TextCanvas(80, 40, "DejaVu Sans", 24);
  TSmoothFontEx(b).TextOut(0, 0, "HOW");
  int full = 0, partial = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const TColor c = b.Pixel(x, y);
      full += c == kBlack;
      partial += c != kBlack && c != kWhite;
    }
  EXPECT_GT(full, 50);
  EXPECT_GT(partial, 20);
}

TEST(SmoothTextDraw, EmptyTextDrawsNothingAndSolidBrushDrawsNoBox) {
  TBitmap b = TextCanvas(20, 20, "DejaVu Sans", 12);
  b.brush.style = TBrushStyle::Solid;
  b.brush.color = kBackground;
  const std::vector<uint8_t> before = Bytes(b);
  TSmoothFontEx(b).TextOut(2, 2, "");
  EXPECT_EQ(Bytes(b), before);
}

TEST(SmoothTextDraw, TextPastEveryEdgeIsClipped) {
  const TPoint places[] = {{-30, 5}, {5, -15}, {25, 5}, {5, 15}, {-100, -100}, {100, 100}};
  TBitmap whole = TextCanvas(200, 60, "DejaVu Sans", 14);
  TSmoothFontEx(whole).TextOut(60, 20, "Clip 淘宝");
  for (TPoint at : places) {
    SCOPED_TRACE(testing::Message() << at.x << "," << at.y);
    TBitmap small = TextCanvas(40, 20, "DejaVu Sans", 14);
    TSmoothFontEx(small).TextOut(at.x, at.y, "Clip 淘宝");
    // Each visible pixel is the same as in an unclipped drawing.
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x) {
        const int wx = x - at.x + 60, wy = y - at.y + 20;
        const bool inWhole = wx >= 0 && wx < 200 && wy >= 0 && wy < 60;
        ASSERT_EQ(small.Pixel(x, y), inWhole ? whole.Pixel(wx, wy) : kWhite) << x << "," << y;
      }
  }
}

TEST(SmoothTextDraw, ALineWiderThanAnyPictureStillDraws) {
  // 45 characters of 200 pixels: the 4x work image is 36000 pixels wide.
  std::string text;
  for (int i = 0; i < 45; ++i) text += "店";
  TBitmap b = TextCanvas(60, 60, "WenQuanYi Zen Hei", 150);
  TSmoothFontEx font(b);
  EXPECT_EQ(font.TextWidth(text), 45 * 200);
  font.TextOut(-8950, 0, text);  // the last character's right part
  EXPECT_GT(InkIn(b, 0, 60), 100);
}

TEST(SmoothTextDraw, BoldAndUnderlineAddInk) {
  TBitmap plain = TextCanvas(100, 40, "WenQuanYi Zen Hei", 16);
  TSmoothFontEx(plain).TextOut(0, 0, "ab 小店");
  const int plainInk = InkIn(plain, 0, 100);
  for (bool bold : {false, true})
    for (bool underline : {false, true}) {
      if (!bold && !underline) continue;
      TBitmap styled = TextCanvas(100, 40, "WenQuanYi Zen Hei", 16);
      styled.font.bold = bold;
      styled.font.underline = underline;
      TSmoothFontEx(styled).TextOut(0, 0, "ab 小店");
      EXPECT_GT(InkIn(styled, 0, 100), plainInk + 20) << bold << underline;
    }

  // The underline is one unbroken run under the whole text, the space included.
  TBitmap under = TextCanvas(100, 40, "DejaVu Sans", 16);
  under.font.underline = true;
  const int width = TSmoothFontEx(under).TextWidth("a b");
  TSmoothFontEx(under).TextOut(0, 0, "a b");
  bool found = false;
  for (int y = 0; y < 40 && !found; ++y) {
    int run = 0;
    for (int x = 0; x < width; ++x) run += under.Pixel(x, y) != kWhite;
    found = run >= width - 1;
  }
  EXPECT_TRUE(found);
}

TEST(SmoothTextDraw, SameResultOnManyThreadsAtOnce) {
  const auto draw = [] {
    TBitmap b = TextCanvas(160, 90, "DejaVu Sans", 14);
    b.font.bold = true;
    TSmoothFontEx font(b);
    font.SetAngle(30);
    font.SetAlpha(70);
    font.TextOut(0, 0, "Shop 淘宝小店\r\n第二行");
    return Bytes(b);
  };
  const std::vector<uint8_t> expected = draw();
  std::vector<std::vector<uint8_t>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results)
    threads.emplace_back([&r, &draw] {
      for (int i = 0; i < 3; ++i) r = draw();
    });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_EQ(r, expected);
}

}  // namespace
}  // namespace pixmira
