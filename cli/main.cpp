// pixmira-batch: the batch export of the desktop program, from the command line.
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "cli/Messages.h"
#include "cli/SettingsCommand.h"
#include "codecs/Formats.h"
#include "core/Kernel.h"
#include "core/Language.h"
#include "core/MemIniFile.h"
#include "core/MemoryBudget.h"
#include "core/Platform.h"
#include "core/Presets.h"
#include "core/Settings.h"
#include "output/Export.h"
#include "output/PictureFolder.h"

namespace {

using namespace pixmira;

constexpr int kExitCompleted = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSomeSkipped = 3;
constexpr int kExitInterrupted = 130;

// A list longer than this is not a list of paths (standard input from /dev/zero).
constexpr std::size_t kMaxListBytes = std::size_t(64) << 20;

// The folder rule's extensions in the order it takes them, as the usage lists them.
std::string FolderPatterns() {
  std::string list;
  for (std::string_view ext : FolderScanExtensions()) {
    if (!list.empty()) list += cli::Say("，再 ");
    list += '*';
    list += ext;
  }
  return list;
}

struct TOptions {
  std::optional<std::string> config;
  std::optional<std::string> frames;
  std::optional<std::string> out;
  std::optional<std::string> gif;
  std::optional<std::string> preset;
  int jobs = 0;
  uint64_t memoryLimit = 0;
  std::vector<TExportEntry> entries;  // paths as given, folders expanded later
  // --set, in the order given: a later one for the same key wins.
  std::vector<cli::TSettingOverride> overrides;
  bool help = false;
  bool where = false;
  bool version = false;
  bool listPresets = false;
  bool listSettings = false;
  bool json = false;
  bool markdown = false;
};

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Plain decimal digits only.
bool ParseInt(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && text[0] != '-' && ec == std::errc() && ptr == end;
}

// The whole list file, which must be a regular file or "-" (standard input): a folder, a FIFO
// without a writer or a device would abort, hang or fill memory.
std::string ReadListText(const std::string& list) {
  int fd = 0;  // standard input
  int error = 0;
  if (list != "-") {
    platform::FileStatus status;
    if (const int e = platform::Status(list, status))
      throw TUsageError(cli::Say("无法读取列表文件 {1}：{2}", {list, cli::SystemReason(e)}));
    // Refused before opening: opening a FIFO would wait for a writer.
    if (status.kind != platform::FileKind::Regular) {
      throw TUsageError(cli::Say("列表文件 {1} 不是普通文件", {list}));
    }
    fd = platform::Open(list, platform::kOpenRead | platform::kOpenNonBlocking, error);
    if (fd < 0)
      throw TUsageError(cli::Say("无法读取列表文件 {1}：{2}", {list, cli::SystemReason(error)}));
    // What was opened may have been swapped since the look.
    if (platform::Status(fd, status) != 0 || status.kind != platform::FileKind::Regular) {
      platform::Close(fd);
      throw TUsageError(cli::Say("列表文件 {1} 不是普通文件", {list}));
    }
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const int64_t n = platform::Read(fd, buffer, sizeof buffer, error);
    if (n <= 0) break;
    if (text.size() + std::size_t(n) > kMaxListBytes) {
      error = EFBIG;
      break;
    }
    text.append(buffer, std::size_t(n));
  }
  if (fd != 0) platform::Close(fd);
  const std::string shown = list == "-" ? cli::Say("（标准输入）") : list;
  if (error == EFBIG) {
    throw TUsageError(
        cli::Say("列表文件 {1} 超过 {2}，不像是路径列表", {shown, cli::Size(kMaxListBytes)}));
  }
  if (error != 0) {
    throw TUsageError(cli::Say("无法读取列表文件 {1}：{2}", {shown, cli::SystemReason(error)}));
  }
  return text;
}

// Paths one a line, or NUL-separated when the list holds a NUL (find -print0); "-" is
// standard input. Empty entries are skipped.
std::vector<std::string> ReadFileList(const std::string& list) {
  const std::string text = ReadListText(list);
  const char separator = text.find('\0') != std::string::npos ? '\0' : '\n';
  std::vector<std::string> paths;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    std::string path = text.substr(start, end - start);
    // Lines written on Windows end in CR.
    if (separator == '\n' && !path.empty() && path.back() == '\r') path.pop_back();
    if (!path.empty()) paths.push_back(std::move(path));
    start = end + 1;
  }
  return paths;
}

