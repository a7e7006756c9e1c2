#pragma once
// Colour reduction of GIF frames: an octree palette (leaf depth 6, 256 colours) and
// serpentine Floyd-Steinberg dithering to the nearest of all 256 entries.
// Cost: two passes over the pixels; the nearest-entry search is pruned per colour cell, so a
// pixel costs a handful of distance computations rather than 256.
#include <cstdint>
#include <vector>

#include "codecs/Gif.h"

namespace pixmira {

// Always 256 entries: the leaves in tree order, then black. maxColors is kept to 1..256 and
// leafDepth to 1..8.
TGIFColorMap BuildOctreePalette(const TBitmap& picture, int maxColors = 256, int leafDepth = 6);

// Index of the nearest entry by squared RGB distance, the lowest index winning ties; the
// result equals an exhaustive search for every colour. Candidates are worked out lazily per
// cell of 8 × 8 × 8 colours, so one lookup object must not be shared between threads.
class TNearestColorLookup {
 public:
  explicit TNearestColorLookup(TGIFColorMap palette);
  uint8_t NearestEntry(uint8_t r, uint8_t g, uint8_t b) const;
  const TGIFColorMap& Palette() const { return palette_; }

 private:
  static constexpr int kCellShift = 3;
  static constexpr int kCellsPerSide = 256 >> kCellShift;
  static constexpr int kRecentBits = 16;

  struct TCandidate {
    int32_t nearDistance;  // to the cell's box
    uint8_t r, g, b, index;
  };

  uint8_t Search(uint8_t r, uint8_t g, uint8_t b) const;
  void BuildCell(int cell) const;

  TGIFColorMap palette_;
  // The first index of every distinct colour; a later duplicate can never win a tie.
  std::vector<uint8_t> distinct_;
  // Per cell: offset into candidates_ and count, offset -1 until worked out.
  mutable std::vector<int32_t> cellStart_;
  mutable std::vector<uint16_t> cellCount_;
  mutable std::vector<TCandidate> candidates_;
  // Answers already found, direct-mapped by a hash of the colour; key = colour + 1, 0 empty.
  mutable std::vector<uint32_t> recentKey_;
  mutable std::vector<uint8_t> recentIndex_;
};

// Serpentine Floyd-Steinberg through the nearest entries of palette (padded with black to
// 256 entries, which is also the result's palette). The source is left unchanged.
TPaletteBitmap DitherToPalette(const TBitmap& picture, TGIFColorMap palette);

// BuildOctreePalette, then DitherToPalette.
TPaletteBitmap ReduceToPalette(const TBitmap& picture);

// A full screenWidth × screenHeight frame that shows the picture alone: the picture centred on
// white ((W - w) div 2, (H - h) div 2), then ReduceToPalette. A picture of the screen's size is
// reduced as it is; a larger one is cut to the screen around its centre.
// Cost: one extra screen-sized 24-bit bitmap while it runs.
TPaletteBitmap ReduceCentredOnScreen(const TBitmap& picture, int screenWidth, int screenHeight);

}  // namespace pixmira
