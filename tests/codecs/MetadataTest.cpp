// What a kept EXIF block carries on: the seller's name and copyright, never the position or
// the orientation, in either byte order; damaged blocks are dropped whole.
#include "codecs/Metadata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "codecs/Jpeg.h"
#include "codecs/Picture.h"
#include "codecs/Png.h"
#include "codecs/Webp.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

// A TIFF block: IFD0 with orientation 6, the artist (out of line), a GPS pointer; the GPS
// directory with a latitude of three rationals (out of line).
std::vector<uint8_t> ExifWithGps(bool little) {
  std::vector<uint8_t> b;
  auto p16 = [&](uint16_t v) {
    if (little) {
      b.push_back(uint8_t(v));
      b.push_back(uint8_t(v >> 8));
    } else {
      b.push_back(uint8_t(v >> 8));
      b.push_back(uint8_t(v));
    }
  };
  auto p32 = [&](uint32_t v) {
    if (little) {
      p16(uint16_t(v));
      p16(uint16_t(v >> 16));
    } else {
      p16(uint16_t(v >> 16));
      p16(uint16_t(v));
    }
  };
  b.push_back(little ? 'I' : 'M');
  b.push_back(little ? 'I' : 'M');
  p16(42);
  p32(8);
  // IFD0 at 8: 3 entries -> ends at 8 + 2 + 36 + 4 = 50.
  p16(3);
  p16(0x0112), p16(3), p32(1), p16(6), p16(0);  // orientation
  p16(0x013B), p16(2), p32(8), p32(50);         // artist at 50
  p16(0x8825), p16(4), p32(1), p32(58);         // GPS directory at 58
  p32(0);
  for (char c : std::string("Shop Li", 8)) b.push_back(uint8_t(c));  // 50..57
  // GPS IFD at 58: 1 entry -> ends at 58 + 2 + 12 + 4 = 76; latitude at 76.
  p16(1);
  p16(0x0002), p16(5), p32(3), p32(76);
  p32(0);
  for (uint32_t v : {31u, 1u, 14u, 1u, 2345u, 100u}) p32(v);
  return b;
}

bool Holds(const std::vector<uint8_t>& block, const std::vector<uint8_t>& part) {
  return std::search(block.begin(), block.end(), part.begin(), part.end()) != block.end();
}

TEST(CleanExifTest, KeepsTheArtistAndDropsPositionAndOrientationInBothByteOrders) {
  for (bool little : {true, false}) {
    const std::vector<uint8_t> original = ExifWithGps(little);
    const std::vector<uint8_t> latitude(original.end() - 24, original.end());
    const std::vector<uint8_t> clean = CleanExif(original);
    ASSERT_EQ(clean.size(), original.size()) << little;
    EXPECT_EQ(ExifTags(clean), (std::vector<uint16_t>{0x013B})) << little;
    EXPECT_TRUE(Holds(clean, {'S', 'h', 'o', 'p', ' ', 'L', 'i'})) << little;
    // The position's bytes are gone, not merely unlinked.
    EXPECT_FALSE(Holds(clean, latitude)) << little;
  }
}

TEST(CleanExifTest, DamagedBlocksGiveNothing) {
  std::vector<uint8_t> wrongOrder = ExifWithGps(true);
  wrongOrder[0] = 'X';
  std::vector<uint8_t> ifdOutside = ExifWithGps(true);
  ifdOutside[4] = 0xF0;  // IFD0 offset beyond the block
  std::vector<uint8_t> countTooLarge = ExifWithGps(false);
  countTooLarge[8] = 0x7F;  // 32000 entries
  for (const auto& block : {wrongOrder, ifdOutside, countTooLarge, std::vector<uint8_t>(4, 0)}) {
    EXPECT_TRUE(CleanExif(block).empty());
  }
  // An entry pointing outside the block loses its value but the rest is kept.
  std::vector<uint8_t> badArtist = ExifWithGps(true);
  badArtist[8 + 2 + 12 + 8] = 0xFF;
  EXPECT_EQ(ExifTags(CleanExif(badArtist)), (std::vector<uint16_t>{0x013B}));
}

// Each writer puts the block where its format keeps it, and our reader finds it again there.
TEST(PictureMetadataTest, EveryWriterCarriesTheBlockBack) {
  TBitmap picture(16, 8);
  TPictureMetadata metadata;
  metadata.exif = CleanExif(ExifWithGps(true));
  TWriteOptions options;
  options.metadata = &metadata;
  for (TWriter write : {WriteJpeg, WritePng, WriteWebp}) {
    const std::vector<uint8_t> file = write(picture, options);
    EXPECT_EQ(ReadPictureMetadata(file).exif, metadata.exif);
  }
  // Without metadata nothing is added: the plain writer's bytes.
  EXPECT_EQ(WriteJpeg(picture, {}), EncodeJpeg(picture));
}

// A phone's HEIF keeps its EXIF as an item of the file: the date taken is found and the kept
// block is cleaned as a JPEG's; a cut file is read safely, with or without its date.
TEST(PictureMetadataTest, HeifExifItemIsReadAndCleaned) {
  const std::vector<uint8_t> file = ReadWholeFile(test::DataPath("heif-exif.heic"));
  EXPECT_EQ(ExifDateTaken(file), "2021:05:06 07:08:09");
  const std::vector<uint16_t> tags = ExifTags(ReadPictureMetadata(file).exif);
  for (uint16_t kept : {0x0132, 0x013B, 0x9003})
    EXPECT_NE(std::find(tags.begin(), tags.end(), kept), tags.end()) << kept;
  EXPECT_EQ(std::find(tags.begin(), tags.end(), 0x8825), tags.end());
  for (std::size_t cut : {std::size_t(12), file.size() / 2, file.size() - 1}) {
    const std::span<const uint8_t> part(file.data(), cut);
    EXPECT_TRUE(ExifDateTaken(part).empty() || ExifDateTaken(part) == "2021:05:06 07:08:09");
  }
}

}  // namespace
}  // namespace pixmira
