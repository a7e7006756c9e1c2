#include "codecs/Png.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "codecs/Bmp.h"
#include "codecs/ColorProfile.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "core/Errors.h"

namespace pixmira {

namespace {

[[noreturn]] void Fail(const std::string& why) {
  throw EInvalidGraphic("Invalid PNG picture: " + why);
}

// libpng leaves through longjmp into DecodePng; everything with a destructor lives here,
// made before setjmp.
struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::span<const uint8_t> data;
  std::size_t pos = 0;
  char message[128] = {};
  std::vector<uint8_t> bgra;
  std::vector<png_bytep> rows;
  ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* r = static_cast<PngReader*>(png_get_error_ptr(png));
  std::snprintf(r->message, sizeof r->message, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (r->data.size() - r->pos < n) png_error(png, "file is truncated");
  std::memcpy(out, r->data.data() + r->pos, n);
  r->pos += n;
}

// Compressed image bytes present in the file (IDAT chunks, cut where the file ends).
uint64_t ImageDataBytes(std::span<const uint8_t> data) {
  uint64_t total = 0;
  std::size_t pos = 8;
  while (pos + 8 <= data.size()) {
    const uint64_t length = uint64_t(data[pos]) << 24 | uint64_t(data[pos + 1]) << 16 |
                            uint64_t(data[pos + 2]) << 8 | data[pos + 3];
    const bool image = std::memcmp(data.data() + pos + 4, "IDAT", 4) == 0;
    const uint64_t present = std::min<uint64_t>(length, data.size() - pos - 8);
    if (image) total += present;
    if (std::memcmp(data.data() + pos + 4, "IEND", 4) == 0) break;
    pos += 12 + std::size_t(present);
  }
  return total;
}

// Deflate cannot expand a byte into more than about 1032; a little more for safety.
constexpr uint64_t kMaxInflateRatio = 1100;

void DecodePng(std::span<const uint8_t> data, int& width, int& height, std::vector<uint8_t>& bgra) {
  auto r = std::make_unique<PngReader>();
  r->data = data;
  r->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, r.get(), OnPngError, OnPngWarning);
  if (!r->png) Fail("out of memory");
  r->info = png_create_info_struct(r->png);
  if (!r->info) Fail("out of memory");
  if (setjmp(png_jmpbuf(r->png))) Fail(r->message);

