#include "output/Export.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <array>
#include <filesystem>
#include <sstream>

#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/LoadPicture.h"
#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/Platform.h"
#include "output/PictureFolder.h"
#include "pipeline/TestPictures.h"

namespace pixmira {
namespace {

namespace fs = std::filesystem;
using test::Columns;
using test::ReadFile;
using test::Solid;
using test::TempDir;
using test::WriteBmp;
using test::WriteFile;

TEST(ExportJpegQualityTest, OnlyTheCustomSizeLetsTheQualityChoose) {
  struct Case {
    bool ticked;
    int type, index, quality;
  } cases[] = {
      {true, 3, 0, 100}, {true, 3, 1, 75}, {true, 3, 2, 50},  {true, 3, 7, 90},
      {true, 0, 2, 90},  {true, 2, 0, 90}, {false, 3, 2, 90},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExportJpegQuality(c.ticked, c.type, c.index), c.quality)
        << c.ticked << " " << c.type << " " << c.index;
  }
  // As the main window writes them, with its defaults (ReduceSizeQuality 1).
  EXPECT_EQ(ExportJpegQuality(TMemIniFile::FromText("[General]\r\nReduceSizeType=3\r\n")), 75);
  EXPECT_EQ(ExportJpegQuality(TMemIniFile::FromText("")), 90);
  EXPECT_EQ(ExportJpegQuality(TMemIniFile::FromText(
                "[General]\r\nReduceSize=0\r\nReduceSizeType=3\r\nReduceSizeQuality=2\r\n")),
            90);
}

TEST(ExportJpegProgressiveTest, OnlyWithTheCustomSizeWhereItsBoxIsSeen) {
  struct Case {
    const char* lines;
    bool progressive;
  } cases[] = {
      {"", false},
      {"ReduceSizeType=3\r\nJpegProgressive=1\r\n", true},
      {"ReduceSizeType=3\r\nJpegProgressive=0\r\n", false},
      {"ReduceSizeType=2\r\nJpegProgressive=1\r\n", false},
      {"ReduceSize=0\r\nReduceSizeType=3\r\nJpegProgressive=1\r\n", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExportJpegProgressive(TMemIniFile::FromText(std::string("[General]\r\n") + c.lines)),
              c.progressive)
        << c.lines;
  }
}

TEST(GifDelayFromSecondsTest, HundredthsTakenExactlyOnTheText) {
  struct Case {
    const char* text;
    int delay;
  } cases[] = {
      {"1", 100},
      {"1.00", 100},
      {"2.5", 250},
      {"1.1", 110},
      {"0.125", 12},
      {"0.135", 14},
      {"2.675", 268},
      {"2.665", 266},
      {"2.6650001", 267},
      {"0.004999", 0},
      {".5", 50},
      {"5.", 500},
      {" 3 ", 300},
      {"0", 0},
      {"655.35", 65535},
      {"655.36", 65535},
      {"99999999999999999999", 65535},
      {"-1", 0},
      // Not a number: the export's default, the 1.00 seconds the window shows.
      {"", 100},
      {".", 100},
      {"1.2.3", 100},
      {"2,5", 100},
      {"abc", 100},
      {"1e2", 100},
      {"+", 100},
  };
  for (const Case& c : cases) EXPECT_EQ(GifDelayFromSeconds(c.text), c.delay) << c.text;
}

TEST(FailReasonTest, EachLibraryErrorHasItsReasonCode) {
  const std::pair<std::exception_ptr, TFailReason> cases[] = {
      {std::make_exception_ptr(EFileError("x")), TFailReason::File},
      {std::make_exception_ptr(EFrameError("x")), TFailReason::Frame},
      {std::make_exception_ptr(EConvertError("x")), TFailReason::Setting},
      {std::make_exception_ptr(EJPEG(1, "JPEG error #1")), TFailReason::Picture},
      {std::make_exception_ptr(GIFException("x")), TFailReason::Picture},
      {std::make_exception_ptr(GIFException("x", GIFException::TProblem::NoFrames)),
       TFailReason::NoFrames},
      {std::make_exception_ptr(std::bad_alloc()), TFailReason::Memory},
      {std::make_exception_ptr(std::runtime_error("x")), TFailReason::Other},
  };
  for (const auto& [error, reason] : cases) EXPECT_EQ(FailReasonOf(error), reason);
}

// The failure as one text, for the checks below.
std::string Error(const TExportResult& r) { return r.failedPath + ": " + r.detail; }

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(platform::FromPath(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteNewFileTest, NeverReplacesAndTakesTheNextName) {
  TempDir dir;
  WriteFile(dir.File("x.jpg"), "old");
  const std::vector<uint8_t> bytes = {1, 2, 3};
  EXPECT_EQ(WriteNewFile(dir.File("x.jpg"), bytes), dir.File("x2.jpg"));
  EXPECT_EQ(WriteNewFile(dir.File("x.jpg"), bytes), dir.File("x3.jpg"));
  EXPECT_EQ(WriteNewFile(dir.File("y.jpg"), bytes), dir.File("y.jpg"));
  EXPECT_EQ(ReadFile(dir.File("x.jpg")), "old");
  EXPECT_EQ(ReadFile(dir.File("x3.jpg")), std::string("\1\2\3"));
  // No temporary file stays behind.
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"x.jpg", "x2.jpg", "x3.jpg", "y.jpg"}));
}

