// The reading side of the GIF classes.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "codecs/Gif.h"
#include "core/Errors.h"

namespace pixmira {

namespace {

[[noreturn]] void Fail(const char* text) { throw GIFException(text); }

class Stream {
 public:
  explicit Stream(std::span<const uint8_t> data) : data_(data) {}
  bool Has(std::size_t n) const { return data_.size() - pos_ >= n; }
  uint8_t Byte() { return data_[pos_++]; }
  uint16_t U16() {
    const uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  std::span<const uint8_t> Take(std::size_t n) {
    const auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  void Seek(std::size_t pos) { pos_ = pos; }
  // Skips up to n bytes; false when the data ran out first.
  bool Skip(std::size_t n) {
    if (!Has(n)) {
      pos_ = data_.size();
      return false;
    }
    pos_ += n;
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  std::size_t pos_ = 0;
};

bool IsSignature(std::span<const uint8_t> data, std::size_t at) {
  if (data.size() < at + 6) return false;
  return std::toupper(data[at]) == 'G' && std::toupper(data[at + 1]) == 'I' &&
         std::toupper(data[at + 2]) == 'F';
}

// False when the data end before the table does.
bool ReadColorMap(Stream& s, int entries, TGIFColorMap& map) {
  if (!s.Has(std::size_t(entries) * 3)) return false;
  map.resize(entries);
  for (TGIFColor& c : map) {
    c.r = s.Byte();
    c.g = s.Byte();
    c.b = s.Byte();
  }
  return true;
}

// The data sub-blocks of an image as one byte stream.
class SubBlocks {
 public:
  explicit SubBlocks(Stream& s) : s_(s) {}
  // The next data byte, or -1 at the terminator or the end of the file.
  int Next() {
    while (left_ == 0) {
      if (ended_ || !s_.Has(1)) return End();
      left_ = s_.Byte();
      if (left_ == 0) return End();
    }
    if (!s_.Has(1)) return End();
    --left_;
    return s_.Byte();
  }
  // Moves past the terminator, skipping whatever data remain.
  void SkipRest() {
    while (!ended_) {
      if (!s_.Skip(left_) || !s_.Has(1)) break;
      left_ = s_.Byte();
      if (left_ == 0) break;
    }
    ended_ = true;
    left_ = 0;
  }

 private:
  int End() {
    ended_ = true;
    left_ = 0;
    return -1;
  }
  Stream& s_;
  std::size_t left_ = 0;
  bool ended_ = false;
};

// Where each decoded index goes: rows in order, or the four passes of an interlaced image.
class PixelSink {
 public:
  PixelSink(TGIFFrame& frame)
      : out_(frame.indices.data()),
        width_(frame.width),
        height_(frame.height),
        interlaced_(frame.packed & 0x40) {}
  bool Done() const { return row_ >= height_; }
  void Put(uint8_t index) {
    out_[row_ * width_ + x_] = index;
    if (++x_ < width_) return;
    x_ = 0;
    if (!interlaced_) {
      ++row_;
      return;
    }
    static constexpr std::size_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::size_t kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= height_ && pass_ < 3) row_ = kStart[++pass_];
  }

 private:
  uint8_t* out_;
  std::size_t width_, height_;
  bool interlaced_;
  std::size_t x_ = 0, row_ = 0;
  int pass_ = 0;
};

constexpr int kMaxCodeBits = 12;
constexpr std::size_t kDecoderStack = 4096;

void DecodeLzw(SubBlocks& blocks, int codeSize, PixelSink& out) {
  const int clear = 1 << codeSize;
  const int end = clear + 1;
  // Codes are at most 13 bits wide (code size 12), so every code indexes these tables.
  std::vector<uint16_t> prefix(1 << (kMaxCodeBits + 1), 0);
  std::vector<uint8_t> suffix(1 << (kMaxCodeBits + 1), 0);
  std::vector<uint8_t> stack(kDecoderStack);
  int width = codeSize + 1;
  int next = clear + 2;
  int prev = -1;
  uint8_t first = 0;
  uint32_t bits = 0;
  int bitCount = 0;

  while (!out.Done()) {
    while (bitCount < width) {
      const int byte = blocks.Next();
      if (byte < 0) return;
      bits |= uint32_t(byte) << bitCount;
      bitCount += 8;
    }
    int code = int(bits & ((1u << width) - 1));
    bits >>= width;
    bitCount -= width;

    if (code == clear) {
      width = codeSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) return;
    if (prev < 0) {
      if (code > end) return;  // a string code before any string exists
      out.Put(uint8_t(code));
      prev = code;
      first = uint8_t(code);
      continue;
    }

    const int inCode = code;
    std::size_t sp = 0;
    if (code >= next) {  // the string being defined: previous string + its own first index
      stack[sp++] = first;
      code = prev;
    }
    while (code >= clear) {
      if (prefix[code] == code) Fail("Circular decoder table entry");
      if (sp >= kDecoderStack) Fail("Invalid GIF data");
      stack[sp++] = suffix[code];
      code = prefix[code];
    }
    if (sp >= kDecoderStack) Fail("Invalid GIF data");
    stack[sp++] = uint8_t(code);
    first = uint8_t(code);
    while (sp > 0 && !out.Done()) out.Put(stack[--sp]);

    if (next < (1 << kMaxCodeBits)) {
      prefix[next] = uint16_t(prev);
      suffix[next] = first;
      ++next;
      if (next >= (1 << width) && width < kMaxCodeBits) ++width;
    }
    prev = inCode;
  }
}

void DecodeImage(Stream& s, TGIFFrame& frame) {
  const TGIFGraphicControlExtension* control = frame.GraphicControl();
  const uint8_t fill = control && control->Transparent() ? control->transparentIndex : 0;
  frame.indices.assign(std::size_t(frame.width) * frame.height, fill);
  if (!s.Has(1)) return;  // no code size: the image stays without pixels
  const int codeSize = s.Byte();
  SubBlocks blocks(s);
  if (codeSize <= kMaxCodeBits) {
    PixelSink sink(frame);
    DecodeLzw(blocks, codeSize, sink);
  }
  blocks.SkipRest();
}

// An extension block after its "!". False when the data end inside it.
bool ReadExtension(Stream& s, std::vector<TGIFExtension>& pending) {
  if (!s.Has(1)) return false;
  const uint8_t label = s.Byte();
  std::span<const uint8_t> blocks[2];
  for (int n = 0;; ++n) {
    if (!s.Has(1)) return false;
    const uint8_t size = s.Byte();
    if (size == 0) break;
    if (!s.Has(size)) return false;
    const auto block = s.Take(size);
    if (n < 2) blocks[n] = block;
  }
  if (label == 0xF9 && blocks[0].size() >= 4) {
    TGIFGraphicControlExtension control;
    control.packed = blocks[0][0];
    control.delay = uint16_t(blocks[0][1] | blocks[0][2] << 8);
    control.transparentIndex = blocks[0][3];
    pending.push_back({control, std::nullopt});
  } else if (label == 0xFF && blocks[0].size() == 11 &&
             (std::memcmp(blocks[0].data(), "NETSCAPE2.0", 11) == 0 ||
              std::memcmp(blocks[0].data(), "ANIMEXTS1.0", 11) == 0) &&
             blocks[1].size() >= 3 && blocks[1][0] == 1) {
    pending.push_back(
        {std::nullopt, TGIFLoopExtension{uint16_t(blocks[1][1] | blocks[1][2] << 8)}});
  }
  return true;
}

TColor ColorOf(const TGIFColorMap& map, uint8_t index) {
  if (index >= map.size()) return kBlack;
  return RGBColor(map[index].r, map[index].g, map[index].b);
}

}  // namespace

const TGIFGraphicControlExtension* TGIFFrame::GraphicControl() const {
  for (const TGIFExtension& e : extensions)
    if (e.graphicControl) return &*e.graphicControl;
  return nullptr;
}

namespace {

void ReadGif(std::span<const uint8_t> data, TGIFHeader& header, std::vector<TGIFFrame>& frames) {
  Stream s(data);
  if (IsSignature(data, 0)) {
    s.Seek(6);
  } else if (IsSignature(data, 4)) {
    s.Seek(10);
  } else {
    Fail("Invalid GIF signature");
  }
  if (!s.Has(7)) Fail("Premature end of data");
  header.width = s.U16();
  header.height = s.U16();
  header.packed = s.Byte();
  header.background = s.Byte();
  header.aspect = s.Byte();
  if ((header.packed & 0x80) && !ReadColorMap(s, 2 << (header.packed & 7), header.globalColorMap))
    Fail("Premature end of data");

  // Every frame's pixels count against one budget, so a small file cannot make us hold
  // more than the largest picture we accept.
  int64_t budget = kMaxPicturePixels;
  bool haveImage = false;
  std::vector<TGIFExtension> pending;
  while (s.Has(1)) {
    const uint8_t block = s.Byte();
    if (block == 0) continue;
    if (block == ';') break;
    if (block == '!') {
      if (!ReadExtension(s, pending)) break;
      continue;
    }
    if (block != ',') break;  // an unknown block ends the picture

    if (!s.Has(9)) break;
    TGIFFrame frame;
    frame.left = s.U16();
    frame.top = s.U16();
    frame.width = s.U16();
    frame.height = s.U16();
    frame.packed = s.Byte();
    frame.sorted = frame.packed & 0x20;
    if ((frame.packed & 0x80) && !ReadColorMap(s, 2 << (frame.packed & 7), frame.localColorMap))
      break;
    if (frame.width == 0 || frame.height == 0) {
      frame.width = header.width;
      frame.height = header.height;
    }
    if (frame.HasImage()) {
      const int64_t pixels = int64_t(frame.width) * frame.height;
      if (!haveImage) {
        CheckPictureSize(frame.width, frame.height);
      } else if (frame.width > kMaxPictureSide || frame.height > kMaxPictureSide ||
                 pixels > budget) {
        break;  // later frames are never shown; keep what we have
      }
      budget -= pixels;
      frame.extensions = std::move(pending);
      pending.clear();
      DecodeImage(s, frame);
      haveImage = true;
    } else {
      frame.extensions = std::move(pending);
      pending.clear();
      // A frame without size still carries its data; step over it.
      if (s.Has(1)) {
        s.Byte();
        SubBlocks(s).SkipRest();
      }
    }
    frames.push_back(std::move(frame));
  }
  if (!pending.empty()) {
    TGIFFrame frame;
    frame.extensions = std::move(pending);
    frames.push_back(std::move(frame));
  }
  if (!haveImage) Fail("Image is empty");
  // A screen of no size would hide every frame; let it cover the first one instead.
  if (header.width == 0 || header.height == 0) {
    for (const TGIFFrame& f : frames) {
      if (!f.HasImage()) continue;
      header.width = uint16_t(std::min(65535, f.left + f.width));
      header.height = uint16_t(std::min(65535, f.top + f.height));
      break;
    }
  }
}

}  // namespace

void TGIFImage::LoadFromMemory(std::span<const uint8_t> data) {
  header_ = TGIFHeader();
  frames_.clear();
  // Read into locals, so that a failure leaves the image empty rather than half read.
  TGIFHeader header;
  std::vector<TGIFFrame> frames;
  ReadGif(data, header, frames);
  header_ = std::move(header);
  frames_ = std::move(frames);
}

std::unique_ptr<TBitmap> TGIFImage::ToBitmap() const {
  const auto first =
      std::find_if(frames_.begin(), frames_.end(), [](const TGIFFrame& f) { return f.HasImage(); });
  if (first == frames_.end()) Fail("Image is empty");
  const TGIFFrame& f = *first;
  const TGIFColorMap& map = f.localColorMap.empty() ? header_.globalColorMap : f.localColorMap;
  const TGIFGraphicControlExtension* control = f.GraphicControl();
  const bool transparent = control && control->Transparent();
  const int sw = header_.width, sh = header_.height;
  CheckPictureSize(sw, sh);

  // Colour of each index, once.
  uint8_t bgr[256][3];
  for (int i = 0; i < 256; ++i) {
    const TColor c = ColorOf(map, uint8_t(i));
    bgr[i][0] = BlueOf(c), bgr[i][1] = GreenOf(c), bgr[i][2] = RedOf(c);
  }

  const bool whole = f.width == sw && f.height == sh && !transparent;
  auto bitmap = std::make_unique<TBitmap>(whole ? f.width : sw, whole ? f.height : sh);
  if (transparent) {
    // The system window colour stands in when there is no global table.
    bitmap->Fill(header_.globalColorMap.empty()
                     ? kWhite
                     : ColorOf(header_.globalColorMap, header_.background));
  }
  const int left = whole ? 0 : f.left, top = whole ? 0 : f.top;
  const int right = std::min<int>(bitmap->Width(), left + f.width);
  const int bottom = std::min<int>(bitmap->Height(), top + f.height);
  for (int y = top; y < bottom; ++y) {
    const uint8_t* in = f.indices.data() + std::size_t(y - top) * f.width;
    uint8_t* out = bitmap->Row(y) + std::size_t(left) * 3;
    for (int x = left; x < right; ++x, ++in, out += 3) {
      if (transparent && *in == control->transparentIndex) continue;
      out[0] = bgr[*in][0];
      out[1] = bgr[*in][1];
      out[2] = bgr[*in][2];
    }
  }
  return bitmap;
}

void TGIFImage::Draw(TBitmap& target, const TRect& rect) const {
  target.StretchDraw(rect, *ToBitmap());
}

}  // namespace pixmira
