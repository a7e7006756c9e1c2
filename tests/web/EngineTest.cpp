// The web page's engine gives the command's bytes: one picture, an animation, settings in
// either encoding, names from the page kept inside its folder.
#include "web/engine/Engine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/LoadPicture.h"
#include "core/ColorText.h"
#include "core/Encoding.h"
#include "core/MemIniFile.h"
#include "output/Export.h"
#include "support/TestSupport.h"

namespace pixmira::web {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;

const std::string kSource = PIXMIRA_SOURCE_DIR;
const std::string kFrames = kSource + "/data/Frames/";
const std::string kSettings = kSource + "/data/sample-settings/Config.ini";

std::string Sample(const std::string& name) { return kSource + "/data/samples/" + name; }

// What the export driver (pixmira-batch) writes for these entries with these settings.
TExportResult Export(const TMemIniFile& settings, const std::vector<TExportEntry>& entries,
                     TExportMode mode, const std::string& target) {
  const TMemIniFile catalog(kFrames + "Frames.ini");
  TExportJob job;
  job.entries = entries;
  job.mode = mode;
  job.target = target;
  job.jpegQuality = ExportJpegQuality(settings);
  job.jpegProgressive = ExportJpegProgressive(settings);
  return TExportDriver(settings, catalog, kFrames).Run(job);
}

TEST(WebEngine, PictureBytesAndNameAreTheCommands) {
  TempDir dir;
  const TMemIniFile settings(kSettings);
  fs::create_directories(dir.File("out"));
  TEngine engine(dir.File("scratch"), kFrames);
  engine.ReadSettings(ReadBytes(kSettings));
  for (const auto& [name, angle] : {std::pair{"mug.jpg", 0}, std::pair{"watch.jpg", 90}}) {
    const TExportResult native =
        Export(settings, {{Sample(name), angle}}, TExportMode::Jpeg, dir.File("out"));
    ASSERT_EQ(native.files.size(), 1u) << name;
    const TOutput web = engine.ProcessPicture(ReadBytes(Sample(name)), name, angle);
    ASSERT_EQ(web.code, TOutcomeCode::Written) << name;
    EXPECT_EQ(web.name, fs::path(native.files[0]).filename().string()) << name;
    EXPECT_TRUE(web.bytes == ReadBytes(native.files[0])) << name;
  }
  // Nothing is left behind in the scratch folder's inputs.
  EXPECT_TRUE(fs::is_empty(dir.File("scratch/in")));
}

// A picture the command writes as several slices comes back whole, in the command's order, and
// the list place the page gives is the one the name pattern shows.
TEST(WebEngine, SlicesAndListPlacesAreTheCommands) {
  TempDir dir;
  const std::string ini =
      "[General]\r\nReduceSize=0\r\nSliceHeight=300\r\nOutputNamePattern={n:2}-{name}\r\n";
  const TMemIniFile settings = TMemIniFile::FromText(ini);
  fs::create_directories(dir.File("out"));
  const std::vector<TExportEntry> list = {{Sample("mug.jpg"), 0}, {Sample("watch.jpg"), 0}};
  const TExportResult native = Export(settings, list, TExportMode::Jpeg, dir.File("out"));
  ASSERT_GT(native.files.size(), 2u);

  TEngine engine(dir.File("scratch"), kFrames);
  engine.ReadSettings(std::vector<uint8_t>(ini.begin(), ini.end()));
  std::vector<std::string> names;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const TOutput web = engine.ProcessPicture(
        ReadBytes(list[i].path), fs::path(list[i].path).filename().string(), 0, int(i) + 1);
    ASSERT_EQ(web.code, TOutcomeCode::Written);
    names.push_back(web.name);
    EXPECT_TRUE(web.bytes == ReadBytes(dir.File("out/" + web.name))) << web.name;
    for (const TOutput::TFile& file : web.more) {
      names.push_back(file.name);
      EXPECT_TRUE(file.bytes == ReadBytes(dir.File("out/" + file.name))) << file.name;
    }
  }
  std::vector<std::string> expected;
  for (const std::string& file : native.files) expected.push_back(fs::path(file).filename());
  EXPECT_EQ(names, expected);
  EXPECT_EQ(names.front(), "01-mug-01.jpg");
}

