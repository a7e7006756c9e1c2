#include "ui/Messages.h"

#include <QCoreApplication>
#include <cerrno>
#include <string_view>

#include "core/Errors.h"
#include "ui/Words.h"

namespace pixmira {

namespace {

QString U(const char* source) { return QCoreApplication::translate("Pixmira", source); }

QString Reason(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return U("没有写入权限");
    case EROFS:
      return U("磁盘是只读的");
    case ENOSPC:
    case EDQUOT:
      return U("磁盘已满");
    case ENOENT:
    case ENOTDIR:
      return U("文件夹不存在");
    case ENAMETOOLONG:
      return U("文件名太长");
    case EISDIR:
    case EFileError::kNotRegularFile:
      return U("同名的文件夹或特殊文件已存在");
    case EIO:
      return U("读写磁盘出错");
    default:
      return U("系统错误 %1").arg(error);
  }
}

}  // namespace

QString WriteErrorText(const QString& path, int error) {
  return U("无法写入 %1：%2").arg(path, Reason(error));
}

QString ExportErrorText(const TExportResult& result) {
  const QString path = QString::fromStdString(result.failedPath);
  if (result.badSetting) {
    return U("设置文件中 %1 的值“%2”无效，请改正后再试。")
        .arg(QString::fromStdString(result.badSetting->key),
             QString::fromStdString(result.badSetting->value));
  }
  if (result.reason == TFailReason::NoFrames)
    return U("列表中没有一张图片可以读取，无法生成动态图片 %1。").arg(path);
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
