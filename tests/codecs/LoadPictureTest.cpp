// Loading by extension, thumbnails and output names.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/LoadPicture.h"
#include "codecs/Png.h"
#include "core/Errors.h"
#include "imaging/Rotate.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using test::DataPath;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(LoadPicture, ChoosesTheDecoderByExtensionInAnyLetterCase) {
  TempDir dir;
  const std::string jpeg = ReadFile(DataPath("jpeg-baseline.jpg"));
  struct Case {
    const char* name;
    std::string content;
    const char* kind;  // nullptr: nothing is loaded
  } cases[] = {
      {"PHOTO.JPG", jpeg, "jpeg"},
      {"a.Jpeg", jpeg, "jpeg"},
      {"x.KVI", jpeg, "jpeg"},
      {"s.BMP", ReadFile(DataPath("bmp-pal4.bmp")), "bmp"},
      {"p.Png", ReadFile(DataPath("png-rgba.png")), "png"},
      {"photo.png", jpeg, "png"},  // JPEG data under a PNG name still load
      {"g.gif", ReadFile(DataPath("gif-global.gif")), "gif"},
      {"scan.tiff", jpeg, nullptr},
      {"noextension", jpeg, nullptr},
      {"dot.jpg.txt", jpeg, nullptr},
      {"damaged.jpg", jpeg.substr(0, 100) + std::string(50, '\0'), nullptr},
      {"wrong.gif", jpeg, nullptr},
      {"empty.bmp", "", nullptr},
  };
  for (const Case& c : cases) {
    WriteFile(dir.File(c.name), c.content);
    const std::unique_ptr<TPicture> p = LoadPicture(dir.File(c.name));
    const std::string kind = !p                                    ? "nothing"
                             : dynamic_cast<TJPEGImage*>(p.get())  ? "jpeg"
                             : dynamic_cast<TBMPImage*>(p.get())   ? "bmp"
                             : dynamic_cast<TPNGPicture*>(p.get()) ? "png"
                             : dynamic_cast<TGIFImage*>(p.get())   ? "gif"
                                                                   : "other";
    EXPECT_EQ(kind, c.kind ? c.kind : "nothing") << c.name;
  }
  EXPECT_EQ(LoadPicture(dir.File("missing.jpg")), nullptr);
  std::filesystem::create_directory(dir.File("folder.png"));
  EXPECT_EQ(LoadPicture(dir.File("folder.png")), nullptr);
}