TEST(WebEngine, GbkSettingsGiveTheSameBytesAsUtf8) {
  TempDir dir;
  const std::string utf8 = test::ReadFile(kSettings);
  // Convert with the system's own tools' help: the settings text as Windows stores it.
  test::WriteFile(dir.File("utf8.ini"), utf8);
  int status = 0;
  test::RunTool("iconv -f UTF-8 -t GBK " + dir.File("utf8.ini") + " > " + dir.File("gbk.ini"),
                status);
  ASSERT_EQ(status, 0);
  const std::vector<uint8_t> gbk = ReadBytes(dir.File("gbk.ini"));
  ASSERT_FALSE(
      IsValidUtf8(std::string_view(reinterpret_cast<const char*>(gbk.data()), gbk.size())));

  TEngine a(dir.File("a"), kFrames), b(dir.File("b"), kFrames);
  a.ReadSettings(std::vector<uint8_t>(utf8.begin(), utf8.end()));
  b.ReadSettings(gbk);
  EXPECT_EQ(a.SettingsText(), b.SettingsText());
  const auto picture = ReadBytes(Sample("cap.jpg"));
  EXPECT_TRUE(a.ProcessPicture(picture, "cap.jpg", 0).bytes ==
              b.ProcessPicture(picture, "cap.jpg", 0).bytes);
}

TEST(WebEngine, AnimationMatchesTheCommandAndReportsSkippedFrames) {
  TempDir dir;
  const TMemIniFile settings(kSettings);
  test::WriteFile(dir.File("broken.jpg"), "not a picture");
  const TExportResult native = Export(
      settings, {{Sample("mug.jpg"), 0}, {dir.File("broken.jpg"), 0}, {Sample("cap.jpg"), 0}},
      TExportMode::Gif, dir.File("native.gif"));
  ASSERT_EQ(native.files.size(), 1u);

  TEngine engine(dir.File("scratch"), kFrames);
  engine.ReadSettings(ReadBytes(kSettings));
  engine.GifBegin();
  EXPECT_EQ(engine.GifAdd(ReadBytes(Sample("mug.jpg")), "mug.jpg", 0), 0);
  EXPECT_EQ(engine.GifAdd(ReadBytes(dir.File("broken.jpg")), "broken.jpg", 0), 1);
  EXPECT_EQ(engine.GifAdd(ReadBytes(Sample("cap.jpg")), "cap.jpg", 0), 2);
  const TGifOutput gif = engine.GifFinish();
  ASSERT_EQ(gif.file.code, TOutcomeCode::Written);
  EXPECT_EQ(gif.frames, 2);
  ASSERT_EQ(gif.skips.size(), 1u);
  EXPECT_EQ(gif.skips[0].index, 1);
  EXPECT_EQ(gif.skips[0].code, TOutcomeCode::Damaged);
  EXPECT_TRUE(gif.file.bytes == ReadBytes(native.files[0]));

  // Finished means started afresh: no frames, no file.
  EXPECT_EQ(engine.GifFinish().file.code, TOutcomeCode::NoFrames);
}

TEST(WebEngine, OutcomesForWhatCannotBeExported) {
  TempDir dir;
  TEngine engine(dir.File("scratch"), kFrames);
  struct Case {
    const char* name;
    std::string bytes;
    TOutcomeCode code;
  } cases[] = {
      {"notes.txt", "hello", TOutcomeCode::UnknownType},
      {"photo.jpg", "not a jpeg", TOutcomeCode::Damaged},
      {"empty.png", "", TOutcomeCode::Damaged},
  };
  for (const Case& c : cases) {
    const TOutput out =
        engine.ProcessPicture(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()), c.name, 0);
    EXPECT_STREQ(CodeName(out.code), CodeName(c.code)) << c.name;
    EXPECT_TRUE(out.bytes.empty()) << c.name;
  }
  // A setting that does not convert stops the export with its key and value.
  engine.SetSetting("AddWatermark", "1");
  engine.SetSetting("WatermarkType", "0");
  engine.SetSetting("WatermarkText", "x");
  engine.SetSetting("WatermarkFontColor", "no colour");
  const TOutput bad = engine.ProcessPicture(ReadBytes(Sample("mug.jpg")), "mug.jpg", 0);
  EXPECT_EQ(bad.code, TOutcomeCode::FailedSetting);
  EXPECT_EQ(bad.badKey, "WatermarkFontColor");
  EXPECT_EQ(bad.badValue, "no colour");
}

TEST(WebEngine, NamesFromThePageStayInsideTheEngine) {
  TempDir dir;
  TEngine engine(dir.File("scratch"), kFrames);
  const std::string stored = engine.AddFile("../../escape.png", {1, 2, 3});
  EXPECT_EQ(stored, dir.File("scratch/user/escape.png"));
  EXPECT_FALSE(fs::exists(dir.Path().parent_path() / "escape.png"));
  const TOutput out = engine.ProcessPicture(ReadBytes(Sample("mug.jpg")), "../../../mug.jpg", 0);
  ASSERT_EQ(out.code, TOutcomeCode::Written);
  EXPECT_EQ(out.name, "mug.jpg");
}