TOptions ParseArguments(const std::vector<std::string>& argv) {
  const int argc = static_cast<int>(argv.size());
  TOptions options;
  int angle = 0;
  bool onlyPaths = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (onlyPaths || arg.empty() || arg[0] != '-' || arg == "-") {
      options.entries.push_back({arg, angle});
      continue;
    }
    if (arg == "--") {
      onlyPaths = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      options.help = true;
      continue;
    }
    if (arg == "--where") {
      options.where = true;
      continue;
    }
    if (arg == "--version") {
      options.version = true;
      continue;
    }
    if (arg == "--list-presets") {
      options.listPresets = true;
      continue;
    }
    if (arg == "--list-settings") {
      options.listSettings = true;
      continue;
    }
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    if (arg == "--markdown") {
      options.markdown = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    auto takeValue = [&]() -> std::string {
      if (value) return *value;
      if (i + 1 >= argc) throw TUsageError(cli::Say("{1} 需要一个值", {name}));
      return argv[++i];
    };
    if (name == "--config") {
      options.config = takeValue();
    } else if (name == "--frames") {
      options.frames = takeValue();
    } else if (name == "--out") {
      options.out = takeValue();
    } else if (name == "--gif") {
      options.gif = takeValue();
    } else if (name == "--preset") {
      options.preset = takeValue();
    } else if (name == "--jobs") {
      const std::string text = takeValue();
      if (!ParseInt(text, options.jobs) || options.jobs < 1 || options.jobs > 256) {
        throw TUsageError(cli::Say("--jobs 需要 1 到 256 之间的整数，而不是 \"{1}\"", {text}));
      }
    } else if (name == "--memory-limit") {
      const std::string text = takeValue();
      const auto bytes = ParseMemorySize(text);
      if (!bytes || *bytes < (uint64_t(16) << 20)) {
        throw TUsageError(
            cli::Say("--memory-limit 需要至少 16M 的大小，如 800M 或 2G，而不是 \"{1}\"", {text}));
      }
      options.memoryLimit = *bytes;
    } else if (name == "--set") {
      cli::TSettingOverride setting;
      if (auto problem = cli::ParseSettingOverride(takeValue(), setting))
        throw TUsageError(*problem);
      options.overrides.push_back(std::move(setting));
    } else if (name == "--files-from") {
      const std::string list = takeValue();
      for (std::string& path : ReadFileList(list))
        options.entries.push_back({std::move(path), angle});
    } else if (name == "--angle") {
      const std::string text = takeValue();
      if (!ParseInt(text, angle) || angle % 90 != 0 || angle < 0 || angle > 360) {
        throw TUsageError(
            cli::Say("--angle 只能是 0、90、180、270 或 360，而不是 \"{1}\"", {text}));
      }
    } else {
      throw TUsageError(cli::Say("未知选项 {1}", {arg}));
    }
  }
  if ((options.json || options.markdown) && !options.listSettings)
    throw TUsageError(cli::Say("--json 和 --markdown 只能与 --list-settings 一起使用"));
  if (options.help || options.where || options.version || options.listSettings ||
      options.listPresets)
    return options;
  if (options.out.has_value() == options.gif.has_value()) {
    throw TUsageError(cli::Say("请给出 --out DIR 或 --gif FILE 之一"));
  }
  if (options.entries.empty()) throw TUsageError(cli::Say("请给出要导出的图片或文件夹"));
  return options;
}

// Set from a signal handler (or, on Windows, the console's own thread): lock-free.
std::atomic<bool> gInterrupted{false};

// One scan for all folders given, so a folder reached twice adds its pictures once; the output
// folder is not searched, so a rerun does not export the earlier outputs again.
std::vector<TExportEntry> ExpandFolders(const std::vector<TExportEntry>& given,
                                        const std::string& outputFolder) {
  std::vector<TExportEntry> entries;
  TFolderScan scan(outputFolder);
  for (const TExportEntry& entry : given) {
    if (gInterrupted) break;
    std::error_code ec;
    if (std::filesystem::is_directory(platform::ToPath(entry.path), ec)) {
      for (std::string& path : scan.List(entry.path)) {
        entries.push_back({std::move(path), entry.angle});
      }
    } else {
      entries.push_back(entry);
    }
  }
  return entries;
}

