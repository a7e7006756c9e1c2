// The seller's output choices read back as a shop would: names from patterns, PNG and WebP
// decoded by Pillow, files within their size cap, EXIF kept without the position.
#include "output/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/Jpeg.h"
#include "codecs/LoadPicture.h"
#include "codecs/Png.h"
#include "codecs/Webp.h"
#include "output/Export.h"
#include "pipeline/Pipeline.h"
#include "pipeline/TestPictures.h"
#include "support/PillowExchange.h"

namespace pixmira {
namespace {

namespace fs = std::filesystem;
using test::Columns;
using test::ReadFile;
using test::TempDir;
using test::WriteBmp;
using test::WriteFile;

TEST(OutputFileNameTest, FieldsAndLiteralText) {
  struct Case {
    const char* pattern;
    const char* name;
  } cases[] = {
      {"{name}", "IMG_0001"},
      {"{name}-{date}", "IMG_0001-20261208"},
      {"{n:3}_{name}", "007_IMG_0001"},
      {"{n}", "7"},
      {"{n:1}", "7"},
      {"shop {w}x{h}", "shop 800x600"},
      // Unknown fields and lone braces stay as they are.
      {"{size}{name", "{size}{name"},
      {"{n:0}{}", "{n_0}{}"},
      // Characters no file name may hold never make a folder or a device name.
      {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
      {"../{name}", ".._IMG_0001"},
      // Nothing usable: the input's own name.
      {"", "IMG_0001"},
      {".", "IMG_0001"},
      {"..", "IMG_0001"},
  };
  const TNameFields fields{"/photos/IMG_0001.JPG", 7, "20261208", 800, 600};
  for (const Case& c : cases) EXPECT_EQ(OutputFileName(c.pattern, fields), c.name) << c.pattern;
  EXPECT_EQ(OutputFileName("{n:3}", {"a.jpg", 1234, "", 0, 0}), "1234");
}

// A photo of the bundled samples at a shop's size: texture, gradients and edges like a real
// product picture, so file sizes move with the quality as they do in use.
const TBitmap& Photo() {
  static const TBitmap photo = [] {
    auto whole = LoadPictureBitmap(std::string(PIXMIRA_SOURCE_DIR) + "/data/samples/mug.jpg");
    return *ReducePicture(*whole, 800, true);
  }();
  return photo;
}

TEST(EncodeOutputTest, CappedFilesTakeTheHighestQualityThatFits) {
  for (TOutputFormat format : {TOutputFormat::Jpeg, TOutputFormat::Webp}) {
    const TWriter write = OutputFormatRow(format).write;
    for (int kb : {25, 40, 70}) {
      TEncodeRequest request;
      request.output.format = format;
      request.output.maxFileKB = kb;
      request.quality = 95;
      const TEncodedPicture file = EncodeOutput(Photo(), request);
      const std::size_t cap = std::size_t(kb) * 1024;
      const std::string what = std::to_string(int(format)) + " " + std::to_string(kb);
      EXPECT_LE(file.bytes.size(), cap) << what;
      EXPECT_EQ(file.shrinkSteps, 0) << what;
      ASSERT_LT(file.quality, 95) << what;
      ASSERT_GE(file.quality, 30) << what;
      // The very file that quality writes, and one step higher would not fit.
      TWriteOptions at;
      at.quality = file.quality;
      EXPECT_EQ(file.bytes, write(Photo(), at)) << what;
      at.quality = file.quality + 1;
      EXPECT_GT(write(Photo(), at).size(), cap) << what;
    }
  }
}

TEST(EncodeOutputTest, APictureThatCannotFitIsShrunkUntilItDoes) {
  TEncodeRequest request;
  request.output.maxFileKB = 6;
  request.output.minQuality = 70;
  const TEncodedPicture file = EncodeOutput(Photo(), request);
  EXPECT_LE(file.bytes.size(), 6u * 1024);
  EXPECT_GT(file.shrinkSteps, 0);
  EXPECT_LT(file.width, Photo().Width());
  EXPECT_GE(file.quality, 70);
  EXPECT_FALSE(file.overCap);
  const TBitmap decoded = DecodeJpeg(file.bytes);
  EXPECT_EQ(decoded.Width(), file.width);
  EXPECT_EQ(decoded.Height(), file.height);
  // A cap below any JPEG's own headers is reported, not hidden.
  request.output.maxFileKB = 0;
  EXPECT_FALSE(EncodeOutput(TBitmap(4, 4), request).overCap);
}

TEST(EncodeOutputTest, WithoutACapOrForLosslessFilesTheQualityIsNotSearched) {
  TEncodeRequest request;
  request.quality = 75;
  EXPECT_EQ(EncodeOutput(Photo(), request).bytes, EncodeJpeg(Photo(), 75));
  request.output.format = TOutputFormat::Png;
  request.output.maxFileKB = 1;
  const TEncodedPicture png = EncodeOutput(Photo(), request);
  EXPECT_EQ(png.shrinkSteps, 0);
  EXPECT_EQ(png.bytes, WritePng(Photo(), {}));
}

class OutputExportTest : public ::testing::Test {
 protected:
  std::string Input(const std::string& name, const TBitmap& bitmap) {
    fs::create_directories(dir_.Path() / "in");
    const std::string path = (dir_.Path() / "in" / name).string();
    WriteBmp(path, bitmap);
    return path;
  }
  TExportResult Export(const std::vector<std::string>& paths, const std::string& lines) {
    TExportJob job;
    for (const auto& p : paths) job.entries.push_back({p, 0});
    job.target = out_;
    job.runDate = "20261208";
    fs::create_directories(out_);
    const TMemIniFile settings = TMemIniFile::FromText("[General]\r\nReduceSize=0\r\n" + lines);
    TExportDriver driver(settings, catalog_, "");
    return driver.Run(job);
  }
  std::vector<std::string> Names(const TExportResult& result) {
    std::vector<std::string> names;
    for (const std::string& f : result.files) names.push_back(fs::path(f).filename().string());
    return names;
  }
  // Pillow's view of a file: its format and size on standard output, its RGB bytes in a file.
  std::string PillowReads(const std::string& file, const std::string& rgbOut) {
    const std::string script = dir_.File("read.py");
    WriteFile(script,
              "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
              "print(im.format, im.size[0], im.size[1])\n"
              "open(sys.argv[2], 'wb').write(im.convert('RGB').tobytes())\n");
    int status = 0;
    const std::string said =
        test::RunTool("/usr/bin/python3 " + script + " '" + file + "' '" + rgbOut + "'", status);
    return status == 0 ? said : "";
  }

  TempDir dir_;
  std::string out_ = dir_.File("out");
  TMemIniFile catalog_ = TMemIniFile::FromText("");
};

TEST_F(OutputExportTest, NamesFollowThePatternAndClashesAreNumbered) {
  fs::create_directories(out_);
  WriteFile(out_ + "/shop.png", "mine");
  const std::vector<std::string> inputs = {Input("a.bmp", Columns(30, 20)),
                                           Input("b.bmp", Columns(40, 10))};
  struct Case {
    const char* lines;
    std::vector<std::string> names;
  } cases[] = {
      {"OutputNamePattern={n:2}-{name}-{date}\r\n", {"01-a-20261208.jpg", "02-b-20261208.jpg"}},
      {"OutputNamePattern={name}_{w}x{h}\r\nOutputFormat=2\r\n", {"a_30x20.webp", "b_40x10.webp"}},
      // One name for every picture: never replaced, numbered as ever.
      {"OutputNamePattern=shop\r\nOutputFormat=1\r\n", {"shop2.png", "shop3.png"}},
  };
  for (const Case& c : cases) {
    const TExportResult result = Export(inputs, c.lines);
    EXPECT_EQ(result.status, TExportStatus::Completed) << c.lines;
    EXPECT_EQ(Names(result), c.names) << c.lines;
  }
  EXPECT_EQ(ReadFile(out_ + "/shop.png"), "mine");
}

TEST_F(OutputExportTest, PngAndWebpReadByPillow) {
  if (!test::HavePillow()) GTEST_SKIP() << "Pillow is not installed";
  const TBitmap picture = Columns(37, 23);
  const std::string input = Input("p.bmp", picture);
  struct Case {
    const char* lines;
    const char* format;
    int tolerance;
  } cases[] = {
      {"OutputFormat=1\r\n", "PNG", 0},
      {"OutputFormat=2\r\nWebpLossless=1\r\n", "WEBP", 0},
      // Lossy at quality 90: close, not equal (colour subsampling on sharp columns).
      {"OutputFormat=2\r\n", "WEBP", 90},
  };
  for (const Case& c : cases) {
    const TExportResult result = Export({input}, c.lines);
    ASSERT_EQ(result.files.size(), 1u) << c.lines;
    const std::string rgb = dir_.File("pixels.rgb");
    EXPECT_EQ(PillowReads(result.files[0], rgb), std::string(c.format) + " 37 23\n") << c.lines;
    EXPECT_LE(test::MaxDifference(picture, ReadFile(rgb)), c.tolerance) << c.lines;
    fs::remove(result.files[0]);
  }
}

TEST_F(OutputExportTest, KeptMetadataHasTheArtistButNoPositionOrOrientation) {
  if (!test::HavePillow()) GTEST_SKIP() << "Pillow is not installed";
  // A phone photo: turned by its orientation tag, with a position, the artist and a copyright.
  fs::create_directories(dir_.Path() / "in");
  const std::string photo = (dir_.Path() / "in" / "phone.jpg").string();
  const std::string make = dir_.File("make.py");
  WriteFile(make,
            "import sys\nfrom PIL import Image\n"
            "im = Image.new('RGB', (40, 20), (200, 30, 30))\n"
            "ex = Image.Exif()\nex[0x0112] = 6\nex[0x013B] = 'Shop Li'\nex[0x8298] = '(c) Li'\n"
            "ex.get_ifd(0x8825).update({1: 'N', 2: (31.0, 14.0, 23.45), 3: 'E',"
            " 4: (121.0, 28.0, 1.5)})\n"
            "im.save(sys.argv[1], exif=ex)\n");
  ASSERT_EQ(test::RunPillowScript(make, photo), 0);
  const std::string check = dir_.File("check.py");
  WriteFile(check,
            "import sys\nfrom PIL import Image\nex = Image.open(sys.argv[1]).getexif()\n"
            "print(ex.get(0x013B), ex.get(0x8298), 0x0112 in ex, len(ex.get_ifd(0x8825)))\n");

  for (const char* format : {"0", "1", "2"}) {
    const TExportResult kept =
        Export({photo}, std::string("KeepMetadata=1\r\nOutputFormat=") + format + "\r\n");
    ASSERT_EQ(kept.files.size(), 1u);
    int status = 0;
    EXPECT_EQ(test::RunTool("/usr/bin/python3 " + check + " '" + kept.files[0] + "'", status),
              "Shop Li (c) Li False 0\n")
        << format;
    // Turned upright by its tag, and written upright with the tag gone.
    auto upright = LoadPictureBitmap(kept.files[0]);
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->Width(), 20);
    fs::remove(kept.files[0]);
  }
  // By default nothing is kept.
  const TExportResult plain = Export({photo}, "");
  int status = 0;
  EXPECT_EQ(test::RunTool("/usr/bin/python3 " + check + " '" + plain.files[0] + "'", status),
            "None None False 0\n");
}

TEST_F(OutputExportTest, EveryCappedFileIsWithinItsCapAndShrinkingIsReported) {
  const std::string input = (dir_.Path() / "photo.bmp").string();
  WriteBmp(input, Photo());
  const TExportResult fits = Export({input}, "MaxFileKB=30\r\n");
  ASSERT_EQ(fits.files.size(), 1u);
  EXPECT_LE(fs::file_size(fits.files[0]), 30u * 1024);
  EXPECT_TRUE(fits.capNotes.empty());
  const TExportResult shrunk = Export({input}, "MaxFileKB=5\r\nMinFileQuality=80\r\n");
  ASSERT_EQ(shrunk.capNotes.size(), 1u);
  EXPECT_EQ(shrunk.capNotes[0].path, shrunk.files[0]);
  EXPECT_GT(shrunk.capNotes[0].shrinkSteps, 0);
  EXPECT_LE(fs::file_size(shrunk.files[0]), 5u * 1024);
  // An independent decoder sees the size the note gives.
  PIXMIRA_SKIP_UNLESS(test::Works("true"), "djpeg, the reference decoder, runs on Linux");
  int status = 0;
  const std::string said =
      test::RunTool("djpeg -pnm '" + shrunk.files[0] + "' | head -c 20", status);
  EXPECT_NE(said.find(std::to_string(shrunk.capNotes[0].width) + " " +
                      std::to_string(shrunk.capNotes[0].height)),
            std::string::npos)
      << said;
}

}  // namespace
}  // namespace pixmira
