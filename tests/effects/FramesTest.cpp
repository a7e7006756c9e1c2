#include "effects/Frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "codecs/Jpeg.h"
#include "codecs/LoadPicture.h"
#include "core/Errors.h"
#include "core/Platform.h"
#include "imaging/Lanczos.h"
#include "imaging/Resample.h"
#include "tests/effects/PngFixture.h"
#include "tests/support/TestSupport.h"

namespace pixmira {
namespace {

using test::SolidBgra;
using test::TempDir;
using test::WritePngBgra;

// Every pixel different: red from x, green from y.
TBitmap Gradient(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGBColor(x % 256, y % 256, 7));
  return b;
}

struct FrameFolder {
  TempDir dir;
  std::string Folder() const { return dir.Path().string() + "/"; }
  // A fully transparent frame picture: the photograph shows everywhere it lands.
  void Clear(const std::string& name, int w, int h) const {
    WritePngBgra(dir.File(name), w, h, SolidBgra(w, h, kBlack, 0));
  }
};

TEST(ApplyFrameTest, CoversTheContentRectangleAndCentresTheOverhang) {
  struct Case {
    int pw, ph;        // photograph
    int fw, fh;        // frame picture
    std::string keys;  // content keys of the section
    int dx, dy;        // where the photograph's top-left lands (drawn 1:1 in every case)
  };
  const Case cases[] = {
      // Wider than the content: scaled to its height, overhanging left and right.
      {200, 100, 100, 100, "ContentRight=100\nContentBottom=100\n", -50, 0},
      // Taller: scaled to its width, overhanging above and below.
      {100, 200, 100, 100, "ContentRight=100\nContentBottom=100\n", 0, -50},
      // Same proportions: fills the rectangle exactly, white around it.
      {50, 50, 80, 90, "ContentLeft=10\nContentTop=20\nContentRight=60\nContentBottom=70\n", 10,
       20},
      // Right and bottom absent: the rectangle runs to the picture's edges.
      {50, 40, 60, 40, "ContentLeft=10\n", 10, 0},
      // No content keys: behind the whole frame picture.
      {30, 20, 30, 20, "", 0, 0},
  };
  for (const Case& c : cases) {
    FrameFolder folder;
    folder.Clear("f.png", c.fw, c.fh);
    const auto catalog = TMemIniFile::FromText("[F]\ngraph=f.png\n" + c.keys);
    const TBitmap photo = Gradient(c.pw, c.ph);
    const auto framed = ApplyFrame(photo, "F", catalog, folder.Folder());
    ASSERT_TRUE(framed);
    ASSERT_EQ(framed->Width(), c.fw);
    ASSERT_EQ(framed->Height(), c.fh);
    for (int y = 0; y < c.fh; ++y) {
      for (int x = 0; x < c.fw; ++x) {
        const int px = x - c.dx, py = y - c.dy;
        const bool onPhoto = px >= 0 && py >= 0 && px < c.pw && py < c.ph;
        ASSERT_EQ(framed->Pixel(x, y), onPhoto ? photo.Pixel(px, py) : kWhite)
            << c.pw << "x" << c.ph << " at " << x << "," << y;
      }
    }
  }
}

// Smooth: a photograph that must shrink to cover the content goes through the Lanczos
// filter; one that grows (or keeps its size) is resampled bilinearly as without it.
TEST(ApplyFrameTest, SmoothShrinksByLanczosAndLeavesEnlargingBilinear) {
  FrameFolder folder;
  folder.Clear("f.png", 40, 30);
  const auto catalog = TMemIniFile::FromText("[F]\ngraph=f.png\n");
  struct Case {
    int pw, ph;
    bool lanczos;
  } cases[] = {{160, 120, true}, {41, 31, true}, {40, 30, false}, {20, 15, false}};
  for (const Case& c : cases) {
    // Uneven pixels, on which the two filters cannot agree by chance.
    TBitmap photo(c.pw, c.ph);
    for (int i = 0; i < c.pw * c.ph * 3; ++i) photo.Data()[i] = uint8_t(i * 7919 % 251);
    TBitmap expected(40, 30);
    if (c.lanczos) {
      ResampleLanczos(expected, photo);
    } else {
      ResampleBilinear(expected, photo);
    }
    const auto smooth = ApplyFrame(photo, "F", catalog, folder.Folder(), true);
    ASSERT_TRUE(smooth);
    EXPECT_TRUE(
        std::equal(expected.Data(), expected.Data() + expected.Stride() * 30, smooth->Data()))
        << c.pw << "x" << c.ph;
    const auto plain = ApplyFrame(photo, "F", catalog, folder.Folder());
    EXPECT_EQ(std::equal(plain->Data(), plain->Data() + plain->Stride() * 30, smooth->Data()),
              !c.lanczos)
        << c.pw << "x" << c.ph;
  }
}

TEST(ApplyFrameTest, FramePictureIsDrawnOverThePhotographByAlpha) {
  FrameFolder folder;
  // Opaque red border one pixel wide, transparent inside.
  auto bgra = SolidBgra(6, 6, kBlack, 0);
  const TColor red = RGBColor(255, 0, 0);
  for (int i = 0; i < 6; ++i) {
    test::SetBgra(bgra, 6, i, 0, red, 255);
    test::SetBgra(bgra, 6, i, 5, red, 255);
    test::SetBgra(bgra, 6, 0, i, red, 255);
    test::SetBgra(bgra, 6, 5, i, red, 255);
  }
  WritePngBgra(folder.dir.File("border.png"), 6, 6, bgra);
  const auto catalog = TMemIniFile::FromText("[Border]\ngraph=border.png\n");
  TBitmap photo(6, 6);
  photo.Fill(RGBColor(0, 0, 255));
  const auto framed = ApplyFrame(photo, "Border", catalog, folder.Folder());
  ASSERT_TRUE(framed);
  EXPECT_EQ(framed->Pixel(0, 0), red);
  EXPECT_EQ(framed->Pixel(5, 3), red);
  EXPECT_EQ(framed->Pixel(3, 3), RGBColor(0, 0, 255));
  EXPECT_EQ(photo.Pixel(0, 0), RGBColor(0, 0, 255));  // the photograph is left alone
}

TEST(ApplyFrameTest, NoGraphMeansNoFrame) {
  FrameFolder folder;
  const auto catalog = TMemIniFile::FromText("[Empty]\npreview=p.jpg\ngraph=\n");
  const TBitmap photo = Gradient(10, 10);
  EXPECT_EQ(ApplyFrame(photo, "Unknown", catalog, folder.Folder()), nullptr);
  EXPECT_EQ(ApplyFrame(photo, "Empty", catalog, folder.Folder()), nullptr);
}

TEST(ApplyFrameTest, UnusableContentRectangleNamesTheFrame) {
  const std::string keys[] = {
      "ContentLeft=50\nContentRight=50\n",                   // empty
      "ContentLeft=50\nContentRight=40\n",                   // reversed
      "ContentTop=60\nContentBottom=30\n",                   // reversed vertically
      "ContentLeft=10\nContentRight=11\n",                   // one pixel wide
      "ContentTop=5\nContentBottom=6\n",                     // one pixel high
      "ContentLeft=100\n",                                   // right defaults to the edge
      "ContentLeft=-2147483647\nContentRight=2147483647\n",  // wider than any picture
  };
  FrameFolder folder;
  folder.Clear("f.png", 100, 100);
  const TBitmap photo = Gradient(20, 20);
  for (const std::string& k : keys) {
    const auto catalog = TMemIniFile::FromText("[坏的边框]\ngraph=f.png\n" + k);
    try {
      ApplyFrame(photo, "坏的边框", catalog, folder.Folder());
      ADD_FAILURE() << "accepted " << k;
    } catch (const EFrameError& e) {
      EXPECT_NE(std::string(e.what()).find("坏的边框"), std::string::npos) << e.what();
    }
  }
}

TEST(ApplyFrameTest, MissingOrInvalidFramePictureNamesTheFile) {
  FrameFolder folder;
  test::WriteFile(folder.dir.File("text.png"), "this is not a picture, only some text");
  test::WriteFile(folder.dir.File("short.png"), "\x89PNG");
  const TBitmap photo = Gradient(20, 20);
  for (const std::string file : {"missing.png", "text.png", "short.png"}) {
    const auto catalog = TMemIniFile::FromText("[F]\ngraph=" + file + "\n");
    try {
      ApplyFrame(photo, "F", catalog, folder.Folder());
      ADD_FAILURE() << "accepted " << file;
    } catch (const EFrameError& e) {
      EXPECT_NE(std::string(e.what()).find(folder.dir.File(file)), std::string::npos) << e.what();
    }
  }
}

TEST(ApplyFrameTest, StoredNamesMayUseBackslashesAndSubfolders) {
  FrameFolder folder;
  std::filesystem::create_directory(folder.dir.Path() / "red");
  folder.Clear("red/f.png", 4, 4);
  const auto catalog = TMemIniFile::FromText("[F]\ngraph=red\\f.png\n");
  const auto framed = ApplyFrame(Gradient(4, 4), "F", catalog, folder.Folder());
  ASSERT_TRUE(framed);
  EXPECT_EQ(framed->Width(), 4);

#ifdef _WIN32
  EXPECT_EQ(CatalogPath("C:/p/Frames/", "a/b.png"), "C:\\p\\Frames\\a\\b.png");
  EXPECT_EQ(CatalogPath("C:\\p\\Frames", "a\\b.png"), "C:\\p\\Frames\\a\\b.png");
#else
  EXPECT_EQ(CatalogPath("/opt/p/Frames/", "a\\b.png"), "/opt/p/Frames/a/b.png");
  EXPECT_EQ(CatalogPath("/opt/p/Frames", "b.png"), "/opt/p/Frames/b.png");
#endif
}

// The path with this system's separator.
std::string Native(std::string path) {
  std::replace(path.begin(), path.end(), '/', platform::PreferredSeparator());
  return path;
}

TEST(ListFramesTest, SectionsWithAPreviewInFileOrder) {
  const auto catalog = TMemIniFile::FromText(
      "[Zebra]\npreview=z.jpg\ngraph=z.png\n"
      "[NoPreview]\ngraph=n.png\n"
      "[Empty]\npreview=\n"
      "[红色]\npreview=previews\\red.jpg\n"
      "[Apple]\npreview=a.jpg\n");
  const auto frames = ListFrames(catalog, "/f/");
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].name, "Zebra");
  EXPECT_EQ(frames[0].previewPath, Native("/f/z.jpg"));
  EXPECT_EQ(frames[1].name, "红色");
  EXPECT_EQ(frames[1].previewPath, Native("/f/previews/red.jpg"));
  EXPECT_EQ(frames[2].name, "Apple");
}

