#pragma once
// JPEG through libjpeg. Every libjpeg error becomes EJPEG "JPEG error #%d".
#include <functional>
#include <utility>

#include "codecs/Picture.h"
#include "codecs/WriteOptions.h"

namespace pixmira {

inline constexpr int kDefaultJpegQuality = 90;

class TJPEGImage : public TDecodedPicture {
 public:
  // Colour decodes to 24-bit; greyscale through libjpeg's one-pass quantisation to 236
  // colours with Floyd-Steinberg dithering. The EXIF orientation is applied.
  void LoadFromMemory(std::span<const uint8_t> data) override;
};

// The decoded picture, upright. Raises EJPEG, or EInvalidGraphic for a size we refuse.
TBitmap DecodeJpeg(std::span<const uint8_t> data);

// For pictures that are only looked at (thumbnails): wanted(upright width, upright height)
// gives the least size needed, and the picture is decoded at the smallest of libjpeg's DCT
// scales n/8 that still reaches it, which skips most of the work for a large photo. The
// bitmap is upright; fullWidth and fullHeight are the picture's own upright size.
struct TReducedJpeg {
  TBitmap bitmap;
  int fullWidth = 0;
  int fullHeight = 0;
  // Where the whole picture lies in bitmap, in its pixels: libjpeg rounds a reduced size up,
  // so a last column or row may stand partly past the picture's edge.
  double contentLeft = 0, contentTop = 0, contentWidth = 0, contentHeight = 0;
  bool reduced = false;  // decoded at a scale below 8/8
};
using ScaleChooser = std::function<std::pair<int, int>(int width, int height)>;
TReducedJpeg DecodeJpegReduced(std::span<const uint8_t> data, const ScaleChooser& wanted);

// Colour JPEG at quality (1..100) with optimised Huffman tables, libjpeg's defaults otherwise;
// baseline, or progressive with the same quantisation (the same pixels when decoded).
std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality = kDefaultJpegQuality,
                                bool progressive = false);

// The orientation tag (1..8) of IFD0 in the body of an APP1 "Exif" segment (the bytes after
// the marker length); 1 when there is none or the segment is damaged.
int ExifOrientation(std::span<const uint8_t> app1);

// The picture turned and mirrored so that an EXIF orientation of 1..8 shows upright.
TBitmap ApplyExifOrientation(const TBitmap& picture, int orientation);

// The export's writer: EncodeJpeg with the EXIF block (APP1) and the colour profile (APP2)
// of the options' metadata.
std::vector<uint8_t> WriteJpeg(const TBitmap& bitmap, const TWriteOptions& options);

}  // namespace pixmira
