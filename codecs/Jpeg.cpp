#include "codecs/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "codecs/ColorProfile.h"
#include "core/Errors.h"

namespace pixmira {

namespace {

// libjpeg is C: its errors leave through longjmp back into the function that set the jump,
// which then throws. Everything with a destructor lives in a context object made before
// setjmp, so the jump skips no destructor.
struct JpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code;
};

// A damaged progressive file can hold endless scans, each a pass over the whole picture's
// coefficients: a file of a few kilobytes then takes minutes. Encoders write ten to a few
// dozen scans; no real picture has this many.
constexpr int kMaxScans = 100;

void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  err->code = err->pub.msg_code;
  std::longjmp(err->jump, 1);
}

// Warnings (a truncated file, extraneous bytes) leave libjpeg's best picture; nothing to say.
void IgnoreMessage(j_common_ptr, int) {}
void NoOutput(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    err->code = JERR_BAD_PROGRESSION;
    std::longjmp(err->jump, 1);
  }
}

void InstallErrorManager(jpeg_common_struct& cinfo, JpegError& err) {
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.emit_message = IgnoreMessage;
  err.pub.output_message = NoOutput;
  err.code = 0;
}

[[noreturn]] void RaiseJpegError(int code) {
  char text[32];
  std::snprintf(text, sizeof text, "JPEG error #%d", code);
  throw EJPEG(code, text);
}

struct Decompressor {
  jpeg_decompress_struct cinfo{};
  JpegError err{};
  jpeg_progress_mgr progress{};
  bool created = false;
  TBitmap bitmap;
  std::vector<uint8_t> row;
  int orientation = 1;
  JOCTET* profile = nullptr;  // malloc'ed by jpeg_read_icc_profile
  unsigned int profileSize = 0;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
    std::free(profile);
  }
};

struct Compressor {
  jpeg_compress_struct cinfo{};
  JpegError err{};
  bool created = false;
  unsigned char* buffer = nullptr;  // malloc'ed by libjpeg's memory destination
  unsigned long size = 0;
  ~Compressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

uint16_t Read16(const uint8_t* p, bool little) {
  return little ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]);
}

uint32_t Read32(const uint8_t* p, bool little) {
  return little
             ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
             : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Stored CMYK to RGB. Adobe's files hold the values inverted.
uint8_t FromInk(uint8_t ink, uint8_t black, bool inverted) {
  if (!inverted) {
    ink = 255 - ink;
    black = 255 - black;
  }
  return uint8_t((ink * black + 127) / 255);
}

void ReadPixels(Decompressor& d) {
  jpeg_decompress_struct& cinfo = d.cinfo;
  const int width = int(cinfo.output_width);
  const int components = cinfo.output_components;
  const bool direct = cinfo.out_color_space == JCS_EXT_BGR;
  if (!direct) d.row.resize(std::size_t(width) * components);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = int(cinfo.output_scanline);
    uint8_t* out = d.bitmap.Row(y);
    JSAMPROW rows[1] = {direct ? out : d.row.data()};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) RaiseJpegError(JERR_INPUT_EOF);
    if (direct) continue;
    const uint8_t* in = d.row.data();
    if (cinfo.quantize_colors) {
      const JSAMPLE* grey = cinfo.colormap[0];
      for (int x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = grey[in[x]];
    } else {
      const bool inverted = cinfo.saw_Adobe_marker;
      for (int x = 0; x < width; ++x, in += 4, out += 3) {
        out[0] = FromInk(in[2], in[3], inverted);
        out[1] = FromInk(in[1], in[3], inverted);
        out[2] = FromInk(in[0], in[3], inverted);
      }
    }
  }
}

}  // namespace

int ExifOrientation(std::span<const uint8_t> app1) {
  static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kExif, 6) != 0) return 1;
  const std::span<const uint8_t> tiff = app1.subspan(6);
  const std::size_t size = tiff.size();
  bool little;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    little = true;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    little = false;
  } else {
    return 1;
  }
  if (Read16(&tiff[2], little) != 42) return 1;
  const std::size_t ifd = Read32(&tiff[4], little);
  if (ifd > size || size - ifd < 2) return 1;
  const std::size_t count = Read16(&tiff[ifd], little);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    if (entry + 12 > size) break;
    if (Read16(&tiff[entry], little) != 0x0112) continue;
    const uint16_t type = Read16(&tiff[entry + 2], little);
    unsigned value = 0;
    if (type == 3) {  // SHORT, held in the first two bytes of the value field
      value = Read16(&tiff[entry + 8], little);
    } else if (type == 4) {  // LONG, from writers that do not follow the standard
      value = Read32(&tiff[entry + 8], little);
    }
    return value >= 1 && value <= 8 ? int(value) : 1;
  }
  return 1;
}