TEST(WriteNewFileTest, AFailedWriteLeavesNoFile) {
#ifdef _WIN32
  GTEST_SKIP() << "not on this system: file size limits";
#else
  TempDir dir;
  // Beyond the file size limit write fails part-way, as on a full disk.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::vector<uint8_t> bytes(100000, 7);
  EXPECT_THROW(WriteNewFile(dir.File("big.jpg"), bytes), EFileError);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_TRUE(Names(dir.Path()).empty());

  // A folder that cannot exist: its parent is a file.
  WriteFile(dir.File("plain"), "");
  EXPECT_THROW(WriteNewFile(dir.File("plain") + "/a.jpg", bytes), EFileError);
#endif
}

TEST(ListFolderPicturesTest, JpgThenBmpThenPngThenWebpThenHeifThenSubfolders) {
  PIXMIRA_SKIP_UNLESS(test::CanMakeSymlinks(), "symbolic links to folders");
  TempDir dir;
  for (const char* name : {"b.png", "a.jpg", "c.bmp", "D.JPG", "e.jpeg", "f.gif", "g.kvi", "h.txt",
                           ".hidden.jpg", "k.heif", "i.webp", "j.HEIC"}) {
    WriteFile(dir.File(name), "");
  }
  fs::create_directories(dir.Path() / "sub" / "deeper");
  fs::create_directories(dir.Path() / ".cache");
  fs::create_directories(dir.Path() / "folder.jpg");  // a folder is no picture
  WriteFile((dir.Path() / "sub" / "d.jpg").string(), "");
  WriteFile((dir.Path() / "sub" / "deeper" / "z.png").string(), "");
  WriteFile((dir.Path() / ".cache" / "x.jpg").string(), "");
  fs::create_directory_symlink(dir.Path(), dir.Path() / "sub" / "loop");
  TempDir other;  // reached through a link that does not lead back up: searched
  WriteFile(other.File("w.bmp"), "");
  fs::create_directory_symlink(other.Path(), dir.Path() / "zlink");

  const std::string root = dir.Path().string();
  EXPECT_EQ(ListFolderPictures(root),
            (std::vector<std::string>{root + "/.hidden.jpg", root + "/a.jpg", root + "/D.JPG",
                                      root + "/c.bmp", root + "/b.png", root + "/i.webp",
                                      root + "/j.HEIC", root + "/k.heif", root + "/sub/d.jpg",
                                      root + "/sub/deeper/z.png", root + "/zlink/w.bmp"}));
  EXPECT_TRUE(ListFolderPictures(dir.File("no-such-folder")).empty());
}

TEST(ListFolderPicturesTest, TakesOnlyRegularFiles) {
  TempDir dir;
  WriteFile(dir.File("a.jpg"), "");
  PIXMIRA_SKIP_UNLESS(test::MakeFifo(dir.File("fifo.jpg")), "FIFOs and /dev/zero");
  fs::create_symlink("/dev/zero", dir.File("zero.jpg"));
  fs::create_symlink(dir.File("a.jpg"), dir.File("link.png"));
  fs::create_symlink(dir.File("gone"), dir.File("dangling.jpg"));
  const std::string root = dir.Path().string();
  EXPECT_EQ(ListFolderPictures(root),
            (std::vector<std::string>{root + "/a.jpg", root + "/link.png"}));
}

