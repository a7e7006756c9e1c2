#include "codecs/LoadPicture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "codecs/Formats.h"
#include "codecs/Jpeg.h"
#include "core/Errors.h"
#include "core/Rounding.h"
#include "imaging/Rotate.h"

namespace pixmira {

namespace {

constexpr TColor kThumbnailLine = 0xC0DCC0;
constexpr int kCaption = 25;
constexpr int kMargin = 3;

// Where the picture goes in the cell: its own size when it fits, else scaled to fit.
TRect ThumbnailRect(int pw, int ph, int w, int h) {
  if (pw <= w - 2 * kMargin && ph <= h - kCaption - 2 * kMargin) {
    const int left = (w - pw) / 2, top = (h - kCaption - ph) / 2;
    return {left, top, left + pw, top + ph};
  }
  if (ph > pw) {
    const int tw = int(RoundRatio(int64_t(pw) * (h - 31), ph));
    const int left = (w - tw) / 2;
    return {left, kMargin, left + tw, h - 28};
  }
  const int th = int(RoundRatio(int64_t(ph) * (w - 6), pw));
  const int top = (h - kCaption - th) / 2;
  return {kMargin, top, w - kMargin, top + th};
}

template <typename DrawFn>
std::unique_ptr<TBitmap> Thumbnail(int pw, int ph, int w, int h, DrawFn draw) {
  auto cell = std::make_unique<TBitmap>(w, h);
  if (pw > 0 && ph > 0) {
    const TRect r = ThumbnailRect(pw, ph, w, h);
    if (r.Width() > 0 && r.Height() > 0) draw(*cell, r);
  }
  cell->pen.color = kThumbnailLine;
  cell->brush.style = TBrushStyle::Clear;
  cell->Rectangle({0, 0, w, h});
  cell->Line(0, h - kCaption - 1, w, h - kCaption - 1);
  return cell;
}

}  // namespace

std::unique_ptr<TPicture> LoadPicture(const std::string& path) {
  const TFormat* format = FormatForPath(path);
  if (!format) return nullptr;
  std::unique_ptr<TPicture> picture = format->make();
  try {
    picture->LoadFromFile(path);
  } catch (...) {
    return nullptr;
  }
  return picture;
}

std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path) {
  std::unique_ptr<TPicture> picture = LoadPicture(path);
  if (!picture) return nullptr;
  try {
    return picture->TakeBitmap();
  } catch (...) {
    return nullptr;
  }
}

std::optional<TPictureSize> ProbePictureSize(std::span<const uint8_t> data) {
  const TFormat* format = FormatForContent(data);
  if (!format || !format->probe) return std::nullopt;
  return format->probe(data);
}

uint64_t PipelineBytes(const TPictureSize& size, uint64_t fileBytes) {
  // The working bitmap, one copy of it (turned, framed or reduced) and the watermark's layer.
  constexpr uint64_t kStepsBytesPerPixel = 9;
  return fileBytes + size.decodeBytes +
         uint64_t(size.width) * uint64_t(size.height) * kStepsBytesPerPixel;
}

std::unique_ptr<TBitmap> LoadPictureBitmap(const std::string& path, const TMemoryGate& gate,
                                           TLoadReport& report, const TMemoryEstimate& estimate,
                                           TReducedLoad* reduce) {
  report = {};
  const TFormat* format = FormatForPath(path);
  if (!format) {
    report.problem = TLoadProblem::UnknownType;
    return nullptr;
  }
  std::unique_ptr<TPicture> picture = format->make();
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const EFileError& e) {
    report.error = e.Error();
    report.problem = e.Error() == EFileError::kNotRegularFile ? TLoadProblem::NotAFile
                     : e.Error() == EFileError::kTooLarge     ? TLoadProblem::TooLarge
                                                              : TLoadProblem::Unreadable;
    return nullptr;
  }
  uint64_t needed = 0;
  if (gate) {
    // A header that cannot be read is left to the decoder to refuse.
    if (const auto size = ProbePictureSize(bytes)) {
      needed = estimate ? estimate(*size, bytes.size()) : PipelineBytes(*size, bytes.size());
      if (!gate(needed)) {
        report.problem = TLoadProblem::OverMemoryLimit;
        report.needed = needed;
        return nullptr;
      }
    }
  }
  try {
    std::unique_ptr<TBitmap> bitmap;
    if (reduce && format == FormatNamed("jpeg")) {
      reduce->got = DecodeJpegReduced(bytes, reduce->wanted);
      std::vector<uint8_t>().swap(bytes);
      bitmap = std::make_unique<TBitmap>(std::move(reduce->got.bitmap));
      reduce->got.bitmap = TBitmap();
    } else {
      picture->LoadFromMemory(bytes);
      std::vector<uint8_t>().swap(bytes);
      bitmap = picture->TakeBitmap();
    }
    if (!bitmap || bitmap->Empty()) {
      report.problem = TLoadProblem::Damaged;
      return nullptr;
    }
    return bitmap;
  } catch (const std::bad_alloc&) {
    // The system said no: say what was asked for (nothing known when no header was read).
    report.problem = TLoadProblem::OverMemoryLimit;
    report.needed = needed;
    return nullptr;
  } catch (...) {
    report.problem = TLoadProblem::Damaged;
    return nullptr;
  }
}