TBitmap ApplyExifOrientation(const TBitmap& picture, int orientation) {
  const int w = picture.Width();
  const int h = picture.Height();
  if (orientation < 2 || orientation > 8 || picture.Empty()) return picture;
  const bool transposed = orientation >= 5;
  TBitmap out(transposed ? h : w, transposed ? w : h);
  // Source byte offset of output (x, y) = base + x * dx + y * dy.
  const std::ptrdiff_t s = std::ptrdiff_t(picture.Stride());
  const std::ptrdiff_t last = std::ptrdiff_t(h - 1) * s;
  const std::ptrdiff_t right = std::ptrdiff_t(w - 1) * 3;
  std::ptrdiff_t base = 0, dx = 3, dy = s;
  switch (orientation) {
    case 2:
      base = right, dx = -3, dy = s;
      break;  // mirrored left to right
    case 3:
      base = last + right, dx = -3, dy = -s;
      break;  // upside down
    case 4:
      base = last, dx = 3, dy = -s;
      break;  // mirrored top to bottom
    case 5:
      base = 0, dx = s, dy = 3;
      break;  // transposed
    case 6:
      base = last, dx = -s, dy = 3;
      break;  // needs a quarter turn clockwise
    case 7:
      base = last + right, dx = -s, dy = -3;
      break;  // transversed
    case 8:
      base = right, dx = s, dy = -3;
      break;  // needs a quarter turn anticlockwise
  }
  const uint8_t* src = picture.Data();
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* o = out.Row(y);
    const uint8_t* p = src + base + std::ptrdiff_t(y) * dy;
    for (int x = 0; x < out.Width(); ++x, o += 3, p += dx) {
      o[0] = p[0];
      o[1] = p[1];
      o[2] = p[2];
    }
  }
  return out;
}

