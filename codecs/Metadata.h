#pragma once
// What a written picture may carry over from its photo: the EXIF block without the position
// (GPS) and without the orientation (the pixels are upright already), and the colour profile
// when the pixels were left in it. Damaged blocks are dropped, never passed on.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pixmira {

// The photo's metadata, ready for a writer.
struct TPictureMetadata {
  std::vector<uint8_t> exif;  // TIFF bytes ("II*\0" or "MM\0*" ...), without "Exif\0\0"
  std::vector<uint8_t> icc;   // an RGB profile that the decoder did not convert to sRGB
  bool Empty() const { return exif.empty() && icc.empty(); }
};

// The EXIF of a JPEG (APP1 "Exif"), PNG (eXIf), WebP (EXIF chunk) or HEIF (Exif item) file, cleaned
// by CleanExif, and its profile when KeptProfile allows; empty for other files.
TPictureMetadata ReadPictureMetadata(std::span<const uint8_t> file);

// When the photo was taken, as EXIF writes it ("2026:12:08 11:30:00"): DateTimeOriginal, else
// the picture's DateTime; empty when the file has neither.
std::string ExifDateTaken(std::span<const uint8_t> file);

// The TIFF block with the GPS directory and everything it points to zeroed and unlinked,
// the orientation tag removed and the maker note and interoperability links dropped (their
// offsets break once the block moves). Empty when the block is damaged.
std::vector<uint8_t> CleanExif(std::span<const uint8_t> tiff);

// The tag numbers left in IFD0 and the EXIF directory of a TIFF block (for checks).
std::vector<uint16_t> ExifTags(std::span<const uint8_t> tiff);

// True for an RGB profile that names itself sRGB: the decoder leaves such pixels as they
// are, so the profile still describes them. Others were converted to sRGB (or do not fit
// RGB pixels) and are not written.
bool KeptProfile(std::span<const uint8_t> icc);

}  // namespace pixmira
