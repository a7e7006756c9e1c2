#include "cli/Messages.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/Errors.h"

namespace pixmira::cli {

namespace {

constexpr const char* kUsageChinese =
    R"(用法: pixmira-batch [--config FILE] [--set KEY=VALUE]... [--preset NAME] [--frames DIR]
                     [--jobs N] [--memory-limit SIZE] [--angle DEG] (--out DIR | --gif FILE)
                     [--files-from LIST] PATH...
       pixmira-batch --list-settings [--json | --markdown]
       pixmira-batch --list-presets

把图片按设置文件中的效果（缩小尺寸、圆角或边框、水印）批量导出为 JPEG、PNG 或 WebP 文件，
或合成一个循环播放的 GIF 动画。

  PATH          图片文件，或文件夹：先取其中的 {1}（按文件名排序），
                然后依次搜索子文件夹（跳过隐藏文件夹和输出文件夹）；每个文件夹只搜索一次
  --out DIR     把每张图片导出为 DIR 中的文件（不存在时创建），从不覆盖已有文件；
                文件名、格式和大小上限按设置（OutputNamePattern、OutputFormat、MaxFileKB）
  --gif FILE    把所有图片合成一个 GIF 动画 FILE（已有的同名文件被替换）
  --files-from LIST
                从普通文件 LIST 读取更多 PATH，每行一个；含 NUL 字符时以 NUL 分隔
                （配合 find -print0）；LIST 为 - 时读标准输入
  --config FILE 设置文件，默认是程序旁边的 Config.ini（安装后为
                ~/.config/pixmira/Config.ini，或 $XDG_CONFIG_HOME/pixmira/Config.ini）
  --set KEY=VALUE
                本次运行把设置 KEY 当作 VALUE（可重复；不写入设置文件）。未知的设置或
                不允许的值是用法错误
  --list-settings
                列出所有设置：名称、类型、默认值、可用的值和含义，然后退出；加 --json
                以 JSON 列出（网页版由此生成设置面板），加 --markdown 以 README 的表格列出
  --frames DIR  存放 Frames.ini 和边框图片的文件夹，默认是程序旁边的 Frames（安装后为
                share/pixmira/Frames）
  --preset NAME 在设置文件之上使用方案 NAME 的设置（设置文件不变；--set 优先）
  --list-presets
                列出设置文件夹 Presets 中的方案，每行一个
  --where       显示将使用的设置文件和边框文件夹，然后退出
  --jobs N      同时处理的图片数，默认为处理器核数
  --memory-limit SIZE
                同时处理的图片共用的内存上限，如 800M、2G；默认为本进程可用内存的一半
                （含 cgroup 限制）。超过上限的图片等待，永远放不下的图片被跳过
  --angle DEG   其后各 PATH 的旋转角度（逆时针）：0、90、180、270 或 360
  --version     显示版本
  -h, --help    显示本说明

进度显示在标准错误上，每张跳过的图片一行并说明原因；最后一行报告写出了多少个文件，
有图片被跳过时还报告跳过了多少张。按 Ctrl-C 在当前图片完成后停止，已经写出的文件保留。

退出状态:
  0    每张图片都已导出
  1    出错停止，或没有导出任何图片（已写出的文件保留）
  2    用法错误（包括无法读取的 --files-from 列表、输出文件夹同时是输入文件夹）
  3    部分图片已导出，部分被跳过（跳过的图片在标准错误上列出）
  130  被 Ctrl-C 中断
)";

constexpr const char* kUsageEnglish =
    R"(Usage: pixmira-batch [--config FILE] [--set KEY=VALUE]... [--preset NAME] [--frames DIR]
                     [--jobs N] [--memory-limit SIZE] [--angle DEG] (--out DIR | --gif FILE)
                     [--files-from LIST] PATH...
       pixmira-batch --list-settings [--json | --markdown]
       pixmira-batch --list-presets

Exports pictures with the effects of the settings file (smaller size, rounded corners or a
frame, a watermark) as JPEG, PNG or WebP files, or joins them into one looping animated GIF.

