// Writing side of TGIFImage: frames from pictures, delays and looping, the file's bytes and
// the LZW encoder with its 255-byte sub-blocks.

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>
#include <string>

#include "codecs/ColorReduction.h"
#include "codecs/Gif.h"
#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/Parallel.h"

namespace pixmira {

namespace {

constexpr int kMaxColors = 256;
constexpr int kMaxCodeWidth = 12;
constexpr int kLastTableCode = 4094;

// 0 for an empty table, else the smallest b >= 1 with 2^b >= n.
int BitsPerPixel(size_t entries) {
  if (entries == 0) return 0;
  int bits = 1;
  while ((size_t(1) << bits) < entries) ++bits;
  return bits;
}

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// The table's entries, then black up to 2^b.
void PutColorTable(std::vector<uint8_t>& out, const TGIFColorMap& table, size_t entries) {
  const size_t padded = entries == 0 ? 0 : size_t(1) << BitsPerPixel(entries);
  for (size_t i = 0; i < padded; ++i) {
    const TGIFColor color = i < entries ? table[i] : TGIFColor{};
    out.push_back(color.r);
    out.push_back(color.g);
    out.push_back(color.b);
  }
}

// Bytes leave in sub-blocks of up to 255 data bytes behind a length byte; one 0 ends them.
class TSubBlockWriter {
 public:
  explicit TSubBlockWriter(std::vector<uint8_t>& out) : out_(out) {}

  void Put(uint8_t byte) {
    buffer_[length_++] = byte;
    if (length_ == buffer_.size()) Flush();
  }

  void Finish() {
    Flush();
    out_.push_back(0);
  }

 private:
  void Flush() {
    if (length_ == 0) return;
    out_.push_back(static_cast<uint8_t>(length_));
    out_.insert(out_.end(), buffer_.begin(), buffer_.begin() + length_);
    length_ = 0;
  }

  std::vector<uint8_t>& out_;
  std::array<uint8_t, 255> buffer_{};
  size_t length_ = 0;
};

// The string table is a flat map from (prefix, index) to code; the slots filled since the last
// clear are remembered so that a clear costs only what was entered.
class TLzwEncoder {
 public:
  TLzwEncoder() : table_(size_t(1) << (kMaxCodeWidth + 8), 0) {}

  void Encode(std::span<const uint8_t> indices, size_t colors, int minCodeSize,
              TSubBlockWriter& sink) {
    sink_ = &sink;
    minCodeSize_ = minCodeSize;
    clearCode_ = 1 << minCodeSize;
    bits_ = 0;
    bitCount_ = 0;
    width_ = minCodeSize + 1;
    EmitClear();
    auto checked = [colors](uint8_t index) {
      if (index >= colors) throw GIFException("Color not in color table");
      return index;
    };
    int prefix = checked(indices[0]);
    for (size_t i = 1; i < indices.size(); ++i) {
      const uint8_t c = checked(indices[i]);
      const size_t slot = size_t(prefix) << 8 | c;
      if (table_[slot] != 0) {
        prefix = table_[slot];
        continue;
      }
      Emit(prefix);
      prefix = c;
      if (nextCode_ > kLastTableCode) {
        EmitClear();
      } else {
        table_[slot] = static_cast<uint16_t>(nextCode_++);
        used_.push_back(static_cast<uint32_t>(slot));
      }
    }
    Emit(prefix);
    Emit(clearCode_ + 1);
    if (bitCount_ > 0) sink_->Put(static_cast<uint8_t>(bits_));
    ClearTable();
  }

 private:
  void Put(int code) {
    bits_ |= uint32_t(code) << bitCount_;
    bitCount_ += width_;
    while (bitCount_ >= 8) {
      sink_->Put(static_cast<uint8_t>(bits_ & 0xFF));
      bits_ >>= 8;
      bitCount_ -= 8;
    }
  }

  // A code goes out at the width in force; the width grows afterwards when the next free code
  // no longer fits, and stops at 12 bits.
  void Emit(int code) {
    Put(code);
    if (nextCode_ > maxCode_) {
      ++width_;
      maxCode_ = width_ == kMaxCodeWidth ? 1 << kMaxCodeWidth : (1 << width_) - 1;
    }
  }

  void EmitClear() {
    Put(clearCode_);
    width_ = minCodeSize_ + 1;
    maxCode_ = (1 << width_) - 1;
    nextCode_ = clearCode_ + 2;
    ClearTable();
  }

