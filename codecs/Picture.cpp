#include "codecs/Picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/Errors.h"

namespace pixmira {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void RaiseFileError(const std::string& path, const std::string& reason) {
  throw EFileError("Cannot read \"" + path + "\": " + reason);
}

// Larger than any picture we accept can be stored (a 32-bit BMP of the largest size), so a
// device or an endless file cannot make us read without bound.
constexpr std::size_t kMaxFileSize = std::size_t(kMaxPicturePixels) * 4 + (std::size_t(64) << 20);

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) RaiseFileError(path, std::strerror(errno ? errno : ENOENT));
  std::vector<uint8_t> bytes;
  uint8_t chunk[64 * 1024];
  for (;;) {
    std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < sizeof chunk) {
      // A folder opens on Linux but fails on the first read (EISDIR).
      if (std::ferror(file.get())) RaiseFileError(path, std::strerror(errno ? errno : EIO));
      break;
    }
    if (bytes.size() > kMaxFileSize) RaiseFileError(path, "the file is too large for a picture");
  }
  return bytes;
}

void TPicture::LoadFromFile(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  LoadFromMemory(bytes);
}

}  // namespace pixmira
