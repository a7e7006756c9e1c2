#include "codecs/ColorProfile.h"

#include <lcms2.h>

#include <cstring>
#include <memory>
#include <type_traits>

namespace pixmira {

namespace {

// Each conversion has its own context, so pictures on separate threads share nothing, and
// that context swallows Little CMS's messages about damaged profiles.
void IgnoreMessage(cmsContext, cmsUInt32Number, const char*) {}

struct ContextDeleter {
  void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
using Context = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextDeleter>;
struct ProfileDeleter {
  void operator()(void* profile) const { cmsCloseProfile(static_cast<cmsHPROFILE>(profile)); }
};
struct TransformDeleter {
  void operator()(void* transform) const {
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform));
  }
};

bool DescribesSrgb(cmsHPROFILE profile) {
  char text[512] = {};
  const cmsUInt32Number n =
      cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", text, sizeof text);
  return n > 0 && std::strstr(text, "sRGB") != nullptr;
}

}  // namespace

bool IsSrgbProfile(std::span<const uint8_t> profile) {
  if (profile.empty()) return false;
  Context context(cmsCreateContext(nullptr, nullptr));
  if (!context) return false;
  cmsSetLogErrorHandlerTHR(context.get(), IgnoreMessage);
  std::unique_ptr<void, ProfileDeleter> embedded(
      cmsOpenProfileFromMemTHR(context.get(), profile.data(), cmsUInt32Number(profile.size())));
  return embedded && cmsGetColorSpace(embedded.get()) == cmsSigRgbData &&
         DescribesSrgb(embedded.get());
}

bool ConvertProfileToSrgb(std::span<const uint8_t> profile, uint8_t* pixels, int width, int height,
                          std::size_t stride, TPixelLayout layout) {
  if (profile.empty() || width <= 0 || height <= 0) return false;
  Context context(cmsCreateContext(nullptr, nullptr));
  if (!context) return false;
  cmsSetLogErrorHandlerTHR(context.get(), IgnoreMessage);

  std::unique_ptr<void, ProfileDeleter> embedded(
      cmsOpenProfileFromMemTHR(context.get(), profile.data(), cmsUInt32Number(profile.size())));
  if (!embedded || cmsGetColorSpace(embedded.get()) != cmsSigRgbData ||
      DescribesSrgb(embedded.get())) {
    return false;
  }
  std::unique_ptr<void, ProfileDeleter> srgb(cmsCreate_sRGBProfileTHR(context.get()));
  if (!srgb) return false;
  // The same 8-bit RGB transform in either byte order; the alpha byte is not written.
  const cmsUInt32Number format = layout == TPixelLayout::BGR ? TYPE_BGR_8 : TYPE_BGRA_8;
  std::unique_ptr<void, TransformDeleter> transform(cmsCreateTransformTHR(
      context.get(), embedded.get(), format, srgb.get(), format, INTENT_PERCEPTUAL, 0));
  if (!transform) return false;
  const cmsUInt32Number bytes = cmsUInt32Number(stride);
  cmsDoTransformLineStride(transform.get(), pixels, pixels, cmsUInt32Number(width),
                           cmsUInt32Number(height), bytes, bytes, 0, 0);
  return true;
}

}  // namespace pixmira