// Each folder links twice to the next: 2^depth ways down, one real folder each.
TEST(ListFolderPicturesTest, SearchesEveryRealFolderOnce) {
  PIXMIRA_SKIP_UNLESS(test::CanMakeSymlinks(), "symbolic links to folders");
  TempDir dir;
  constexpr int kDepth = 24;
  for (int level = 0; level <= kDepth; ++level) {
    fs::create_directory(dir.Path() / ("d" + std::to_string(level)));
  }
  for (int level = 0; level < kDepth; ++level) {
    const fs::path here = dir.Path() / ("d" + std::to_string(level));
    const fs::path next = dir.Path() / ("d" + std::to_string(level + 1));
    fs::create_directory_symlink(next, here / "a");
    fs::create_directory_symlink(next, here / "b");
  }
  WriteFile(dir.File("d24/deep.jpg"), "");
  const std::vector<std::string> found = ListFolderPictures(dir.File("d0"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(fs::canonical(found[0]), fs::canonical(dir.File("d24/deep.jpg")));

  // One scan over several folders lists a picture once, however it is reached.
  TFolderScan scan;
  EXPECT_EQ(scan.List(dir.File("d23")).size(), 1u);
  EXPECT_TRUE(scan.List(dir.File("d24")).empty());
}

TEST(ListFolderPicturesTest, SkipsTheOutputFolderBelowTheScannedOne) {
  TempDir dir;
  WriteFile(dir.File("a.jpg"), "");
  fs::create_directory(dir.File("out"));
  WriteFile(dir.File("out/a.jpg"), "");
  const std::string root = dir.Path().string();
  EXPECT_EQ(TFolderScan(root + "/out/").List(root),
            (std::vector<std::string>{platform::Join(root, "a.jpg")}));
  // Named itself, it is searched: the user asked for it.
  EXPECT_EQ(TFolderScan(root + "/out").List(root + "/out"),
            (std::vector<std::string>{platform::Join(root + "/out", "a.jpg")}));
}

// End to end: pictures in a temporary folder, through the driver, files read back.
class ExportTest : public ::testing::Test {
 protected:
  ExportTest() : out_(dir_.File("out")) { fs::create_directory(out_); }

  std::string Input(const std::string& name, const TBitmap& bitmap) {
    fs::create_directories(dir_.Path() / "in");
    const std::string path = (dir_.Path() / "in" / name).string();
    WriteBmp(path, bitmap);
    return path;
  }
  std::string Broken(const std::string& name) {
    fs::create_directories(dir_.Path() / "in");
    const std::string path = (dir_.Path() / "in" / name).string();
    WriteFile(path, "damaged");
    return path;
  }
  TExportResult Export(const std::vector<std::string>& paths, const TMemIniFile& settings,
                       TExportMode mode = TExportMode::Jpeg, int workers = 2,
                       TExportCallbacks callbacks = {}, TExportDriver* driver = nullptr) {
    TExportJob job;
    for (const auto& p : paths) job.entries.push_back({p, 0});
    job.mode = mode;
    job.target = mode == TExportMode::Jpeg ? out_ : dir_.File("anim.gif");
    job.workers = workers;
    TExportDriver own(settings, catalog_, dir_.Path().string() + "/");
    return (driver ? *driver : own).Run(job, callbacks);
  }

  TempDir dir_;
  std::string out_;
  TMemIniFile catalog_ = TMemIniFile::FromText("");
  TMemIniFile plain_ = TMemIniFile::FromText("[General]\r\nReduceSize=0\r\n");
};

TEST_F(ExportTest, NamesCollideIntoTheNextFreeName) {
  WriteFile(out_ + "/x.jpg", "mine");
  WriteFile(out_ + "/x2.jpg", "mine too");
  const std::vector<std::string> inputs = {
      Input("x.png", Solid(8, 8, 0x0000FF)), Input("a.png", Solid(8, 8, 0x00FF00)),
      Input("a.bmp", Solid(8, 8, 0xFF0000)), Input("Photo.PNG", Solid(8, 8, 0xFFFFFF))};
  std::vector<std::pair<int, int>> progress;
  TExportCallbacks callbacks;
  callbacks.onProgress = [&](int index, int total) { progress.push_back({index, total}); };
  const TExportResult result = Export(inputs, plain_, TExportMode::Jpeg, 2, callbacks);

  EXPECT_EQ(result.status, TExportStatus::Completed) << Error(result);
  EXPECT_EQ(result.files, (std::vector<std::string>{
                              platform::Join(out_, "x3.jpg"), platform::Join(out_, "a.jpg"),
                              platform::Join(out_, "a2.jpg"), platform::Join(out_, "Photo.jpg")}));
  EXPECT_EQ(ReadFile(out_ + "/x.jpg"), "mine");
  EXPECT_EQ(ReadFile(out_ + "/x2.jpg"), "mine too");
  EXPECT_EQ(result.total, 4);
  EXPECT_EQ(progress.back(), (std::pair<int, int>{3, 4}));
  // List order decides the names: a.png came first, so a.jpg is the green one.
  auto green = LoadPictureBitmap(out_ + "/a.jpg");
  ASSERT_TRUE(green);
  EXPECT_GT(GreenOf(green->Pixel(4, 4)), 200);
  EXPECT_LT(BlueOf(green->Pixel(4, 4)), 50);
}

TEST_F(ExportTest, UnloadableEntriesAreSkippedAndCounted) {
  std::vector<int> skipped;
  TExportCallbacks callbacks;
  callbacks.onSkipped = [&](int index, const std::string&) { skipped.push_back(index); };
  const TExportResult result = Export({Broken("one.jpg"), Input("two.bmp", Columns(20, 10)),
                                       Broken("three.png"), dir_.File("gone.jpg")},
                                      plain_, TExportMode::Jpeg, 3, callbacks);
  EXPECT_EQ(result.status, TExportStatus::Completed);
  EXPECT_EQ(result.skipped, 3);
  EXPECT_EQ(result.written, 1);
  EXPECT_EQ(skipped, (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(result.total, 4);
  EXPECT_EQ(Names(out_), std::vector<std::string>{"two.jpg"});
}

TEST_F(ExportTest, EveryEntryUnloadableWritesNothing) {
  const TExportResult result = Export({Broken("a.jpg"), Broken("b.jpg")}, plain_);
  EXPECT_EQ(result.status, TExportStatus::Completed);
  EXPECT_EQ(result.total, 2);
  EXPECT_TRUE(Names(out_).empty());
}

TEST_F(ExportTest, CancelAfterTheThirdOfTenStopsThere) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 10; ++i) {
    inputs.push_back(
        Input("p" + std::to_string(i) + ".bmp", Solid(16, 16, RGBColor(i * 20, 0, 0))));
  }
  TExportDriver driver(plain_, catalog_, "");
  int written = 0;
  TExportCallbacks callbacks;
  callbacks.onFileWritten = [&](const std::string&) {
    if (++written == 3) driver.Cancel();
  };
  const TExportResult result = Export(inputs, plain_, TExportMode::Jpeg, 4, callbacks, &driver);
  EXPECT_EQ(result.status, TExportStatus::Cancelled);
  EXPECT_EQ(result.handled, 3);
  EXPECT_EQ(result.handled, 3);
  EXPECT_EQ(Names(out_), (std::vector<std::string>{"p0.jpg", "p1.jpg", "p2.jpg"}));

  // The cancel does not outlive the run.
  const TExportResult again = Export({inputs[0]}, plain_, TExportMode::Jpeg, 1, {}, &driver);
  EXPECT_EQ(again.status, TExportStatus::Completed);
}

TEST_F(ExportTest, CancelBeforeTheStartExportsNothing) {
  TExportDriver driver(plain_, catalog_, "");
  driver.Cancel();
  const TExportResult result =
      Export({Input("a.bmp", Solid(8, 8, 0))}, plain_, TExportMode::Jpeg, 1, {}, &driver);
  EXPECT_EQ(result.status, TExportStatus::Cancelled);
  EXPECT_EQ(result.handled, 0);
  EXPECT_TRUE(Names(out_).empty());
}

TEST_F(ExportTest, GifDelaysComeFromGifSecondsOfEveryFrame) {
  const std::vector<std::string> inputs = {Input("a.bmp", Solid(40, 30, 0x0000FF)), Broken("b.jpg"),
                                           Input("c.bmp", Solid(30, 50, 0x00FF00))};
  struct Case {
    const char* lines;
    int delay;
  } cases[] = {{"GifSeconds=1.00\r\n", 100},
               {"GifSeconds=2.5\r\n", 250},
               {"", 100},
               {"GifSeconds=abc\r\n", 100}};
  for (const Case& c : cases) {
    const TMemIniFile settings =
        TMemIniFile::FromText("[General]\r\nReduceSize=0\r\n" + std::string(c.lines));
    const TExportResult result = Export(inputs, settings, TExportMode::Gif);
    ASSERT_EQ(result.status, TExportStatus::Completed) << Error(result);
    EXPECT_EQ(result.written, 2);
    EXPECT_EQ(result.skipped, 1);
    TGIFImage gif;
    gif.LoadFromFile(dir_.File("anim.gif"));
    ASSERT_EQ(gif.Frames().size(), 2u);
    EXPECT_EQ(gif.Width(), 40);
    EXPECT_EQ(gif.Height(), 50);
    for (const TGIFFrame& frame : gif.Frames()) {
      ASSERT_TRUE(frame.GraphicControl());
      EXPECT_EQ(frame.GraphicControl()->delay, c.delay) << c.lines;
    }
  }
}

TEST_F(ExportTest, ACancelledGifKeepsTheFramesSoFar) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 6; ++i)
    inputs.push_back(Input("p" + std::to_string(i) + ".bmp", Solid(8, 8, 0)));
  TExportDriver driver(plain_, catalog_, "");
  TExportCallbacks callbacks;
  callbacks.onProgress = [&](int index, int) {
    if (index == 2) driver.Cancel();  // while the third entry is on its way
  };
  const TExportResult result = Export(inputs, plain_, TExportMode::Gif, 2, callbacks, &driver);
  EXPECT_EQ(result.status, TExportStatus::Cancelled);
  EXPECT_EQ(result.handled, 3);
  TGIFImage gif;
  gif.LoadFromFile(dir_.File("anim.gif"));
  EXPECT_EQ(gif.Frames().size(), 3u);
}

