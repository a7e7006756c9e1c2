#include "codecs/LoadPicture.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "core/Rounding.h"
#include "imaging/Rotate.h"

namespace pixmira {

namespace {

constexpr std::string_view kDelimiters = "/\\:";

// Lower-case extension with its dot, or empty.
std::string ExtensionOf(std::string_view path) {
  const std::size_t slash = path.find_last_of(kDelimiters);
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return ext;
}

std::unique_ptr<TPicture> PictureForExtension(const std::string& ext) {
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".kvi") return std::make_unique<TJPEGImage>();
  if (ext == ".bmp") return std::make_unique<TBMPImage>();
  if (ext == ".png") return std::make_unique<TPNGPicture>();
  if (ext == ".gif") return std::make_unique<TGIFImage>();
  return nullptr;
}

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
  std::unique_ptr<TPicture> picture = PictureForExtension(ExtensionOf(path));
  if (!picture) return nullptr;
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

std::unique_ptr<TBitmap> MakeFileThumbnail(const std::string& path, int angle, int cellWidth,
                                           int cellHeight) {
  const bool quarter = angle % 180 != 0;
  const bool turned = angle % 360 != 0;
  try {
    const std::string ext = ExtensionOf(path);
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".kvi") {
      const std::vector<uint8_t> data = ReadWholeFile(path);
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
    std::unique_ptr<TBitmap> bitmap = LoadPictureBitmap(path);
    if (!bitmap) return nullptr;
    if (turned) bitmap = RotatePicture(*bitmap, kWhite, angle);
    return MakeThumbnail(*bitmap, cellWidth, cellHeight);
  } catch (const std::exception&) {
    return nullptr;
  }
}

std::string FileNameWithoutExt(std::string_view path) {
  const std::size_t slash = path.find_last_of(kDelimiters);
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string UniqueFileName(const std::string& path) {
  auto exists = [](const std::string& p) {
    std::error_code ec;
    return std::filesystem::exists(p, ec) || std::filesystem::is_symlink(p, ec);
  };
  if (!exists(path)) return path;
  const std::size_t slash = path.find_last_of(kDelimiters);
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = path.substr(0, nameStart);
  std::string base = path.substr(nameStart);
  std::string ext;
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos) {
    ext = base.substr(dot);
    base.resize(dot);
  }
  for (uint64_t n = 2;; ++n) {
    std::string candidate = folder + base + std::to_string(n) + ext;
    if (!exists(candidate)) return candidate;
  }
}

}  // namespace pixmira