// JPEG files written into a folder that is also searched for pictures would be exported again
// by the next run of the same command.
void RefuseInputFolderAsOutput(const std::vector<TExportEntry>& given, const std::string& out) {
  std::error_code ec;
  if (!std::filesystem::is_directory(out, ec)) return;  // not there yet: holds no input
  for (const TExportEntry& entry : given) {
    if (!std::filesystem::is_directory(entry.path, ec)) continue;
    if (std::filesystem::equivalent(entry.path, out, ec)) {
      throw TUsageError(
          cli::Say("输出文件夹 {1} 也是要导出的图片所在的文件夹，请换一个输出文件夹", {out}));
    }
  }
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// Progress on standard error: one line per picture, or a bar redrawn in place on a terminal.
class TProgressView {
 public:
  explicit TProgressView(bool terminal) : terminal_(terminal) {}

  void Show(int index, int total, const std::string& text) {
    if (!terminal_) {
      if (!text.empty()) std::cerr << text << '\n';
      return;
    }
    constexpr int kBarWidth = 30;
    const int filled = total > 0 ? index * kBarWidth / total : 0;
    std::string line = "\r[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') +
                       "] " + std::to_string(index) + "/" + std::to_string(total);
    if (index > 0) {
      const double elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
      const int left = static_cast<int>(elapsed / index * (total - index) + 0.5);
      line +=
          "  " + cli::Say("剩余 {1}", {std::to_string(left / 60) + ":" +
                                       (left % 60 < 10 ? "0" : "") + std::to_string(left % 60)});
    }
    line += "  " + text + "\x1b[K";
    std::cerr << line << std::flush;
    open_ = true;
  }

  // Ends the redrawn line before any other output.
  void Break() {
    if (open_) std::cerr << '\n';
    open_ = false;
  }

 private:
  bool terminal_;
  bool open_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::atomic<TExportDriver*> gDriver{nullptr};

// A second Ctrl-C ends the program at once; a file is only ever complete or absent.
void OnInterrupt() {
  gInterrupted = true;
  if (TExportDriver* driver = gDriver.load()) driver->Cancel();
}

// 0 only when every picture was written; 3 when some were and some skipped.
int ExitStatus(const TExportResult& result) {
  if (result.status == TExportStatus::Cancelled) return kExitInterrupted;
  if (result.status == TExportStatus::Failed || result.files.empty()) return kExitFailed;
  return result.skipped > 0 ? kExitSomeSkipped : kExitCompleted;
}

int Run(const TOptions& options) {
  DataPaths paths = ResolveDataPaths(ExeFolder());
  if (options.config) paths.configFile = *options.config;
  if (options.frames) paths.framesFolder = WithSlash(*options.frames);
  if (options.where) {
    std::cout << "Config.ini: " << paths.configFile << "\nFrames: " << paths.framesFolder << '\n';
    return kExitCompleted;
  }
  const TPresetFolder presets(PresetFolderFor(paths.configFile));
  if (options.listPresets) {
    for (const std::string& name : presets.Names()) std::cout << name << '\n';
    return kExitCompleted;
  }
  TKaravelKernel kernel(paths);
  // Over the settings in memory only: the settings file stays as it is.
  if (options.preset) {
    const std::optional<TMemIniFile> preset = presets.Load(*options.preset);
    if (!preset) {
      std::cerr << "pixmira-batch: "
                << cli::Say("没有名为 \"{1}\" 的方案（用 --list-presets 列出所有方案）",
                            {*options.preset})
                << '\n';
      return kExitUsage;
    }
    ApplyPreset(*preset, kernel.SettingsStore());
  }
  // For this run only: the kernel's store is never written back by the command.
  for (const cli::TSettingOverride& setting : options.overrides)
    kernel.SettingsStore().WriteString(kGeneral, setting.key, setting.value);

  if (options.out) RefuseInputFolderAsOutput(options.entries, *options.out);

  TExportJob job;
  job.workers = options.jobs;
  // An output folder that does not exist yet holds nothing to skip.
  job.entries = ExpandFolders(options.entries, options.out.value_or(""));
  if (gInterrupted) return kExitInterrupted;
  if (job.entries.empty()) {
    std::cerr << "pixmira-batch: " << cli::Say("没有找到要导出的图片") << '\n';
    return kExitUsage;
  }
  if (options.gif) {
    job.mode = TExportMode::Gif;
    job.target = *options.gif;
  } else {
    job.mode = TExportMode::Jpeg;
    job.target = *options.out;
    std::error_code ec;
    std::filesystem::create_directories(platform::ToPath(job.target), ec);
    if (!std::filesystem::is_directory(platform::ToPath(job.target), ec)) {
      std::cerr << "pixmira-batch: "
                << (ec ? cli::Say("无法使用输出文件夹 {1}：{2}",
                                  {job.target, cli::SystemReason(ec.value())})
                       : cli::Say("无法使用输出文件夹 {1}", {job.target}))
                << '\n';
      return kExitFailed;
    }
    job.jpegQuality = ExportJpegQuality(kernel.SettingsStore());
    job.jpegProgressive = ExportJpegProgressive(kernel.SettingsStore());
  }

  job.memoryLimit = options.memoryLimit;

  TProgressView view(platform::StandardErrorIsTerminal());
  TExportCallbacks callbacks;
  callbacks.onProgress = [&](int index, int total) {
    view.Show(index, total,
              cli::Say("正在导出第 {1} 个文件，总共 {2} 个文件。",
                       {std::to_string(index + 1), std::to_string(total)}));
  };
  callbacks.onWatermarkMissing = [&](const std::string& path) {
    view.Break();
    std::cerr << "pixmira-batch: "
              << cli::Say("警告：无法读取水印图片 {1}，导出的图片不加水印。", {path}) << '\n';
  };

  TExportDriver driver(kernel.SettingsStore(), kernel.CatalogStore(), kernel.FramesFolder());
  gDriver = &driver;
  if (gInterrupted) driver.Cancel();
  const TExportResult result = driver.Run(job, callbacks);
  gDriver = nullptr;
  if (result.status == TExportStatus::Completed) view.Show(result.handled, result.handled, "");
  view.Break();

  for (const TSkippedEntry& skip : result.skips) {
    std::cerr << cli::SkipLine(skip, result.memoryLimit) << '\n';
  }
  for (const TCapNote& note : result.capNotes) {
    const std::string cap = std::to_string(note.capKB);
    const std::string w = std::to_string(note.width), h = std::to_string(note.height);
    std::cerr << (note.overCap ? cli::Say("警告：{1} 即使缩小到 {3}×{4} 也超过 {2} KB",
                                          {note.path, cap, w, h})
                               : cli::Say("{1}：为了不超过 {2} KB，缩小到 {3}×{4}，质量 {5}",
                                          {note.path, cap, w, h, std::to_string(note.quality)}))
              << '\n';
  }
  if (result.status == TExportStatus::Failed) {
    std::cerr << "pixmira-batch: " << cli::FailureLine(result) << '\n';
  }
  // Only files on disk count.
  const int files = static_cast<int>(result.files.size());
  if (files == 0) {
    std::cerr << cli::Say("没有导出任何图片。") << '\n';
    return result.status == TExportStatus::Cancelled ? kExitInterrupted : kExitFailed;
  }
  std::cout << cli::FinalLine(result, job.mode == TExportMode::Gif) << std::endl;
  return ExitStatus(result);
}

}  // namespace

int main(int argc, char** argv) {
  platform::PrepareConsole();
  cli::SetLanguage(UserLanguage());
  TOptions options;
  try {
    options = ParseArguments(platform::Arguments(argc, argv));
  } catch (const TUsageError& e) {
    std::cerr << "pixmira-batch: " << e.what() << '\n'
              << cli::Say("请用 pixmira-batch --help 查看用法。") << '\n';
    return kExitUsage;
  }
  if (options.help) {
    std::cout << cli::Say(cli::kUsage, {FolderPatterns()});
    return kExitCompleted;
  }
  if (options.listSettings) {
    std::cout << (options.json       ? SettingsSchemaJson()
                  : options.markdown ? cli::SettingsMarkdown()
                                     : cli::SettingsListing());
    return kExitCompleted;
  }
  if (options.version) {
    std::cout << "pixmira-batch " << PIXMIRA_VERSION << '\n';
    return kExitCompleted;
  }
  platform::OnFirstInterrupt(OnInterrupt);
  // Every photo passes through buffers of tens of megabytes; faulting them in afresh for each
  // photo costs more than decoding it.
  platform::KeepFreedMemory();
  try {
    return Run(options);
  } catch (const TUsageError& e) {
    std::cerr << "pixmira-batch: " << e.what() << '\n';
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "pixmira-batch: " << cli::ExceptionLine(e) << '\n';
    return kExitFailed;
  }
}
