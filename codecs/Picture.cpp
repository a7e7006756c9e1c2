#include "codecs/Picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Errors.h"

namespace pixmira {

namespace {

[[noreturn]] void RaiseFileError(const std::string& path, int error) {
  std::string reason;
  if (error == EFileError::kNotRegularFile) {
    reason = "not a regular file";
  } else if (error == EFileError::kTooLarge) {
    reason = "the file is too large for a picture";
  } else {
    reason = std::strerror(error);
  }
  throw EFileError("Cannot read \"" + path + "\": " + reason, path, error);
}

// Larger than any picture we accept can be stored (a 32-bit BMP of the largest size).
constexpr std::size_t kMaxFileSize = std::size_t(kMaxPicturePixels) * 4 + (std::size_t(64) << 20);

struct TFd {
  int fd;
  ~TFd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and is then refused
  // below like a device or a folder; only a regular file has a size to trust.
  const TFd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
  if (file.fd < 0) RaiseFileError(path, errno);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) RaiseFileError(path, errno);
  if (S_ISDIR(st.st_mode)) RaiseFileError(path, EISDIR);
  if (!S_ISREG(st.st_mode)) RaiseFileError(path, EFileError::kNotRegularFile);
  if (st.st_size < 0 || std::size_t(st.st_size) > kMaxFileSize) {
    RaiseFileError(path, EFileError::kTooLarge);
  }
  // The size is known before anything is read; a file that grows meanwhile is read up to it.
  std::vector<uint8_t> bytes(std::size_t(st.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFileError(path, errno);
    }
    if (n == 0) break;  // shrank meanwhile
    done += std::size_t(n);
  }
  bytes.resize(done);
  return bytes;
}

void TPicture::LoadFromFile(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  LoadFromMemory(bytes);
}

}  // namespace pixmira
