// pixmira-batch run as a user runs it: arguments, files written, messages and exit status.
#ifdef _WIN32
#include <gtest/gtest.h>

// These cases start the command with posix_spawn and stop it with signals. On Windows
// scripts/check-windows runs pixmira-batch.exe instead and compares its files with Linux's.
TEST(BatchCommandTest, StartsTheCommandThroughPosixCalls) {
  GTEST_SKIP() << "not on this system: posix_spawn and signals (scripts/check-windows runs "
                  "the command there)";
}
#else
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "core/MemIniFile.h"
#include "core/SettingsSchema.h"
#include "pipeline/Pipeline.h"
#include "pipeline/TestPictures.h"

extern char** environ;

namespace pixmira {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::Solid;
using test::TempDir;
using test::WriteBmp;
using test::WriteFile;

const std::string kProgram = std::string(PIXMIRA_BINARY_DIR) + "/pixmira-batch";

struct TRun {
  int status = -1;
  std::string out;
  std::string err;
};

// The caller's environment without its language, plus the given variables; so the command
// speaks Chinese unless a test asks otherwise.
std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (name != "LANG" && name != "LANGUAGE" && name != "LC_ALL" && name != "LC_MESSAGES")
      env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

pid_t Start(const std::vector<std::string>& args, const std::string& outFile,
            const std::string& errFile, const std::string& inFile = "/dev/null",
            const std::vector<std::string>& extraEnv = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inFile.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(kProgram.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const std::vector<std::string> env = Environment(extraEnv);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class BatchCommandTest : public ::testing::Test {
 protected:
  TRun Run(const std::vector<std::string>& args, const std::string& in = "/dev/null",
           const std::vector<std::string>& env = {}) {
    TRun run;
    const pid_t pid = Start(args, dir_.File("stdout"), dir_.File("stderr"), in, env);
    EXPECT_GT(pid, 0) << kProgram;
    run.status = Wait(pid);
    run.out = ReadFile(dir_.File("stdout"));
    run.err = ReadFile(dir_.File("stderr"));
    return run;
  }
  std::string Config(const std::string& lines) {
    const std::string path = dir_.File("Config.ini");
    WriteFile(path, "[General]\r\n" + lines);
    return path;
  }
  std::string Bmp(const std::string& name, const TBitmap& b) {
    const std::string path = dir_.File(name);
    fs::create_directories(fs::path(path).parent_path());
    WriteBmp(path, b);
    return path;
  }
  std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

TEST_F(BatchCommandTest, HelpNamesEveryOptionAndExitStatus) {
  const TRun run = Run({"--help"});
  EXPECT_EQ(run.status, 0);
  for (const char* word : {"--config", "--frames", "--jobs", "--angle", "--out", "--gif", "--where",
                           "PATH", "0 ", "1 ", "2 ", "3 ", "130"}) {
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
  }
}

TEST_F(BatchCommandTest, WhereNamesTheFilesItWouldUse) {
  // From the build folder the program is portable: its Frames folder sits beside it.
  TRun run = Run({"--where"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Config.ini: " + std::string(PIXMIRA_BINARY_DIR) +
                         "/Config.ini\nFrames: " + PIXMIRA_BINARY_DIR + "/Frames/\n");
  run = Run({"--config", "/x/c.ini", "--frames", "/y", "--where"});
  EXPECT_EQ(run.out, "Config.ini: /x/c.ini\nFrames: /y/\n");
}

TEST_F(BatchCommandTest, UsageErrorsExitWithTwo) {
  const std::string pic = Bmp("a.bmp", Solid(4, 4, 0));
  const std::string out = dir_.File("out");
  const std::vector<std::vector<std::string> > cases = {
      {},
      {pic},
      {"--out", out},
      {"--out", out, "--gif", dir_.File("a.gif"), pic},
      {"--jobs", "0", "--out", out, pic},
      {"--jobs", "two", "--out", out, pic},
      {"--angle", "45", "--out", out, pic},
      {"--angle", "-90", "--out", out, pic},
      {"--colour", "red", "--out", out, pic},
      {"--out"},
      {"--out", out, dir_.File("empty-folder")},
      // A list must be a regular file or standard input: a folder aborted the run, /dev/zero
      // filled memory and a FIFO without a writer waited for ever.
      {"--out", out, "--files-from", dir_.File("empty-folder")},
      {"--out", out, "--files-from", "/dev/zero"},
      {"--out", out, "--files-from", dir_.File("fifo")},
      {"--out", out, "--files-from", dir_.File("missing.txt")},
      // Outputs written into an input folder would be exported again by the next run.
      {"--out", dir_.File("in"), dir_.File("in")},
      {"--out", dir_.File("in") + "/.", dir_.File("in/") + "/"},
      {"--json", "--out", out, pic},
  };
  fs::create_directory(dir_.File("empty-folder"));
  ASSERT_EQ(mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  Bmp("in/b.bmp", Solid(4, 4, 0));
  for (const auto& args : cases) {
    const TRun run = Run(args);
    EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args[0]) << " / " << run.err;
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(Names(dir_.File("in")), std::vector<std::string>{"b.bmp"});

  // Standard input that never ends is cut off, not read into memory without bound.
  const TRun run = Run({"--out", out, "--files-from", "-"}, "/dev/zero");
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_NE(run.err.find("（标准输入）"), std::string::npos) << run.err;
}

TEST_F(BatchCommandTest, SetTakesAValueForThisRunOnly) {
  const std::string pic = Bmp("photo.bmp", test::Columns(120, 60));
  const std::string config = Config("ReduceSize=1\r\nReduceSizeType=0\r\n");
  const std::string before = ReadFile(config);
  const std::string out = dir_.File("out");
  // Keys in any letter case, either spelling of the option; the last value for a key wins.
  const TRun run = Run({"--config", config, "--set", "ReduceSizeType=3", "--set=reducesizewidth=80",
                        "--set", "ReduceSizeWidth=50", "--out", out, pic});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(config), before);

  const TMemIniFile settings = TMemIniFile::FromText(
      "[General]\r\nReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=50\r\n");
  auto expected = ProcessPicture(pic, 0, settings, TMemIniFile::FromText(""), "", false);
  ASSERT_TRUE(expected);
  EXPECT_EQ(expected->Width(), 50);
  const std::vector<uint8_t> bytes = EncodeJpeg(*expected, 75);
  EXPECT_EQ(ReadFile(out + "/photo.jpg"), std::string(bytes.begin(), bytes.end()));
}

TEST_F(BatchCommandTest, SetNamesTheKeyAndWhatIsAllowed) {
  const std::string pic = Bmp("photo.bmp", Solid(4, 4, 0));
  const std::string out = dir_.File("out");
  struct Case {
    std::string set;
    std::string said;
    std::vector<std::string> env;
  } cases[] = {
      {"NoSuchKey=1", "未知设置 NoSuchKey", {}},
      {"ReduceSizeWidth=abc", "设置 ReduceSizeWidth 不能是 \"abc\"，可用的值：0 到 999999", {}},
      {"ReduceSizeWidth=1000000", "0 到 999999", {}},
      {"WatermarkPos=9", "8 = 图片中心", {}},
      {"GifSeconds=1,5", "0 到 655.35", {}},
      {"WatermarkFontColor=reddish", "clRed", {}},
      {"cbWatermarkPosBlankKind2A=2", "0 = 像素，1 = 百分比", {}},
      {"ReduceSize", "--set 需要 KEY=VALUE", {}},
      {"=1", "--set 需要 KEY=VALUE", {}},
      {"WatermarkPos=9",
       "setting WatermarkPos cannot be \"9\"; allowed: 0 = bottom right, 1 = bottom left",
       {"LANG=en_US.UTF-8"}},
      {"NoSuchKey=1",
       "unknown setting NoSuchKey (pixmira-batch --list-settings",
       {"LANG=en_US.UTF-8"}},
  };
  for (const Case& c : cases) {
    const TRun run =
        Run({"--config", Config(""), "--set", c.set, "--out", out, pic}, "/dev/null", c.env);
    EXPECT_EQ(run.status, 2) << c.set;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << c.set << ": " << run.err;
  }
  EXPECT_FALSE(fs::exists(out));
}

TEST_F(BatchCommandTest, ListSettingsShowsEveryKeyInTheUsersLanguageAndAsJson) {
  const TRun chinese = Run({"--list-settings"});
  const TRun english = Run({"--list-settings"}, "/dev/null", {"LANG=en_US.UTF-8"});
  ASSERT_EQ(chinese.status, 0);
  ASSERT_EQ(english.status, 0);
  for (const SettingRow& row : SettingsSchema()) {
    EXPECT_NE(("\n" + chinese.out).find("\n" + row.key + " "), std::string::npos) << row.key;
    EXPECT_NE(("\n" + english.out).find("\n" + row.key + " "), std::string::npos) << row.key;
  }
  EXPECT_NE(chinese.out.find("1 (窗口), 0 (导出)"), std::string::npos);
  EXPECT_NE(chinese.out.find("0 = 使用圆角，1 = 使用边框"), std::string::npos);
  EXPECT_NE(english.out.find("1 (window), 0 (export)"), std::string::npos);
  EXPECT_NE(english.out.find("    shrink pictures to the chosen width\n"), std::string::npos);

  // The JSON is read back by a reader of its own, as the web page reads it.
  const TRun json = Run({"--list-settings", "--json"});
  ASSERT_EQ(json.status, 0);
  WriteFile(dir_.File("settings.json"), json.out);
  const std::string script =
      "import json, sys\n"
      "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "rows = {r['key']: r for r in d['settings']}\n"
      "assert d['format'] == 1 and len(rows) == len(d['settings']) == int(sys.argv[2])\n"
      "f = rows['FrameType']\n"
      "assert f['defaults'] == {'main': '1', 'dialog': '1', 'pipeline': '0'}, f\n"
      "assert [c['caption'] for c in f['choices']] == ['使用圆角', '使用边框'], f\n"
      "q = rows['ReduceSizeQuality']['when']\n"
      "assert {'key': 'ReduceSizeType', 'values': [3], 'negate': False} in q, q\n"
      "assert rows['GifSeconds']['max'] == 655.35 and rows['WatermarkRotate']['min'] == -180\n"
      "assert all(c['key'] in rows for r in rows.values() for c in r['when'])\n";
  WriteFile(dir_.File("check.py"), script);
  const std::string command = "python3 " + dir_.File("check.py") + " " +
                              dir_.File("settings.json") + " " +
                              std::to_string(SettingsSchema().size());
  EXPECT_EQ(std::system(command.c_str()), 0) << json.out.substr(0, 400);
}

TEST_F(BatchCommandTest, FoldersFollowTheAddFolderRuleAndAnglesTheirPaths) {
  // Picture widths tell the order: a.jpg, c.bmp, b.png, then sub/d.bmp, then the turned one.
  Bmp("in/b.png", Solid(30, 8, 0));
  Bmp("in/c.bmp", Solid(20, 8, 0));
  const std::vector<uint8_t> jpeg = EncodeJpeg(Solid(10, 8, 0x808080));
  WriteFile(dir_.File("in/a.jpg"), std::string(jpeg.begin(), jpeg.end()));
  Bmp("in/sub/d.bmp", Solid(40, 8, 0));
  Bmp("in/.hidden/e.bmp", Solid(50, 8, 0));
  const std::string turned = Bmp("turned.bmp", Solid(60, 8, 0));
  const std::string gif = dir_.File("all.gif");

  const TRun run = Run({"--config", Config("GifSeconds=0.5\r\n"), "--jobs", "2", "--gif", gif,
                        dir_.File("in"), "--angle", "90", turned});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "导出了 1 个文件（5 帧的 GIF 动画）。\n");
  EXPECT_NE(run.err.find("正在导出第 5 个文件，总共 5 个文件。"), std::string::npos);
  TGIFImage image;
  image.LoadFromFile(gif);
  std::vector<int> widths;
  for (const TGIFFrame& f : image.Frames()) {
    // Every frame is the whole screen; the picture is the dark run across its middle row.
    const int y = f.height / 2;
    widths.push_back(int(std::count_if(f.indices.begin() + y * f.width,
                                       f.indices.begin() + (y + 1) * f.width, [&](uint8_t i) {
                                         return f.localColorMap[i] != TGIFColor{255, 255, 255};
                                       })));
    EXPECT_EQ(f.GraphicControl()->delay, 50);
  }
  EXPECT_EQ(widths, (std::vector<int>{10, 20, 30, 40, 8}));
}

TEST_F(BatchCommandTest, SizeAndQualityComeFromTheSettingsFile) {
  const std::string pic = Bmp("photo.bmp", test::Columns(120, 60));
  const std::string lines =
      "ReduceSize=1\r\nReduceSizeType=3\r\nReduceSizeWidth=50\r\nReduceSizeQuality=2\r\n";
  const std::string out = dir_.File("out");
  const TRun run = Run({"--config", Config(lines), "--out", out, pic});
  ASSERT_EQ(run.status, 0) << run.err;

  const TMemIniFile settings = TMemIniFile::FromText("[General]\r\n" + lines);
  auto expected = ProcessPicture(pic, 0, settings, TMemIniFile::FromText(""), "", false);
  ASSERT_TRUE(expected);
  EXPECT_EQ(expected->Width(), 50);
  const std::vector<uint8_t> bytes = EncodeJpeg(*expected, 50);
  EXPECT_EQ(ReadFile(out + "/photo.jpg"), std::string(bytes.begin(), bytes.end()));
}

TEST_F(BatchCommandTest, EachSkippedPictureGetsALineWithItsReasonAndOnlyFilesCount) {
  WriteFile(dir_.File("broken.jpg"), "no picture");
  ASSERT_EQ(mkfifo(dir_.File("fifo.jpg").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", dir_.File("zero.jpg"));
  const std::string out = dir_.File("out");
  const TRun run =
      Run({"--config", Config(""), "--jobs", "2", "--out", out, dir_.File("broken.jpg"),
           Bmp("good.bmp", Solid(4, 4, 0)), dir_.File("missing.png"), dir_.File("fifo.jpg"),
           dir_.File("zero.jpg"), dir_.File("notes.txt")});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_EQ(run.out, "导出了 1 个文件，5 张图片未能导出。\n");
  const std::string lines[] = {
      "跳过 " + dir_.File("broken.jpg") + "：图片已损坏或无法识别\n",
      "跳过 " + dir_.File("missing.png") + "：无法读取（文件或文件夹不存在）\n",
      "跳过 " + dir_.File("fifo.jpg") + "：不是普通文件（管道、设备或套接字）\n",
      "跳过 " + dir_.File("zero.jpg") + "：不是普通文件（管道、设备或套接字）\n",
      "跳过 " + dir_.File("notes.txt") + "：不支持这种文件类型\n",
  };
  for (const std::string& line : lines) EXPECT_NE(run.err.find(line), std::string::npos) << line;
  EXPECT_EQ(Names(out), std::vector<std::string>{"good.jpg"});
}

TEST_F(BatchCommandTest, NothingWrittenExitsOne) {
  WriteFile(dir_.File("broken.png"), "no picture");
  const TRun run =
      Run({"--config", Config(""), "--out", dir_.File("out"), dir_.File("broken.png")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("没有导出任何图片。"), std::string::npos) << run.err;

  // An animation of pictures none of which loads says so in words, not the writer's text.
  const std::string gif = dir_.File("all.gif");
  for (const auto& [env, said] :
       {std::pair<std::vector<std::string>, std::string>{
            {}, "列表中没有一张图片可以读取，无法生成动态图片 " + gif + "。"},
        {{"LANG=en_US.UTF-8"},
         "none of the pictures in the list could be read, so the animation " + gif +
             " was not made."}}) {
    const TRun animation =
        Run({"--config", Config(""), "--gif", gif, dir_.File("broken.png")}, "/dev/null", env);
    EXPECT_EQ(animation.status, 1);
    EXPECT_NE(animation.err.find(said), std::string::npos) << animation.err;
    EXPECT_EQ(animation.err.find("Cannot save"), std::string::npos) << animation.err;
    EXPECT_FALSE(fs::exists(gif));
  }
}

TEST_F(BatchCommandTest, ProblemsFoundBeforeTheFirstPictureStopAtOnce) {
  const std::string pic = Bmp("photo.bmp", Solid(4, 4, 0));
  struct Case {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      // A GIF that could not be written is found before any picture is processed.
      {{"--config", Config(""), "--gif", dir_.File("no-folder/a.gif"), pic},
       "无法写入 " + dir_.File("no-folder/a.gif") + "：文件或文件夹不存在"},
      {{"--config", Config(""), "--gif", dir_.Path().string(), pic}, "这是一个文件夹"},
      // A setting that does not convert is named by its key.
      {{"--config", Config("AddWatermark=1\r\nWatermarkText=x\r\nWatermarkFontSize=abc\r\n"),
        "--out", dir_.File("out"), pic},
       "WatermarkFontSize 的值 \"abc\" 无效"},
  };
  for (const Case& c : cases) {
    const TRun run = Run(c.args);
    EXPECT_EQ(run.status, 1) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("正在导出"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(dir_.File("out/photo.jpg")));
}

TEST_F(BatchCommandTest, AMissingWatermarkPictureIsReportedOnce) {
  const TRun run =
      Run({"--config",
           Config("AddWatermark=1\r\nWatermarkType=1\r\nWatermarkImage=" + dir_.File("gone.png") +
                  "\r\n"),
           "--out", dir_.File("out"), Bmp("a.bmp", Solid(4, 4, 0)), Bmp("b.bmp", Solid(4, 4, 0))});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string warning = "警告：无法读取水印图片 " + dir_.File("gone.png");
  const auto at = run.err.find(warning);
  EXPECT_NE(at, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(warning, at + 1), std::string::npos) << run.err;
  EXPECT_EQ(Names(dir_.File("out")), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(BatchCommandTest, PathsComeFromAListFileOrStandardInput) {
  const std::string a = Bmp("in/a:b.bmp", Solid(4, 4, 0));
  const std::string c = Bmp("in/c d.bmp", Solid(4, 4, 0));
  const std::string e = Bmp("in/e\\f.bmp", Solid(4, 4, 0));
  WriteFile(dir_.File("lines.txt"), a + "\n" + c + "\r\n\n");
  WriteFile(dir_.File("nul.txt"), e + std::string(1, '\0') + c + std::string(1, '\0'));
  TRun run = Run(
      {"--config", Config(""), "--out", dir_.File("one"), "--files-from", dir_.File("lines.txt")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Names(dir_.File("one")), (std::vector<std::string>{"a:b.jpg", "c d.jpg"}));
  run = Run({"--config", Config(""), "--out", dir_.File("two"), "--files-from", "-"},
            dir_.File("nul.txt"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Names(dir_.File("two")), (std::vector<std::string>{"c d.jpg", "e\\f.jpg"}));
}

TEST_F(BatchCommandTest, APictureThatCanNeverFitTheMemoryLimitIsSkipped) {
  // A PNG header claiming 16384 x 16384, cut right after it.
  const uint8_t header[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0,
                            13,   'I', 'H', 'D', 'R',  0,    0,    0x40, 0, 0, 0,
                            0x40, 0,   8,   6,   0,    0,    0,    0,    0, 0, 0};
  WriteFile(dir_.File("bomb.png"),
            std::string(reinterpret_cast<const char*>(header), sizeof header));
  const TRun run = Run({"--config", Config(""), "--memory-limit", "64M", "--out", dir_.File("out"),
                        dir_.File("bomb.png"), Bmp("small.bmp", Solid(8, 8, 0))});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("跳过 " + dir_.File("bomb.png") + "：处理它需要约"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("超过内存上限 64 MB"), std::string::npos) << run.err;
  EXPECT_EQ(Names(dir_.File("out")), std::vector<std::string>{"small.jpg"});
  EXPECT_EQ(
      Run({"--memory-limit", "lots", "--out", dir_.File("out"), dir_.File("small.bmp")}).status, 2);
}

TEST_F(BatchCommandTest, ARerunDoesNotExportItsOwnOutputs) {
  Bmp("in/a.bmp", Solid(4, 4, 0));
  const std::string out = dir_.File("in/out");
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(Run({"--config", Config(""), "--out", out, dir_.File("in")}).status, 0);
  }
  EXPECT_EQ(Names(out), (std::vector<std::string>{"a.jpg", "a2.jpg"}));
}

TEST_F(BatchCommandTest, VersionNamesTheProgram) {
  const TRun run = Run({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("pixmira-batch ", 0), 0u) << run.out;
}

TEST_F(BatchCommandTest, ErrorsStopWithAMessageAndExitOne) {
  const std::string pic = Bmp("photo.bmp", Solid(4, 4, 0));
  WriteFile(dir_.File("plain"), "");
  TRun run = Run({"--config", Config(""), "--out", dir_.File("plain") + "/out", pic});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(dir_.File("plain")), std::string::npos) << run.err;

  // A frame whose picture is missing.
  fs::create_directory(dir_.File("frames"));
  WriteFile(dir_.File("frames/Frames.ini"), "[Gold]\r\ngraph=gold.png\r\n");
  run = Run({"--config", Config("AddFrame=1\r\nFrameType=1\r\nFrameName=Gold\r\n"), "--frames",
             dir_.File("frames"), "--out", dir_.File("out"), pic});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(pic), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("gold.png"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("没有导出任何图片。"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

TEST_F(BatchCommandTest, AnEnglishLocaleGetsEnglishEverywhereOthersChinese) {
  const std::string pic = Bmp("photo.bmp", Solid(4, 4, 0));
  WriteFile(dir_.File("broken.jpg"), "no picture");
  const std::vector<std::string> args = {"--config",       Config(""), "--out",
                                         dir_.File("out"), pic,        dir_.File("broken.jpg")};
  struct Case {
    std::vector<std::string> env;
    bool english;
  } cases[] = {
      {{"LANG=en_US.UTF-8"}, true},
      {{"LANG=en_GB"}, true},
      {{"LANG=zh_CN.UTF-8", "LANGUAGE=en_US:zh_CN"}, true},  // LANGUAGE comes first
      {{"LANG=en_US.UTF-8", "LANGUAGE=zh_CN"}, false},
      {{"LANG=de_DE.UTF-8"}, false},  // Chinese stays the default in every other locale
      {{}, false},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir_.File("out"));
    const TRun run = Run(args, "/dev/null", c.env);
    const std::string label = c.env.empty() ? "no locale" : c.env[0];
    ASSERT_EQ(run.status, 3) << label << run.err;
    if (c.english) {
      EXPECT_EQ(run.out, "1 file exported, 1 picture could not be exported.\n") << label;
      EXPECT_NE(run.err.find("Exporting file 2 of 2."), std::string::npos) << label;
      EXPECT_NE(run.err.find("skipped " + dir_.File("broken.jpg") +
                             ": the picture is damaged or not recognised"),
                std::string::npos)
          << run.err;
    } else {
      EXPECT_EQ(run.out, "导出了 1 个文件，1 张图片未能导出。\n") << label;
      EXPECT_NE(run.err.find("跳过 " + dir_.File("broken.jpg") + "：图片已损坏或无法识别"),
                std::string::npos)
          << run.err;
    }
  }

  // Usage errors and the help, too; the help lists the folder rule from the format table.
  TRun run = Run({"--jobs", "0"}, "/dev/null", {"LANG=en_US.UTF-8"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("--jobs needs a whole number from 1 to 256, not \"0\""), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("See pixmira-batch --help"), std::string::npos) << run.err;
  run = Run({"--help"}, "/dev/null", {"LANG=en_US.UTF-8"});
  EXPECT_NE(run.out.find("*.jpg, then *.bmp, then *.png, then *.webp"), std::string::npos)
      << run.out;
  run = Run({"--help"});
  EXPECT_NE(run.out.find("*.jpg，再 *.bmp，再 *.png，再 *.webp"), std::string::npos) << run.out;

  // A failure names the file, a reason in words, and the library's detail.
  WriteFile(dir_.File("plain"), "");
  run = Run({"--config", Config(""), "--out", dir_.File("plain") + "/out", pic}, "/dev/null",
            {"LANG=en_US.UTF-8"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot use the output folder"), std::string::npos) << run.err;
}

// Where standard output goes changes neither the files nor the exit status.
TEST_F(BatchCommandTest, AClosedOrFullStandardOutputChangesNothing) {
  const std::string pic = Bmp("good.bmp", test::Columns(40, 30));
  WriteFile(dir_.File("broken.jpg"), "no picture");
  const std::vector<std::string> args = {"--config", Config(""), "--out",
                                         "",         pic,        dir_.File("broken.jpg")};
  auto runWith = [&](const std::string& out, auto setUp) {
    std::vector<std::string> a = args;
    a[3] = out;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, dir_.File("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int pipe[2] = {-1, -1};
    setUp(actions, pipe);
    std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    const std::vector<std::string> env = Environment({});
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, kProgram.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : pipe) {
      if (fd >= 0) close(fd);  // the reader is gone before anything is written
    }
    return Wait(pid);
  };
  using TActions = posix_spawn_file_actions_t;
  EXPECT_EQ(runWith(dir_.File("normal"),
                    [&](TActions& a, int*) {
                      posix_spawn_file_actions_addopen(&a, 1, dir_.File("stdout").c_str(),
                                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    }),
            3);
  const std::string expected = ReadFile(dir_.File("normal/good.jpg"));
  ASSERT_FALSE(expected.empty());
  struct Case {
    const char* name;
    std::function<void(TActions&, int*)> setUp;
  } cases[] = {
      {"full", [](TActions& a,
                  int*) { posix_spawn_file_actions_addopen(&a, 1, "/dev/full", O_WRONLY, 0); }},
      {"closed", [](TActions& a, int*) { posix_spawn_file_actions_addclose(&a, 1); }},
      {"broken-pipe",
       [](TActions& a, int* fds) {
         ASSERT_EQ(::pipe(fds), 0);
         posix_spawn_file_actions_adddup2(&a, fds[1], 1);
         posix_spawn_file_actions_addclose(&a, fds[0]);
         ::close(fds[0]);
         fds[0] = -1;
       }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runWith(dir_.File(c.name), c.setUp), 3) << c.name << ReadFile(dir_.File("stderr"));
    EXPECT_EQ(Names(dir_.File(c.name)), std::vector<std::string>{"good.jpg"}) << c.name;
    EXPECT_EQ(ReadFile(dir_.File(c.name) + "/good.jpg"), expected) << c.name;
  }
}

TEST_F(BatchCommandTest, ControlCharactersInNamesAreShownEscaped) {
  const std::string name = dir_.File("bad\x1b[2J\n\u009b.jpg");
  WriteFile(name, "no picture");
  const TRun run = Run({"--config", Config(""), "--out", dir_.File("out"), name});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("跳过 " + dir_.File("bad\\x1b[2J\\n\\u009b.jpg") + "：图片已损坏"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.err.find("\u009b"), std::string::npos);
}

TEST_F(BatchCommandTest, InterruptKeepsWhatWasWrittenAndExitsWith130) {
  const std::string pic = Bmp("big.bmp", test::Columns(1200, 900));
  std::vector<std::string> args = {
      "--config", Config("ReduceSize=0\r\n"), "--jobs", "1", "--out", dir_.File("out")};
  for (int i = 0; i < 200; ++i) args.push_back(pic);
  const pid_t pid = Start(args, dir_.File("stdout"), dir_.File("stderr"));
  ASSERT_GT(pid, 0);
  // Interrupt once the first file is there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!fs::exists(dir_.File("out/big.jpg")) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 130);

  const std::vector<std::string> names = Names(dir_.File("out"));
  const std::string out = ReadFile(dir_.File("stdout"));
  EXPECT_EQ(out, "导出了 " + std::to_string(names.size()) + " 个文件。\n");
  EXPECT_LT(names.size(), 200u);
  for (const std::string& name : names) EXPECT_NE(name[0], '.') << "temporary file left: " << name;
}

TEST_F(BatchCommandTest, PresetsAreListedAndOneIsUsedOverTheSettings) {
  const std::string config = Config("OutputNamePattern={name}-main\r\n");
  TRun run = Run({"--config", config, "--list-presets"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "主图 800x800\n缩略图 310\n详情页 750 宽\n详情页 790 宽\n");

  const std::string pic = Bmp("photo.bmp", test::Columns(120, 60));
  const std::string out = dir_.File("out");
  run = Run({"--config", config, "--preset", "主图 800x800", "--out", out, pic});
  ASSERT_EQ(run.status, 0) << run.err;
  // 800 x 800 on white, the name pattern of the settings file kept.
  auto written = LoadPictureBitmap(out + "/photo-main.jpg");
  ASSERT_TRUE(written);
  EXPECT_EQ(written->Width(), 800);
  EXPECT_EQ(written->Height(), 800);
  // The settings file is not changed by a preset.
  EXPECT_EQ(ReadFile(config), "[General]\r\nOutputNamePattern={name}-main\r\n");

  run = Run({"--config", config, "--preset", "none such", "--out", out, pic});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("none such"), std::string::npos);
}

TEST_F(BatchCommandTest, AFileShrunkToMeetItsCapIsNamedOnStandardError) {
  const std::string pic = Bmp("noise.bmp", [] {
    TBitmap b(300, 300);
    uint32_t seed = 1;
    for (int y = 0; y < 300; ++y) {
      for (int x = 0; x < 300; ++x) {
        seed = seed * 1103515245 + 12345;
        b.SetPixel(x, y, TColor(seed >> 8 & 0xFFFFFF));
      }
    }
    return b;
  }());
  const std::string out = dir_.File("out");
  const TRun run = Run({"--config", Config("ReduceSize=0\r\nMaxFileKB=8\r\nMinFileQuality=60\r\n"),
                        "--out", out, pic});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(out + "/noise.jpg"), std::string::npos) << run.err;
  EXPECT_LE(fs::file_size(out + "/noise.jpg"), 8u * 1024);
}

}  // namespace
}  // namespace pixmira
#endif  // _WIN32
