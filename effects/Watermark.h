#pragma once
// Where a watermark goes (nine anchors, margins in pixels or percent), the tile grid, and
// the picture watermark blended with white as the key colour.
#include <memory>
#include <vector>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"

namespace pixmira {

// Top-left point of a w × h watermark on bitmap by WatermarkPos and its margin keys
// (pipeline defaults). Anchors outside 0..8 fall back to anchor 0.
TPoint WatermarkPosition(const TBitmap& bitmap, int w, int h, const TMemIniFile& settings);

// Tile positions for cells w × h with gap space: columns at 0, w + space, ... up to W; rows
// from 0 up to H (rows 0), or a block of that many rows centred vertically. Column by column,
// each column top to bottom. Rows that cannot show are left out, and a gap that would stop
// the grid from moving on counts as none.
std::vector<TPoint> TilePositions(int W, int H, int w, int h, int space, int rows);

// opacity is clamped to 0..100.
std::unique_ptr<TBitmap> PlaceWatermarkPicture(const TBitmap& bitmap, TPoint at,
                                               const TBitmap& watermark, TColor key, int opacity);
std::unique_ptr<TBitmap> TileWatermarkPicture(const TBitmap& bitmap, const TBitmap& watermark,
                                              int space, int rows, TColor key, int opacity);

// photo + round((layer - photo) * f) per channel, f = opacity / 100 in single precision;
// layer pixels equal to key leave the photo as it is. Both of the same size.
std::unique_ptr<TBitmap> BlendLayer(const TBitmap& photo, const TBitmap& layer, TColor key,
                                    int opacity);

// The pipeline's picture watermark step: WatermarkImage loaded (a picture with an alpha
// channel laid on white, so its transparent parts leave the photograph alone), rotated by
// WatermarkRotate, placed or tiled and blended. Nothing when the picture cannot be loaded.
std::unique_ptr<TBitmap> ApplyPictureWatermark(const TBitmap& bitmap, const TMemIniFile& settings);

}  // namespace pixmira