namespace {

// Decodes at the scale n/8 that choose(upright width, upright height) asks for, 8 = full size.
TReducedJpeg Decode(std::span<const uint8_t> data, const ScaleChooser& choose) {
  auto d = std::make_unique<Decompressor>();
  InstallErrorManager(*reinterpret_cast<jpeg_common_struct*>(&d->cinfo), d->err);
  if (setjmp(d->err.jump)) RaiseJpegError(d->err.code);

  jpeg_create_decompress(&d->cinfo);
  d->created = true;
  jpeg_mem_src(&d->cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_save_markers(&d->cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&d->cinfo, JPEG_APP0 + 2, 0xFFFF);  // ICC_PROFILE, in chunks
  d->progress.progress_monitor = LimitScans;
  d->cinfo.progress = &d->progress;
  jpeg_read_header(&d->cinfo, TRUE);
  CheckPictureSize(d->cinfo.image_width, d->cinfo.image_height);

  for (jpeg_saved_marker_ptr m = d->cinfo.marker_list; m; m = m->next) {
    if (m->marker != JPEG_APP0 + 1) continue;
    const int found = ExifOrientation({m->data, m->data_length});
    if (found != 1 || d->orientation == 1) d->orientation = found;
    if (found != 1) break;
  }
  const bool transposed = d->orientation >= 5;
  TReducedJpeg result;
  result.fullWidth = int(transposed ? d->cinfo.image_height : d->cinfo.image_width);
  result.fullHeight = int(transposed ? d->cinfo.image_width : d->cinfo.image_height);

  d->cinfo.scale_num = d->cinfo.scale_denom = 1;
  if (choose) {
    const auto [wantW, wantH] = choose(result.fullWidth, result.fullHeight);
    // The smallest scale that still gives the wanted size; libjpeg rounds sizes up.
    for (unsigned n = 1; n < 8; ++n) {
      d->cinfo.scale_num = n;
      d->cinfo.scale_denom = 8;
      jpeg_calc_output_dimensions(&d->cinfo);
      const int w = int(transposed ? d->cinfo.output_height : d->cinfo.output_width);
      const int h = int(transposed ? d->cinfo.output_width : d->cinfo.output_height);
      if (w >= wantW && h >= wantH) break;
      d->cinfo.scale_num = d->cinfo.scale_denom = 1;
    }
  }
  d->cinfo.do_block_smoothing = TRUE;
  switch (d->cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d->cinfo.out_color_space = JCS_GRAYSCALE;
      d->cinfo.quantize_colors = TRUE;
      d->cinfo.desired_number_of_colors = 236;
      d->cinfo.two_pass_quantize = FALSE;
      d->cinfo.dither_mode = JDITHER_FS;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d->cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      d->cinfo.out_color_space = JCS_EXT_BGR;
      break;
  }
  // Chunks that are missing or numbered wrongly give no profile, and the picture as stored.
  if (d->cinfo.out_color_space == JCS_EXT_BGR &&
      !jpeg_read_icc_profile(&d->cinfo, &d->profile, &d->profileSize)) {
    d->profile = nullptr;
  }
  jpeg_start_decompress(&d->cinfo);
  d->bitmap = TBitmap(int(d->cinfo.output_width), int(d->cinfo.output_height));
  ReadPixels(*d);
  jpeg_finish_decompress(&d->cinfo);

  if (d->profile) {
    ConvertProfileToSrgb({d->profile, d->profileSize}, d->bitmap.Data(), d->bitmap.Width(),
                         d->bitmap.Height(), d->bitmap.Stride(), TPixelLayout::BGR);
  }

  // Stored at the scale n/8, the picture spans n/8 of its own size from the stored origin,
  // which the orientation may move to the right or the bottom.
  const int n = int(d->cinfo.scale_num), denominator = int(d->cinfo.scale_denom);
  result.reduced = n < denominator;
  const double storedW = double(d->cinfo.image_width) * n / denominator;
  const double storedH = double(d->cinfo.image_height) * n / denominator;
  const double outW = transposed ? d->bitmap.Height() : d->bitmap.Width();
  const double outH = transposed ? d->bitmap.Width() : d->bitmap.Height();
  result.contentWidth = transposed ? storedH : storedW;
  result.contentHeight = transposed ? storedW : storedH;
  const int o = d->orientation;
  if (o == 2 || o == 3 || o == 6 || o == 7) result.contentLeft = outW - result.contentWidth;
  if (o == 3 || o == 4 || o == 7 || o == 8) result.contentTop = outH - result.contentHeight;

  if (d->orientation == 1)
    result.bitmap = std::move(d->bitmap);
  else
    result.bitmap = ApplyExifOrientation(d->bitmap, d->orientation);
  return result;
}

}  // namespace

TBitmap DecodeJpeg(std::span<const uint8_t> data) { return Decode(data, {}).bitmap; }

TReducedJpeg DecodeJpegReduced(std::span<const uint8_t> data, const ScaleChooser& wanted) {
  return Decode(data, wanted);
}

namespace {

std::vector<uint8_t> Encode(const TBitmap& bitmap, int quality, bool progressive,
                            const TPictureMetadata* metadata) {
  auto c = std::make_unique<Compressor>();
  InstallErrorManager(*reinterpret_cast<jpeg_common_struct*>(&c->cinfo), c->err);
  if (setjmp(c->err.jump)) RaiseJpegError(c->err.code);

  jpeg_create_compress(&c->cinfo);
  c->created = true;
  jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
  c->cinfo.image_width = JDIMENSION(bitmap.Width());
  c->cinfo.image_height = JDIMENSION(bitmap.Height());
  c->cinfo.input_components = 3;
  c->cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c->cinfo);
  jpeg_set_quality(&c->cinfo, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
  // Huffman tables fitted to the picture: a smaller file of the very same pixels.
  c->cinfo.optimize_coding = TRUE;
  if (progressive) jpeg_simple_progression(&c->cinfo);
  jpeg_start_compress(&c->cinfo, TRUE);
  // A segment holds at most 65533 bytes; a larger EXIF block (a big thumbnail) is left out.
  constexpr std::size_t kSegment = 65533;
  if (metadata && !metadata->exif.empty() && metadata->exif.size() + 6 <= kSegment) {
    std::vector<JOCTET> app1{'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), metadata->exif.begin(), metadata->exif.end());
    jpeg_write_marker(&c->cinfo, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
  }
  if (metadata && !metadata->icc.empty())
    jpeg_write_icc_profile(&c->cinfo, metadata->icc.data(), unsigned(metadata->icc.size()));
  while (c->cinfo.next_scanline < c->cinfo.image_height) {
    JSAMPROW row[1] = {const_cast<JSAMPLE*>(bitmap.Row(int(c->cinfo.next_scanline)))};
    jpeg_write_scanlines(&c->cinfo, row, 1);
  }
  jpeg_finish_compress(&c->cinfo);
  return std::vector<uint8_t>(c->buffer, c->buffer + c->size);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const TBitmap& bitmap, int quality, bool progressive) {
  return Encode(bitmap, quality, progressive, nullptr);
}

std::vector<uint8_t> WriteJpeg(const TBitmap& bitmap, const TWriteOptions& options) {
  return Encode(bitmap, options.quality, options.progressive, options.metadata);
}

void TJPEGImage::LoadFromMemory(std::span<const uint8_t> data) {
  Clear();
  SetBitmap(DecodeJpeg(data));
}

}  // namespace pixmira