TEST_F(ExportTest, GifWithoutFramesFailsAndKeepsTheUsersFile) {
  WriteFile(dir_.File("anim.gif"), "my old animation");
  const TExportResult result = Export({Broken("a.jpg")}, plain_, TExportMode::Gif);
  EXPECT_EQ(result.status, TExportStatus::Failed);
  EXPECT_EQ(result.reason, TFailReason::NoFrames);
  EXPECT_NE(Error(result).find("Cannot save empty GIF"), std::string::npos) << Error(result);
  EXPECT_EQ(ReadFile(dir_.File("anim.gif")), "my old animation");
}

TEST_F(ExportTest, AnUnwritableFolderStopsWithAMessageAndLosesNothing) {
  const std::string a = Input("a.bmp", Solid(8, 8, 0x0000FF));
  const std::string before = ReadFile(a);
  WriteFile(dir_.File("plain"), "a file, not a folder");
  TExportJob job;
  job.entries = {{a, 0}, {Input("b.bmp", Solid(8, 8, 0)), 0}};
  job.target = dir_.File("plain") + "/out";
  TExportDriver driver(plain_, catalog_, "");
  const TExportResult result = driver.Run(job);
  EXPECT_EQ(result.status, TExportStatus::Failed);
  EXPECT_NE(Error(result).find(a), std::string::npos) << Error(result);
  EXPECT_NE(Error(result).find("Not a directory"), std::string::npos) << Error(result);
  EXPECT_EQ(result.reason, TFailReason::File);
  EXPECT_EQ(result.handled, 0);
  EXPECT_EQ(ReadFile(a), before);
  EXPECT_EQ(ReadFile(dir_.File("plain")), "a file, not a folder");
}

