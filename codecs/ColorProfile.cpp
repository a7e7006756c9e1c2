#include "codecs/ColorProfile.h"

#include <lcms2.h>

#include <memory>

namespace pixmira {

namespace {

struct ProfileClose {
  void operator()(void* p) const { cmsCloseProfile(p); }
};
struct TransformDelete {
  void operator()(void* t) const { cmsDeleteTransform(t); }
};
using TProfile = std::unique_ptr<void, ProfileClose>;

}  // namespace

bool ConvertProfileToSrgb(std::span<const uint8_t> icc, uint8_t* rgb, int width, int height,
                          std::size_t stride, bool alpha) {
  if (icc.empty() || width <= 0 || height <= 0) return false;
  const TProfile source(cmsOpenProfileFromMem(icc.data(), cmsUInt32Number(icc.size())));
  if (!source || cmsGetColorSpace(source.get()) != cmsSigRgbData) return false;
  const TProfile srgb(cmsCreate_sRGBProfile());
  if (!srgb) return false;
  const cmsUInt32Number format = alpha ? TYPE_RGBA_8 : TYPE_RGB_8;
  const std::unique_ptr<void, TransformDelete> transform(
      cmsCreateTransform(source.get(), format, srgb.get(), format, INTENT_PERCEPTUAL,
                         alpha ? cmsFLAGS_COPY_ALPHA : 0));
  if (!transform) return false;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rgb + std::size_t(y) * stride;
    cmsDoTransform(transform.get(), row, row, cmsUInt32Number(width));
  }
  return true;
}

}  // namespace pixmira
