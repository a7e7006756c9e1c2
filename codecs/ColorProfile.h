#pragma once
// Pictures that carry an ICC colour profile are brought to sRGB (perceptual intent), so
// their colours show as the camera meant them.
#include <cstddef>
#include <cstdint>
#include <span>

namespace pixmira {

// rgb: rows of red, green, blue (and alpha when `alpha`, kept as it is), `stride` bytes apart,
// converted in place. A profile that lcms2 cannot read or that is not an RGB profile leaves
// the pixels alone; false then.
bool ConvertProfileToSrgb(std::span<const uint8_t> icc, uint8_t* rgb, int width, int height,
                          std::size_t stride, bool alpha);

}  // namespace pixmira