TEST_F(ExportTest, AFrameErrorNamesThePictureAndTheFrameFile) {
  catalog_ = TMemIniFile::FromText("[Gold]\r\ngraph=gold.png\r\n");
  const TMemIniFile settings = TMemIniFile::FromText(
      "[General]\r\nReduceSize=0\r\nAddFrame=1\r\nFrameType=1\r\nFrameName=Gold\r\n");
  const std::string photo = Input("photo.bmp", Solid(8, 8, 0));
  const TExportResult result = Export({photo, photo}, settings);
  EXPECT_EQ(result.status, TExportStatus::Failed);
  EXPECT_NE(Error(result).find(photo), std::string::npos) << Error(result);
  EXPECT_NE(Error(result).find("gold.png"), std::string::npos) << Error(result);
  EXPECT_EQ(result.reason, TFailReason::Frame);
  EXPECT_EQ(result.handled, 0);
  EXPECT_TRUE(Names(out_).empty());
}

TEST_F(ExportTest, AWriteErrorMidwayStopsTheLoopAndKeepsWhatWasWritten) {
  const std::vector<std::string> inputs = {Input("first.bmp", Solid(8, 8, 0x0000FF)),
                                           Input("second.bmp", Solid(8, 8, 0x00FF00)),
                                           Input("third.bmp", Solid(8, 8, 0xFF0000))};
  const std::string moved = dir_.File("moved");
  TExportCallbacks callbacks;
  callbacks.onFileWritten = [&](const std::string&) {
    // The output folder goes away under us; a file takes its place.
    if (!fs::exists(moved)) {
      fs::rename(out_, moved);
      WriteFile(out_, "");
    }
  };
  const TExportResult result = Export(inputs, plain_, TExportMode::Jpeg, 2, callbacks);
  EXPECT_EQ(result.status, TExportStatus::Failed);
  EXPECT_NE(Error(result).find(inputs[1]), std::string::npos) << Error(result);
  EXPECT_EQ(result.handled, 1);
  EXPECT_EQ(result.handled, 1);
  EXPECT_EQ(Names(moved), std::vector<std::string>{"first.jpg"});
  EXPECT_TRUE(LoadPictureBitmap(moved + "/first.jpg"));
}

