#pragma once
// Loading by extension, thumbnails and the names of output files.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "codecs/Jpeg.h"
#include "codecs/Picture.h"
#include "core/FileWrite.h"  // the names of output files

namespace pixmira {

// The decoder the format table names for the path's extension, any letter case. Nothing for
// any other extension or any failure; never raises.
std::unique_ptr<TPicture> LoadPicture(const std::string& path);

// LoadPicture brought to a working bitmap; nothing on failure.
std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path);

// By the file's first bytes, whatever the extension, through the format table's probe;
// nothing when the header cannot be read.
std::optional<TPictureSize> ProbePictureSize(std::span<const uint8_t> data);

// Why a picture was not loaded.
enum class TLoadProblem {
  None,
  UnknownType,      // an extension no decoder takes
  Unreadable,       // cannot be opened or read (error: the errno)
  NotAFile,         // a folder, pipe, device or socket
  TooLarge,         // a file larger than any picture we accept
  Damaged,          // no decoder accepts the data
  OverMemoryLimit,  // needs more memory than the whole budget (needed: the bytes)
  NotWritten,       // made, but its file name was refused (error: the errno, path: the name)
};

struct TLoadReport {
  TLoadProblem problem = TLoadProblem::None;
  int error = 0;
  uint64_t needed = 0;
  uint64_t held = 0;  // OverMemoryLimit: bytes kept by the pictures waiting for an animation
};

// Asked, before decoding, for the bytes a picture will take in all (file, decoding and the
// steps that follow, by TPictureSize); may wait. false refuses the picture.
using TMemoryGate = std::function<bool(uint64_t bytes)>;

// Bytes a picture of that size is reckoned to take through the pipeline: its file, the
// decoder's buffers, and the working bitmap with one copy and one blended layer.
uint64_t PipelineBytes(const TPictureSize& size, uint64_t fileBytes);

// The bytes a picture of that header and file length will take, for callers that know more
// of what follows the loading than PipelineBytes does.
using TMemoryEstimate = std::function<uint64_t(const TPictureSize& size, uint64_t fileBytes)>;

// Lets a JPEG be decoded at a reduced DCT scale, as DecodeJpegReduced does with wanted; got
// then tells the sizes and where the picture lies in the bitmap (got.bitmap stays empty).
// Other formats are decoded in full and leave got as it is.
struct TReducedLoad {
  ScaleChooser wanted;
  TReducedJpeg got;
};

// LoadPictureBitmap that says why it failed and asks gate (when given) before decoding, for
// the bytes estimate gives (PipelineBytes when empty).
std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path, const TMemoryGate& gate,
                                           TLoadReport& report,
                                           const TMemoryEstimate& estimate = {},
                                           TReducedLoad* reduce = nullptr);

// The list's thumbnail cell: picture centred above a 25-pixel caption strip, border and
// separator in $C0DCC0.
std::unique_ptr<TBitmap> MakeThumbnail(const TPicture& picture, int cellWidth, int cellHeight);
std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int cellWidth, int cellHeight);

// The cell of a file turned by angle (0, 90, 180, 270, 360), for a list that only shows it:
// JPEG is decoded at a reduced DCT scale, so it may differ slightly from MakeThumbnail of the
// whole picture but keeps its geometry. Nothing when the file cannot be shown; never raises.
std::unique_ptr<TBitmap> MakeFileThumbnail(const std::string& path, int angle, int cellWidth,
                                           int cellHeight);
// The same cell of a file's bytes, its format taken from name's extension as for a path.
std::unique_ptr<TBitmap> MakeThumbnailOfBytes(std::span<const uint8_t> data, std::string_view name,
                                              int angle, int cellWidth, int cellHeight);

}  // namespace pixmira