TEST(WebEngine, FontIsWantedOnlyForATextWatermark) {
  TempDir dir;
  TEngine engine(dir.File("scratch"), kFrames);
  EXPECT_FALSE(engine.FontWanted().has_value());
  engine.ReadSettings(ReadBytes(kSettings));
  EXPECT_EQ(engine.FontWanted().value_or(""), "WenQuanYi Zen Hei");
  engine.SetSetting("WatermarkType", "1");
  EXPECT_FALSE(engine.FontWanted().has_value());
  EXPECT_FALSE(engine.AddFont({'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'}));
}

TEST(WebEngine, ThumbnailAndPreviewAreCanvasPixels) {
  TempDir dir;
  TEngine engine(dir.File("scratch"), kFrames);
  engine.ReadSettings(ReadBytes(kSettings));
  const auto cell = engine.Thumbnail(ReadBytes(Sample("mug.jpg")), "mug.jpg", 0, 120, 145);
  ASSERT_TRUE(cell.has_value());
  EXPECT_EQ(cell->width, 120);
  EXPECT_EQ(cell->height, 145);
  ASSERT_EQ(cell->rgba.size(), 120u * 145u * 4u);
  for (std::size_t i = 3; i < cell->rgba.size(); i += 4) ASSERT_EQ(cell->rgba[i], 255);
  const auto preview = engine.Preview(ReadBytes(Sample("mug.jpg")), "mug.jpg", 0, "");
  ASSERT_TRUE(preview.has_value());
  EXPECT_LE(std::max(preview->width, preview->height), 304);
  EXPECT_FALSE(engine.Thumbnail({1, 2, 3}, "x.jpg", 0, 120, 145).has_value());
}

// The page's list shows what the window's list shows: the same cell, pixel for pixel, for
// every kind of picture and turn, whatever folder the name carries.
TEST(WebEngine, ThumbnailIsTheWindowsCellPixelForPixel) {
  TempDir dir;
  TEngine engine(dir.File("scratch"), kFrames);
  const std::vector<std::string> files = {
      Sample("mug.jpg"),
      test::DataPath("jpeg-exif6.jpg"),
      test::DataPath("jpeg-grey.jpg"),
      test::DataPath("jpeg-cmyk.jpg"),
      test::DataPath("jpeg-progressive.jpg"),
      test::DataPath("png-palette-trns.png"),
      test::DataPath("gif-animated.gif"),
      test::DataPath("bmp-rle8.bmp"),
  };
  for (const std::string& file : files) {
    const std::string name = "shop/" + std::filesystem::path(file).filename().string();
    for (int angle : {0, 90, 180, 270}) {
      const auto window = MakeFileThumbnail(file, angle, 124, 147);
      ASSERT_TRUE(window) << file << " " << angle;
      const auto cell = engine.Thumbnail(ReadBytes(file), name, angle, 124, 147);
      ASSERT_TRUE(cell.has_value()) << file << " " << angle;
      ASSERT_EQ(cell->width, 124);
      ASSERT_EQ(cell->height, 147);
      int differing = 0;
      for (int y = 0; y < 147; ++y)
        for (int x = 0; x < 124; ++x) {
          const uint8_t* p = &cell->rgba[(std::size_t(y) * 124 + x) * 4];
          const TColor c = window->Pixel(x, y);
          differing += p[0] != RedOf(c) || p[1] != GreenOf(c) || p[2] != BlueOf(c);
        }
      EXPECT_EQ(differing, 0) << file << " " << angle;
    }
  }
  // What the window cannot show, the page cannot either.
  const std::vector<uint8_t> broken = {0xFF, 0xD8, 0xFF, 0xE0, 0, 1};
  for (const char* name :
       {"broken.jpg", "broken.png", "broken.gif", "picture.tiff", "noextension"}) {
    test::WriteFile(dir.File(name), std::string(broken.begin(), broken.end()));
    EXPECT_EQ(engine.Thumbnail(broken, name, 90, 124, 147).has_value(),
              MakeFileThumbnail(dir.File(name), 90, 124, 147) != nullptr)
        << name;
  }
  for (const char* name : {"broken.jpg", "picture.tiff", "noextension"})
    EXPECT_FALSE(engine.Thumbnail(broken, name, 90, 124, 147).has_value()) << name;
  EXPECT_FALSE(engine.Thumbnail({}, "empty.jpg", 0, 124, 147).has_value());
}

}  // namespace
}  // namespace pixmira::web