  void ClearTable() {
    for (uint32_t slot : used_) table_[slot] = 0;
    used_.clear();
  }

  std::vector<uint16_t> table_;  // 0: no entry (no real code is that low)
  std::vector<uint32_t> used_;
  TSubBlockWriter* sink_ = nullptr;
  int minCodeSize_ = 0;
  int clearCode_ = 0;
  int width_ = 0;
  int maxCode_ = 0;
  int nextCode_ = 0;
  uint32_t bits_ = 0;
  int bitCount_ = 0;
};

bool WritesExtension(const TGIFFrame& frame) {
  return std::any_of(frame.extensions.begin(), frame.extensions.end(),
                     [](const TGIFExtension& e) { return e.graphicControl || e.loop; });
}

void PutExtensions(std::vector<uint8_t>& out, const TGIFFrame& frame) {
  for (const TGIFExtension& extension : frame.extensions) {
    if (extension.loop) {
      static constexpr uint8_t kLoopHead[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S',  'C',
                                              'A',  'P',  'E',  '2', '.', '0', 0x03, 0x01};
      out.insert(out.end(), std::begin(kLoopHead), std::end(kLoopHead));
      PutWord(out, extension.loop->loopCount);
      out.push_back(0);
    }
    if (extension.graphicControl) {
      const TGIFGraphicControlExtension& control = *extension.graphicControl;
      out.insert(out.end(), {0x21, 0xF9, 0x04, control.packed});
      PutWord(out, control.delay);
      out.push_back(control.transparentIndex);
      out.push_back(0);
    }
  }
}

uint8_t ImagePacked(const TGIFFrame& frame) {
  const size_t entries = std::min<size_t>(frame.localColorMap.size(), kMaxColors);
  uint8_t packed = (BitsPerPixel(entries) - 1) & 7;
  if (entries > 0) packed |= 0x80;
  if (entries > 0 && frame.sorted) packed |= 0x20;
  return packed;
}

void CheckFrameSize(int width, int height) {
  // Frames always sit at (0, 0), so their size is their right and bottom edge.
  if (width < 0 || height < 0 || width > 65535 || height > 65535) {
    throw GIFException("Invalid image size");
  }
}

// One frame's image data: the minimum code size, the LZW sub-blocks and their terminator.
std::vector<uint8_t> EncodeImage(const TGIFFrame& frame, size_t globalEntries,
                                 TLzwEncoder& encoder) {
  const size_t localEntries = std::min<size_t>(frame.localColorMap.size(), kMaxColors);
  const size_t colors = localEntries > 0 ? localEntries : globalEntries;
  const int minCodeSize = std::max(2, BitsPerPixel(colors));
  std::vector<uint8_t> out{static_cast<uint8_t>(minCodeSize)};
  TSubBlockWriter blocks(out);
  encoder.Encode(std::span(frame.indices.data(), size_t(frame.width) * frame.height), colors,
                 minCodeSize, blocks);
  blocks.Finish();
  return out;
}

// Every frame's image data, on up to `workers` threads, each with its own string table. The
// first failing frame in file order decides the error.
std::vector<std::vector<uint8_t>> EncodeImages(const std::vector<TGIFFrame>& frames,
                                               size_t globalEntries, int workers) {
  std::vector<std::vector<uint8_t>> data(frames.size());
  // A failure leaves its thread's table half-filled; that thread takes no further frame.
  std::vector<TLzwEncoder> encoders(
      std::max<size_t>(1, std::min<size_t>(std::max(workers, 1), frames.size())));
  ParallelFor(frames.size(), static_cast<int>(encoders.size()), [&](size_t i, int thread) {
    if (frames[i].HasImage()) data[i] = EncodeImage(frames[i], globalEntries, encoders[thread]);
  });
  return data;
}

}  // namespace

TGIFFrame& TGIFImage::AppendFrame(const TBitmap& picture) {
  CheckFrameSize(picture.Width(), picture.Height());
  if (picture.Empty()) return frames_.emplace_back();
  return AppendFrame(ReduceToPalette(picture));
}

TGIFFrame& TGIFImage::AppendFrame(const TPaletteBitmap& picture) {
  CheckFrameSize(picture.width, picture.height);
  const size_t pixels = size_t(picture.width) * size_t(picture.height);
  if (picture.indices.size() < pixels || (pixels > 0 && picture.palette.empty())) {
    throw GIFException("Bitmap image is not valid");
  }
  TGIFFrame frame;
  if (pixels > 0) {
    frame.width = static_cast<uint16_t>(picture.width);
    frame.height = static_cast<uint16_t>(picture.height);
    // Indices are bytes, so entries past 256 could never be used.
    frame.localColorMap.assign(
        picture.palette.begin(),
        picture.palette.begin() + std::min<size_t>(picture.palette.size(), kMaxColors));
    frame.packed = ImagePacked(frame);
    frame.indices.assign(picture.indices.begin(), picture.indices.begin() + pixels);
    const size_t entries = frame.localColorMap.size();
    for (uint8_t& index : frame.indices) {
      if (index >= entries) index = 0;
    }
    header_.width = std::max(header_.width, frame.width);
    header_.height = std::max(header_.height, frame.height);
  }
  return frames_.emplace_back(std::move(frame));
}

void TGIFImage::SetFrameDelay(TGIFFrame& frame, int hundredths) {
  TGIFGraphicControlExtension control;
  control.delay = static_cast<uint16_t>(std::clamp(hundredths, 0, 65535));
  for (TGIFExtension& extension : frame.extensions) {
    if (extension.graphicControl) {
      extension.graphicControl = control;
      return;
    }
  }
  frame.extensions.emplace_back().graphicControl = control;
}

void TGIFImage::SetLoopCount(int count) {
  if (frames_.empty()) return;
  const uint16_t loopCount = static_cast<uint16_t>(std::clamp(count, 0, 65535));
  std::vector<TGIFExtension>& extensions = frames_.front().extensions;
  for (TGIFExtension& extension : extensions) {
    if (extension.loop) {
      extension.loop->loopCount = loopCount;
      return;
    }
  }
  // Ahead of the graphic control extension, which viewers expect to sit right before the image.
  auto position = std::find_if(extensions.begin(), extensions.end(),
                               [](const TGIFExtension& e) { return e.graphicControl.has_value(); });
  TGIFExtension loop;
  loop.loop = TGIFLoopExtension{loopCount};
  extensions.insert(position, loop);
}

std::vector<uint8_t> TGIFImage::SaveToMemory(int workers) const {
  if (frames_.empty())
    throw GIFException("Cannot save empty GIF", GIFException::TProblem::NoFrames);
  const bool extended = std::any_of(frames_.begin(), frames_.end(), [](const TGIFFrame& f) {
    return (f.sorted && !f.localColorMap.empty()) || WritesExtension(f);
  });
  for (const TGIFFrame& frame : frames_) {
    if (frame.HasImage() && frame.indices.size() < size_t(frame.width) * frame.height)
      throw GIFException("Bitmap image is not valid");
  }

  std::vector<uint8_t> out{'G', 'I', 'F', '8', uint8_t(extended ? '9' : '7'), 'a'};
  PutWord(out, header_.width);
  PutWord(out, header_.height);
  const size_t globalEntries = std::min<size_t>(header_.globalColorMap.size(), kMaxColors);
  const uint8_t globalBits = (BitsPerPixel(globalEntries) - 1) & 7;
  out.push_back(
      static_cast<uint8_t>((globalEntries > 0 ? 0x80 : 0) | globalBits << 4 | globalBits));
  out.push_back(header_.background);
  out.push_back(header_.aspect);
  PutColorTable(out, header_.globalColorMap, globalEntries);

  std::vector<std::vector<uint8_t>> images = EncodeImages(frames_, globalEntries, workers);
  size_t total = out.size() + 1;
  for (const std::vector<uint8_t>& image : images) total += image.size() + 64 + 3 * kMaxColors;
  out.reserve(total);
  for (size_t i = 0; i < frames_.size(); ++i) {
    const TGIFFrame& frame = frames_[i];
    PutExtensions(out, frame);
    if (!frame.HasImage()) continue;
    out.push_back(0x2C);
    PutWord(out, frame.left);
    PutWord(out, frame.top);
    PutWord(out, frame.width);
    PutWord(out, frame.height);
    out.push_back(ImagePacked(frame));
    PutColorTable(out, frame.localColorMap,
                  std::min<size_t>(frame.localColorMap.size(), kMaxColors));
    out.insert(out.end(), images[i].begin(), images[i].end());
    std::vector<uint8_t>().swap(images[i]);
  }
  out.push_back(0x3B);
  return out;
}

void TGIFImage::WriteGifFile(const std::string& path, int workers) const {
  // Everything that can fail in the encoding fails here, before the file is touched.
  const std::vector<uint8_t> bytes = SaveToMemory(workers);
  ReplaceFile(path, bytes);
}

}  // namespace pixmira
