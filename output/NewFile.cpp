#include "output/NewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "codecs/LoadPicture.h"
#include "core/Errors.h"

namespace pixmira {

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void Fail(const std::string& path, int error) {
  throw EFileError("Cannot write " + path + ": " + std::strerror(error));
}

class TTempFile {
 public:
  explicit TTempFile(const std::string& wantedPath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(wantedPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = folder + "/.~" + BaseOf(wantedPath).substr(0, 100) + "." + std::to_string(getpid()) +
              "-" + std::to_string(counter++) + ".tmp";
      fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST) Fail(wantedPath, errno);
    }
    Fail(wantedPath, EEXIST);
  }
  ~TTempFile() {
    if (fd_ >= 0) close(fd_);
    if (!path_.empty()) unlink(path_.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;

  const std::string& Path() const { return path_; }

  void WriteAll(std::span<const uint8_t> bytes, const std::string& shownPath) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        Fail(shownPath, errno);
      }
      done += std::size_t(n);
    }
    if (fsync(fd_) != 0) Fail(shownPath, errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail(shownPath, errno);
  }

  // The file now lives under another name; nothing to clean up.
  void Release() { path_.clear(); }

 private:
  std::string path_;
  int fd_ = -1;
};

// 0 on success, else the errno of the failure; EEXIST when the name is taken.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int error = errno;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP) return error;
  // A file system without the no-replace rename: a hard link fails on an existing name too.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
  // Neither (some FUSE and network file systems): look, then rename. Only a writer racing
  // us within that instant could lose a file.
  struct stat existing;
  if (lstat(to.c_str(), &existing) == 0) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

std::string WriteNewFile(const std::string& wantedPath, std::span<const uint8_t> bytes) {
  TTempFile temp(wantedPath);
  temp.WriteAll(bytes, wantedPath);
  for (int attempt = 0; attempt < 10000; ++attempt) {
    const std::string target = UniqueFileName(wantedPath);
    const int error = MoveWithoutReplacing(temp.Path(), target);
    if (error == 0) {
      temp.Release();
      SyncFolder(FolderOf(target));
      return target;
    }
    if (error != EEXIST) Fail(target, error);
  }
  Fail(wantedPath, EEXIST);
}

}  // namespace pixmira
