// The preview cache gives, byte for byte, what the pipeline and the shrink give done afresh,
// whatever the seller changes and in whatever order.
#include "pipeline/Preview.h"

#include <gtest/gtest.h>

#include "effects/Watermark.h"
#include "pipeline/Effects.h"
#include "pipeline/TestPictures.h"

namespace pixmira {
namespace {

using test::SamePixels;
using test::TempDir;
using test::WriteBmp;

// Smooth gradients with fine stripes: a wrong or missing pixel anywhere changes the shrink.
TBitmap Photo(int w, int h, int seed) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.SetPixel(x, y,
                 RGBColor(uint8_t(x * 255 / w), uint8_t((y * 7 + seed) % 256),
                          uint8_t(((x / 3 + y / 5) % 2) * 120 + seed)));
  return b;
}

// A logo with white to drop out, a near-white that must not, and colours.
TBitmap Logo() {
  TBitmap b(60, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x)
      b.SetPixel(x, y,
                 x < 10   ? kWhite
                 : x < 20 ? RGBColor(254, 255, 255)
                          : RGBColor(x * 4, 40, y * 8));
  return b;
}

class PreviewCacheTest : public ::testing::Test {
 protected:
  PreviewCacheTest() {
    WriteBmp(dir_.File("wide.bmp"), Photo(1500, 900, 0));
    WriteBmp(dir_.File("tall.bmp"), Photo(500, 1300, 60));
    WriteBmp(dir_.File("small.bmp"), Photo(200, 150, 9));
    WriteBmp(dir_.File("logo.bmp"), Logo());
  }

  // Each change applied in turn; after every one the cache and the fresh pipeline agree.
  void ExpectSameAfterEach(const std::string& start, const std::vector<std::string>& changes,
                           std::string path, int angle = 0) {
    TMemIniFile settings = TMemIniFile::FromText("[General]\r\n" + start);
    TPreviewCache cache;
    for (const std::string& change : changes) {
      if (change.rfind("entry=", 0) == 0) {
        path = dir_.File(change.substr(6));
      } else if (change.rfind("angle=", 0) == 0) {
        angle = std::stoi(change.substr(6));
      } else if (!change.empty()) {
        const auto eq = change.find('=');
        settings.WriteString("General", change.substr(0, eq), change.substr(eq + 1));
      }
      const TPreviewRequest request{path,      angle,   &settings,
                                    &catalog_, frames_, "请在此输入水印文字"};
      const auto kept = cache.Compute(request);
      const auto afresh = ComputePreviewAfresh(request);
      ASSERT_FALSE(kept.abandoned);
      ASSERT_EQ(bool(kept.picture), bool(afresh)) << change;
      if (afresh) {
        EXPECT_TRUE(SamePixels(*kept.picture, *afresh)) << "after " << change << " on " << path;
      }
    }
  }

