#include "codecs/Bmp.h"

#include <bit>
#include <cstring>

#include "core/Errors.h"

namespace pixmira {

namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

[[noreturn]] void Fail(const char* why) {
  throw EInvalidGraphic(std::string("Invalid BMP picture: ") + why);
}

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> data) : data_(data) {}
  std::size_t Size() const { return data_.size(); }
  bool Has(std::size_t offset, std::size_t count) const {
    return offset <= data_.size() && data_.size() - offset >= count;
  }
  uint8_t U8(std::size_t at) const { return Need(at, 1)[0]; }
  uint16_t U16(std::size_t at) const {
    const uint8_t* p = Need(at, 2);
    return uint16_t(p[0] | p[1] << 8);
  }
  uint32_t U32(std::size_t at) const {
    const uint8_t* p = Need(at, 4);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  const uint8_t* Need(std::size_t at, std::size_t count) const {
    if (!Has(at, count)) Fail("file is truncated");
    return data_.data() + at;
  }

 private:
  std::span<const uint8_t> data_;
};

// One colour channel of a bit-field pixel, scaled to 0..255 rounded to nearest.
class Channel {
 public:
  explicit Channel(uint32_t mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    max_ = (uint64_t(1) << bits) - 1;
    if ((uint64_t(mask) >> shift_) != max_) Fail("bit field masks must be contiguous");
  }
  uint8_t operator()(uint32_t pixel) const {
    if (max_ == 0) return 0;
    const uint64_t v = (pixel >> shift_) & max_;
    return uint8_t((v * 255 + max_ / 2) / max_);
  }

 private:
  int shift_ = 0;
  uint64_t max_ = 0;
};

struct Color {
  uint8_t b = 0, g = 0, r = 0;
};

struct Header {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = kRgb;
  uint32_t masks[3] = {0, 0, 0};
  std::vector<Color> palette;
  std::size_t pixels = 0;  // offset of the pixel data
};

Header ReadHeader(const Reader& in) {
  if (in.Size() < 18 || in.U8(0) != 'B' || in.U8(1) != 'M') Fail("not a BMP file");
  Header h;
  const uint32_t offBits = in.U32(10);
  const uint32_t headerSize = in.U32(14);
  const bool core = headerSize == 12;
  int64_t width, height;
  uint32_t colorsUsed = 0;
  std::size_t paletteStart = 14 + std::size_t(headerSize);
  if (core) {
    width = in.U16(18);
    height = in.U16(20);
    h.bpp = in.U16(24);
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
             headerSize == 108 || headerSize == 124) {
    in.Need(14, headerSize);
    width = int32_t(in.U32(18));
    height = int32_t(in.U32(22));
    h.bpp = in.U16(28);
    h.compression = in.U32(30);
    colorsUsed = in.U32(46);
    // The OS/2 header gives 3 and 4 other meanings (Huffman, RLE24).
    if (headerSize == 64 && h.compression >= kBitFields) Fail("unsupported compression");
  } else {
    Fail("unsupported header");
  }
  if (height < 0) {
    h.topDown = true;
    height = -height;
  }
  if (width <= 0 || height <= 0) Fail("empty picture");
  CheckPictureSize(width, height);
  h.width = int(width);
  h.height = int(height);

  switch (h.compression) {
    case kRgb:
      if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
        Fail("unsupported bit depth");
      if (h.bpp == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
      } else if (h.bpp == 32) {
        h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
      }
      break;
    case kRle8:
      if (h.bpp != 8) Fail("RLE8 needs 8 bits per pixel");
      break;
    case kRle4:
      if (h.bpp != 4) Fail("RLE4 needs 4 bits per pixel");
      break;
    case kBitFields:
    case kAlphaBitFields: {
      if (h.bpp != 16 && h.bpp != 32) Fail("bit fields need 16 or 32 bits per pixel");
      // A version 3 header is followed by the masks; later headers hold them.
      std::size_t at = 14 + 40;
      if (headerSize == 40) paletteStart += h.compression == kBitFields ? 12 : 16;
      for (uint32_t& m : h.masks) m = in.U32(at), at += 4;
      break;
    }
    default:
      Fail("unsupported compression");
  }

  if (h.bpp <= 8) {
    const std::size_t entrySize = core ? 3 : 4;
    std::size_t count = std::size_t(1) << h.bpp;
    if (colorsUsed != 0 && colorsUsed < count) count = colorsUsed;
    // Writers that store fewer entries say so through the pixel data offset.
    if (offBits > paletteStart && (offBits - paletteStart) / entrySize < count)
      count = (offBits - paletteStart) / entrySize;
    if (count == 0) Fail("palette is missing");
    in.Need(paletteStart, count * entrySize);
    h.palette.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = paletteStart + i * entrySize;
      h.palette[i] = {in.U8(at), in.U8(at + 1), in.U8(at + 2)};
      // entrySize == 4: the fourth byte is reserved.
    }
    paletteStart += count * entrySize;
  }
  h.pixels = offBits >= 14 + std::size_t(headerSize) ? offBits : paletteStart;
  if (h.pixels >= in.Size()) Fail("pixel data are missing");
  return h;
}

