#include "codecs/ColorReduction.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pixmira {

namespace {

constexpr int kPaletteSize = 256;
constexpr int32_t kNone = -1;

// Nodes live in one pool and refer to each other by index; released nodes are reused, so the
// pool never outgrows the largest tree (at most 257 leaves and their ancestors).
struct TOctreeNode {
  bool leaf = false;
  // 64 bits: a 32-bit sum overflows after about 8.4 million full-intensity pixels in one leaf.
  int64_t count = 0;
  int64_t red = 0;
  int64_t green = 0;
  int64_t blue = 0;
  std::array<int32_t, 8> children{kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
  int32_t nextReducible = kNone;
};

class TColorQuantizer {
 public:
  TColorQuantizer(int maxColors, int leafDepth) : maxColors_(maxColors), leafDepth_(leafDepth) {
    reducible_.fill(kNone);
  }

  void AddColor(uint8_t r, uint8_t g, uint8_t b) {
    if (root_ == kNone) root_ = NewNode(0);
    int32_t node = root_;
    for (int level = 0;; ++level) {
      if (pool_[node].leaf) {
        TOctreeNode& leaf = pool_[node];
        ++leaf.count;
        leaf.red += r;
        leaf.green += g;
        leaf.blue += b;
        break;
      }
      const int shift = 7 - level;
      const int child = ((r >> shift) & 1) << 2 | ((g >> shift) & 1) << 1 | ((b >> shift) & 1);
      int32_t next = pool_[node].children[child];
      if (next == kNone) {
        next = NewNode(level + 1);  // may move the pool
        pool_[node].children[child] = next;
      }
      node = next;
    }
    while (leafCount_ > maxColors_ && ReduceOnce()) {
    }
  }

  TGIFColorMap Palette() const {
    TGIFColorMap palette;
    palette.reserve(kPaletteSize);
    if (root_ != kNone) ListLeaves(root_, palette);
    palette.resize(kPaletteSize);  // black after the leaves
    return palette;
  }

 private:
  int32_t NewNode(int level) {
    int32_t index;
    if (!free_.empty()) {
      index = free_.back();
      free_.pop_back();
      pool_[index] = TOctreeNode{};
    } else {
      index = static_cast<int32_t>(pool_.size());
      pool_.emplace_back();
    }
    if (level >= leafDepth_) {
      pool_[index].leaf = true;
      ++leafCount_;
    } else {
      pool_[index].nextReducible = reducible_[level];
      reducible_[level] = index;
    }
    return index;
  }

  // Folds the most recently created inner node of the deepest level that has one into a leaf.
  bool ReduceOnce() {
    int level = leafDepth_ - 1;
    while (level > 0 && reducible_[level] == kNone) --level;
    const int32_t index = reducible_[level];
    if (index == kNone) return false;
    TOctreeNode& node = pool_[index];
    reducible_[level] = node.nextReducible;
    node.nextReducible = kNone;
    int children = 0;
    for (int32_t& child : node.children) {
      if (child == kNone) continue;
      // Every deeper level has been folded already, so children are leaves.
      const TOctreeNode& leaf = pool_[child];
      node.count += leaf.count;
      node.red += leaf.red;
      node.green += leaf.green;
      node.blue += leaf.blue;
      free_.push_back(child);
      child = kNone;
      ++children;
    }
    node.leaf = true;
    leafCount_ -= children - 1;
    return true;
  }

  void ListLeaves(int32_t index, TGIFColorMap& palette) const {
    const TOctreeNode& node = pool_[index];
    if (node.leaf) {
      if (palette.size() >= kPaletteSize) return;
      TGIFColor color;
      if (node.count > 0) {
        color.r = static_cast<uint8_t>(node.red / node.count);
        color.g = static_cast<uint8_t>(node.green / node.count);
        color.b = static_cast<uint8_t>(node.blue / node.count);
      }
      palette.push_back(color);
      return;
    }
    for (int32_t child : node.children) {
      if (child != kNone) ListLeaves(child, palette);
    }
  }

