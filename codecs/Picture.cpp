#include "codecs/Picture.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/Errors.h"
#include "core/Platform.h"

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
    if (fd >= 0) platform::Close(fd);
  }
};

}  // namespace

std::vector<uint8_t> ReadWholeFile(const std::string& path) { return ReadFileHead(path, SIZE_MAX); }

std::vector<uint8_t> ReadFileHead(const std::string& path, std::size_t limit) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer, and is then refused
  // below like a device or a folder; only a regular file has a size to trust.
  int error = 0;
  const TFd file{platform::Open(path, platform::kOpenRead | platform::kOpenNonBlocking, error)};
  if (file.fd < 0) RaiseFileError(path, error);
  platform::FileStatus st;
  if (const int e = platform::Status(file.fd, st)) RaiseFileError(path, e);
  if (st.kind == platform::FileKind::Directory) RaiseFileError(path, EISDIR);
  if (st.kind != platform::FileKind::Regular) RaiseFileError(path, EFileError::kNotRegularFile);
  if (st.size < 0 || uint64_t(st.size) > kMaxFileSize) RaiseFileError(path, EFileError::kTooLarge);
  // The size is known before anything is read; a file that grows meanwhile is read up to it.
  std::vector<uint8_t> bytes(std::min(std::size_t(st.size), limit));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const int64_t n = platform::Read(file.fd, bytes.data() + done, bytes.size() - done, error);
    if (n < 0) RaiseFileError(path, error);
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

void TDecodedPicture::Draw(TBitmap& target, const TRect& rect) const {
  target.StretchDraw(rect, bitmap_);
}

std::unique_ptr<TBitmap> TDecodedPicture::ToBitmap() const {
  return std::make_unique<TBitmap>(bitmap_);
}

std::unique_ptr<TBitmap> TDecodedPicture::TakeBitmap() {
  auto taken = std::make_unique<TBitmap>(std::move(bitmap_));
  bitmap_ = TBitmap();  // a moved-from bitmap would still report its old size
  return taken;
}

void TAlphaPicture::SetPixels(int width, int height, std::vector<uint8_t> bgra) {
  width_ = width;
  height_ = height;
  bgra_ = std::move(bgra);
}

namespace {

// One axis of the scaled drawing: for each destination index the two source indices and
// the weight of the second, in 1/256. Enlarging samples a source one pixel shorter, so its
// last row or column is never read.
struct Tap {
  int i0, i1, w1;
};

std::vector<Tap> Taps(int64_t from, int64_t to, int64_t sn, int64_t dn) {
  const int64_t extent = dn > sn && sn > 1 ? sn - 1 : sn;
  std::vector<Tap> taps;
  taps.reserve(std::size_t(std::max<int64_t>(0, to - from)));
  for (int64_t d = from; d < to; ++d) {
    int64_t u = (2 * d + 1) * extent * 256 / (2 * dn) - 128;
    u = std::clamp<int64_t>(u, 0, (extent - 1) * 256);
    const int i0 = int(u >> 8), w1 = int(u & 255);
    taps.push_back({i0, w1 ? i0 + 1 : i0, w1});
  }
  return taps;
}

}  // namespace

std::unique_ptr<TBitmap> TAlphaPicture::ToBitmap() const {
  auto bitmap = std::make_unique<TBitmap>(width_, height_);
  const uint8_t* in = bgra_.data();
  for (int y = 0; y < height_; ++y) {
    uint8_t* out = bitmap->Row(y);
    for (int x = 0; x < width_; ++x, in += 4, out += 3) {
      const unsigned a = in[3];
      out[0] = uint8_t((in[0] * a + 127) / 255);
      out[1] = uint8_t((in[1] * a + 127) / 255);
      out[2] = uint8_t((in[2] * a + 127) / 255);
    }
  }
  return bitmap;
}

void TAlphaPicture::Draw(TBitmap& target, const TRect& rect) const {
  const int64_t dw = int64_t(rect.right) - rect.left, dh = int64_t(rect.bottom) - rect.top;
  if (width_ == 0 || height_ == 0 || dw <= 0 || dh <= 0) return;
  const int x0 = std::max(rect.left, 0), x1 = std::min(rect.right, target.Width());
  const int y0 = std::max(rect.top, 0), y1 = std::min(rect.bottom, target.Height());
  if (x0 >= x1 || y0 >= y1) return;
  const std::vector<Tap> xs = Taps(int64_t(x0) - rect.left, int64_t(x1) - rect.left, width_, dw);
  const std::vector<Tap> ys = Taps(int64_t(y0) - rect.top, int64_t(y1) - rect.top, height_, dh);
  const std::size_t stride = std::size_t(width_) * 4;

  for (int y = y0; y < y1; ++y) {
    const Tap& ty = ys[y - y0];
    const uint8_t* r0 = bgra_.data() + std::size_t(ty.i0) * stride;
    const uint8_t* r1 = bgra_.data() + std::size_t(ty.i1) * stride;
    uint8_t* out = target.Row(y) + std::size_t(x0) * 3;
    for (int x = x0; x < x1; ++x, out += 3) {
      const Tap& tx = xs[x - x0];
      const uint8_t* p[4] = {r0 + tx.i0 * 4, r0 + tx.i1 * 4, r1 + tx.i0 * 4, r1 + tx.i1 * 4};
      const uint64_t w[4] = {uint64_t(256 - tx.w1) * (256 - ty.w1), uint64_t(tx.w1) * (256 - ty.w1),
                             uint64_t(256 - tx.w1) * ty.w1, uint64_t(tx.w1) * ty.w1};
      // Colours weighted by their alpha, so transparent neighbours lend no colour.
      uint64_t alpha = 0, sum[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        if (w[k] == 0) continue;
        const uint64_t wa = w[k] * p[k][3];
        alpha += wa;
        for (int c = 0; c < 3; ++c) sum[c] += wa * p[k][c];
      }
      const unsigned a = unsigned((alpha + 32768) >> 16);
      for (int c = 0; c < 3; ++c) {
        const unsigned s = unsigned((sum[c] + 32768) >> 16);  // colour × alpha, 0..65025
        const unsigned v = (s + out[c] * (255 - a) + 127) / 255;
        out[c] = uint8_t(std::min(v, 255u));
      }
    }
  }
}

}  // namespace pixmira
