#include "codecs/Webp.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "codecs/Probe.h"
#include "core/Errors.h"

namespace pixmira {

namespace {

[[noreturn]] void Fail(const std::string& why) {
  throw EInvalidGraphic("Invalid WebP picture: " + why);
}

struct AnimDecoderFree {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

// The first frame of an animation, composed on its canvas as the animation shows it.
std::vector<uint8_t> FirstFrame(std::span<const uint8_t> data, int width, int height) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) Fail("the decoder cannot start");
  options.color_mode = MODE_BGRA;
  options.use_threads = 0;
  const WebPData whole{data.data(), data.size()};
  std::unique_ptr<WebPAnimDecoder, AnimDecoderFree> decoder(WebPAnimDecoderNew(&whole, &options));
  if (!decoder) Fail("damaged animation");
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || int(info.canvas_width) != width ||
      int(info.canvas_height) != height)
    Fail("damaged animation");
  uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp)) Fail("damaged animation");
  const std::size_t size = std::size_t(width) * height * 4;
  return std::vector<uint8_t>(frame, frame + size);
}

}  // namespace

std::optional<TPictureSize> ProbeWebp(std::span<const uint8_t> data) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data.data(), data.size(), &features) != VP8_STATUS_OK) return std::nullopt;
  if (features.width <= 0 || features.height <= 0) return std::nullopt;
  // For an animation the size is its canvas: the decoder composes on two canvases of its own
  // beside the frame it decodes, and the first frame is copied out. A still picture is decoded
  // into its BGRA pixels (a lossless one through a second, ARGB copy).
  const uint64_t pixels = uint64_t(features.width) * uint64_t(features.height);
  return TPictureSize{features.width, features.height, pixels * (features.has_animation ? 16 : 8)};
}

void TWebPPicture::LoadFromMemory(std::span<const uint8_t> data) {
  Clear();
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data.data(), data.size(), &features) != VP8_STATUS_OK)
    Fail("not a WebP file or damaged header");
  // Checked before anything is allocated for the pixels.
  CheckPictureSize(features.width, features.height);
  const int w = features.width, h = features.height;
  if (features.has_animation) {
    SetPixels(w, h, FirstFrame(data, w, h));
    return;
  }
  std::vector<uint8_t> bgra(std::size_t(w) * h * 4);
  if (!WebPDecodeBGRAInto(data.data(), data.size(), bgra.data(), bgra.size(), w * 4))
    Fail("damaged picture data");
  SetPixels(w, h, std::move(bgra));
}

namespace {

struct BytesFree {
  void operator()(uint8_t* p) const { ::WebPFree(p); }
};
struct MuxDelete {
  void operator()(WebPMux* m) const { WebPMuxDelete(m); }
};

// The simple file with EXIF and ICCP chunks added (the extended format).
std::vector<uint8_t> WithMetadata(std::span<const uint8_t> plain, const TPictureMetadata& m) {
  const WebPData image{plain.data(), plain.size()};
  std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxCreate(&image, 1));
  if (!mux) throw EInvalidGraphic("WebP error: cannot add the metadata");
  if (!m.exif.empty()) {
    const WebPData exif{m.exif.data(), m.exif.size()};
    WebPMuxSetChunk(mux.get(), "EXIF", &exif, 1);
  }
  if (!m.icc.empty()) {
    const WebPData icc{m.icc.data(), m.icc.size()};
    WebPMuxSetChunk(mux.get(), "ICCP", &icc, 1);
  }
  WebPData out;
  WebPDataInit(&out);
  if (WebPMuxAssemble(mux.get(), &out) != WEBP_MUX_OK)
    throw EInvalidGraphic("WebP error: cannot add the metadata");
  std::vector<uint8_t> bytes(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  return bytes;
}

}  // namespace

std::vector<uint8_t> WriteWebp(const TBitmap& bitmap, const TWriteOptions& options) {
  // The format's limit; the encoder would refuse it anyway, with no reason given.
  constexpr int kMaxSide = 16383;
  if (bitmap.Width() > kMaxSide || bitmap.Height() > kMaxSide)
    throw EInvalidGraphic("WebP error: a picture side over 16383 pixels");
  uint8_t* out = nullptr;
  const int stride = int(bitmap.Stride());
  const std::size_t size =
      options.lossless
          ? WebPEncodeLosslessBGR(bitmap.Row(0), bitmap.Width(), bitmap.Height(), stride, &out)
          : WebPEncodeBGR(bitmap.Row(0), bitmap.Width(), bitmap.Height(), stride,
                          float(std::clamp(options.quality, 0, 100)), &out);
  std::unique_ptr<uint8_t, BytesFree> owned(out);
  if (size == 0) throw EInvalidGraphic("WebP error: the picture could not be encoded");
  const std::span<const uint8_t> plain(out, size);
  if (options.metadata && !options.metadata->Empty()) return WithMetadata(plain, *options.metadata);
  return std::vector<uint8_t>(plain.begin(), plain.end());
}

}  // namespace pixmira