  png_set_read_fn(r->png, r.get(), ReadData);
  png_set_user_limits(r->png, kMaxPictureSide, kMaxPictureSide);
  png_read_info(r->png, r->info);
  const png_uint_32 w = png_get_image_width(r->png, r->info);
  const png_uint_32 h = png_get_image_height(r->png, r->info);
  CheckPictureSize(w, h);
  const int colorType = png_get_color_type(r->png, r->info);
  const int depth = png_get_bit_depth(r->png, r->info);
  // A file cut short (or a tiny one claiming a huge size) cannot hold the rows it announces:
  // refuse it before the buffer for them is made.
  const uint64_t rawBytes = uint64_t(h) * png_get_rowbytes(r->png, r->info);
  if (ImageDataBytes(data) * kMaxInflateRatio + 4096 < rawBytes) Fail("file is truncated");

  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
  if (png_get_valid(r->png, r->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r->png);
  if (depth == 16) png_set_scale_16(r->png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(r->png);
  png_set_bgr(r->png);
  png_set_filler(r->png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  if (png_get_rowbytes(r->png, r->info) != std::size_t(w) * 4) Fail("unexpected row layout");

  r->bgra.resize(std::size_t(w) * h * 4);
  r->rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) r->rows[y] = r->bgra.data() + std::size_t(y) * w * 4;
  png_read_image(r->png, r->rows.data());

  // libpng has already refused a profile whose header is damaged or of the wrong colour space.
  png_charp name = nullptr;
  png_bytep profile = nullptr;
  png_uint_32 profileSize = 0;
  int compression = 0;
  if (colorType & PNG_COLOR_MASK_COLOR &&
      png_get_iCCP(r->png, r->info, &name, &compression, &profile, &profileSize) && profile) {
    ConvertProfileToSrgb({profile, profileSize}, r->bgra.data(), int(w), int(h), std::size_t(w) * 4,
                         TPixelLayout::BGRA);
  }
  // What follows the image data (text, the end chunk) changes no pixel; not read.

  width = int(w);
  height = int(h);
  bgra = std::move(r->bgra);
}

void FromBitmap(const TBitmap& bitmap, int& width, int& height, std::vector<uint8_t>& bgra) {
  width = bitmap.Width();
  height = bitmap.Height();
  bgra.resize(std::size_t(width) * height * 4);
  uint8_t* out = bgra.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = bitmap.Row(y);
    for (int x = 0; x < width; ++x, in += 3, out += 4) {
      out[0] = in[0], out[1] = in[1], out[2] = in[2], out[3] = 255;
    }
  }
}

// The first frame at the logical screen's size; transparent pixels and the parts the frame
// does not cover have alpha 0.
void FromGif(const TGIFImage& gif, int& width, int& height, std::vector<uint8_t>& bgra) {
  const auto& frames = gif.Frames();
  const auto f =
      std::find_if(frames.begin(), frames.end(), [](const TGIFFrame& fr) { return fr.HasImage(); });
  if (f == frames.end()) throw GIFException("Image is empty");
  width = gif.Width();
  height = gif.Height();
  CheckPictureSize(width, height);
  bgra.assign(std::size_t(width) * height * 4, 0);
  const TGIFColorMap& map =
      f->localColorMap.empty() ? gif.Header().globalColorMap : f->localColorMap;
  const TGIFGraphicControlExtension* control = f->GraphicControl();
  const int right = std::min<int>(width, f->left + f->width);
  const int bottom = std::min<int>(height, f->top + f->height);
  for (int y = f->top; y < bottom; ++y) {
    const uint8_t* in = f->indices.data() + std::size_t(y - f->top) * f->width;
    uint8_t* out = bgra.data() + (std::size_t(y) * width + f->left) * 4;
    for (int x = f->left; x < right; ++x, ++in, out += 4) {
      if (control && control->Transparent() && *in == control->transparentIndex) continue;
      const TGIFColor c = *in < map.size() ? map[*in] : TGIFColor{};
      out[0] = c.b, out[1] = c.g, out[2] = c.r, out[3] = 255;
    }
  }
}

}  // namespace

void TPNGPicture::LoadFromMemory(std::span<const uint8_t> data) {
  Clear();
  if (data.size() <= 13) return;  // too short to be any picture: empty, not an error
  static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  int w = 0, h = 0;
  std::vector<uint8_t> pixels;
  if (data[0] == 'B' && data[1] == 'M') {
    FromBitmap(DecodeBmp(data), w, h, pixels);
  } else if (std::memcmp(data.data(), kPng, 8) == 0) {
    DecodePng(data, w, h, pixels);
  } else if (data[0] == 0xFF && data[1] == 0xD8) {
    FromBitmap(DecodeJpeg(data), w, h, pixels);
  } else if (std::memcmp(data.data(), "GIF8", 4) == 0) {
    TGIFImage gif;
    gif.LoadFromMemory(data);
    FromGif(gif, w, h, pixels);
  } else {
    Fail("unknown format");
  }
  SetPixels(w, h, std::move(pixels));
}

namespace {

// The writer's state, made before setjmp like the reader's.
struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[128] = {};
  std::vector<uint8_t> bytes;
  ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void OnPngWriteError(png_structp png, png_const_charp message) {
  auto* w = static_cast<PngWriter*>(png_get_error_ptr(png));
  std::snprintf(w->message, sizeof w->message, "%s", message ? message : "error");
  png_longjmp(png, 1);
}

void WriteData(png_structp png, png_bytep data, png_size_t n) {
  auto* w = static_cast<PngWriter*>(png_get_io_ptr(png));
  w->bytes.insert(w->bytes.end(), data, data + n);
}

void FlushData(png_structp) {}

}  // namespace

std::vector<uint8_t> WritePng(const TBitmap& bitmap, const TWriteOptions& options) {
  auto w = std::make_unique<PngWriter>();
  w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, w.get(), OnPngWriteError, OnPngWarning);
  if (!w->png) throw EInvalidGraphic("PNG error: out of memory");
  w->info = png_create_info_struct(w->png);
  if (!w->info) throw EInvalidGraphic("PNG error: out of memory");
  if (setjmp(png_jmpbuf(w->png))) throw EInvalidGraphic(std::string("PNG error: ") + w->message);

  png_set_write_fn(w->png, w.get(), WriteData, FlushData);
  png_set_IHDR(w->png, w->info, png_uint_32(bitmap.Width()), png_uint_32(bitmap.Height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (const TPictureMetadata* m = options.metadata) {
    if (!m->icc.empty())
      png_set_iCCP(w->png, w->info, "ICC", PNG_COMPRESSION_TYPE_BASE, m->icc.data(),
                   png_uint_32(m->icc.size()));
    if (!m->exif.empty())
      png_set_eXIf_1(w->png, w->info, png_uint_32(m->exif.size()),
                     const_cast<png_bytep>(m->exif.data()));
  }
  png_write_info(w->png, w->info);
  png_set_bgr(w->png);  // the working bitmap keeps blue first
  for (int y = 0; y < bitmap.Height(); ++y)
    png_write_row(w->png, const_cast<png_bytep>(bitmap.Row(y)));
  png_write_end(w->png, nullptr);
  return std::move(w->bytes);
}

}  // namespace pixmira
