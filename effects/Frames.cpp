#include "effects/Frames.h"

#include <algorithm>
#include <cstdint>

#include "codecs/Png.h"
#include "core/Errors.h"
#include "core/Platform.h"
#include "core/Rounding.h"
#include "imaging/Lanczos.h"
#include "imaging/Resample.h"

namespace pixmira {

namespace {

std::unique_ptr<TPNGPicture> LoadFramePicture(const std::string& path) {
  auto picture = std::make_unique<TPNGPicture>();
  try {
    picture->LoadFromFile(path);
  } catch (const Exception& e) {
    throw EFrameError("Cannot load the frame picture \"" + path + "\": " + e.what());
  }
  // A file too short to hold a picture loads as an empty one; no frame can be built on it.
  if (picture->Width() <= 0 || picture->Height() <= 0)
    throw EFrameError("The frame picture \"" + path + "\" is empty or not a PNG picture");
  return picture;
}

}  // namespace

std::string CatalogPath(const std::string& framesFolder, const std::string& value) {
  // Catalogues are written on either system; this system's separator stands for both.
  const char separator = platform::PreferredSeparator();
  const auto mine = [separator](std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\\' || c == '/'; }, separator);
    return text;
  };
  std::string path = mine(framesFolder);
  if (!path.empty() && path.back() != separator) path += separator;
  return path + mine(value);
}

std::unique_ptr<TBitmap> ApplyFrame(const TBitmap& photo, const std::string& frameName,
                                    const TMemIniFile& catalog, const std::string& framesFolder,
                                    bool smooth, bool fit) {
  const std::string graph = catalog.ReadString(frameName, "graph", "");
  if (graph.empty()) return nullptr;

  const auto frame = LoadFramePicture(CatalogPath(framesFolder, graph));
  const int64_t fw = frame->Width();
  const int64_t fh = frame->Height();

  int64_t left = catalog.ReadInteger(frameName, "ContentLeft", 0);
  int64_t top = catalog.ReadInteger(frameName, "ContentTop", 0);
  int64_t right = catalog.ReadInteger(frameName, "ContentRight", 0);
  int64_t bottom = catalog.ReadInteger(frameName, "ContentBottom", 0);
  if (right == 0) right = fw;
  if (bottom == 0) bottom = fh;
  // The resampler needs at least 2 × 2 pixels; a rectangle larger than any picture we can
  // hold is a damaged entry as well.
  if (right - left < 2 || bottom - top < 2 || right - left > kMaxPictureSide ||
      bottom - top > kMaxPictureSide) {
    throw EFrameError("The frame \"" + frameName + "\" has an unusable content rectangle (" +
                      std::to_string(left) + ", " + std::to_string(top) + ", " +
                      std::to_string(right) + ", " + std::to_string(bottom) + ")");
  }

  auto result = std::make_unique<TBitmap>(static_cast<int>(fw), static_cast<int>(fh));

  if (!photo.Empty()) {
    const int64_t pw = photo.Width();
    const int64_t ph = photo.Height();
    int64_t tl, tt, tr, tb;
    if (fit) {
      // The whole photo inside the content rectangle, centred, never larger than it is.
      int64_t w = pw, h = ph;
      if (w > right - left) {
        w = right - left;
        h = std::max<int64_t>(1, RoundRatio(ph * w, pw));
      }
      if (h > bottom - top) {
        h = bottom - top;
        w = std::max<int64_t>(1, RoundRatio(pw * h, ph));
      }
      tl = (left + right - w) / 2;
      tt = (top + bottom - h) / 2;
      tr = tl + w;
      tb = tt + h;
    } else {
      // Cover the content rectangle, keeping the photograph's proportions; the overhang is
      // shared equally on both sides.
      const int64_t h = RoundRatio(ph * (right - left), pw);
      if (h < bottom - top) {
        const int64_t w = RoundRatio(pw * (bottom - top), ph);
        tl = (left + right - w) / 2;
        tr = tl + w;
        tt = top;
        tb = bottom;
      } else {
        tl = left;
        tr = right;
        tt = (top + bottom - h) / 2;
        tb = tt + h;
      }
    }
    CheckPictureSize(tr - tl, tb - tt);
    TBitmap fitted(static_cast<int>(tr - tl), static_cast<int>(tb - tt));
    const bool shrinks = fitted.Width() <= pw && fitted.Height() <= ph &&
                         (fitted.Width() < pw || fitted.Height() < ph);
    if (fit && fitted.Width() == pw && fitted.Height() == ph) {
      fitted.Draw(0, 0, photo);
    } else if (smooth && shrinks) {
      ResampleLanczos(fitted, photo);
    } else {
      ResampleBilinear(fitted, photo);
    }
    result->Draw(static_cast<int>(tl), static_cast<int>(tt), fitted);
  }

  frame->Draw(*result, TRect{0, 0, static_cast<int>(fw), static_cast<int>(fh)});
  return result;
}

std::vector<TFrameEntry> ListFrames(const TMemIniFile& catalog, const std::string& framesFolder) {
  std::vector<TFrameEntry> frames;
  for (const std::string& section : catalog.ReadSections()) {
    const std::string preview = catalog.ReadString(section, "preview", "");
    if (!preview.empty()) frames.push_back({section, CatalogPath(framesFolder, preview)});
  }
  return frames;
}

}  // namespace pixmira
