#pragma once
// Where a watermark goes (nine anchors, margins in pixels or percent), the tile grid, and
// the picture watermark blended with white as the key colour.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"

namespace pixmira {

// The nine anchors in the order of their stored numbers (WatermarkPos).
enum class TAnchor {
  BottomRight,
  BottomLeft,
  TopLeft,
  TopRight,
  BottomCentre,
  TopCentre,
  LeftMiddle,
  RightMiddle,
  Centre,
};

// How one axis of an anchor is placed: a margin in from the start or the end of the picture,
// or halfway (integer halving of what is left over).
enum class TAlign { Start, End, Middle };

// Which of an anchor's two stored margins (A, B) an axis takes.
enum class TMarginSlot { None, A, B };

struct TAnchorRule {
  TAnchor anchor;
  TAlign x;
  TMarginSlot xMargin;
  TAlign y;
  TMarginSlot yMargin;
};

// One row per anchor, indexed by its stored number.
extern const std::array<TAnchorRule, 9> kAnchorRules;

// A stored anchor number; anything outside the table is the first anchor.
TAnchor AnchorFromNumber(int stored);
int AnchorNumber(TAnchor anchor);
const TAnchorRule& AnchorRule(TAnchor anchor);

// A margin in pixels, or in percent of the picture's width or height.
struct TMargin {
  int value = 15;
  bool percent = false;
};

struct TWatermarkPlacement {
  TAnchor anchor = TAnchor::BottomRight;
  TMargin a;  // the anchor's margin A
  TMargin b;  // the anchor's margin B
};

// Top-left point of a w × h watermark on bitmap.
TPoint WatermarkPosition(const TBitmap& bitmap, int w, int h, const TWatermarkPlacement& place);
// The same on a picture of pictureWidth × pictureHeight.
TPoint WatermarkPosition(int pictureWidth, int pictureHeight, int w, int h,
                         const TWatermarkPlacement& place);

// The largest watermark, width × height, that the anchor's margins leave on a picture of
// pictureWidth × pictureHeight; at least 1 × 1.
TPoint WatermarkRoom(int pictureWidth, int pictureHeight, const TWatermarkPlacement& place);

enum class TPaintStyle { Single, Tiled };

// Tile gap and row count (0 = rows over the whole height).
struct TTileLayout {
  int space = 20;
  int rows = 0;
};

// Tile positions for cells w × h with gap space: columns at 0, w + space, ... up to W; rows
// from 0 up to H (rows 0), or a block of that many rows centred vertically. Column by column,
// each column top to bottom. Rows that cannot show are left out, and a gap that would stop
// the grid from moving on counts as none.
std::vector<TPoint> TilePositions(int W, int H, int w, int h, int space, int rows);

// opacity is clamped to 0..100. With a grid, bitmap is gathered by it from the whole picture
// (imaging/SampleGrid.h), positions are the whole picture's, and so is the result.
std::unique_ptr<TBitmap> PlaceWatermarkPicture(const TBitmap& bitmap, TPoint at,
                                               const TBitmap& watermark, TColor key, int opacity,
                                               const TSampleGrid* grid = nullptr);
std::unique_ptr<TBitmap> TileWatermarkPicture(const TBitmap& bitmap, const TBitmap& watermark,
                                              int space, int rows, TColor key, int opacity,
                                              const TSampleGrid* grid = nullptr);

// photo + round((layer - photo) * f) per channel, f = opacity / 100 in single precision;
// layer pixels equal to key leave the photo as it is. Both of the same size.
std::unique_ptr<TBitmap> BlendLayer(const TBitmap& photo, const TBitmap& layer, TColor key,
                                    int opacity);

struct TPictureWatermark {
  std::string path;
  // The picture loaded and turned once for a whole batch (PreparePictureWatermark) and shared
  // by its workers; when absent each use loads it from path.
  std::shared_ptr<const TBitmap> prepared;
  int angle = 0;
  int opacity = 80;  // 0..100
  TPaintStyle style = TPaintStyle::Single;
  TWatermarkPlacement placement;
  TTileLayout tiles;
  int scale = 0;  // width in percent of the photo's (0 = the picture's own size)
};

// The watermark picture resampled to percent (clamped to 0..100) of pictureWidth, its height
// in proportion (ties to even, at least 1); nothing when percent is 0 or the size is already so.
std::unique_ptr<TBitmap> ScaleWatermark(const TBitmap& watermark, int pictureWidth, int percent);

// The pipeline's picture watermark step: the picture loaded (one with an alpha channel laid
// on white, so its transparent parts leave the photograph alone), scaled, turned, placed or
// tiled and blended. Nothing when the picture cannot be loaded. A grid as for
// PlaceWatermarkPicture.
std::unique_ptr<TBitmap> ApplyPictureWatermark(const TBitmap& bitmap, const TPictureWatermark& mark,
                                               const TSampleGrid* grid = nullptr);

// The watermark picture of mark loaded and turned, ready to be stamped; nothing when it
// cannot be loaded.
std::shared_ptr<const TBitmap> PreparePictureWatermark(const TPictureWatermark& mark);

}  // namespace pixmira
