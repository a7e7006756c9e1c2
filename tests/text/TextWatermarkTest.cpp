#include "text/TextWatermark.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Errors.h"
#include "effects/Watermark.h"

namespace pixmira {
namespace {

std::vector<uint8_t> Bytes(const TBitmap& b) {
  return {b.Data(), b.Data() + b.Stride() * std::size_t(b.Height())};
}

TBitmap Photo(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGBColor(x * 7 % 256, y * 5 % 256, 90));
  return b;
}

TEST(WatermarkFont, AnEmptyNameKeepsTheFaceAndTheBrushTurnsClear) {
  TBitmap b(4, 4);
  b.font = {"Some Face", 30, kBlack, true, true, true};
  SetWatermarkFont(b, TWatermarkFont{});
  EXPECT_EQ(b.font.name, "Some Face");
  EXPECT_EQ(b.font.size, 8);
  EXPECT_EQ(b.font.color, kWhite);
  EXPECT_FALSE(b.font.bold || b.font.italic || b.font.underline);
  EXPECT_EQ(b.brush.style, TBrushStyle::Clear);

  SetWatermarkFont(b, {"WenQuanYi Zen Hei", 22, RGBColor(255, 0, 0), true, true, true});
  EXPECT_EQ(b.font.name, "WenQuanYi Zen Hei");
  EXPECT_EQ(FontPixelHeight(b.font.size), 29);
  EXPECT_TRUE(b.font.bold && b.font.italic && b.font.underline);
}

class WatermarkText : public testing::Test {
 protected:
  void SetUp() override {
    photo_ = Photo(300, 200);
    SetWatermarkFont(photo_, {"DejaVu Sans", 14, 0x00203040});
  }
  TBitmap photo_;
};

TEST_F(WatermarkText, MeasureAndDrawAgreeAtAnAngle) {
  const std::string text = "Pixmira 店";
  const TTextExtent flat = MeasureWatermarkText(photo_, text, 0);
  const TTextExtent turned = MeasureWatermarkText(photo_, text, 90);
  // Corners of an odd side land on halves, so the turned box may be a pixel larger.
  EXPECT_NEAR(turned.width, flat.height, 1);
  EXPECT_NEAR(turned.height, flat.width, 1);

  TBitmap drawn = photo_;
  DrawWatermarkText(drawn, 10, 20, text, 100, 90);
  // Ink only inside the measured box.
  for (int y = 0; y < drawn.Height(); ++y)
    for (int x = 0; x < drawn.Width(); ++x) {
      if (drawn.Pixel(x, y) == photo_.Pixel(x, y)) continue;
      EXPECT_TRUE(x >= 10 && x < 10 + turned.width && y >= 20 && y < 20 + turned.height)
          << x << "," << y;
    }
  EXPECT_NE(Bytes(drawn), Bytes(photo_));
}

TEST_F(WatermarkText, EmptyTextOrZeroOpacityLeavesThePicture) {
  const std::vector<uint8_t> before = Bytes(photo_);
  DrawWatermarkText(photo_, 0, 0, "", 100, 0);
  TileWatermarkText(photo_, "", 100, 30, 20, 0);
  DrawWatermarkText(photo_, 0, 0, "visible", 0, 0);
  TileWatermarkText(photo_, "visible", -5, 0, 20, 0);
  // Only line breaks: no width, so the tiling ends at once even with a gap of 0.
  TileWatermarkText(photo_, "\r\n", 100, 0, 0, 0);
  TileWatermarkText(photo_, "visible", 100, 0, 20, -1);  // negative row count: no rows
  EXPECT_EQ(Bytes(photo_), before);
  EXPECT_EQ(MeasureWatermarkText(photo_, "", 45), (TTextExtent{0, 0}));
}

TEST_F(WatermarkText, TilesFollowTheGridWithTheTextBoxAsCell) {
  const std::string text = "淘宝 shop";
  for (int angle : {0, 30}) {
    for (int rows : {0, 3, 20}) {
      SCOPED_TRACE(testing::Message() << "angle " << angle << " rows " << rows);
      TBitmap tiled = photo_;
      TileWatermarkText(tiled, text, 50, angle, 15, rows);

      TBitmap expected = photo_;
      const TTextExtent cell = MeasureWatermarkText(expected, text, angle);
      const std::vector<TPoint> grid = TilePositions(300, 200, cell.width, cell.height, 15, rows);
      ASSERT_FALSE(grid.empty());
      for (TPoint at : grid) DrawWatermarkText(expected, at.x, at.y, text, 50, angle);
      EXPECT_EQ(Bytes(tiled), Bytes(expected));
    }
  }
}

TEST_F(WatermarkText, TileColumnsStartAtTheLeftAndRowsCoverTheHeight) {
  TBitmap tiled = photo_;
  TileWatermarkText(tiled, "XX", 100, 0, 20, 0);
  const TTextExtent cell = MeasureWatermarkText(tiled, "XX", 0);
  // Ink appears near the top-left corner of every grid cell that fits in the picture.
  const auto inkNear = [&](int x0, int y0) {
    for (int y = y0; y < std::min(y0 + cell.height, 200); ++y)
      for (int x = x0; x < std::min(x0 + cell.width, 300); ++x)
        if (tiled.Pixel(x, y) != photo_.Pixel(x, y)) return true;
    return false;
  };
  for (int x = 0; x + cell.width <= 300; x += cell.width + 20)
    for (int y = 0; y + cell.height <= 200; y += cell.height + 20)
      EXPECT_TRUE(inkNear(x, y)) << x << "," << y;
  // Nothing in the gap between the first two columns.
  for (int y = 0; y < 200; ++y)
    for (int x = cell.width + 1; x < cell.width + 19; ++x)
      EXPECT_EQ(tiled.Pixel(x, y), photo_.Pixel(x, y)) << x << "," << y;
}

}  // namespace
}  // namespace pixmira
