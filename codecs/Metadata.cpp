#include "codecs/Metadata.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string_view>

#include "codecs/ColorProfile.h"
#include "codecs/Heif.h"

namespace pixmira {

namespace {

constexpr uint16_t kOrientation = 0x0112;
constexpr uint16_t kExifPointer = 0x8769;
constexpr uint16_t kGpsPointer = 0x8825;
constexpr uint16_t kInteropPointer = 0xA005;
constexpr uint16_t kMakerNote = 0x927C;

// A TIFF block being cleaned in place; every offset is checked before it is used.
class TTiff {
 public:
  explicit TTiff(std::span<const uint8_t> bytes) : b_(bytes.begin(), bytes.end()) {}

  bool Open() {
    if (b_.size() < 8) return false;
    if (b_[0] == 'I' && b_[1] == 'I') {
      little_ = true;
    } else if (b_[0] == 'M' && b_[1] == 'M') {
      little_ = false;
    } else {
      return false;
    }
    return Get16(2) == 42;
  }

  uint32_t FirstIfd() const { return Get32(4); }

  // The directory's entry count when it lies wholly inside the block, else nothing.
  bool ValidIfd(uint32_t at, uint32_t& count) const {
    if (at < 8 || at > b_.size() || b_.size() - at < 2) return false;
    count = Get16(at);
    return b_.size() - at >= 2 + 12 * uint64_t(count) + 4;
  }

  uint32_t NextIfd(uint32_t at, uint32_t count) const { return Get32(at + 2 + 12 * count); }

  // The value of a pointer tag in the directory, 0 when absent.
  uint32_t Pointer(uint32_t at, uint16_t tag) const {
    uint32_t count;
    if (!ValidIfd(at, count)) return 0;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t e = at + 2 + 12 * i;
      if (Get16(e) == tag) return Get32(e + 8);
    }
    return 0;
  }

  // Removes the entries whose tag drop() accepts, zeroing the data they point to, and closes
  // the gap so the directory stays one valid run of entries.
  void RemoveEntries(uint32_t at, const std::function<bool(uint16_t)>& drop) {
    uint32_t count;
    if (!ValidIfd(at, count)) return;
    const uint32_t next = NextIfd(at, count);
    std::vector<uint8_t> kept;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t e = at + 2 + 12 * i;
      if (drop(Get16(e))) {
        ZeroValue(e);
      } else {
        kept.insert(kept.end(), b_.begin() + e, b_.begin() + e + 12);
      }
    }
    const uint32_t left = uint32_t(kept.size() / 12);
    std::fill(b_.begin() + at, b_.begin() + at + 2 + 12 * count + 4, uint8_t(0));
    Put16(at, uint16_t(left));
    std::copy(kept.begin(), kept.end(), b_.begin() + at + 2);
    Put32(at + 2 + 12 * left, next);
  }

  // Zeroes a whole directory and the data of its entries (the GPS position).
  void ZeroIfd(uint32_t at) {
    uint32_t count;
    if (!ValidIfd(at, count)) return;
    for (uint32_t i = 0; i < count; ++i) ZeroValue(at + 2 + 12 * i);
    std::fill(b_.begin() + at, b_.begin() + at + 2 + 12 * count + 4, uint8_t(0));
  }