// A budget that holds one picture at a time: four workers take turns and write the same
// files; a picture larger than the whole budget is skipped with the bytes it needed.
TEST_F(ExportTest, WorkersShareTheMemoryBudget) {
  const TBitmap big = Columns(400, 300);
  std::vector<std::string> inputs;
  for (int i = 0; i < 6; ++i) inputs.push_back(Input("p" + std::to_string(i) + ".bmp", big));
  inputs.push_back(Input("huge.bmp", Columns(2000, 1500)));
  TExportJob job;
  for (const auto& p : inputs) job.entries.push_back({p, 0});
  job.target = out_;
  job.workers = 4;
  const uint64_t onePicture = PipelineBytes({400, 300, 400 * 300 * 3}, fs::file_size(inputs[0]));
  job.memoryLimit = onePicture + onePicture / 2;
  TExportDriver driver(plain_, catalog_, "");
  const TExportResult result = driver.Run(job);
  EXPECT_EQ(result.status, TExportStatus::Completed) << Error(result);
  EXPECT_EQ(result.memoryLimit, job.memoryLimit);
  EXPECT_EQ(result.files.size(), 6u);
  ASSERT_EQ(result.skips.size(), 1u);
  EXPECT_EQ(result.skips[0].path, inputs.back());
  EXPECT_EQ(result.skips[0].why.problem, TLoadProblem::OverMemoryLimit);
  EXPECT_GT(result.skips[0].why.needed, job.memoryLimit);
  const auto expected = EncodeJpeg(big, 90);
  EXPECT_EQ(ReadFile(out_ + "/p5.jpg"), std::string(expected.begin(), expected.end()));
}

// What the output needs counts too: a small photo on a canvas far larger than the budget is
// refused before it is drawn, whole or cut into slices.
TEST_F(ExportTest, ACanvasLargerThanTheBudgetIsRefused) {
  const std::vector<std::string> inputs = {Input("small.bmp", Columns(400, 300))};
  for (const char* slices : {"0", "500"}) {
    TExportJob job;
    job.entries.push_back({inputs[0], 0});
    job.target = out_;
    job.memoryLimit = 20ull << 20;  // the 4000 x 4000 canvas alone takes 48 MB
    const TMemIniFile settings = TMemIniFile::FromText(
        std::string("[General]\r\nReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=4000"
                    "\r\nSquareCanvas=1\r\nSliceHeight=") +
        slices + "\r\n");
    TExportDriver driver(settings, catalog_, "");
    const TExportResult result = driver.Run(job);
    EXPECT_TRUE(result.files.empty()) << slices;
    ASSERT_EQ(result.skips.size(), 1u) << slices;
    EXPECT_EQ(result.skips[0].why.problem, TLoadProblem::OverMemoryLimit) << slices;
    EXPECT_GT(result.skips[0].why.needed, 4000ull * 4000 * 3) << slices;
  }
}

TEST_F(ExportTest, TheWatermarkPictureIsLoadedOnceOrReportedMissing) {
  const std::string mark = Input("mark.bmp", Solid(4, 4, 0x000000));
  const std::string settingsText =
      "[General]\r\nReduceSize=0\r\nAddWatermark=1\r\nWatermarkType=1\r\nWatermarkTransparent=0"
      "\r\nWatermarkPos=2\r\ncbWatermarkPosBlank2A=0\r\ncbWatermarkPosBlank2B=0\r\nWatermarkImage=";
  const std::vector<std::string> inputs = {Input("a.bmp", Solid(8, 8, 0xFFFFFF)),
                                           Input("b.bmp", Solid(8, 8, 0xFFFFFF))};
  // The picture changes after the batch has started: every picture still gets the first one.
  TExportCallbacks callbacks;
  callbacks.onProgress = [&](int index, int) {
    if (index == 1) WriteBmp(mark, Solid(4, 4, 0x0000FF));
  };
  TExportResult result = Export(inputs, TMemIniFile::FromText(settingsText + mark + "\r\n"),
                                TExportMode::Jpeg, 1, callbacks);
  EXPECT_EQ(result.status, TExportStatus::Completed) << Error(result);
  EXPECT_FALSE(result.watermarkMissing);
  for (const std::string& file : result.files) {
    const auto bitmap = LoadPictureBitmap(file);
    ASSERT_TRUE(bitmap);
    EXPECT_LT(bitmap->Pixel(1, 1) & 0xFF, 40u) << file;  // black, not red
    EXPECT_LT((bitmap->Pixel(1, 1) >> 16) & 0xFF, 40u) << file;
  }

  fs::remove_all(out_);
  fs::create_directory(out_);
  std::vector<std::string> missing;
  callbacks = {};
  callbacks.onWatermarkMissing = [&](const std::string& path) { missing.push_back(path); };
  result = Export(inputs, TMemIniFile::FromText(settingsText + dir_.File("gone.png") + "\r\n"),
                  TExportMode::Jpeg, 2, callbacks);
  EXPECT_EQ(result.status, TExportStatus::Completed);
  EXPECT_TRUE(result.watermarkMissing);
  EXPECT_EQ(missing, std::vector<std::string>{dir_.File("gone.png")});
  EXPECT_EQ(result.files.size(), 2u);
}