  int maxColors_;
  int leafDepth_;
  std::vector<TOctreeNode> pool_;
  std::vector<int32_t> free_;
  int32_t root_ = kNone;
  int leafCount_ = 0;
  std::array<int32_t, 8> reducible_;
};

// Damps large errors: identity up to 15, half slope to 47, flat 32 beyond; odd.
struct TErrorLimit {
  std::array<int, 511> table{};
  TErrorLimit() {
    for (int v = 0; v <= 255; ++v) {
      const int limited = v < 16 ? v : v < 48 ? 16 + (v - 16) / 2 : 32;
      table[255 + v] = limited;
      table[255 - v] = -limited;
    }
  }
  int operator()(int t) const { return table[255 + std::clamp(t, -255, 255)]; }
};

const TErrorLimit& ErrorLimit() {
  static const TErrorLimit limit;
  return limit;
}

}  // namespace

TGIFColorMap BuildOctreePalette(const TBitmap& picture, int maxColors, int leafDepth) {
  TColorQuantizer quantizer(std::clamp(maxColors, 1, kPaletteSize), std::clamp(leafDepth, 1, 8));
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* p = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, p += 3) quantizer.AddColor(p[2], p[1], p[0]);
  }
  return quantizer.Palette();
}

TNearestColorLookup::TNearestColorLookup(TGIFColorMap palette)
    : palette_(std::move(palette)),
      cellStart_(kCellsPerSide * kCellsPerSide * kCellsPerSide, -1),
      cellCount_(cellStart_.size(), 0),
      recentKey_(size_t(1) << kRecentBits, 0),
      recentIndex_(recentKey_.size(), 0) {
  palette_.resize(kPaletteSize);
  for (int i = 0; i < kPaletteSize; ++i) {
    bool seen = false;
    for (uint8_t j : distinct_) seen = seen || palette_[j] == palette_[i];
    if (!seen) distinct_.push_back(static_cast<uint8_t>(i));
  }
}

// An entry can be nearest to some colour of the cell only if its distance to the cell's box
// is at most the smallest farthest-corner distance of any entry; every tie for the minimum
// passes that test too. Candidates are kept nearest box first, so a search can stop early.
void TNearestColorLookup::BuildCell(int cell) const {
  constexpr int kSide = 1 << kCellShift;
  const int lo[3] = {(cell / (kCellsPerSide * kCellsPerSide)) * kSide,
                     (cell / kCellsPerSide % kCellsPerSide) * kSide,
                     (cell % kCellsPerSide) * kSide};
  std::array<TCandidate, kPaletteSize> all;
  int bound = 3 * 255 * 255 + 1;
  for (size_t k = 0; k < distinct_.size(); ++k) {
    const TGIFColor& c = palette_[distinct_[k]];
    const int value[3] = {c.r, c.g, c.b};
    int nearSum = 0, farSum = 0;
    for (int ch = 0; ch < 3; ++ch) {
      const int low = lo[ch], high = lo[ch] + kSide - 1, v = value[ch];
      const int nearD = v < low ? low - v : v > high ? v - high : 0;
      const int farD = std::max(v - low, high - v);
      nearSum += nearD * nearD;
      farSum += farD * farD;
    }
    all[k] = TCandidate{nearSum, c.r, c.g, c.b, distinct_[k]};
    bound = std::min(bound, farSum);
  }
  const auto kept =
      std::partition(all.begin(), all.begin() + distinct_.size(),
                     [bound](const TCandidate& c) { return c.nearDistance <= bound; });
  std::sort(all.begin(), kept, [](const TCandidate& a, const TCandidate& b) {
    return a.nearDistance != b.nearDistance ? a.nearDistance < b.nearDistance : a.index < b.index;
  });
  cellStart_[cell] = static_cast<int32_t>(candidates_.size());
  cellCount_[cell] = static_cast<uint16_t>(kept - all.begin());
  candidates_.insert(candidates_.end(), all.begin(), kept);
}

uint8_t TNearestColorLookup::Search(uint8_t r, uint8_t g, uint8_t b) const {
  const int cell =
      ((r >> kCellShift) * kCellsPerSide + (g >> kCellShift)) * kCellsPerSide + (b >> kCellShift);
  if (cellStart_[cell] < 0) BuildCell(cell);
  const TCandidate* candidate = candidates_.data() + cellStart_[cell];
  const TCandidate* end = candidate + cellCount_[cell];
  int best = kPaletteSize;
  int bestDistance = 3 * 255 * 255 + 1;
  // No entry after one whose box distance exceeds the best can come closer or tie.
  for (; candidate != end && candidate->nearDistance <= bestDistance; ++candidate) {
    const int dr = candidate->r - r, dg = candidate->g - g, db = candidate->b - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance || (d == bestDistance && candidate->index < best)) {
      bestDistance = d;
      best = candidate->index;
    }
  }
  return static_cast<uint8_t>(best);
}

