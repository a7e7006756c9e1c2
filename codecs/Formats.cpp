#include "codecs/Formats.h"

#include <algorithm>
#include <cstring>

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Heif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "codecs/Probe.h"
#include "codecs/Webp.h"

namespace pixmira {

namespace {

bool StartsWith(std::span<const uint8_t> head, std::string_view bytes) {
  return head.size() >= bytes.size() && std::memcmp(head.data(), bytes.data(), bytes.size()) == 0;
}

template <typename Picture>
std::unique_ptr<TPicture> Make() {
  return std::make_unique<Picture>();
}

constexpr auto kGeneral = TDialogGroup::General;

std::vector<TFormat> MakeTable() {
  return {
      {"jpeg",
       {{".jpg", true, kGeneral},
        {".jpeg", false, kGeneral},
        {".kvi", false, TDialogGroup::Assistant}},
       [](std::span<const uint8_t> h) { return StartsWith(h, "\xFF\xD8\xFF"); },
       ProbeJpeg,
       Make<TJPEGImage>,
       WriteJpeg,
       true},
      {"bmp",
       {{".bmp", true, kGeneral}},
       [](std::span<const uint8_t> h) { return StartsWith(h, "BM"); },
       ProbeBmp,
       Make<TBMPImage>},
      {"png",
       {{".png", true, kGeneral}},
       [](std::span<const uint8_t> h) { return StartsWith(h, "\x89PNG\r\n\x1A\n"); },
       ProbePng,
       Make<TPNGPicture>,
       WritePng},
      // A folder scan leaves GIF files alone: an animation is rarely a product photo.
      {"gif",
       {{".gif", false, kGeneral}},
       [](std::span<const uint8_t> h) {
         return StartsWith(h, "GIF87a") || StartsWith(h, "GIF89a");
       },
       ProbeGif,
       Make<TGIFImage>},
      {"webp",
       {{".webp", true, kGeneral}},
       [](std::span<const uint8_t> h) {
         return h.size() >= 12 && StartsWith(h, "RIFF") &&
                std::memcmp(h.data() + 8, "WEBP", 4) == 0;
       },
       ProbeWebp,
       Make<TWebPPicture>,
       WriteWebp,
       true},
      // The brands of still pictures; sequences and AVIF are left to other programs.
      {"heif",
       {{".heic", true, kGeneral}, {".heif", true, kGeneral}},
       [](std::span<const uint8_t> h) {
         if (h.size() < 12 || std::memcmp(h.data() + 4, "ftyp", 4) != 0) return false;
         const std::string_view brand(reinterpret_cast<const char*>(h.data()) + 8, 4);
         return brand == "heic" || brand == "heix" || brand == "mif1" || brand == "heim" ||
                brand == "heis";
       },
       ProbeHeif,
       Make<THEIFPicture>},
  };
}

}  // namespace

const std::vector<TFormat>& Formats() {
  static const std::vector<TFormat> table = MakeTable();
  return table;
}

std::string_view OutputExtension(const TFormat& format) { return format.extensions.front().text; }

std::string ExtensionOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\:");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return ext;
}

const TFormat* FormatForPath(std::string_view path) {
  const std::string ext = ExtensionOf(path);
  if (ext.empty()) return nullptr;
  for (const TFormat& format : Formats()) {
    for (const TExtension& e : format.extensions) {
      if (e.text == ext) return &format;
    }
  }
  return nullptr;
}

const TFormat* FormatNamed(std::string_view name) {
  for (const TFormat& format : Formats()) {
    if (format.name == name) return &format;
  }
  return nullptr;
}

const TFormat* FormatForContent(std::span<const uint8_t> head) {
  for (const TFormat& format : Formats()) {
    if (format.looksLike(head)) return &format;
  }
  return nullptr;
}

std::vector<std::string_view> FolderScanExtensions() {
  std::vector<std::string_view> out;
  for (const TFormat& format : Formats()) {
    for (const TExtension& e : format.extensions) {
      if (e.folderScan) out.push_back(e.text);
    }
  }
  return out;
}

std::vector<std::string_view> DialogExtensions(TDialogGroup group) {
  std::vector<std::string_view> out;
  for (const TFormat& format : Formats()) {
    for (const TExtension& e : format.extensions) {
      if (e.dialog == group) out.push_back(e.text);
    }
  }
  return out;
}

}  // namespace pixmira
