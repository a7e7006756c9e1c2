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

}  // namespace pixmira