TEST_F(ExportTest, SameBytesForOneAndFourWorkers) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 9; ++i) {
    TBitmap b = Columns(420 + i * 13, 90 + i * 7);
    inputs.push_back(Input("p" + std::to_string(i) + ".bmp", b));
  }
  inputs.insert(inputs.begin() + 4, Broken("broken.jpg"));
  const TMemIniFile settings = TMemIniFile::FromText(
      "[General]\r\nAddFrame=1\r\nFrameType=0\r\nCornerWidth=1\r\nAddWatermark=1\r\n"
      "WatermarkText=Shop\r\nWatermarkFontName=DejaVu Sans\r\nWatermarkFontSize=12\r\n"
      "WatermarkPaintStyle=1\r\nWatermarkRotate=30\r\n");

  auto run = [&](int workers, TExportMode mode) {
    fs::remove_all(out_);
    fs::create_directory(out_);
    fs::remove(dir_.File("anim.gif"));
    const TExportResult result = Export(inputs, settings, mode, workers);
    EXPECT_EQ(result.status, TExportStatus::Completed) << Error(result);
    std::vector<std::string> contents;
    for (const std::string& f : result.files)
      contents.push_back(platform::NameOf(f) + ":" + ReadFile(f));
    return contents;
  };
  const auto one = run(1, TExportMode::Jpeg);
  EXPECT_EQ(one.size(), 9u);
  EXPECT_EQ(one, run(4, TExportMode::Jpeg));
  EXPECT_EQ(run(1, TExportMode::Gif), run(4, TExportMode::Gif));
}

// A picture in one hue family: channel `main` (0 red, 1 green, 2 blue) strong and varied, the
// others dark, so every colour its frame can take is told apart from the others and from white.
TBitmap Family(int w, int h, int main) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t rgb[3] = {uint8_t((x * 5 + y) % 30), uint8_t((x + y * 3) % 30), uint8_t(x % 25)};
      rgb[main] = uint8_t(150 + (x * 3 + y * 7) % 50);
      b.SetPixel(x, y, RGBColor(rgb[0], rgb[1], rgb[2]));
    }
  }
  return b;
}

// Every frame as a viewer shows it (composited over what came before): RGB, width × height.
using Frames = std::vector<std::vector<uint8_t>>;