uint8_t TNearestColorLookup::NearestEntry(uint8_t r, uint8_t g, uint8_t b) const {
  const uint32_t colour = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  const size_t slot = (colour * 2654435761u) >> (32 - kRecentBits);
  if (recentKey_[slot] == colour + 1) return recentIndex_[slot];
  const uint8_t index = Search(r, g, b);
  recentKey_[slot] = colour + 1;
  recentIndex_[slot] = index;
  return index;
}

TPaletteBitmap ReduceToPalette(const TBitmap& picture) {
  return DitherToPalette(picture, BuildOctreePalette(picture));
}

TPaletteBitmap ReduceCentredOnScreen(const TBitmap& picture, int screenWidth, int screenHeight) {
  if (picture.Width() == screenWidth && picture.Height() == screenHeight) {
    return ReduceToPalette(picture);
  }
  if (screenWidth <= 0 || screenHeight <= 0) return ReduceToPalette(TBitmap());
  TBitmap screen(screenWidth, screenHeight);  // white
  // Floor division, so a picture wider than the screen is still cut around its centre.
  auto offset = [](int screenSide, int side) {
    const int gap = screenSide - side;
    return gap >= 0 ? gap / 2 : -((-gap + 1) / 2);
  };
  screen.Draw(offset(screenWidth, picture.Width()), offset(screenHeight, picture.Height()),
              picture);
  return ReduceToPalette(screen);
}

TPaletteBitmap DitherToPalette(const TBitmap& picture, TGIFColorMap palette) {
  TPaletteBitmap result;
  result.width = picture.Width();
  result.height = picture.Height();
  result.palette = std::move(palette);
  result.palette.resize(kPaletteSize);
  if (picture.Empty()) return result;
  const TNearestColorLookup lookup(result.palette);
  const TErrorLimit& limit = ErrorLimit();
  const int width = picture.Width();
  result.indices.resize(size_t(width) * size_t(picture.Height()));

  // The error row, red, green and blue interleaved, and the running terms of the current row.
  std::vector<int32_t> errorRow(3 * (size_t(width) + 2), 0);
  std::array<int32_t, 3> carry{}, below{}, pending{};
  int direction = 1;

  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* source = picture.Row(y);
    uint8_t* out = result.indices.data() + size_t(y) * size_t(width);
    int x = direction > 0 ? 0 : width - 1;
    int cursor = direction > 0 ? 0 : width + 1;
    for (int n = 0; n < width; ++n, x += direction, cursor += direction) {
      const uint8_t* pixel = source + size_t(x) * 3;
      int32_t* errors = errorRow.data() + size_t(cursor) * 3;
      const int sample[3] = {pixel[2], pixel[1], pixel[0]};
      int corrected[3];
      for (int ch = 0; ch < 3; ++ch) {
        const int t = (carry[ch] + errors[ch] + 8) / 16;  // truncates toward zero
        corrected[ch] = std::clamp(sample[ch] + limit(t), 0, 255);
      }
      const uint8_t index = lookup.NearestEntry(static_cast<uint8_t>(corrected[0]),
                                                static_cast<uint8_t>(corrected[1]),
                                                static_cast<uint8_t>(corrected[2]));
      out[x] = index;
      const TGIFColor& chosen = result.palette[index];
      const int actual[3] = {chosen.r, chosen.g, chosen.b};
      for (int ch = 0; ch < 3; ++ch) {
        const int e = corrected[ch] - actual[ch];
        if (e != 0) {
          errors[ch] = pending[ch] + 3 * e;
          pending[ch] = below[ch] + 5 * e;
          below[ch] = e;
          carry[ch] = 7 * e;
        } else {
          carry[ch] = 0;
        }
      }
    }
    for (int ch = 0; ch < 3; ++ch) {
      errorRow[size_t(cursor) * 3 + ch] = pending[ch];
      carry[ch] = below[ch] = pending[ch] = 0;
    }
    direction = -direction;
  }
  return result;
}

}  // namespace pixmira
