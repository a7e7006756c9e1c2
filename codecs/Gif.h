#pragma once
// GIF pictures: reading (GIF87a/89a, LZW, interlacing) and writing animated files
// (one 256-entry local table per frame, NETSCAPE looping, per-frame delays).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "codecs/Picture.h"

namespace pixmira {

struct TGIFColor {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TGIFColor&) const = default;
};

using TGIFColorMap = std::vector<TGIFColor>;  // up to 256 entries

// An 8-bit palette picture: what the colour reduction produces and a frame holds.
struct TPaletteBitmap {
  int width = 0;
  int height = 0;
  TGIFColorMap palette;
  std::vector<uint8_t> indices;  // width × height, rows from the top
};

struct TGIFHeader {
  uint16_t width = 0;  // logical screen
  uint16_t height = 0;
  uint8_t packed = 0;
  uint8_t background = 0;
  uint8_t aspect = 0;
  TGIFColorMap globalColorMap;
};

struct TGIFGraphicControlExtension {
  uint8_t packed = 0;  // bit 0: transparency
  uint16_t delay = 0;  // hundredths of a second
  uint8_t transparentIndex = 0;
  bool Transparent() const { return packed & 1; }
};

struct TGIFLoopExtension {
  uint16_t loopCount = 0;  // 0 = endless
};

// Extensions in file order. Only the kinds the program reads or writes are kept.
struct TGIFExtension {
  std::optional<TGIFGraphicControlExtension> graphicControl;
  std::optional<TGIFLoopExtension> loop;
};

struct TGIFFrame {
  uint16_t left = 0, top = 0, width = 0, height = 0;
  uint8_t packed = 0;
  TGIFColorMap localColorMap;
  bool sorted = false;
  std::vector<TGIFExtension> extensions;
  std::vector<uint8_t> indices;  // width × height, rows from the top, de-interlaced
  bool HasImage() const { return width != 0 && height != 0; }
  const TGIFGraphicControlExtension* GraphicControl() const;
};

class TGIFImage : public TPicture {
 public:
  // Reading.
  void LoadFromMemory(std::span<const uint8_t> data) override;
  int Width() const override { return header_.width; }
  int Height() const override { return header_.height; }
  void Draw(TBitmap& target, const TRect& rect) const override;
  // The first frame over the background (white where there is no global table).
  std::unique_ptr<TBitmap> ToBitmap() const override;

  const TGIFHeader& Header() const { return header_; }
  const std::vector<TGIFFrame>& Frames() const { return frames_; }

  // Writing. The image keeps its own copy of the pixels. The frame returned stays valid
  // until the next AppendFrame.
  TGIFFrame& AppendFrame(const TBitmap& picture);
  // A palette picture is taken over as it is; indices beyond its palette become 0.
  TGIFFrame& AppendFrame(const TPaletteBitmap& picture);
  // The frame's graphic control extension (created when missing); kept to 0..65535.
  void SetFrameDelay(TGIFFrame& frame, int hundredths);
  // The looping extension of the first frame, ahead of its graphic control extension; 0 is
  // endless. Nothing happens while there are no frames.
  void SetLoopCount(int count);
  // The file's bytes; raises GIFException "Cannot save empty GIF" without frames. Frames are
  // LZW-encoded on up to `workers` threads; the bytes are the same for any number.
  std::vector<uint8_t> SaveToMemory(int workers = 1) const;
  // Raises before touching the file when there is nothing to write; writes a temporary file
  // in the same folder and renames it into place, so a failure leaves no broken file.
  void WriteGifFile(const std::string& path, int workers = 1) const;

 private:
  TGIFHeader header_;
  std::vector<TGIFFrame> frames_;
};

}  // namespace pixmira
