// Exported files read back by Pillow: slices of long pictures, corners measured on the result.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/Platform.h"
#include "output/Export.h"
#include "pipeline/TestPictures.h"

namespace pixmira {
namespace {

namespace fs = std::filesystem;
using test::Solid;
using test::TempDir;
using test::WriteBmp;
using test::WriteFile;

// What Pillow sees in a file: its size, the run of light pixels that starts row 0 (a rounded
// corner's cut) and the colour in its middle.
struct TSeen {
  int width = 0, height = 0, cornerRun = 0;
  int r = 0, g = 0, b = 0;
};

std::vector<TSeen> SeenByPillow(const std::vector<std::string>& files, const TempDir& dir) {
  const std::string script = dir.File("seen.py");
  WriteFile(script,
            "import sys\n"
            "from PIL import Image\n"
            "for name in sys.argv[1:]:\n"
            "    im = Image.open(name).convert('RGB')\n"
            "    w, h = im.size\n"
            "    run = 0\n"
            "    while run < w and min(im.getpixel((run, 0))) > 180: run += 1\n"
            "    r, g, b = im.getpixel((w // 2, h // 2))\n"
            "    print(w, h, run, r, g, b)\n");
  std::string arguments;
  for (const std::string& file : files) arguments += " '" + file + "'";
  int status = 0;
  const std::string python = test::FindTool({"/usr/bin/python3", "python3"}, "-c 'import PIL'");
  if (python.empty()) return {};
  std::istringstream lines(test::RunTool(python + " " + script + arguments, status));
  EXPECT_EQ(status, 0);
  std::vector<TSeen> seen;
  for (TSeen s; lines >> s.width >> s.height >> s.cornerRun >> s.r >> s.g >> s.b;)
    seen.push_back(s);
  return seen;
}

class FittedExportTest : public ::testing::Test {
 protected:
  FittedExportTest() : out_(dir_.File("out")) { fs::create_directory(out_); }

  std::string Input(const std::string& name, const TBitmap& bitmap) {
    const std::string path = dir_.File(name);
    WriteBmp(path, bitmap);
    return path;
  }
  TExportResult Export(const std::vector<std::string>& paths, const std::string& lines,
                       TExportMode mode = TExportMode::Jpeg) {
    TExportJob job;
    for (const auto& p : paths) job.entries.push_back({p, 0});
    job.mode = mode;
    job.target = mode == TExportMode::Jpeg ? out_ : dir_.File("anim.gif");
    job.workers = 2;
    const TMemIniFile settings = TMemIniFile::FromText("[General]\r\n" + lines);
    TExportDriver driver(settings, catalog_, dir_.Path().string() + "/");
    return driver.Run(job);
  }

  TempDir dir_;
  std::string out_;
  TMemIniFile catalog_ = TMemIniFile::FromText("");
};

// Four bands of 100 rows, each its own colour, so the slices' order shows.
TBitmap Bands(int width) {
  TBitmap b(width, 350);
  const TColor colours[] = {0x0000C0, 0x00C000, 0xC00000, 0x404040};
  for (int y = 0; y < 350; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, colours[y / 100]);
  return b;
}

TEST_F(FittedExportTest, LongPicturesAreWrittenInSlicesInOrder) {
  const std::string longOne = Input("detail.bmp", Bands(60));
  const std::string shortOne = Input("short.bmp", Solid(60, 100, 0x808080));
  const TExportResult result = Export({longOne, shortOne}, "ReduceSize=0\r\nSliceHeight=100\r\n");
  ASSERT_EQ(result.status, TExportStatus::Completed);
  // A picture no taller than a slice keeps its plain name.
  std::vector<std::string> names;
  for (const char* name :
       {"detail-01.jpg", "detail-02.jpg", "detail-03.jpg", "detail-04.jpg", "short.jpg"})
    names.push_back(platform::Join(out_, name));
  EXPECT_EQ(result.files, names);
  EXPECT_EQ(result.written, 5);

  const std::vector<TSeen> seen = SeenByPillow(names, dir_);
  if (seen.empty()) GTEST_SKIP() << "Pillow is not installed";
  ASSERT_EQ(seen.size(), 5u);
  const int heights[] = {100, 100, 100, 50, 100};
  const int red[] = {0xC0, 0, 0, 0x40, 0x80}, blue[] = {0, 0, 0xC0, 0x40, 0x80};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].width, 60) << i;
    EXPECT_EQ(seen[i].height, heights[i]) << i;
    EXPECT_NEAR(seen[i].r, red[i], 6) << i;
    EXPECT_NEAR(seen[i].b, blue[i], 6) << i;
  }

  // A name pattern names the picture; the slice number follows it.
  fs::remove_all(out_);
  fs::create_directory(out_);
  const TExportResult named =
      Export({longOne}, "ReduceSize=0\r\nSliceHeight=200\r\nOutputNamePattern={n:3}_{name}\r\n");
  EXPECT_EQ(named.files,
            (std::vector<std::string>{out_ + "/001_detail-01.jpg", out_ + "/001_detail-02.jpg"}));

  // An animation shows every picture whole.
  const TExportResult gif =
      Export({longOne}, "ReduceSize=0\r\nSliceHeight=100\r\n", TExportMode::Gif);
  ASSERT_EQ(gif.status, TExportStatus::Completed);
  const std::vector<TSeen> frame = SeenByPillow({dir_.File("anim.gif")}, dir_);
  ASSERT_EQ(frame.size(), 1u);
  EXPECT_EQ(frame[0].height, 350);
}

TEST_F(FittedExportTest, RadiusOnTheResultMeasuresTheSameOnLargeAndSmallSources) {
  const std::vector<std::string> inputs = {Input("camera.bmp", Solid(5120, 1280, 0x203040)),
                                           Input("small.bmp", Solid(1000, 250, 0x203040))};
  const std::string corners = "AddFrame=1\r\nFrameType=0\r\nCornerWidth=2\r\nReduceSizeType=1\r\n";
  const TExportResult after = Export(inputs, corners + "CornerRadiusOnResult=1\r\n");
  ASSERT_EQ(after.status, TExportStatus::Completed);
  const std::vector<TSeen> now = SeenByPillow(after.files, dir_);
  if (now.empty()) GTEST_SKIP() << "Pillow is not installed";
  ASSERT_EQ(now.size(), 2u);
  EXPECT_EQ(now[0].width, 500);
  EXPECT_EQ(now[1].width, 500);
  // Measured on the loaded photo the camera's corner would nearly vanish (see the pipeline's
  // tests); on the result both show the same cut of a 30-pixel radius.
  EXPECT_NEAR(now[0].cornerRun, now[1].cornerRun, 1);
  EXPECT_GE(now[0].cornerRun, 18);
}

}  // namespace
}  // namespace pixmira
