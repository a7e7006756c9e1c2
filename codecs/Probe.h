#pragma once
// What a picture will take once decoded, read from its header before any pixel is: the
// format table's probe column. Every size and offset is checked; nothing for a header that
// cannot be read.
#include <cstdint>
#include <optional>
#include <span>

#include "codecs/Picture.h"

namespace pixmira {

// Decoded rows, plus the whole-picture coefficients of a progressive file.
std::optional<TPictureSize> ProbeJpeg(std::span<const uint8_t> data);
std::optional<TPictureSize> ProbePng(std::span<const uint8_t> data);
std::optional<TPictureSize> ProbeBmp(std::span<const uint8_t> data);
// The logical screen, and one byte a pixel for every frame the file holds.
std::optional<TPictureSize> ProbeGif(std::span<const uint8_t> data);
// WebPGetFeatures; an animation counts the decoder's canvases.
std::optional<TPictureSize> ProbeWebp(std::span<const uint8_t> data);
// The primary image handle of libheif, read without decoding.
std::optional<TPictureSize> ProbeHeif(std::span<const uint8_t> data);

}  // namespace pixmira