Frames DecodeWithPillow(const std::string& gif, const TempDir& dir) {
  const std::string python = test::FindTool({"/usr/bin/python3", "python3"}, "-c 'import PIL'");
  if (python.empty()) return {};
  const std::string script = dir.File("frames.py");
  WriteFile(script,
            "import sys\n"
            "from PIL import Image\n"
            "im = Image.open(sys.argv[1])\n"
            "for n in range(im.n_frames):\n"
            "    im.seek(n)\n"
            "    print(im.convert('RGB').tobytes().hex())\n");
  int status = 0;
  std::istringstream lines(test::RunTool(python + " " + script + " " + gif, status));
  Frames frames;
  for (std::string hex; std::getline(lines, hex);) {
    std::vector<uint8_t>& frame = frames.emplace_back();
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      frame.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  EXPECT_EQ(status, 0);
  return frames;
}

Frames DecodeWithImageMagick(const std::string& gif, size_t frameBytes) {
  const std::string convert = test::FindTool({"/usr/bin/convert", "convert"}, "-version");
  if (convert.empty()) return {};
  int status = 0;
  const std::string rgb =
      test::RunTool(convert + " '" + gif + "' -coalesce -depth 8 rgb:-", status);
  EXPECT_EQ(status, 0);
  Frames frames;
  for (size_t at = 0; at + frameBytes <= rgb.size(); at += frameBytes)
    frames.emplace_back(rgb.begin() + at, rgb.begin() + at + frameBytes);
  return frames;
}

TEST_F(ExportTest, EveryGifFrameShowsOnePictureCentredOnWhite) {
  struct Shown {
    int w, h, main;
  } shown[] = {{30, 61, 2}, {64, 25, 0}, {41, 40, 1}, {64, 61, 0}};
  std::vector<std::string> inputs;
  for (const Shown& p : shown)
    inputs.push_back(Input("p" + std::to_string(inputs.size()) + ".bmp", Family(p.w, p.h, p.main)));
  const int W = 64, H = 61;
  const TExportResult result = Export(inputs, plain_, TExportMode::Gif);
  ASSERT_EQ(result.status, TExportStatus::Completed) << Error(result);
  const std::string gifPath = dir_.File("anim.gif");

  // Full frames at the corner, no disposal method: nothing else of the file changed.
  TGIFImage gif;
  gif.LoadFromFile(gifPath);
  EXPECT_EQ(gif.Width(), W);
  EXPECT_EQ(gif.Height(), H);
  for (const TGIFFrame& frame : gif.Frames()) {
    EXPECT_EQ((std::array<int, 4>{frame.left, frame.top, frame.width, frame.height}),
              (std::array<int, 4>{0, 0, W, H}));
    ASSERT_TRUE(frame.GraphicControl());
    EXPECT_EQ(frame.GraphicControl()->packed, 0);
  }

  const std::pair<const char*, Frames> decoders[] = {
      {"Pillow", DecodeWithPillow(gifPath, dir_)},
      {"ImageMagick", DecodeWithImageMagick(gifPath, size_t(W) * H * 3)}};
  int decoded = 0;
  for (const auto& [decoder, frames] : decoders) {
    if (frames.empty()) continue;
    ++decoded;
    ASSERT_EQ(frames.size(), std::size(shown)) << decoder;
    for (size_t n = 0; n < frames.size(); ++n) {
      ASSERT_EQ(frames[n].size(), size_t(W) * H * 3) << decoder;
      const Shown& p = shown[n];
      const int left = (W - p.w) / 2, top = (H - p.h) / 2;
      int wrong = 0;
      for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
          const uint8_t* rgb = frames[n].data() + (size_t(y) * W + x) * 3;
          const bool inside = x >= left && x < left + p.w && y >= top && y < top + p.h;
          const bool white = rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
          // Inside, the picture's own strong channel leads the others by far.
          const int others = std::max(rgb[(p.main + 1) % 3], rgb[(p.main + 2) % 3]);
          const bool own = rgb[p.main] >= 100 && rgb[p.main] >= others + 50;
          if (inside ? !own : !white) {
            if (++wrong <= 3) {
              ADD_FAILURE() << decoder << " frame " << n << " at " << x << "," << y << ": "
                            << int(rgb[0]) << " " << int(rgb[1]) << " " << int(rgb[2]);
            }
          }
        }
      }
      EXPECT_EQ(wrong, 0) << decoder << " frame " << n;
    }
  }
  if (decoded == 0) GTEST_SKIP() << "neither Pillow nor ImageMagick is installed";
}

TEST_F(ExportTest, AGifOfOneSizeKeepsItsBytes) {
  // Pictures of the screen's own size are reduced as they are: the file equals the one made
  // frame by frame from the pictures.
  const std::vector<TBitmap> pictures = {Family(33, 20, 0), Columns(33, 20), Family(33, 20, 2)};
  std::vector<std::string> inputs;
  TGIFImage expected;
  for (const TBitmap& p : pictures) {
    inputs.push_back(Input("s" + std::to_string(inputs.size()) + ".bmp", p));
    expected.SetFrameDelay(expected.AppendFrame(p), 110);
  }
  expected.SetLoopCount(0);
  const TMemIniFile settings =
      TMemIniFile::FromText("[General]\r\nReduceSize=0\r\nGifSeconds=1.1\r\n");
  const TExportResult result = Export(inputs, settings, TExportMode::Gif, 3);
  ASSERT_EQ(result.status, TExportStatus::Completed) << Error(result);
  const std::vector<uint8_t> bytes = expected.SaveToMemory();
  EXPECT_EQ(test::ReadBytes(dir_.File("anim.gif")), bytes);
}

}  // namespace
}  // namespace pixmira
