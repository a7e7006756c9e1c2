#include "ui/Messages.h"

#include <cerrno>

#include "core/Errors.h"

namespace pixmira {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

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
  switch (result.failure) {
    case TExportResult::Failure::Write:
      return WriteErrorText(path, result.systemError);
    case TExportResult::Failure::EmptyGif:
      return U("列表中没有一张图片可以读取，无法生成动态图片 %1。").arg(path);
    case TExportResult::Failure::Other:
    case TExportResult::Failure::None:
      break;
  }
  return QString::fromStdString(result.error);
}

}  // namespace pixmira