  // An ASCII value of the directory, without its closing NUL; empty when absent or damaged.
  std::string Ascii(uint32_t at, uint16_t tag) const {
    uint32_t count;
    if (!ValidIfd(at, count)) return {};
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t e = at + 2 + 12 * i;
      if (Get16(e) != tag || Get16(e + 2) != 2) continue;
      const uint32_t n = Get32(e + 4);
      const uint32_t offset = n <= 4 ? e + 8 : Get32(e + 8);
      if (offset > b_.size() || n > b_.size() - offset) return {};
      std::string text(b_.begin() + offset, b_.begin() + offset + n);
      return text.substr(0, text.find('\0'));
    }
    return {};
  }

  std::vector<uint16_t> Tags(uint32_t at) const {
    std::vector<uint16_t> tags;
    uint32_t count;
    if (!ValidIfd(at, count)) return tags;
    for (uint32_t i = 0; i < count; ++i) tags.push_back(Get16(at + 2 + 12 * i));
    return tags;
  }

  std::vector<uint8_t> Take() { return std::move(b_); }

 private:
  static uint32_t TypeSize(uint16_t type) {
    switch (type) {
      case 1:
      case 2:
      case 6:
      case 7:
        return 1;
      case 3:
      case 8:
        return 2;
      case 4:
      case 9:
      case 11:
      case 13:
        return 4;
      case 5:
      case 10:
      case 12:
        return 8;
      default:
        return 0;
    }
  }

  // Data longer than four bytes lives at the offset in the entry's value field.
  void ZeroValue(uint32_t entry) {
    const uint64_t bytes = uint64_t(TypeSize(Get16(entry + 2))) * Get32(entry + 4);
    if (bytes > 4) {
      const uint32_t offset = Get32(entry + 8);
      if (offset >= 8 && offset <= b_.size() && bytes <= b_.size() - offset)
        std::fill(b_.begin() + offset, b_.begin() + offset + bytes, uint8_t(0));
    }
    std::fill(b_.begin() + entry + 8, b_.begin() + entry + 12, uint8_t(0));
  }

  uint16_t Get16(uint32_t at) const {
    return little_ ? uint16_t(b_[at] | b_[at + 1] << 8) : uint16_t(b_[at] << 8 | b_[at + 1]);
  }
  uint32_t Get32(uint32_t at) const {
    const uint32_t lo = Get16(at + (little_ ? 0 : 2)), hi = Get16(at + (little_ ? 2 : 0));
    return hi << 16 | lo;
  }
  void Put16(uint32_t at, uint16_t v) {
    b_[at + (little_ ? 0 : 1)] = uint8_t(v);
    b_[at + (little_ ? 1 : 0)] = uint8_t(v >> 8);
  }
  void Put32(uint32_t at, uint32_t v) {
    Put16(at + (little_ ? 0 : 2), uint16_t(v));
    Put16(at + (little_ ? 2 : 0), uint16_t(v >> 16));
  }

  std::vector<uint8_t> b_;
  bool little_ = true;
};

bool Starts(std::span<const uint8_t> data, std::string_view bytes, std::size_t at = 0) {
  return data.size() >= at + bytes.size() &&
         std::memcmp(data.data() + at, bytes.data(), bytes.size()) == 0;
}

uint32_t Big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint32_t Little32(const uint8_t* p) { return uint32_t(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0]; }

// The segments before the picture data; the profile may come in numbered chunks.
void ReadJpeg(std::span<const uint8_t> f, std::vector<uint8_t>& exif, std::vector<uint8_t>& icc) {
  std::vector<std::pair<int, std::span<const uint8_t>>> chunks;
  std::size_t at = 2;
  while (at + 4 <= f.size() && f[at] == 0xFF) {
    const uint8_t marker = f[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) break;  // the picture data begins
    const std::size_t length = std::size_t(f[at + 2]) << 8 | f[at + 3];
    if (length < 2 || at + 2 + length > f.size()) break;
    const auto body = f.subspan(at + 4, length - 2);
    if (marker == 0xE1 && exif.empty() && Starts(body, std::string_view("Exif\0\0", 6)))
      exif.assign(body.begin() + 6, body.end());
    if (marker == 0xE2 && Starts(body, std::string_view("ICC_PROFILE\0", 12)) && body.size() > 14)
      chunks.push_back({body[12], body.subspan(14)});
    at += 2 + length;
  }
  std::sort(chunks.begin(), chunks.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [n, bytes] : chunks) icc.insert(icc.end(), bytes.begin(), bytes.end());
}

void ReadPng(std::span<const uint8_t> f, std::vector<uint8_t>& exif) {
  std::size_t at = 8;
  while (at + 12 <= f.size()) {
    const uint32_t length = Big32(&f[at]);
    if (length > f.size() - at - 12) break;
    if (Starts(f, "eXIf", at + 4)) {
      exif.assign(f.begin() + at + 8, f.begin() + at + 8 + length);
      return;
    }
    if (Starts(f, "IDAT", at + 4)) return;
    at += 12 + length;
  }
}

