#pragma once
// One finished picture as an output file: its name from the seller's pattern and its bytes in
// the chosen format, within the file-size cap when there is one.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/Formats.h"
#include "codecs/Metadata.h"
#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"

namespace pixmira {

// OutputFormat 0..2; any other number: Jpeg.
enum class TOutputFormat { Jpeg, Png, Webp };

struct TOutputOptions {
  std::string namePattern = "{name}";  // OutputNamePattern
  TOutputFormat format = TOutputFormat::Jpeg;
  bool webpLossless = false;  // WebpLossless
  int maxFileKB = 0;          // MaxFileKB; 0 or less: no cap
  int minQuality = 30;        // MinFileQuality, 1..100: the lowest quality the cap chooses
  bool keepMetadata = false;  // KeepMetadata 1
};

TOutputOptions ReadOutputOptions(const TMemIniFile& settings);

// The format table's row that writes the format.
const TFormat& OutputFormatRow(TOutputFormat format);

// What a name pattern may refer to.
struct TNameFields {
  std::string_view inputPath;
  int position = 1;  // in the list, from 1
  std::string date;  // YYYYMMDD of the run
  int width = 0;     // the finished picture
  int height = 0;
};

// The file name without extension: {name} the input's name without its extension, {n} the
// position ({n:3} zero-padded to 3 digits), {date}, {w}, {h}; anything else is literal, with
// characters no file name may hold (/ \ : * ? " < > | and control characters) turned into
// "_". A pattern that gives no usable name ("", ".", "..") gives {name}.
std::string OutputFileName(std::string_view pattern, const TNameFields& fields);

// Today as YYYYMMDD, local time.
std::string TodayText();

struct TEncodedPicture {
  std::vector<uint8_t> bytes;
  int width = 0;
  int height = 0;
  int quality = 0;       // the quality written (lossy formats)
  int shrinkSteps = 0;   // times the picture was shrunk to meet the cap
  bool overCap = false;  // even the smallest attempt is larger than the cap
};

struct TEncodeRequest {
  TOutputOptions output;
  int quality = 90;  // JPEG and lossy WebP; the cap searches below it
  bool progressive = false;
  bool smooth = false;  // how the cap shrinks a picture that cannot fit
  const TPictureMetadata* metadata = nullptr;
};

// The bytes of the file. With a cap on a lossy format: the highest quality from the lowest
// allowed up to request.quality whose file fits (each try is a complete encoding at that
// quality, so the file is exactly what that quality gives); when even the lowest does not
// fit, the picture is shrunk to 9/10 of its width, step by step, until it does.
TEncodedPicture EncodeOutput(const TBitmap& bitmap, const TEncodeRequest& request);

}  // namespace pixmira
