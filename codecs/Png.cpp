#include "codecs/Png.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "codecs/Bmp.h"
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

// One axis of the scaled drawing: for each destination index the two source indices and
// the weight of the second, in 1/256. Enlarging samples a source one pixel shorter, so its
// last row or column is never read.
struct Tap {
  int i0, i1, w1;
};

std::vector<Tap> Taps(int64_t from, int64_t to, int64_t sn, int64_t dn) {
  const int64_t extent = dn > sn && sn > 1 ? sn - 1 : sn;
  std::vector<Tap> taps;
  taps.reserve(std::size_t(std::max<int64_t>(0, to - from)));
  for (int64_t d = from; d < to; ++d) {
    int64_t u = (2 * d + 1) * extent * 256 / (2 * dn) - 128;
    u = std::clamp<int64_t>(u, 0, (extent - 1) * 256);
    const int i0 = int(u >> 8), w1 = int(u & 255);
    taps.push_back({i0, w1 ? i0 + 1 : i0, w1});
  }
  return taps;
}

}  // namespace

void TPNGPicture::LoadFromMemory(std::span<const uint8_t> data) {
  width_ = height_ = 0;
  bgra_.clear();
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
  width_ = w;
  height_ = h;
  bgra_ = std::move(pixels);
}

std::unique_ptr<TBitmap> TPNGPicture::ToBitmap() const {
  auto bitmap = std::make_unique<TBitmap>(width_, height_);
  const uint8_t* in = bgra_.data();
  for (int y = 0; y < height_; ++y) {
    uint8_t* out = bitmap->Row(y);
    for (int x = 0; x < width_; ++x, in += 4, out += 3) {
      const unsigned a = in[3];
      out[0] = uint8_t((in[0] * a + 127) / 255);
      out[1] = uint8_t((in[1] * a + 127) / 255);
      out[2] = uint8_t((in[2] * a + 127) / 255);
    }
  }
  return bitmap;
}

void TPNGPicture::Draw(TBitmap& target, const TRect& rect) const {
  const int64_t dw = int64_t(rect.right) - rect.left, dh = int64_t(rect.bottom) - rect.top;
  if (width_ == 0 || height_ == 0 || dw <= 0 || dh <= 0) return;
  const int x0 = std::max(rect.left, 0), x1 = std::min(rect.right, target.Width());
  const int y0 = std::max(rect.top, 0), y1 = std::min(rect.bottom, target.Height());
  if (x0 >= x1 || y0 >= y1) return;
  const std::vector<Tap> xs = Taps(int64_t(x0) - rect.left, int64_t(x1) - rect.left, width_, dw);
  const std::vector<Tap> ys = Taps(int64_t(y0) - rect.top, int64_t(y1) - rect.top, height_, dh);
  const std::size_t stride = std::size_t(width_) * 4;

  for (int y = y0; y < y1; ++y) {
    const Tap& ty = ys[y - y0];
    const uint8_t* r0 = bgra_.data() + std::size_t(ty.i0) * stride;
    const uint8_t* r1 = bgra_.data() + std::size_t(ty.i1) * stride;
    uint8_t* out = target.Row(y) + std::size_t(x0) * 3;
    for (int x = x0; x < x1; ++x, out += 3) {
      const Tap& tx = xs[x - x0];
      const uint8_t* p[4] = {r0 + tx.i0 * 4, r0 + tx.i1 * 4, r1 + tx.i0 * 4, r1 + tx.i1 * 4};
      const uint64_t w[4] = {uint64_t(256 - tx.w1) * (256 - ty.w1), uint64_t(tx.w1) * (256 - ty.w1),
                             uint64_t(256 - tx.w1) * ty.w1, uint64_t(tx.w1) * ty.w1};
      // Colours weighted by their alpha, so transparent neighbours lend no colour.
      uint64_t alpha = 0, sum[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        if (w[k] == 0) continue;
        const uint64_t wa = w[k] * p[k][3];
        alpha += wa;
        for (int c = 0; c < 3; ++c) sum[c] += wa * p[k][c];
      }
      const unsigned a = unsigned((alpha + 32768) >> 16);
      for (int c = 0; c < 3; ++c) {
        const unsigned s = unsigned((sum[c] + 32768) >> 16);  // colour × alpha, 0..65025
        const unsigned v = (s + out[c] * (255 - a) + 127) / 255;
        out[c] = uint8_t(std::min(v, 255u));
      }
    }
  }
}

}  // namespace pixmira
