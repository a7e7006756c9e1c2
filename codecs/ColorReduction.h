#pragma once
// Colour reduction of GIF frames: an octree palette (leaf depth 6, 256 colours) and
// serpentine Floyd-Steinberg dithering to the nearest of all 256 entries.
#include "codecs/Gif.h"

namespace pixmira {

// Always 256 entries: the leaves in tree order, then black.
TGIFColorMap BuildOctreePalette(const TBitmap& picture, int maxColors = 256, int leafDepth = 6);

// Index of the nearest entry by squared RGB distance, the lowest index winning ties; the
// result equals an exhaustive search for every colour but is cached.
class TNearestColorLookup {
 public:
  explicit TNearestColorLookup(TGIFColorMap palette);
  uint8_t NearestEntry(uint8_t r, uint8_t g, uint8_t b) const;
  const TGIFColorMap& Palette() const { return palette_; }

 private:
  TGIFColorMap palette_;
  mutable std::vector<int16_t> cache_;  // per 24-bit colour, -1 until computed
};

TPaletteBitmap ReduceToPalette(const TBitmap& picture);

}  // namespace pixmira
