#include "codecs/LoadPicture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codecs/Formats.h"
#include "codecs/Jpeg.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "imaging/Rotate.h"

namespace pixmira {

namespace {

constexpr TColor kThumbnailLine = 0xC0DCC0;
constexpr int kCaption = 25;
constexpr int kMargin = 3;

// Where the picture goes in the cell: its own size when it fits, else scaled to fit.
TRect ThumbnailRect(int pw, int ph, int w, int h) {
  if (pw <= w - 2 * kMargin && ph <= h - kCaption - 2 * kMargin) {
    const int left = (w - pw) / 2, top = (h - kCaption - ph) / 2;
    return {left, top, left + pw, top + ph};
  }
  if (ph > pw) {
    const int tw = int(RoundRatio(int64_t(pw) * (h - 31), ph));
    const int left = (w - tw) / 2;
    return {left, kMargin, left + tw, h - 28};
  }
  const int th = int(RoundRatio(int64_t(ph) * (w - 6), pw));
  const int top = (h - kCaption - th) / 2;
  return {kMargin, top, w - kMargin, top + th};
}

template <typename DrawFn>
std::unique_ptr<TBitmap> Thumbnail(int pw, int ph, int w, int h, DrawFn draw) {
  auto cell = std::make_unique<TBitmap>(w, h);
  if (pw > 0 && ph > 0) {
    const TRect r = ThumbnailRect(pw, ph, w, h);
    if (r.Width() > 0 && r.Height() > 0) draw(*cell, r);
  }
  cell->pen.color = kThumbnailLine;
  cell->brush.style = TBrushStyle::Clear;
  cell->Rectangle({0, 0, w, h});
  cell->Line(0, h - kCaption - 1, w, h - kCaption - 1);
  return cell;
}

}  // namespace

std::unique_ptr<TPicture> LoadPicture(const std::string& path) {
  const TFormat* format = FormatForPath(path);
  if (!format) return nullptr;
  std::unique_ptr<TPicture> picture = format->make();
  try {
    picture->LoadFromFile(path);
  } catch (...) {
    return nullptr;
  }
  return picture;
}

std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path) {
  std::unique_ptr<TPicture> picture = LoadPicture(path);
  if (!picture) return nullptr;
  try {
    return picture->TakeBitmap();
  } catch (...) {
    return nullptr;
  }
}

namespace {

uint32_t Big32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint32_t Little32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::optional<TPictureSize> ProbeJpeg(std::span<const uint8_t> d) {
  std::size_t pos = 2;
  while (pos + 4 <= d.size()) {
    if (d[pos] != 0xFF) return std::nullopt;
    const uint8_t marker = d[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      pos += 2;
      continue;
    }
    const std::size_t length = std::size_t(d[pos + 2]) << 8 | d[pos + 3];
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (pos + 10 > d.size()) return std::nullopt;
      const int height = d[pos + 5] << 8 | d[pos + 6];
      const int width = d[pos + 7] << 8 | d[pos + 8];
      const int components = d[pos + 9];
      // Decoded rows, plus the whole-picture coefficients a progressive file keeps (two bytes
      // a sample).
      const bool progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
      const uint64_t pixels = uint64_t(width) * uint64_t(height);
      return TPictureSize{width, height, pixels * (3 + (progressive ? 2u * components : 0u))};
    }
    if (marker == 0xDA || marker == 0xD9 || length < 2) return std::nullopt;
    pos += 2 + length;
  }
  return std::nullopt;
}

std::optional<TPictureSize> ProbePng(std::span<const uint8_t> d) {
  if (d.size() < 24 || std::memcmp(d.data() + 12, "IHDR", 4) != 0) return std::nullopt;
  const uint32_t width = Big32(d.data() + 16), height = Big32(d.data() + 20);
  if (width > uint32_t(kMaxPictureSide) || height > uint32_t(kMaxPictureSide)) {
    return TPictureSize{int(std::min<uint32_t>(width, INT32_MAX)),
                        int(std::min<uint32_t>(height, INT32_MAX)), uint64_t(width) * height * 4};
  }
  return TPictureSize{int(width), int(height), uint64_t(width) * height * 4};
}

std::optional<TPictureSize> ProbeBmp(std::span<const uint8_t> d) {
  if (d.size() < 26) return std::nullopt;
  const uint32_t headerSize = Little32(d.data() + 14);
  int64_t width, height;
  if (headerSize == 12) {
    width = d[18] | d[19] << 8;
    height = d[20] | d[21] << 8;
  } else {
    width = int32_t(Little32(d.data() + 18));
    height = int32_t(Little32(d.data() + 22));
  }
  width = std::min<int64_t>(std::abs(width), INT32_MAX);
  height = std::min<int64_t>(std::abs(height), INT32_MAX);
  return TPictureSize{int(width), int(height), uint64_t(width) * uint64_t(height) * 3};
}

// The logical screen, and one byte a pixel for every frame the file holds.
std::optional<TPictureSize> ProbeGif(std::span<const uint8_t> d) {
  if (d.size() < 13) return std::nullopt;
  const int width = d[6] | d[7] << 8, height = d[8] | d[9] << 8;
  uint64_t frames = 0;
  std::size_t pos = 13;
  if (d[10] & 0x80) pos += 3u * (2u << (d[10] & 7));
  auto skipBlocks = [&] {
    while (pos < d.size() && d[pos] != 0) pos += 1 + d[pos];
    ++pos;
  };
  while (pos < d.size()) {
    const uint8_t block = d[pos++];
    if (block == 0) continue;
    if (block == '!') {
      ++pos;
      skipBlocks();
    } else if (block == ',') {
      if (pos + 9 > d.size()) break;
      uint64_t w = d[pos + 4] | d[pos + 5] << 8, h = d[pos + 6] | d[pos + 7] << 8;
      if (w == 0 || h == 0) w = width, h = height;
      const uint8_t packed = d[pos + 8];
      pos += 9;
      if (packed & 0x80) pos += 3u * (2u << (packed & 7));
      ++pos;  // code size
      skipBlocks();
      frames = std::min<uint64_t>(frames + w * h, uint64_t(kMaxPicturePixels));
    } else {
      break;
    }
  }
  return TPictureSize{width, height, frames + uint64_t(width) * height * 4};
}

}  // namespace