  PATH          a picture file, or a folder: first its {1} (sorted by name),
                then its subfolders in turn (hidden folders and the output folder are
                skipped); each folder is searched once
  --out DIR     export each picture as a file in DIR (created when missing); existing
                files are never replaced; names, format and size cap follow the settings
                (OutputNamePattern, OutputFormat, MaxFileKB)
  --gif FILE    join all pictures into one animated GIF FILE (a file of that name is replaced)
  --files-from LIST
                read more PATHs from the regular file LIST, one a line; separated by NUL
                when it holds a NUL character (for find -print0); LIST - reads standard
                input
  --config FILE the settings file; by default Config.ini beside the program (when installed,
                ~/.config/pixmira/Config.ini or $XDG_CONFIG_HOME/pixmira/Config.ini)
  --set KEY=VALUE
                take VALUE for the setting KEY in this run (repeatable; the settings file is
                not written). An unknown setting or a value not allowed is a usage error
  --list-settings
                list every setting: name, type, default, allowed values and meaning, then
                exit; with --json as JSON (the web page builds its settings panel from it),
                with --markdown as the README's table
  --frames DIR  the folder of Frames.ini and the frame pictures; by default Frames beside the
                program (when installed, share/pixmira/Frames)
  --preset NAME use the settings of preset NAME over the settings file (which is not changed;
                --set comes first)
  --list-presets
                list the presets of the settings folder's Presets, one a line
  --where       show the settings file and the frames folder that would be used, then exit
  --jobs N      pictures processed at the same time; by default the number of processors
  --memory-limit SIZE
                the memory the pictures processed at the same time share, such as 800M or
                2G; by default half the memory this process may use (cgroup limits
                included). Pictures over the limit wait; pictures that can never fit are
                skipped
  --angle DEG   rotation (counter-clockwise) of the PATHs after it: 0, 90, 180, 270 or 360
  --version     show the version
  -h, --help    show this help

Progress is shown on standard error, one line for each skipped picture with its reason; the
last line says how many files were written and, when pictures were skipped, how many. Ctrl-C
stops after the current picture; files already written are kept.

Exit status:
  0    every picture was exported
  1    stopped by an error, or no picture exported (files already written are kept)
  2    usage error (also a --files-from list that cannot be read, or an output folder that is
       also an input folder)
  3    some pictures were exported and some skipped (listed on standard error)
  130  interrupted by Ctrl-C
)";

struct TText {
  std::string_view chinese;
  std::string_view english;
};

