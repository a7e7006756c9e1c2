#include "ui/Messages.h"

#include <QCoreApplication>
#include <cerrno>
#include <string_view>

#include "core/Errors.h"
#include "ui/Tr.h"
#include "ui/Words.h"

namespace pixmira {

namespace {

QString Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return Pixmira::tr("没有写入权限");
    case EROFS:
      return Pixmira::tr("磁盘是只读的");
    case ENOSPC:
    case EDQUOT:
      return Pixmira::tr("磁盘已满");
    case ENOENT:
    case ENOTDIR:
      return Pixmira::tr("文件夹不存在");
    case ENAMETOOLONG:
      return Pixmira::tr("文件名太长");
    case EISDIR:
    case EFileError::kNotRegularFile:
      return Pixmira::tr("同名的文件夹或特殊文件已存在");
    case EIO:
      return Pixmira::tr("读写磁盘出错");
    default:
      return Pixmira::tr("系统错误 %1").arg(error);
  }
}

}  // namespace

QString WriteErrorText(const QString& path, int error) {
  return Pixmira::tr("无法写入 %1：%2").arg(path, Reason(error));
}

QString ExportErrorText(const TExportResult& result) {
  const QString path = QString::fromStdString(result.failedPath);
  if (result.badSetting) {
    return Pixmira::tr("设置文件中 %1 的值“%2”无效，请改正后再试。")
        .arg(QString::fromStdString(result.badSetting->key),
             QString::fromStdString(result.badSetting->value));
  }
  if (result.reason == TFailReason::NoFrames)
    return Pixmira::tr("列表中没有一张图片可以读取，无法生成动态图片 %1。").arg(path);
  if (result.failure) {
    try {
      std::rethrow_exception(result.failure);
    } catch (const EFileError& e) {
      if (!e.Path().empty()) return WriteErrorText(QString::fromStdString(e.Path()), e.Error());
    } catch (...) {
    }
  }
  return ExportFailedText(result);
}

namespace {

QString Size(uint64_t bytes) {
  if (bytes >= (uint64_t(1) << 30))
    return QStringLiteral("%1 GB").arg(double(bytes) / double(uint64_t(1) << 30), 0, 'f', 1);
  return QStringLiteral("%1 MB").arg((bytes + (1 << 20) - 1) >> 20);
}

}  // namespace

QString SkipReasonText(const TLoadReport& why, uint64_t limit) {
  switch (why.problem) {
    case TLoadProblem::UnknownType:
      return Pixmira::tr("不支持这种文件类型");
    case TLoadProblem::Unreadable:
      return why.error == ENOENT ? Pixmira::tr("文件不存在")
                                 : Pixmira::tr("无法读取（系统错误 %1）").arg(why.error);
    case TLoadProblem::NotAFile:
      return Pixmira::tr("不是普通文件（管道、设备或套接字）");
    case TLoadProblem::TooLarge:
      return Pixmira::tr("文件太大，不可能是图片");
    case TLoadProblem::OverMemoryLimit:
      if (why.needed == 0) return Pixmira::tr("内存不足");
      if (why.held > 0) {
        return Pixmira::tr(
                   "处理它需要约 %1 内存，加上等待合成 GIF 的图片占用的 %2，超过内存上限 %3")
            .arg(Size(why.needed), Size(why.held), Size(limit));
      }
      return Pixmira::tr("处理它需要约 %1 内存，超过内存上限 %2")
          .arg(Size(why.needed), Size(limit));
    case TLoadProblem::NotWritten:
      if (why.error == ENAMETOOLONG) return Pixmira::tr("文件名太长");
      return Pixmira::tr("输出文件夹不接受它的文件名");
    case TLoadProblem::Damaged:
    case TLoadProblem::None:
      break;
  }
  return Pixmira::tr("图片已损坏或无法识别");
}

QString ExportSummaryText(const TExportResult& result, bool gif) {
  const int files = int(result.files.size());  // only what is on disk
  QString text;
  if (result.status == TExportStatus::Cancelled) {
    text = gif && files > 0 ? Pixmira::tr("导出已取消，已生成 1 个文件（%n 帧的 GIF 动画）。",
                                          nullptr, result.written)
                            : Pixmira::tr("导出已取消，已导出 %n 个文件。", nullptr, files);
  } else if (gif) {
    text = files > 0 ? Pixmira::tr("导出了 1 个文件（%n 帧的 GIF 动画）。", nullptr, result.written)
                     : Pixmira::tr("没有导出任何图片。");
  } else if (result.status == TExportStatus::Completed && result.skipped == 0 &&
             files == result.total) {
    text = Pixmira::tr("%n 个文件全部导出完毕。", nullptr, files);
  } else {
    text = Pixmira::tr("导出了 %n 个文件。", nullptr, files);
  }
  if (result.skipped > 0) {
    // The sentence goes on after the count of what was written.
    for (const QString& stop : {QStringLiteral("。"), QStringLiteral(".")}) {
      if (text.endsWith(stop)) {
        text.chop(stop.size());
        break;
      }
    }
    text += Pixmira::tr("，%n 张图片未能导出。", nullptr, result.skipped);
  }
  return text;
}

QStringList ExportDetailLines(const TExportResult& result) {
  QStringList lines;
  for (const TSkippedEntry& skip : result.skips) {
    lines << Pixmira::tr("%1：%2").arg(QString::fromStdString(skip.path),
                                       SkipReasonText(skip.why, result.memoryLimit));
  }
  for (const TCapNote& note : result.capNotes) {
    const QString path = QString::fromStdString(note.path);
    const QString size = QStringLiteral("%1×%2").arg(note.width).arg(note.height);
    lines << (note.overCap
                  ? Pixmira::tr("%1：即使缩小到 %2 也超过 %3 KB").arg(path, size).arg(note.capKB)
                  : Pixmira::tr("%1：为了不超过 %2 KB，缩小到 %3，质量 %4")
                        .arg(path)
                        .arg(note.capKB)
                        .arg(size)
                        .arg(note.quality));
  }
  if (result.watermarkMissing) lines << Pixmira::tr("水印图片无法读取，导出的图片没有加水印。");
  return lines;
}

}  // namespace pixmira
