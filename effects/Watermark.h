#pragma once
// Where a watermark goes (nine anchors, margins in pixels or percent), the tile grid, and
// the picture watermark blended with white as the key colour.
#include <memory>
#include <vector>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"
#include "imaging/SampleGrid.h"

namespace pixmira {

// Top-left point of a w × h watermark on bitmap by WatermarkPos and its margin keys
// (pipeline defaults). Anchors outside 0..8 fall back to anchor 0.
TPoint WatermarkPosition(const TBitmap& bitmap, int w, int h, const TMemIniFile& settings);
TPoint WatermarkPosition(int pictureWidth, int pictureHeight, int w, int h,
                         const TMemIniFile& settings);

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

// The watermark picture resampled to percent (clamped to 0..100) of pictureWidth, its height
// in proportion (ties to even, at least 1); nothing when percent is 0 or the size is already so.
std::unique_ptr<TBitmap> ScaleWatermark(const TBitmap& watermark, int pictureWidth, int percent);

// The pipeline's picture watermark step: WatermarkImage loaded (a picture with an alpha
// channel laid on white, so its transparent parts leave the photograph alone), scaled by
// WatermarkImageScale, rotated by WatermarkRotate, placed or tiled and blended. Nothing when
// the picture cannot be loaded. A grid as for PlaceWatermarkPicture.
std::unique_ptr<TBitmap> ApplyPictureWatermark(const TBitmap& bitmap, const TMemIniFile& settings,
                                               const TSampleGrid* grid = nullptr);

}  // namespace pixmira