const TText kTexts[] = {
    {kUsageChinese, kUsageEnglish},
    {"，再 ", ", then "},
    {"无法读取列表文件 {1}：{2}", "cannot read the list file {1}: {2}"},
    {"{1} 需要一个值", "{1} needs a value"},
    {"--jobs 需要 1 到 256 之间的整数，而不是 \"{1}\"",
     "--jobs needs a whole number from 1 to 256, not \"{1}\""},
    {"--memory-limit 需要至少 16M 的大小，如 800M 或 2G，而不是 \"{1}\"",
     "--memory-limit needs a size of at least 16M, such as 800M or 2G, not \"{1}\""},
    {"--angle 只能是 0、90、180、270 或 360，而不是 \"{1}\"",
     "--angle can only be 0, 90, 180, 270 or 360, not \"{1}\""},
    {"未知选项 {1}", "unknown option {1}"},
    {"请给出 --out DIR 或 --gif FILE 之一", "give one of --out DIR or --gif FILE"},
    {"请给出要导出的图片或文件夹", "give the pictures or folders to export"},
    {"剩余 {1}", "{1} left"},
    {"没有找到要导出的图片", "no pictures to export were found"},
    {"无法使用输出文件夹 {1}：{2}", "cannot use the output folder {1}: {2}"},
    {"无法使用输出文件夹 {1}", "cannot use the output folder {1}"},
    {"正在导出第 {1} 个文件，总共 {2} 个文件。", "Exporting file {1} of {2}."},
    {"警告：无法读取水印图片 {1}，导出的图片不加水印。",
     "warning: cannot read the watermark picture {1}; the pictures are exported without a "
     "watermark."},
    {"没有导出任何图片。", "No picture was exported."},
    {"导出了 1 个文件（{1} 帧的 GIF 动画）。", "1 file exported (a GIF animation of {1} frames)."},
    {"{1} 个文件全部导出完毕。", "All {1} files exported."},
    {"导出了 {1} 个文件。", "{1} files exported."},
    {"导出了 1 个文件（1 帧的 GIF 动画）。", "1 file exported (a GIF animation of 1 frame)."},
    {"1 个文件全部导出完毕。", "The file was exported."},
    {"导出了 1 个文件。", "1 file exported."},
    {"请用 pixmira-batch --help 查看用法。", "See pixmira-batch --help for the usage."},
    {"文件或文件夹不存在", "no such file or folder"},
    {"没有权限", "permission denied"},
    {"这是一个文件夹", "it is a folder"},
    {"路径中有一段不是文件夹", "a part of the path is not a folder"},
    {"磁盘已满", "the disk is full"},
    {"超出磁盘配额", "the disk quota is exceeded"},
    {"文件系统只读", "the file system is read-only"},
    {"文件太大", "the file is too large"},
    {"文件名太长", "the file name is too long"},
    {"链接层数太多", "too many levels of links"},
    {"读写出错", "an input/output error"},
    {"不是普通文件", "not a regular file"},
    {"已有同名文件", "a file of that name exists"},
    {"不是普通文件（管道、设备或套接字）", "not a regular file (a pipe, device or socket)"},
    {"文件太大，不可能是图片", "the file is too large to be a picture"},
    {"系统错误 {1}", "system error {1}"},
    {"不支持这种文件类型", "this kind of file is not supported"},
    {"无法读取（{1}）", "cannot be read ({1})"},
    {"处理它需要约 {1} 内存，超过内存上限 {2}（可用 --memory-limit 调整）",
     "it needs about {1} of memory, more than the limit of {2} (see --memory-limit)"},
    {"图片已损坏或无法识别", "the picture is damaged or not recognised"},
    {"跳过 {1}：{2}", "skipped {1}: {2}"},
    {"无法写入 {1}：{2}", "cannot write {1}: {2}"},
    {"JPEG 编码出错：{1}", "JPEG encoding failed: {1}"},
    {"边框无法使用：{1}", "the frame cannot be used: {1}"},
    {"GIF 出错：{1}", "GIF error: {1}"},
    {"内存不足", "not enough memory"},
    {"出错：{1}", "error: {1}"},
    {"设置文件中 {1} 的值 \"{2}\" 无效，请改正后再试。",
     "the value \"{2}\" of {1} in the settings file is not valid; correct it and try again."},
    {"导出 {1} 时出错：{2}", "error while exporting {1}: {2}"},
    {"输出文件夹不接受它的文件名", "the output folder does not take its file name"},
    {"无法写入（{1}）", "cannot be written ({1})"},
    {"处理它需要约 {1} 内存，加上等待合成 GIF 的图片占用的 {2}，超过内存上限 {3}（可用 "
     "--memory-limit 调整）",
     "it needs about {1} of memory which, with the {2} held by the pictures waiting for the "
     "GIF, is more than the limit of {3} (see --memory-limit)"},
    {"，1 张图片未能导出。", ", 1 picture could not be exported."},
    {"，{1} 张图片未能导出。", ", {1} pictures could not be exported."},
    {"列表文件 {1} 不是普通文件", "the list file {1} is not a regular file"},
    {"列表文件 {1} 超过 {2}，不像是路径列表",
     "the list file {1} is larger than {2}; it is not a list of paths"},
    {"（标准输入）", "(standard input)"},
    {"输出文件夹 {1} 也是要导出的图片所在的文件夹，请换一个输出文件夹",
     "the output folder {1} is also a folder of pictures to export; choose another output "
     "folder"},
    {"列表中没有一张图片可以读取，无法生成动态图片 {1}。",
     "none of the pictures in the list could be read, so the animation {1} was not made."},
    {"（空）", "empty"},
    {"窗口", "window"},
    {"导出", "export"},
    {"，", ", "},
    {"0 或 1", "0 or 1"},
    {"{1} 到 {2}", "{1} to {2}"},
    {"{1} 到 {2}，或空", "{1} to {2}, or empty"},
    {"一行文字", "text on one line"},
    {"颜色名（如 clRed）或 $00BBGGRR", "a colour name (such as clRed) or $00BBGGRR"},
    {"{1} 到 {2}，小数点用 \".\"", "{1} to {2}, with a decimal point \".\""},
    {"--set 需要 KEY=VALUE，而不是 \"{1}\"", "--set needs KEY=VALUE, not \"{1}\""},
    {"未知设置 {1}（pixmira-batch --list-settings 列出所有设置）",
     "unknown setting {1} (pixmira-batch --list-settings lists them all)"},
    {"设置 {1} 不能是 \"{2}\"，可用的值：{3}", "setting {1} cannot be \"{2}\"; allowed: {3}"},
    {"--json 和 --markdown 只能与 --list-settings 一起使用",
     "--json and --markdown go only with --list-settings"},
    {"没有名为 \"{1}\" 的方案（用 --list-presets 列出所有方案）",
     "there is no preset \"{1}\" (--list-presets lists them)"},
    {"{1}：为了不超过 {2} KB，缩小到 {3}×{4}，质量 {5}",
     "{1}: shrunk to {3}×{4} at quality {5} to stay within {2} KB"},
    {"警告：{1} 即使缩小到 {3}×{4} 也超过 {2} KB",
     "warning: {1} is larger than {2} KB even at {3}×{4}"},
};

