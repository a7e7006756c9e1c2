#pragma once
// Pictures tagged with an RGB colour profile other than sRGB (Adobe RGB from cameras, Display
// P3 from phones) brought to sRGB once, when they are decoded, so that everything that shows
// or writes them agrees. Little CMS does the conversion; any decoder that finds a profile
// calls this on its 8-bit pixels.
#include <cstddef>
#include <cstdint>
#include <span>

namespace pixmira {

enum class TPixelLayout { BGR, BGRA };  // BGRA: the alpha byte is left as it is

// Converts the pixels in place from the embedded profile to sRGB (perceptual intent) when
// the profile is an RGB profile whose description does not contain "sRGB". A profile that
// is damaged, of another colour space or already sRGB changes nothing. True when converted.
bool ConvertProfileToSrgb(std::span<const uint8_t> profile, uint8_t* pixels, int width, int height,
                          std::size_t stride, TPixelLayout layout);

// True for an RGB profile whose description contains "sRGB": one ConvertProfileToSrgb leaves.
bool IsSrgbProfile(std::span<const uint8_t> profile);

}  // namespace pixmira
