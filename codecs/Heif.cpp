#include "codecs/Heif.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>

#include "codecs/ColorProfile.h"
#include "codecs/Probe.h"
#include "core/Errors.h"

namespace pixmira {

namespace {

[[noreturn]] void Fail(const std::string& why) {
  throw EInvalidGraphic("Invalid HEIF picture: " + why);
}

void Check(const heif_error& error) {
  if (error.code != heif_error_Ok) Fail(error.message ? error.message : "damaged data");
}

struct ContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

std::vector<uint8_t> RawProfile(heif_image_handle* handle) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return {};
  std::vector<uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
  if (icc.empty()) return icc;
  if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) return {};
  return icc;
}

// Interleaved RGB or RGBA rows into straight BGRA, opaque where there is no alpha.
std::vector<uint8_t> ToBgra(const uint8_t* plane, int stride, int w, int h, bool alpha) {
  std::vector<uint8_t> bgra(std::size_t(w) * h * 4);
  const int step = alpha ? 4 : 3;
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = plane + std::size_t(y) * stride;
    uint8_t* out = bgra.data() + std::size_t(y) * w * 4;
    for (int x = 0; x < w; ++x, in += step, out += 4) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
      out[3] = alpha ? in[3] : 255;
    }
  }
  return bgra;
}

// The file's boxes, read without decoding anything, and its primary image's handle; nothing
// for a file that is not HEIF or cannot be read. The handle needs the context and the data.
struct TPrimary {
  std::unique_ptr<heif_context, ContextFree> context;
  std::unique_ptr<heif_image_handle, HandleFree> handle;
};

std::optional<TPrimary> OpenPrimary(std::span<const uint8_t> data) {
  if (heif_check_filetype(data.data(), int(std::min<std::size_t>(data.size(), 64))) ==
      heif_filetype_no)
    return std::nullopt;
  TPrimary primary;
  primary.context.reset(heif_context_alloc());
  if (!primary.context || heif_context_read_from_memory_without_copy(
                              primary.context.get(), data.data(), data.size(), nullptr)
                                  .code != heif_error_Ok)
    return std::nullopt;
  heif_image_handle* rawHandle = nullptr;
  if (heif_context_get_primary_image_handle(primary.context.get(), &rawHandle).code !=
      heif_error_Ok)
    return std::nullopt;
  primary.handle.reset(rawHandle);
  return primary;
}

// An EXIF item starts with the offset of the TIFF header after its first four bytes.
std::vector<uint8_t> ExifBlock(heif_image_handle* handle) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1) return {};
  std::vector<uint8_t> item(heif_image_handle_get_metadata_size(handle, id));
  if (item.size() < 4 ||
      heif_image_handle_get_metadata(handle, id, item.data()).code != heif_error_Ok)
    return {};
  const uint64_t skip = 4 + ((uint64_t(item[0]) << 24) | (uint64_t(item[1]) << 16) |
                             (uint64_t(item[2]) << 8) | item[3]);
  if (skip >= item.size()) return {};
  return std::vector<uint8_t>(item.begin() + std::ptrdiff_t(skip), item.end());
}

}  // namespace

void ReadHeifMetadata(std::span<const uint8_t> data, std::vector<uint8_t>& exif,
                      std::vector<uint8_t>& icc) {
  const std::optional<TPrimary> primary = OpenPrimary(data);
  if (!primary) return;
  exif = ExifBlock(primary->handle.get());
  icc = RawProfile(primary->handle.get());
}

std::optional<TPictureSize> ProbeHeif(std::span<const uint8_t> data) {
  // The primary image's handle knows its shown size.
  const std::optional<TPrimary> primary = OpenPrimary(data);
  if (!primary) return std::nullopt;
  heif_image_handle* handle = primary->handle.get();
  const int w = heif_image_handle_get_width(handle);
  const int h = heif_image_handle_get_height(handle);
  if (w <= 0 || h <= 0) return std::nullopt;
  const int bits = heif_image_handle_get_luma_bits_per_pixel(handle);
  const uint64_t sampleBytes = bits > 8 ? 2 : 1;
  // The decoded planes (at most three full ones), the interleaved RGB(A) libheif converts
  // them to, our BGRA copy and the three-byte working copy made from it.
  const uint64_t pixels = uint64_t(w) * uint64_t(h);
  return TPictureSize{w, h, pixels * (3 * sampleBytes + 4 + 4 + 3)};
}

void THEIFPicture::LoadFromMemory(std::span<const uint8_t> data) {
  Clear();
  if (heif_check_filetype(data.data(), int(std::min<std::size_t>(data.size(), 64))) ==
      heif_filetype_no)
    Fail("not a HEIF file");
  std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
  if (!context) Fail("the decoder cannot start");
#ifdef __EMSCRIPTEN__
  // A browser starts a thread only from the page worker's own fixed set, and a thread asked
  // for from another thread waits for the page worker, which is itself waiting here: the
  // tiles of a grid picture are decoded one after the other instead.
  heif_context_set_max_decoding_threads(context.get(), 0);
#endif
  Check(
      heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr));
  heif_image_handle* rawHandle = nullptr;
  Check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
  std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);

  // The size as shown, after any turn; checked before the pixels are decoded.
  const int w = heif_image_handle_get_width(handle.get());
  const int h = heif_image_handle_get_height(handle.get());
  if (w <= 0 || h <= 0) Fail("no picture size");
  CheckPictureSize(w, h);

  const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
  std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  options->ignore_transformations = 0;  // turns and mirrors are applied
  heif_image* rawImage = nullptr;
  Check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          options.get()));
  std::unique_ptr<heif_image, ImageFree> image(rawImage);

  int stride = 0;
  uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
  const int iw = heif_image_get_primary_width(image.get());
  const int ih = heif_image_get_primary_height(image.get());
  if (!plane || iw != w || ih != h || stride < w * (alpha ? 4 : 3)) Fail("damaged picture data");

  std::vector<uint8_t> bgra = ToBgra(plane, stride, w, h, alpha);
  const std::vector<uint8_t> icc = RawProfile(handle.get());
  if (!icc.empty())
    ConvertProfileToSrgb(icc, bgra.data(), w, h, std::size_t(w) * 4, TPixelLayout::BGRA);
  SetPixels(w, h, std::move(bgra));
}

}  // namespace pixmira