TEST(ReadWholeFile, FailuresNameThePathAndTheReason) {
  TempDir dir;
  const std::pair<std::string, const char*> cases[] = {
      {dir.File("missing.jpg"), "No such file or directory"},
      {dir.Path().string(), "Is a directory"},
  };
  for (const auto& [path, reason] : cases) {
    try {
      ReadWholeFile(path);
      ADD_FAILURE() << path;
    } catch (const EFileError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  WriteFile(dir.File("a.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(ReadWholeFile(dir.File("a.bin")), (std::vector<uint8_t>{0, 1, 2}));
}

// Nothing but a regular file is read, and nothing waits for a writer or reads without end.
TEST(ReadWholeFile, RefusesWhatIsNotARegularFileAtOnce) {
  TempDir dir;
  PIXMIRA_SKIP_UNLESS(test::MakeFifo(dir.File("x.jpg")), "FIFOs and /dev/zero");
  std::filesystem::create_symlink("/dev/zero", dir.File("z.jpg"));
  std::filesystem::create_directory(dir.File("d.png"));
  const std::pair<std::string, int> cases[] = {
      {dir.File("x.jpg"), EFileError::kNotRegularFile},
      {dir.File("z.jpg"), EFileError::kNotRegularFile},
      {dir.File("d.png"), EISDIR},
      {dir.File("missing.png"), ENOENT},
  };
  for (const auto& [path, error] : cases) {
    try {
      ReadWholeFile(path);
      ADD_FAILURE() << path;
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Error(), error) << path;
      EXPECT_EQ(e.Path(), path);
    }
    EXPECT_EQ(LoadPicture(path), nullptr) << path;
  }
}

// Header bytes of each format claiming 16384 x 16384 (or as said), nothing after.
TEST(ProbePictureSize, ReadsTheSizeFromTheHeaderOfEachFormat) {
  const auto bytes = [](std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list) out.push_back(uint8_t(b));
    return out;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    int width, height;
    uint64_t decode;
  } cases[] = {
      {"png", bytes({0x89, 'P', 'N', 'G',  13, 10, 26, 10,   0, 0, 0, 13, 'I', 'H', 'D',
                     'R',  0,   0,   0x40, 0,  0,  0,  0x40, 0, 8, 6, 0,  0,   0}),
       16384, 16384, uint64_t(16384) * 16384 * 7},
      // A lossless WebP header of 16383 x 16383 and nothing behind it: 42 bytes.
      {"webp", bytes({'R', 'I', 'F', 'F', 34, 0, 0,    0,    'W',  'E',  'B',  'P', 'V', 'P',
                      '8', 'L', 22,  0,   0,  0, 0x2F, 0xFE, 0xBF, 0xFF, 0x1F, 0,   0,   0,
                      0,   0,   0,   0,   0,  0, 0,    0,    0,    0,    0,    0,   0,   0}),
       16383, 16383, uint64_t(16383) * 16383 * 8},
      // An animation's canvas of 16383 x 16383 counts, not its frame of one pixel.
      {"animated webp",
       bytes({'R', 'I', 'F', 'F', 60, 0, 0, 0,    'W',  'E', 'B',  'P',  'V', 'P', '8', 'X', 10,
              0,   0,   0,   2,   0,  0, 0, 0xFE, 0x3F, 0,   0xFE, 0x3F, 0,   'A', 'N', 'I', 'M',
              6,   0,   0,   0,   0,  0, 0, 0,    0,    0,   'A',  'N',  'M', 'F', 16,  0,   0,
              0,   0,   0,   0,   0,  0, 0, 0,    0,    0,   0,    0,    0,   100, 0,   0,   0}),
       16383, 16383, uint64_t(16383) * 16383 * 16},
      {"baseline jpeg",
       bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC0, 0, 17, 8, 0x40, 0, 0x20, 0, 3}), 8192,
       16384, uint64_t(8192) * 16384 * 3},
      {"progressive jpeg", bytes({0xFF, 0xD8, 0xFF, 0xC2, 0, 17, 8, 0, 100, 0, 200, 3}), 200, 100,
       uint64_t(200) * 100 * 9},
      {"bmp", bytes({'B', 'M', 0, 0, 0, 0, 0,    0, 0, 0,    54,   0,    0,
                     0,   40,  0, 0, 0, 0, 0x40, 0, 0, 0x00, 0xC0, 0xFF, 0xFF}),
       16384, 16384, uint64_t(16384) * 16384 * 3},
      // Two frames of 100 x 10 on a 300 x 200 screen.
      {"gif", bytes({'G', 'I', 'F', '8', '9', 'a', 44, 1,  200, 0, 0, 0, 0,      //
                     ',', 0,   0,   0,   0,   100, 0,  10, 0,   0, 2, 1, 0,  0,  //
                     ',', 0,   0,   0,   0,   100, 0,  10, 0,   0, 2, 0, ';'}),
       300, 200, 2000 + uint64_t(300) * 200 * 4},
  };
  for (const Case& c : cases) {
    const auto size = ProbePictureSize(c.data);
    ASSERT_TRUE(size) << c.name;
    EXPECT_EQ(size->width, c.width) << c.name;
    EXPECT_EQ(size->height, c.height) << c.name;
    EXPECT_EQ(size->decodeBytes, c.decode) << c.name;
  }
  // HEIC by libheif's image handle, without decoding.
  const std::string heic = ReadFile(DataPath("heif-q90.heic"));
  const auto size =
      ProbePictureSize(std::span(reinterpret_cast<const uint8_t*>(heic.data()), heic.size()));
  ASSERT_TRUE(size);
  const std::string shown = ReadFile(DataPath("heif-q90.size"));
  EXPECT_EQ(std::to_string(size->width) + " " + std::to_string(size->height),
            shown.substr(0, shown.find_first_of("\r\n")));
  EXPECT_EQ(size->decodeBytes, uint64_t(size->width) * size->height * 14);
  EXPECT_FALSE(ProbePictureSize(bytes({'n', 'o', 'n', 'e'})));
  EXPECT_FALSE(ProbePictureSize(bytes({0xFF, 0xD8, 0xFF, 0xDA, 0, 2})));  // data before a size
}

