#include "codecs/LoadPicture.h"

#include <algorithm>

#include "codecs/Formats.h"
#include "core/Rounding.h"

namespace pixmira {

namespace {

// Linux names may hold ":" and "\\"; only "/" separates.
constexpr std::string_view kDelimiters = "/";

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

template <typename Picture, typename DrawFn>
std::unique_ptr<TBitmap> Thumbnail(const Picture& picture, int w, int h, DrawFn draw) {
  auto cell = std::make_unique<TBitmap>(w, h);
  const int pw = picture.Width(), ph = picture.Height();
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

std::unique_ptr<TBitmap> MakeThumbnail(const TPicture& picture, int cellWidth, int cellHeight) {
  return Thumbnail(picture, cellWidth, cellHeight,
                   [&](TBitmap& cell, const TRect& r) { picture.Draw(cell, r); });
}

std::unique_ptr<TBitmap> MakeThumbnail(const TBitmap& picture, int cellWidth, int cellHeight) {
  return Thumbnail(picture, cellWidth, cellHeight, [&](TBitmap& cell, const TRect& r) {
    if (r.Width() == picture.Width() && r.Height() == picture.Height()) {
      cell.Draw(r.left, r.top, picture);
    } else {
      cell.StretchDraw(r, picture);
    }
  });
}

}  // namespace pixmira