  TempDir dir_;
  const std::string frames_ = std::string(PIXMIRA_SOURCE_DIR) + "/data/Frames/";
  const TMemIniFile catalog_ = TMemIniFile(frames_ + "Frames.ini");
};

const std::vector<std::string> kWatermarkChanges = {
    "",
    "WatermarkTransparent=0",
    "WatermarkTransparent=55",
    "WatermarkRotate=30",
    "WatermarkText=Pixmira\x03shop",
    "WatermarkFontSize=40",
    "WatermarkFontBold=1",
    "WatermarkFontItalic=1",
    "WatermarkFontColor=$00208040",
    "WatermarkPos=8",
    "WatermarkPos=3",
    "cbWatermarkPosBlank3A=10",
    "cbWatermarkPosBlankKind3B=1",
    "cbWatermarkPosBlank3B=25",
    "WatermarkPaintStyle=1",
    "WatermarkTileSpace=3",
    "WatermarkTileCount=4",
    "WatermarkRotate=-90",
    "WatermarkRotate=45",
    "WatermarkType=1",
    "WatermarkImage=LOGO",
    "WatermarkTileCount=0",
    "WatermarkPaintStyle=0",
    "WatermarkImageScale=37",
    "WatermarkRotate=0",
    "WatermarkImageScale=100",
    "WatermarkPos=6",
    "WatermarkImage=missing.png",
};

std::vector<std::string> WithLogo(std::vector<std::string> changes, const std::string& logo) {
  for (std::string& change : changes)
    if (change == "WatermarkImage=LOGO") change = "WatermarkImage=" + logo;
  return changes;
}

TEST_F(PreviewCacheTest, WatermarkChangesOnTheWholePicture) {
  // No size reduction: the watermark is worked out only where the shrink reads.
  ExpectSameAfterEach("ReduceSize=0\r\n", WithLogo(kWatermarkChanges, dir_.File("logo.bmp")),
                      dir_.File("wide.bmp"));
}

TEST_F(PreviewCacheTest, WatermarkChangesAfterTheSizeReduction) {
  ExpectSameAfterEach("ReduceSizeType=1\r\n", WithLogo(kWatermarkChanges, dir_.File("logo.bmp")),
                      dir_.File("tall.bmp"), 90);
}

TEST_F(PreviewCacheTest, FrameCornerSizeAndEntryChangesInAnyOrder) {
  const std::vector<std::string> changes = {
      "",
      "CornerType=3",
      "CornerWidth=2",
      "FrameType=1",
      "FrameName=" + catalog_.ReadSections().front(),
      "FrameName=" + catalog_.ReadSections().back(),
      "FrameType=0",  // back to a kept picture
      "ReduceSize=0",
      "WatermarkTransparent=70",
      "angle=270",
      "entry=small.bmp",  // fits the box: shown unshrunk
      "WatermarkPaintStyle=1",
      "entry=wide.bmp",
      "FrameType=7",  // neither
      "ReduceSizeType=3",
      "ReduceSize=1",
      "ReduceSizeWidth=301",
      "entry=absent.bmp",
      "entry=tall.bmp",
  };
  ExpectSameAfterEach("FrameType=0\r\n", changes, dir_.File("wide.bmp"));
}

TEST_F(PreviewCacheTest, ReplacedFileIsLoadedAgain) {
  TMemIniFile settings = TMemIniFile::FromText("[General]\r\nReduceSize=0\r\n");
  TPreviewCache cache;
  const std::string path = dir_.File("wide.bmp");
  const TPreviewRequest request{path, 0, &settings, &catalog_, frames_, "请在此输入水印文字"};
  ASSERT_TRUE(cache.Compute(request).picture);
  WriteBmp(path, Photo(1400, 900, 30));
  const auto kept = cache.Compute(request);
  ASSERT_TRUE(kept.picture);
  EXPECT_TRUE(SamePixels(*kept.picture, *ComputePreviewAfresh(request)));
  std::filesystem::remove(path);
  EXPECT_FALSE(cache.Compute(request).picture);
}

TEST_F(PreviewCacheTest, AbandonedComputationKeepsItsStagesAndGivesNothing) {
  TMemIniFile settings = TMemIniFile::FromText("[General]\r\n");
  TPreviewCache cache;
  const TPreviewRequest request{dir_.File("wide.bmp"), 0, &settings, &catalog_, frames_,
                                "请在此输入水印文字"};
  int asked = 0;
  const auto outcome = cache.Compute(request, [&asked] { return ++asked > 0; });
  EXPECT_TRUE(outcome.abandoned);
  EXPECT_FALSE(outcome.picture);
  EXPECT_EQ(asked, 1);  // right after loading
  const auto next = cache.Compute(request);
  ASSERT_TRUE(next.picture);
  EXPECT_TRUE(SamePixels(*next.picture, *ComputePreviewAfresh(request)));
}

TEST_F(PreviewCacheTest, FrameErrorsReachTheCaller) {
  const TMemIniFile broken =
      TMemIniFile::FromText("[Broken]\r\ngraph=none.png\r\npreview=none.jpg\r\n");
  TMemIniFile settings = TMemIniFile::FromText("[General]\r\nFrameType=1\r\nFrameName=Broken\r\n");
  TPreviewCache cache;
  const TPreviewRequest request{dir_.File("small.bmp"), 0, &settings, &broken, frames_,
                                "请在此输入水印文字"};
  EXPECT_THROW(cache.Compute(request), std::exception);
  settings.WriteString("General", "FrameType", "0");
  EXPECT_TRUE(cache.Compute(request).picture);
}

// The kept picture before the watermark is found by comparing options: every option of the
// corners, frame, square and reduction tells two settings apart, a watermark option does not.
TEST(PreviewCacheKey, EveryShapeOptionTellsSettingsApart) {
  const TPictureOptions base;
  using Change = void (*)(TPictureOptions&);
  const Change shape[] = {
      [](TPictureOptions& o) { o.edge.add = true; },
      [](TPictureOptions& o) { o.edge.kind = TEdgeKind::Frame; },
      [](TPictureOptions& o) { o.edge.corners = {TCorner::TopLeft}; },
      [](TPictureOptions& o) { o.edge.radius = 30; },
      [](TPictureOptions& o) { o.edge.frameName = "Gold"; },
      [](TPictureOptions& o) { o.edge.radiusOnResult = true; },
      [](TPictureOptions& o) { o.edge.frameFit = true; },
      [](TPictureOptions& o) { o.size.reduce = false; },
      [](TPictureOptions& o) { o.size.choice = TSizeChoice::Custom; },
      [](TPictureOptions& o) { o.size.customWidth = 311; },
      [](TPictureOptions& o) { o.size.smooth = true; },
      [](TPictureOptions& o) { o.size.square = true; },
  };
  for (std::size_t i = 0; i < std::size(shape); ++i) {
    TPictureOptions changed;
    shape[i](changed);
    EXPECT_FALSE(SameStageOptions(base, changed, TEffectStage::Shape)) << "change " << i;
  }
  TPictureOptions marked;
  marked.watermark.text.text = "shop";
  marked.watermark.picture.scale = 40;
  EXPECT_TRUE(SameStageOptions(base, marked, TEffectStage::Shape));
  // Nothing keeps the watermark stage, so its effects need not compare.
  EXPECT_THROW(SameStageOptions(base, marked, TEffectStage::Mark), std::logic_error);
}

}  // namespace
}  // namespace pixmira