// The memory asked for comes before the decoding, and a refusal loads nothing.
TEST(LoadPicture, AsksTheGateBeforeDecodingAndSaysWhy) {
  TempDir dir;
  const std::string png = ReadFile(DataPath("png-palette-trns.png"));
  WriteFile(dir.File("a.png"), png);
  std::vector<uint64_t> asked;
  TLoadReport report;
  auto bitmap = LoadPictureBitmap(
      dir.File("a.png"),
      [&](uint64_t bytes) {
        asked.push_back(bytes);
        return false;
      },
      report);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(report.problem, TLoadProblem::OverMemoryLimit);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(report.needed, asked[0]);
  const auto size =
      ProbePictureSize(std::span(reinterpret_cast<const uint8_t*>(png.data()), png.size()));
  ASSERT_TRUE(size);
  EXPECT_EQ(asked[0], PipelineBytes(*size, png.size()));

  bitmap = LoadPictureBitmap(
      dir.File("a.png"), [](uint64_t) { return true; }, report);
  EXPECT_NE(bitmap, nullptr);
  EXPECT_EQ(report.problem, TLoadProblem::None);

  // A PNG cut after its header is refused before its rows are made.
  WriteFile(dir.File("cut.png"), png.substr(0, 33));
  EXPECT_EQ(LoadPictureBitmap(dir.File("cut.png"), nullptr, report), nullptr);
  EXPECT_EQ(report.problem, TLoadProblem::Damaged);
  EXPECT_EQ(LoadPictureBitmap(dir.File("x.tiff"), nullptr, report), nullptr);
  EXPECT_EQ(report.problem, TLoadProblem::UnknownType);
}

TEST(LoadPicture, BitmapOfAPngIsItsCopyOverBlackOrNothing) {
  const auto b = LoadPictureBitmap(DataPath("png-palette-trns.png"));
  ASSERT_TRUE(b);
  const std::vector<uint8_t> ref = test::ReadBytes(DataPath("png-palette-trns.rgba"));
  ASSERT_EQ(ref.size(), std::size_t(b->Width()) * b->Height() * 4);
  int transparent = 0;
  for (std::size_t i = 0; i < ref.size() / 4; ++i) {
    if (ref[i * 4 + 3] != 0) continue;
    ++transparent;
    EXPECT_EQ(b->Pixel(int(i) % b->Width(), int(i) / b->Width()), kBlack) << i;
  }
  EXPECT_GT(transparent, 0);
  EXPECT_EQ(LoadPictureBitmap(DataPath("missing.png")), nullptr);
}

