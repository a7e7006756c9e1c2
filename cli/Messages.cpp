#include "cli/Messages.h"

#include <cerrno>
#include <cstdio>

#include "core/Errors.h"

namespace pixmira::cli {

std::string SystemReason(int error) {
  switch (error) {
    case ENOENT:
      return "文件或文件夹不存在";
    case EACCES:
    case EPERM:
      return "没有权限";
    case EISDIR:
      return "这是一个文件夹";
    case ENOTDIR:
      return "路径中有一段不是文件夹";
    case ENOSPC:
      return "磁盘已满";
    case EDQUOT:
      return "超出磁盘配额";
    case EROFS:
      return "文件系统只读";
    case EFBIG:
      return "文件太大";
    case ENAMETOOLONG:
      return "文件名太长";
    case ELOOP:
      return "链接层数太多";
    case EIO:
      return "读写出错";
    case EINVAL:
      return "不是普通文件";
    case EEXIST:
      return "已有同名文件";
    case EFileError::kNotRegularFile:
      return "不是普通文件（管道、设备或套接字）";
    case EFileError::kTooLarge:
      return "文件太大，不可能是图片";
    default:
      return "系统错误 " + std::to_string(error);
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
      return "不支持这种文件类型";
    case TLoadProblem::Unreadable:
      return "无法读取（" + SystemReason(why.error) + "）";
    case TLoadProblem::NotAFile:
      return SystemReason(EFileError::kNotRegularFile);
    case TLoadProblem::TooLarge:
      return SystemReason(EFileError::kTooLarge);
    case TLoadProblem::OverMemoryLimit:
      return "处理它需要约 " + Size(why.needed) + " 内存，超过内存上限 " + Size(limit) +
             "（可用 --memory-limit 调整）";
    case TLoadProblem::Damaged:
    case TLoadProblem::None:
      break;
  }
  return "图片已损坏或无法识别";
}

}  // namespace

std::string SkipLine(const TSkippedEntry& skip, uint64_t memoryLimit) {
  return "跳过 " + skip.path + "：" + Reason(skip.why, memoryLimit);
}

std::string ExceptionLine(const std::exception& e) {
  if (const auto* file = dynamic_cast<const EFileError*>(&e); file && !file->Path().empty()) {
    return "无法写入 " + file->Path() + "：" + SystemReason(file->Error());
  }
  if (dynamic_cast<const EJPEG*>(&e)) return std::string("JPEG 编码出错：") + e.what();
  if (dynamic_cast<const EFrameError*>(&e)) return std::string("边框无法使用：") + e.what();
  if (dynamic_cast<const GIFException*>(&e)) return std::string("GIF 出错：") + e.what();
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "内存不足";
  return std::string("出错：") + e.what();
}

std::string FailureLine(const TExportResult& result) {
  if (result.badSetting) {
    return "设置文件中 " + result.badSetting->key + " 的值 \"" + result.badSetting->value +
           "\" 无效，请改正后再试。";
  }
  std::string line = "导出 " + result.failedPath + " 时出错：";
  if (!result.failure) return line + result.error;
  try {
    std::rethrow_exception(result.failure);
  } catch (const EFileError& e) {
    const std::string write = "无法写入 " + e.Path() + "：" + SystemReason(e.Error());
    if (!e.Path().empty() && e.Path() == result.failedPath) return write;
    if (!e.Path().empty()) return line + write;
    return line + ExceptionLine(e);
  } catch (const std::exception& e) {
    return line + ExceptionLine(e);
  } catch (...) {
  }
  return line + result.error;
}

}  // namespace pixmira::cli