TLanguage gLanguage = TLanguage::Chinese;

std::string Fill(std::string_view pattern, std::initializer_list<std::string> args) {
  std::vector<std::string> values;
  // Names come from anywhere; a terminal must not take their control characters as commands.
  for (const std::string& arg : args) values.push_back(EscapeControls(arg));
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 1] >= '1' &&
        pattern[i + 1] <= '9' && pattern[i + 2] == '}') {
      const std::size_t n = std::size_t(pattern[i + 1] - '1');
      if (n < values.size()) out += values[n];
      i += 2;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

const TText* Find(std::string_view chinese) {
  for (const TText& t : kTexts) {
    if (t.chinese == chinese) return &t;
  }
  return nullptr;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  auto escape = [&](unsigned char c) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      escape(c);
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      // U+0080..U+009F, the C1 controls (CSI among them).
      out += "\\u00";
      const auto d = static_cast<unsigned char>(text[++i]);  // C2 xx is U+00xx
      out += kHex[d >> 4];
      out += kHex[d & 15];
    } else {
      out += char(c);
    }
  }
  return out;
}

std::string FinalLine(const TExportResult& result, bool gif) {
  const int files = static_cast<int>(result.files.size());
  std::string line;
  // The texts for one file or frame are keys of their own so that English can say it singular;
  // the Chinese reads the same.
  if (gif) {
    line = result.written == 1
               ? Say("导出了 1 个文件（1 帧的 GIF 动画）。")
               : Say("导出了 1 个文件（{1} 帧的 GIF 动画）。", {std::to_string(result.written)});
  } else if (result.status == TExportStatus::Completed && result.skipped == 0 &&
             files == result.total) {
    line = files == 1 ? Say("1 个文件全部导出完毕。")
                      : Say("{1} 个文件全部导出完毕。", {std::to_string(files)});
  } else {
    line =
        files == 1 ? Say("导出了 1 个文件。") : Say("导出了 {1} 个文件。", {std::to_string(files)});
  }
  if (result.skipped > 0) {
    // The sentence goes on after the count of what was written.
    for (std::string_view stop : {"。", "."}) {
      if (line.ends_with(stop)) {
        line.resize(line.size() - stop.size());
        break;
      }
    }
    line += result.skipped == 1 ? Say("，1 张图片未能导出。")
                                : Say("，{1} 张图片未能导出。", {std::to_string(result.skipped)});
  }
  return line;
}

const char* const kUsage = kUsageChinese;

void SetLanguage(TLanguage language) { gLanguage = language; }

bool HasEnglish(std::string_view chinese) { return Find(chinese) != nullptr; }

std::string SayIn(TLanguage language, std::string_view chinese,
                  std::initializer_list<std::string> args) {
  const TText* t = language == TLanguage::English ? Find(chinese) : nullptr;
  return Fill(t ? t->english : chinese, args);
}

std::string Say(std::string_view chinese, std::initializer_list<std::string> args) {
  return SayIn(gLanguage, chinese, args);
}

bool SpeaksEnglish() { return gLanguage == TLanguage::English; }

std::string SystemReason(int error) {
  switch (error) {
    case ENOENT:
      return Say("文件或文件夹不存在");
    case EACCES:
    case EPERM:
      return Say("没有权限");
    case EISDIR:
      return Say("这是一个文件夹");
    case ENOTDIR:
      return Say("路径中有一段不是文件夹");
    case ENOSPC:
      return Say("磁盘已满");
#ifdef EDQUOT  // Windows has no quota error number; it reports a full disk
    case EDQUOT:
      return Say("超出磁盘配额");
#endif
    case EROFS:
      return Say("文件系统只读");
    case EFBIG:
      return Say("文件太大");
    case ENAMETOOLONG:
      return Say("文件名太长");
    case ELOOP:
      return Say("链接层数太多");
    case EIO:
      return Say("读写出错");
    case EINVAL:
      return Say("不是普通文件");
    case EEXIST:
      return Say("已有同名文件");
    case EFileError::kNotRegularFile:
      return Say("不是普通文件（管道、设备或套接字）");
    case EFileError::kTooLarge:
      return Say("文件太大，不可能是图片");
    default:
      return Say("系统错误 {1}", {std::to_string(error)});
  }
}