std::optional<TPictureSize> ProbePictureSize(std::span<const uint8_t> data) {
  if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8) return ProbeJpeg(data);
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (data.size() >= 8 && std::memcmp(data.data(), kPng, 8) == 0) return ProbePng(data);
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return ProbeBmp(data);
  if (data.size() >= 6 && (std::memcmp(data.data(), "GIF", 3) == 0)) return ProbeGif(data);
  return std::nullopt;
}

uint64_t PipelineBytes(const TPictureSize& size, uint64_t fileBytes) {
  // The working bitmap, one copy of it (turned, framed or reduced) and the watermark's layer.
  constexpr uint64_t kStepsBytesPerPixel = 9;
  return fileBytes + size.decodeBytes +
         uint64_t(size.width) * uint64_t(size.height) * kStepsBytesPerPixel;
}

std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path, const TMemoryGate& gate,
                                           TLoadReport& report) {
  report = {};
  const TFormat* format = FormatForPath(path);
  if (!format) {
    report.problem = TLoadProblem::UnknownType;
    return nullptr;
  }
  std::unique_ptr<TPicture> picture = format->make();
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const EFileError& e) {
    report.error = e.Error();
    report.problem = e.Error() == EFileError::kNotRegularFile ? TLoadProblem::NotAFile
                     : e.Error() == EFileError::kTooLarge     ? TLoadProblem::TooLarge
                                                              : TLoadProblem::Unreadable;
    return nullptr;
  }
  if (gate) {
    // A header that cannot be read is left to the decoder to refuse.
    if (const auto size = ProbePictureSize(bytes)) {
      const uint64_t needed = PipelineBytes(*size, bytes.size());
      if (!gate(needed)) {
        report.problem = TLoadProblem::OverMemoryLimit;
        report.needed = needed;
        return nullptr;
      }
    }
  }
  try {
    picture->LoadFromMemory(bytes);
    std::vector<uint8_t>().swap(bytes);
    auto bitmap = picture->TakeBitmap();
    if (!bitmap || bitmap->Empty()) {
      report.problem = TLoadProblem::Damaged;
      return nullptr;
    }
    return bitmap;
  } catch (const std::bad_alloc&) {
    report.problem = TLoadProblem::OverMemoryLimit;
    return nullptr;
  } catch (...) {
    report.problem = TLoadProblem::Damaged;
    return nullptr;
  }
}

std::unique_ptr<TBitmap> MakeThumbnail(const TPicture& picture, int cellWidth, int cellHeight) {
  return Thumbnail(picture.Width(), picture.Height(), cellWidth, cellHeight,
                   [&](TBitmap& cell, const TRect& r) { picture.Draw(cell, r); });
}

std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int cellWidth, int cellHeight) {
  return Thumbnail(picture.Width(), picture.Height(), cellWidth, cellHeight,
                   [&](TBitmap& cell, const TRect& r) {
                     if (r.Width() == picture.Width() && r.Height() == picture.Height()) {
                       cell.Draw(r.left, r.top, picture);
                     } else {
                       cell.StretchDraw(r, picture);
                     }
                   });
}

std::unique_ptr<TBitmap> MakeFileThumbnail(const std::string& path, int angle, int cellWidth,
                                           int cellHeight) {
  const bool quarter = angle % 180 != 0;
  const bool turned = angle % 360 != 0;
  try {
    const TFormat* format = FormatForPath(path);
    if (format && format == FormatNamed("jpeg")) {
      const std::vector<uint8_t> data = ReadWholeFile(path);
      TReducedJpeg jpeg = DecodeJpegReduced(data, [&](int pw, int ph) -> std::pair<int, int> {
        // The turned picture is drawn into the cell, so its size decides.
        const TRect r = quarter ? ThumbnailRect(ph, pw, cellWidth, cellHeight)
                                : ThumbnailRect(pw, ph, cellWidth, cellHeight);
        return quarter ? std::pair(r.Height(), r.Width()) : std::pair(r.Width(), r.Height());
      });
      std::unique_ptr<TBitmap> reduced = std::make_unique<TBitmap>(std::move(jpeg.bitmap));
      int pw = jpeg.fullWidth, ph = jpeg.fullHeight;
      if (turned) {
        reduced = RotatePicture(*reduced, kWhite, angle);
        if (quarter) std::swap(pw, ph);
      }
      return Thumbnail(pw, ph, cellWidth, cellHeight, [&](TBitmap& cell, const TRect& r) {
        if (r.Width() == reduced->Width() && r.Height() == reduced->Height())
          cell.Draw(r.left, r.top, *reduced);
        else
          cell.StretchDraw(r, *reduced);
      });
    }
    std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(path);
    if (!bitmap) return nullptr;
    if (turned) bitmap = RotatePicture(*bitmap, kWhite, angle);
    return MakeThumbnail(*bitmap, cellWidth, cellHeight);
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace pixmira