TEST(FileNames, NameWithoutExtensionAfterTheLastSlash) {
  // ":" and "\\" are ordinary characters of a Linux name; Windows separates at "\\" too and
  // ends a drive letter at ":".
  const struct {
    const char* path;
    const char* posix;
    const char* windows;
  } cases[] = {
      {"/a/b.c.jpg", "b.c", "b.c"},
      {"/a/readme", "readme", "readme"},
      {"/home/u/Photo.JPG", "Photo", "Photo"},
      {"D:photo.jpg", "D:photo", "photo"},
      {"dir.d/name", "name", "name"},
      {"a/b\\c.png", "b\\c", "c"},
      {"in/a:b.jpg", "a:b", "a:b"},
      {"plain.gif", "plain", "plain"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    EXPECT_EQ(FileNameWithoutExt(c.path), c.windows) << c.path;
#else
    EXPECT_EQ(FileNameWithoutExt(c.path), c.posix) << c.path;
#endif
  }
}

TEST(FileNames, UniqueNameCountsUpFromTwo) {
  TempDir dir;
  EXPECT_EQ(UniqueFileName(dir.File("x.jpg")), dir.File("x.jpg"));
  WriteFile(dir.File("x.jpg"), "");
  EXPECT_EQ(UniqueFileName(dir.File("x.jpg")), dir.File("x2.jpg"));
  WriteFile(dir.File("x2.jpg"), "");
  EXPECT_EQ(UniqueFileName(dir.File("x.jpg")), dir.File("x3.jpg"));
  // No extension: the number goes at the end; a dot in the folder is not an extension.
  std::filesystem::create_directory(dir.File("a.d"));
  WriteFile(dir.File("a.d/readme"), "");
  EXPECT_EQ(UniqueFileName(dir.File("a.d/readme")), dir.File("a.d/readme2"));
  // A dangling link still takes the name.
  if (test::CanMakeSymlinks()) {
    std::filesystem::create_symlink(dir.File("nowhere"), dir.File("l.jpg"));
    EXPECT_EQ(UniqueFileName(dir.File("l.jpg")), dir.File("l2.jpg"));
  }
}

// A picture class that only draws a bitmap scaled, as the JPEG, BMP and GIF classes do.
class Plain : public TPicture {
 public:
  explicit Plain(TBitmap b) : b_(std::move(b)) {}
  void LoadFromMemory(std::span<const uint8_t>) override {}
  int Width() const override { return b_.Width(); }
  int Height() const override { return b_.Height(); }
  void Draw(TBitmap& t, const TRect& r) const override { t.StretchDraw(r, b_); }
  std::unique_ptr<TBitmap> ToBitmap() const override { return std::make_unique<TBitmap>(b_); }

 private:
  TBitmap b_;
};

// Bounding box of the red pixels in a cell.
TRect RedArea(const TBitmap& cell) {
  TRect r{cell.Width(), cell.Height(), 0, 0};
  for (int y = 0; y < cell.Height(); ++y)
    for (int x = 0; x < cell.Width(); ++x)
      if (cell.Pixel(x, y) == RGBColor(255, 0, 0)) {
        r.left = std::min(r.left, x), r.top = std::min(r.top, y);
        r.right = std::max(r.right, x + 1), r.bottom = std::max(r.bottom, y + 1);
      }
  return r;
}

TEST(Thumbnail, PictureSitsInTheCellByItsSize) {
  struct Case {
    int pw, ph;
    TRect want;
  } cases[] = {
      {118, 116, {3, 3, 121, 119}},  // largest drawn at its own size
      {10, 10, {57, 56, 67, 66}},    // centred above the caption strip
      {119, 50, {3, 36, 121, 86}},   // 50 * 118 / 119 = 49.58 -> 50 high
      {60, 200, {44, 3, 79, 119}},   // 60 * 116 / 200 = 34.8 -> 35 wide
      {236, 5, {3, 60, 121, 62}},    // 5 * 118 / 236 = 2.5 -> 2, ties to even
      {300, 300, {3, 2, 121, 120}},  // square counts as landscape
  };
  for (const Case& c : cases) {
    TBitmap picture(c.pw, c.ph);
    picture.Fill(RGBColor(255, 0, 0));
    for (int overload = 0; overload < 2; ++overload) {
      const auto cell =
          overload ? MakeThumbnail(Plain(picture), 124, 147) : MakeThumbnail(picture, 124, 147);
      ASSERT_EQ(cell->Width(), 124);
      ASSERT_EQ(cell->Height(), 147);
      EXPECT_EQ(RedArea(*cell), c.want) << c.pw << "x" << c.ph << " overload " << overload;
    }
  }
}

TEST(Thumbnail, BorderAndSeparatorInTheirColourOverWhite) {
  const auto cell = MakeThumbnail(TBitmap(), 124, 147);
  const TColor line = RGBColor(0xC0, 0xDC, 0xC0);
  for (auto [x, y] : {std::pair{0, 0},
                      {123, 0},
                      {0, 146},
                      {123, 146},
                      {60, 0},
                      {0, 70},
                      {60, 121},
                      {0, 121},
                      {123, 121}})
    EXPECT_EQ(cell->Pixel(x, y), line) << x << "," << y;
  for (auto [x, y] : {std::pair{1, 1}, {60, 120}, {60, 122}, {122, 145}})
    EXPECT_EQ(cell->Pixel(x, y), kWhite) << x << "," << y;
}

// Bounding box of the pixels that are neither white nor the cell's line colour.
TRect PictureArea(const TBitmap& cell) {
  TRect r{cell.Width(), cell.Height(), 0, 0};
  for (int y = 1; y < cell.Height() - 26; ++y)
    for (int x = 1; x < cell.Width() - 1; ++x) {
      const TColor c = cell.Pixel(x, y);
      if (RedOf(c) > 200 && GreenOf(c) > 200 && BlueOf(c) > 200) continue;
      r.left = std::min(r.left, x), r.top = std::min(r.top, y);
      r.right = std::max(r.right, x + 1), r.bottom = std::max(r.bottom, y + 1);
    }
  return r;
}

TEST(Thumbnail, FromAFileKeepsTheGeometryOfTheWholePictureAtEveryTurn) {
  TempDir dir;
  TBitmap wide(1000, 400);
  wide.Fill(RGBColor(40, 60, 200));
  const std::vector<uint8_t> jpeg = EncodeJpeg(wide, 90);
  WriteFile(dir.File("wide.jpg"), std::string(jpeg.begin(), jpeg.end()));
  // JPEG content under a PNG name goes the whole-picture way.
  WriteFile(dir.File("wide.png"), std::string(jpeg.begin(), jpeg.end()));
  for (const char* name : {"wide.jpg", "wide.png"}) {
    const auto whole = LoadPictureBitmap(dir.File(name));
    ASSERT_TRUE(whole) << name;
    for (int angle : {0, 90, 180, 270, 360}) {
      const auto turned = angle % 360 ? RotatePicture(*whole, kWhite, angle) : nullptr;
      const auto expected = MakeThumbnail(turned ? *turned : *whole, 124, 147);
      const auto cell = MakeFileThumbnail(dir.File(name), angle, 124, 147);
      ASSERT_TRUE(cell) << name << " " << angle;
      EXPECT_EQ(PictureArea(*cell), PictureArea(*expected)) << name << " " << angle;
      // The frame lines are the same too.
      EXPECT_EQ(cell->Pixel(0, 0), expected->Pixel(0, 0));
      EXPECT_EQ(cell->Pixel(60, 121), expected->Pixel(60, 121));
    }
  }
  EXPECT_EQ(MakeFileThumbnail(dir.File("missing.jpg"), 0, 124, 147), nullptr);
  WriteFile(dir.File("broken.jpg"), "\xFF\xD8 not a picture");
  EXPECT_EQ(MakeFileThumbnail(dir.File("broken.jpg"), 90, 124, 147), nullptr);
  EXPECT_EQ(MakeFileThumbnail(dir.File("wide.tiff"), 0, 124, 147), nullptr);
}

}  // namespace
}  // namespace pixmira