class Output {
 public:
  Output(TBitmap& bitmap, const Header& h) : bitmap_(bitmap), h_(h) {}
  // Stored row r (0 is the first in the file) as a row of the picture from the top.
  uint8_t* Row(int r) { return bitmap_.Row(h_.topDown ? r : h_.height - 1 - r); }
  // Indices beyond the palette show black.
  Color Entry(unsigned index) const {
    return index < h_.palette.size() ? h_.palette[index] : Color{};
  }

 private:
  TBitmap& bitmap_;
  const Header& h_;
};

void Put(uint8_t* p, Color c) {
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

void ReadUncompressed(const Reader& in, const Header& h, TBitmap& bitmap) {
  const std::size_t stride = (std::size_t(h.width) * h.bpp + 31) / 32 * 4;
  const std::size_t available = in.Size() - h.pixels;
  if (available / stride < std::size_t(h.height)) Fail("pixel data are truncated");
  Output out(bitmap, h);
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  for (int r = 0; r < h.height; ++r) {
    const uint8_t* s = in.Need(h.pixels + std::size_t(r) * stride, stride);
    uint8_t* d = out.Row(r);
    switch (h.bpp) {
      case 1:
      case 4:
      case 8: {
        const int perByte = 8 / h.bpp;
        const unsigned mask = (1u << h.bpp) - 1;
        for (int x = 0; x < h.width; ++x, d += 3) {
          const int shift = 8 - h.bpp * (x % perByte + 1);
          Put(d, out.Entry((s[x / perByte] >> shift) & mask));
        }
        break;
      }
      case 16:
        for (int x = 0; x < h.width; ++x, d += 3, s += 2) {
          const uint32_t v = s[0] | s[1] << 8;
          Put(d, {blue(v), green(v), red(v)});
        }
        break;
      case 24:
        std::memcpy(d, s, std::size_t(h.width) * 3);
        break;
      case 32:
        for (int x = 0; x < h.width; ++x, d += 3, s += 4) {
          const uint32_t v =
              uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
          Put(d, {blue(v), green(v), red(v)});
        }
        break;
    }
  }
}

// Run-length data: pixels the runs never reach stay black. Every step consumes input, so
// damaged data end at the end of the file at the latest.
void ReadRunLength(const Reader& in, const Header& h, TBitmap& bitmap) {
  bitmap.Fill(kBlack);
  Output out(bitmap, h);
  const bool four = h.compression == kRle4;
  int x = 0, r = 0;
  std::size_t p = h.pixels;
  auto put = [&](unsigned index) {
    if (x < h.width) Put(out.Row(r) + std::size_t(x) * 3, out.Entry(index));
    if (x < h.width) ++x;
  };
  while (r < h.height && in.Has(p, 2)) {
    const unsigned count = in.U8(p), value = in.U8(p + 1);
    p += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < h.width; ++i)
        put(four ? (i & 1 ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++r;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and down
      if (!in.Has(p, 2)) break;
      x = std::min(h.width, x + in.U8(p));
      r += in.U8(p + 1);
      p += 2;
    } else {  // a literal run of value indices, padded to a whole word
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (!in.Has(p, bytes)) break;
      for (unsigned i = 0; i < value && x < h.width; ++i) {
        const unsigned byte = in.U8(p + (four ? i / 2 : i));
        put(four ? (i & 1 ? byte & 15 : byte >> 4) : byte);
      }
      p += bytes + (bytes & 1);
    }
  }
}

}  // namespace

TBitmap DecodeBmp(std::span<const uint8_t> data) {
  const Reader in(data);
  const Header h = ReadHeader(in);
  if (h.compression == kRgb || h.compression == kBitFields || h.compression == kAlphaBitFields) {
    // Check the data before allocating: the declared size may be a lie.
    const std::size_t stride = (std::size_t(h.width) * h.bpp + 31) / 32 * 4;
    if ((in.Size() - h.pixels) / stride < std::size_t(h.height)) Fail("pixel data are truncated");
    TBitmap bitmap(h.width, h.height);
    ReadUncompressed(in, h, bitmap);
    return bitmap;
  }
  TBitmap bitmap(h.width, h.height);
  ReadRunLength(in, h, bitmap);
  return bitmap;
}

void TBMPImage::LoadFromMemory(std::span<const uint8_t> data) {
  Clear();
  SetBitmap(DecodeBmp(data));
}

}  // namespace pixmira