std::string Size(uint64_t bytes) {
  char text[32];
  if (bytes >= (uint64_t(1) << 30)) {
    std::snprintf(text, sizeof text, "%.1f GB", double(bytes) / double(uint64_t(1) << 30));
  } else {
    std::snprintf(text, sizeof text, "%llu MB",
                  static_cast<unsigned long long>((bytes + (1 << 20) - 1) >> 20));
  }
  return text;
}

namespace {

std::string Reason(const TLoadReport& why, uint64_t limit) {
  switch (why.problem) {
    case TLoadProblem::UnknownType:
      return Say("不支持这种文件类型");
    case TLoadProblem::Unreadable:
      return Say("无法读取（{1}）", {SystemReason(why.error)});
    case TLoadProblem::NotAFile:
      return SystemReason(EFileError::kNotRegularFile);
    case TLoadProblem::TooLarge:
      return SystemReason(EFileError::kTooLarge);
    case TLoadProblem::OverMemoryLimit:
      if (why.needed == 0) return Say("内存不足");
      if (why.held > 0) {
        return Say(
            "处理它需要约 {1} 内存，加上等待合成 GIF 的图片占用的 {2}，超过内存上限 {3}"
            "（可用 --memory-limit 调整）",
            {Size(why.needed), Size(why.held), Size(limit)});
      }
      return Say("处理它需要约 {1} 内存，超过内存上限 {2}（可用 --memory-limit 调整）",
                 {Size(why.needed), Size(limit)});
    case TLoadProblem::NotWritten:
      if (why.error == ENAMETOOLONG) return Say("无法写入（{1}）", {SystemReason(why.error)});
      return Say("输出文件夹不接受它的文件名");
    case TLoadProblem::Damaged:
    case TLoadProblem::None:
      break;
  }
  return Say("图片已损坏或无法识别");
}

}  // namespace

std::string SkipLine(const TSkippedEntry& skip, uint64_t memoryLimit) {
  return Say("跳过 {1}：{2}", {skip.path, Reason(skip.why, memoryLimit)});
}

std::string ExceptionLine(const std::exception& e) {
  if (const auto* file = dynamic_cast<const EFileError*>(&e); file && !file->Path().empty()) {
    return Say("无法写入 {1}：{2}", {file->Path(), SystemReason(file->Error())});
  }
  if (dynamic_cast<const EJPEG*>(&e)) return Say("JPEG 编码出错：{1}", {e.what()});
  if (dynamic_cast<const EFrameError*>(&e)) return Say("边框无法使用：{1}", {e.what()});
  if (dynamic_cast<const GIFException*>(&e)) return Say("GIF 出错：{1}", {e.what()});
  if (dynamic_cast<const std::bad_alloc*>(&e)) return Say("内存不足");
  return Say("出错：{1}", {e.what()});
}

std::string FailureLine(const TExportResult& result) {
  if (result.badSetting) {
    return Say("设置文件中 {1} 的值 \"{2}\" 无效，请改正后再试。",
               {result.badSetting->key, result.badSetting->value});
  }
  if (result.reason == TFailReason::NoFrames) {
    return Say("列表中没有一张图片可以读取，无法生成动态图片 {1}。", {result.failedPath});
  }
  std::string why = result.detail;
  if (result.failure) {
    try {
      std::rethrow_exception(result.failure);
    } catch (const EFileError& e) {
      if (!e.Path().empty()) {
        const std::string write = Say("无法写入 {1}：{2}", {e.Path(), SystemReason(e.Error())});
        // The file being written is the one named: the write line says it all.
        if (e.Path() == result.failedPath) return write;
        why = write;
      } else {
        why = ExceptionLine(e);
      }
    } catch (const std::exception& e) {
      why = ExceptionLine(e);
    } catch (...) {
    }
  }
  return Say("导出 {1} 时出错：{2}", {result.failedPath, why});
}

}  // namespace pixmira::cli
