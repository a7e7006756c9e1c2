#include "cli/Messages.h"

#include <array>
#include <vector>

namespace pixmira {

namespace {

struct TText {
  TMsg id;
  const char* chinese;
  const char* english;
};

constexpr const char* kUsageChinese =
    R"(用法: pixmira-batch [--config FILE] [--frames DIR] [--jobs N] [--angle DEG]
                     (--out DIR | --gif FILE) PATH...

把图片按设置文件中的效果（缩小尺寸、圆角或边框、水印）批量导出为 JPEG 文件，
或合成一个循环播放的 GIF 动画。

  PATH          图片文件，或文件夹：先取其中的 {1}（按文件名排序），
                然后依次搜索子文件夹（跳过隐藏文件夹）
  --out DIR     把每张图片导出为 DIR 中的 JPEG 文件（不存在时创建），从不覆盖已有文件
  --gif FILE    把所有图片合成一个 GIF 动画 FILE（已有的同名文件被替换）
  --config FILE 设置文件，默认是程序旁边的 Config.ini（安装后为
                ~/.config/pixmira/Config.ini，或 $XDG_CONFIG_HOME/pixmira/Config.ini）
  --frames DIR  存放 Frames.ini 和边框图片的文件夹，默认是程序旁边的 Frames（安装后为
                share/pixmira/Frames）
  --where       显示将使用的设置文件和边框文件夹，然后退出
  --jobs N      同时处理的图片数，默认为处理器核数
  --angle DEG   其后各 PATH 的旋转角度（逆时针）：0、90、180、270 或 360
  -h, --help    显示本说明

进度显示在标准错误上，最后一行报告导出了多少个文件。按 Ctrl-C 在当前图片完成后停止，
已经写出的文件保留。

退出状态:
  0    全部导出完毕
  1    出错停止（已写出的文件保留）
  2    用法错误
  130  被 Ctrl-C 中断
)";

constexpr const char* kUsageEnglish =
    R"(Usage: pixmira-batch [--config FILE] [--frames DIR] [--jobs N] [--angle DEG]
                     (--out DIR | --gif FILE) PATH...

Exports pictures with the effects of the settings file (smaller size, rounded corners or a
frame, a watermark) as JPEG files, or joins them into one looping animated GIF.

  PATH          a picture file, or a folder: first its {1} (sorted by name),
                then its subfolders in turn (hidden folders are skipped)
  --out DIR     export each picture as a JPEG file in DIR (created when missing); existing
                files are never replaced
  --gif FILE    join all pictures into one animated GIF FILE (a file of that name is replaced)
  --config FILE the settings file; by default Config.ini beside the program (when installed,
                ~/.config/pixmira/Config.ini or $XDG_CONFIG_HOME/pixmira/Config.ini)
  --frames DIR  the folder of Frames.ini and the frame pictures; by default Frames beside the
                program (when installed, share/pixmira/Frames)
  --where       show the settings file and the frames folder that would be used, then exit
  --jobs N      pictures processed at the same time; by default the number of processors
  --angle DEG   rotation (counter-clockwise) of the PATHs after it: 0, 90, 180, 270 or 360
  -h, --help    show this help

Progress is shown on standard error; the last line says how many files were exported.
Ctrl-C stops after the current picture; files already written are kept.

Exit status:
  0    all exported
  1    stopped by an error (files already written are kept)
  2    usage error
  130  interrupted by Ctrl-C
)";

constexpr std::array<TText, 24> kTexts{{
    {TMsg::Usage, kUsageChinese, kUsageEnglish},
    {TMsg::Then, "，再 ", ", then "},
    {TMsg::NeedsValue, "{1} 需要一个值", "{1} needs a value"},
    {TMsg::BadJobs, "--jobs 需要 1 到 256 之间的整数，而不是 \"{1}\"",
     "--jobs needs a whole number from 1 to 256, not \"{1}\""},
    {TMsg::BadAngle, "--angle 只能是 0、90、180、270 或 360，而不是 \"{1}\"",
     "--angle can only be 0, 90, 180, 270 or 360, not \"{1}\""},
    {TMsg::UnknownOption, "未知选项 {1}", "unknown option {1}"},
    {TMsg::OutOrGif, "请给出 --out DIR 或 --gif FILE 之一", "give one of --out DIR or --gif FILE"},
    {TMsg::NoPaths, "请给出要导出的图片或文件夹", "give the pictures or folders to export"},
    {TMsg::SeeHelp, "请用 pixmira-batch --help 查看用法。",
     "See pixmira-batch --help for the usage."},
    {TMsg::NoPictures, "没有找到要导出的图片", "no pictures to export were found"},
    {TMsg::BadOutputFolder, "无法使用输出文件夹 {1}", "cannot use the output folder {1}"},
    {TMsg::BadOutputReason, "无法使用输出文件夹 {1}：{2}", "cannot use the output folder {1}: {2}"},
    {TMsg::Exporting, "正在导出第 {1} 个文件，总共 {2} 个文件。", "Exporting file {1} of {2}."},
    {TMsg::Remaining, "剩余 {1}", "{1} left"},
    {TMsg::Skipped, "跳过无法读取的图片：{1}", "Skipped a picture that cannot be read: {1}"},
    {TMsg::ExportFailed, "导出 {1} 时出错：{2}（{3}）", "Error while exporting {1}: {2} ({3})"},
    {TMsg::AllDone, "{1} 个文件全部导出完毕。", "All {1} files exported."},
    {TMsg::SomeDone, "导出了 {1} 个文件。", "{1} files exported."},
    {TMsg::ReasonFile, "无法读取或写入文件", "a file could not be read or written"},
    {TMsg::ReasonFrame, "所选的边框无法使用", "the chosen frame cannot be used"},
    {TMsg::ReasonSetting, "设置中的数值无效", "a value in the settings is not valid"},
    {TMsg::ReasonPicture, "图片无法处理", "the picture could not be processed"},
    {TMsg::ReasonMemory, "内存不足", "not enough memory"},
    {TMsg::ReasonOther, "未知错误", "an unknown error"},
}};

}  // namespace

std::string Say(TLanguage language, TMsg message, std::initializer_list<std::string> args) {
  const char* pattern = "";
  for (const TText& t : kTexts) {
    if (t.id == message) pattern = language == TLanguage::English ? t.english : t.chinese;
  }
  const std::vector<std::string> values(args);
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '{' && p[1] >= '1' && p[1] <= '9' && p[2] == '}') {
      const std::size_t n = std::size_t(p[1] - '1');
      if (n < values.size()) out += values[n];
      p += 2;
    } else {
      out += *p;
    }
  }
  return out;
}

TMsg ReasonMessage(TFailReason reason) {
  switch (reason) {
    case TFailReason::File:
      return TMsg::ReasonFile;
    case TFailReason::Frame:
      return TMsg::ReasonFrame;
    case TFailReason::Setting:
      return TMsg::ReasonSetting;
    case TFailReason::Picture:
      return TMsg::ReasonPicture;
    case TFailReason::Memory:
      return TMsg::ReasonMemory;
    case TFailReason::Other:
      break;
  }
  return TMsg::ReasonOther;
}

}  // namespace pixmira