std::unique_ptr<TBitmap> MakeThumbnail(const TPicture& picture, int cellWidth, int cellHeight) {
  return Thumbnail(picture.Width(), picture.Height(), cellWidth, cellHeight,
                   [&](TBitmap& cell, const TRect& r) { picture.Draw(cell, r); });
}

std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int cellWidth, int cellHeight) {
  return Thumbnail(picture.Width(), picture.Height(), cellWidth, cellHeight,
                   [&](TBitmap& cell, const TRect& r) {
                     if (r.Width() == picture.Width() && r.Height() == picture.Height()) {
                       cell.Draw(r.left, r.top, picture);
                     } else {
                       cell.StretchDraw(r, picture);
                     }
                   });
}

std::unique_ptr<TBitmap> MakeThumbnailOfBytes(std::span<const uint8_t> data, std::string_view name,
                                              int angle, int cellWidth, int cellHeight) {
  const bool quarter = angle % 180 != 0;
  const bool turned = angle % 360 != 0;
  try {
    const TFormat* format = FormatForPath(name);
    if (!format) return nullptr;
    if (format == FormatNamed("jpeg")) {
      TReducedJpeg jpeg = DecodeJpegReduced(data, [&](int pw, int ph) -> std::pair<int, int> {
        // The turned picture is drawn into the cell, so its size decides.
        const TRect r = quarter ? ThumbnailRect(ph, pw, cellWidth, cellHeight)
                                : ThumbnailRect(pw, ph, cellWidth, cellHeight);
        return quarter ? std::pair(r.Height(), r.Width()) : std::pair(r.Width(), r.Height());
      });
      std::unique_ptr<TBitmap> reduced = std::make_unique<TBitmap>(std::move(jpeg.bitmap));
      int pw = jpeg.fullWidth, ph = jpeg.fullHeight;
      if (turned) {
        reduced = RotatePicture(*reduced, kWhite, angle);
        if (quarter) std::swap(pw, ph);
      }
      return Thumbnail(pw, ph, cellWidth, cellHeight, [&](TBitmap& cell, const TRect& r) {
        if (r.Width() == reduced->Width() && r.Height() == reduced->Height())
          cell.Draw(r.left, r.top, *reduced);
        else
          cell.StretchDraw(r, *reduced);
      });
    }
    std::unique_ptr<TPicture> picture = format->make();
    picture->LoadFromMemory(data);
    std::unique_ptr<TBitmap> bitmap = picture->TakeBitmap();
    if (!bitmap) return nullptr;
    if (turned) bitmap = RotatePicture(*bitmap, kWhite, angle);
    return MakeThumbnail(*bitmap, cellWidth, cellHeight);
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<TBitmap> MakeFileThumbnail(const std::string& path, int angle, int cellWidth,
                                           int cellHeight) {
  if (!FormatForPath(path)) return nullptr;
  std::vector<uint8_t> data;
  try {
    data = ReadWholeFile(path);
  } catch (...) {
    return nullptr;
  }
  return MakeThumbnailOfBytes(data, path, angle, cellWidth, cellHeight);
}

}  // namespace pixmira
