#include "codecs/Probe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pixmira {

namespace {

uint32_t Big32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint32_t Little32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

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
                        int(std::min<uint32_t>(height, INT32_MAX)), uint64_t(width) * height * 7};
  }
  // The BGRA rows, then the three-byte working copy made from them.
  return TPictureSize{int(width), int(height), uint64_t(width) * height * 7};
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

}  // namespace pixmira