// The catalogue we ship: every listed frame has a JPEG preview of the list cell's proportions
// and a frame picture that frames a photograph, with the photograph showing in the middle.
// With PIXMIRA_SAVE_FRAMED set to a folder holding photo.jpg, that photograph is framed by
// each frame and written there as "<frame name>.png", to look at.
TEST(BundledFramesTest, EveryFrameLoadsAndShowsThePhotograph) {
  const std::string folder = std::string(PIXMIRA_SOURCE_DIR) + "/data/Frames/";
  const TMemIniFile catalog(folder + "Frames.ini");
  const auto frames = ListFrames(catalog, folder);
  ASSERT_GE(frames.size(), 6u);
  ASSERT_EQ(frames.size(), catalog.ReadSections().size());

  bool chineseName = false, wholePicture = false;
  const TColor blue = RGBColor(40, 110, 190);
  for (const TFrameEntry& entry : frames) {
    SCOPED_TRACE(entry.name);
    for (unsigned char ch : entry.name) chineseName |= ch >= 0x80;

    TJPEGImage preview;
    ASSERT_NO_THROW(preview.LoadFromFile(entry.previewPath));
    EXPECT_GE(preview.Width(), 100);
    EXPECT_EQ(preview.Width() * 3, preview.Height() * 4);

    const int left = catalog.ReadInteger(entry.name, "ContentLeft", 0);
    const int top = catalog.ReadInteger(entry.name, "ContentTop", 0);
    int right = catalog.ReadInteger(entry.name, "ContentRight", 0);
    int bottom = catalog.ReadInteger(entry.name, "ContentBottom", 0);
    wholePicture |= !catalog.ValueExists(entry.name, "ContentLeft") &&
                    !catalog.ValueExists(entry.name, "ContentRight");

    TBitmap photo(300, 200);
    photo.Fill(blue);
    const auto framed = ApplyFrame(photo, entry.name, catalog, folder);
    ASSERT_TRUE(framed);
    if (right == 0) right = framed->Width();
    if (bottom == 0) bottom = framed->Height();
    EXPECT_EQ(framed->Pixel((left + right) / 2, (top + bottom) / 2), blue);
    int covered = 0;
    for (int i = 0; i < std::min(framed->Width(), framed->Height()); ++i)
      covered += framed->Pixel(i, i) != blue;
    EXPECT_GT(covered, 0) << "nothing of the frame shows";

    if (const char* out = std::getenv("PIXMIRA_SAVE_FRAMED")) {
      const auto product = LoadPictureBitmap(std::string(out) + "/photo.jpg");
      ASSERT_TRUE(product);
      const auto shown = ApplyFrame(*product, entry.name, catalog, folder);
      test::WritePngBitmap(std::string(out) + "/" + entry.name + ".png", *shown);
    }
  }
  EXPECT_TRUE(chineseName);
  EXPECT_TRUE(wholePicture);

  std::uintmax_t bytes = 0;
  for (const auto& file : std::filesystem::recursive_directory_iterator(folder))
    if (file.is_regular_file()) bytes += file.file_size();
  EXPECT_LT(bytes, 1'500'000u);
}

}  // namespace
}  // namespace pixmira