void ReadWebp(std::span<const uint8_t> f, std::vector<uint8_t>& exif, std::vector<uint8_t>& icc) {
  std::size_t at = 12;
  while (at + 8 <= f.size()) {
    const uint32_t length = Little32(&f[at + 4]);
    if (length > f.size() - at - 8) break;
    const auto body = f.subspan(at + 8, length);
    if (Starts(f, "EXIF", at)) {
      // Some writers keep the JPEG segment's "Exif\0\0" in front.
      const std::size_t skip = Starts(body, std::string_view("Exif\0\0", 6)) ? 6 : 0;
      exif.assign(body.begin() + skip, body.end());
    }
    if (Starts(f, "ICCP", at)) icc.assign(body.begin(), body.end());
    at += 8 + length + (length & 1);
  }
}

// The EXIF block of a JPEG, PNG, WebP or HEIF file, and the ICC profile of a JPEG, WebP or
// HEIF file; other files give none.
void ReadBlocks(std::span<const uint8_t> file, std::vector<uint8_t>& exif,
                std::vector<uint8_t>& icc) {
  if (Starts(file, "\xFF\xD8\xFF")) {
    ReadJpeg(file, exif, icc);
  } else if (Starts(file, "\x89PNG\r\n\x1A\n")) {
    ReadPng(file, exif);
  } else if (Starts(file, "RIFF") && Starts(file, "WEBP", 8)) {
    ReadWebp(file, exif, icc);
  } else {
    ReadHeifMetadata(file, exif, icc);
  }
}

}  // namespace

std::vector<uint8_t> CleanExif(std::span<const uint8_t> tiff) {
  TTiff t(tiff);
  if (!t.Open()) return {};
  const uint32_t ifd0 = t.FirstIfd();
  uint32_t count;
  if (!t.ValidIfd(ifd0, count)) return {};
  const uint32_t ifd1 = t.NextIfd(ifd0, count);
  std::set<uint32_t> directories{ifd0};
  if (ifd1 != 0) directories.insert(ifd1);
  if (uint32_t exif = t.Pointer(ifd0, kExifPointer)) directories.insert(exif);
  for (uint32_t at : directories) {
    if (uint32_t gps = t.Pointer(at, kGpsPointer); gps != 0 && !directories.count(gps))
      t.ZeroIfd(gps);
  }
  for (uint32_t at : directories) {
    t.RemoveEntries(at, [](uint16_t tag) {
      return tag == kGpsPointer || tag == kOrientation || tag == kMakerNote ||
             tag == kInteropPointer;
    });
  }
  return t.Take();
}

std::vector<uint16_t> ExifTags(std::span<const uint8_t> tiff) {
  TTiff t(tiff);
  if (!t.Open()) return {};
  std::vector<uint16_t> tags = t.Tags(t.FirstIfd());
  if (uint32_t exif = t.Pointer(t.FirstIfd(), kExifPointer)) {
    const std::vector<uint16_t> more = t.Tags(exif);
    tags.insert(tags.end(), more.begin(), more.end());
  }
  return tags;
}

bool KeptProfile(std::span<const uint8_t> icc) { return IsSrgbProfile(icc); }

std::string ExifDateTaken(std::span<const uint8_t> file) {
  std::vector<uint8_t> exif, icc;
  ReadBlocks(file, exif, icc);
  TTiff t(exif);
  if (!t.Open()) return {};
  const uint32_t ifd0 = t.FirstIfd();
  std::string date;
  if (const uint32_t sub = t.Pointer(ifd0, kExifPointer)) date = t.Ascii(sub, 0x9003);
  if (date.empty()) date = t.Ascii(ifd0, 0x0132);
  return date;
}

TPictureMetadata ReadPictureMetadata(std::span<const uint8_t> file) {
  std::vector<uint8_t> exif, icc;
  ReadBlocks(file, exif, icc);
  TPictureMetadata metadata;
  if (!exif.empty()) metadata.exif = CleanExif(exif);
  if (!icc.empty() && KeptProfile(icc)) metadata.icc = std::move(icc);
  return metadata;
}

}  // namespace pixmira
