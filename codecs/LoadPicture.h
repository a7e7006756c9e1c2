#pragma once
// Loading by extension, thumbnails and the names of output files.
#include <memory>
#include <string>
#include <string_view>

#include "codecs/Picture.h"
#include "core/FileWrite.h"  // the names of output files

namespace pixmira {

// The decoder the format table names for the path's extension, any letter case. Nothing for
// any other extension or any failure; never raises.
std::unique_ptr<TPicture> LoadPicture(const std::string& path);

// LoadPicture brought to a working bitmap; nothing on failure.
std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path);

// The list's thumbnail cell: picture centred above a 25-pixel caption strip, border and
// separator in $C0DCC0.
std::unique_ptr<TBitmap> MakeThumbnail(const TPicture& picture, int cellWidth, int cellHeight);
std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int cellWidth, int cellHeight);

<<<<<<< HEAD
// The cell of a file turned by angle (0, 90, 180, 270, 360), for a list that only shows it:
// JPEG is decoded at a reduced DCT scale, so it may differ slightly from MakeThumbnail of the
// whole picture but keeps its geometry. Nothing when the file cannot be shown; never raises.
std::unique_ptr<TBitmap> MakeFileThumbnail(const std::string& path, int angle, int cellWidth,
                                           int cellHeight);

=======
>>>>>>> main
}  // namespace pixmira
