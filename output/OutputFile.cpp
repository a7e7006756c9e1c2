#include "output/OutputFile.h"

#include <algorithm>
#include <ctime>
#include <mutex>
#include <optional>

#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/Settings.h"
#include "pipeline/Pipeline.h"

namespace pixmira {

TOutputOptions ReadOutputOptions(const TMemIniFile& settings) {
  constexpr ReadSite site = ReadSite::Export;
  TOutputOptions output;
  output.namePattern = ReadSettingString(settings, keys::OutputNamePattern, site);
  const int format = ReadSettingInteger(settings, keys::OutputFormat, site);
  output.format = format == 1   ? TOutputFormat::Png
                  : format == 2 ? TOutputFormat::Webp
                                : TOutputFormat::Jpeg;
  output.webpLossless = ReadSettingBool(settings, keys::WebpLossless, site);
  output.maxFileKB = std::max(0, ReadSettingInteger(settings, keys::MaxFileKB, site));
  output.minQuality = std::clamp(ReadSettingInteger(settings, keys::MinFileQuality, site), 1, 100);
  output.keepMetadata = ReadSettingInteger(settings, keys::KeepMetadata, site) == 1;
  return output;
}

const TFormat& OutputFormatRow(TOutputFormat format) {
  const char* name = format == TOutputFormat::Png    ? "png"
                     : format == TOutputFormat::Webp ? "webp"
                                                     : "jpeg";
  return *FormatNamed(name);
}

namespace {

bool Unfit(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
         std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
}

std::string Padded(int value, std::size_t digits) {
  std::string text = std::to_string(value);
  if (text.size() < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

// The text a {field} stands for; nothing for an unknown field, which stays literal.
std::optional<std::string> Field(std::string_view field, const TNameFields& f) {
  if (field == "name") return FileNameWithoutExt(f.inputPath);
  if (field == "n") return std::to_string(f.position);
  if (field == "date") return f.date;
  if (field == "w") return std::to_string(f.width);
  if (field == "h") return std::to_string(f.height);
  if (field.size() == 3 && field.substr(0, 2) == "n:" && field[2] >= '1' && field[2] <= '9')
    return Padded(f.position, std::size_t(field[2] - '0'));
  return std::nullopt;
}

}  // namespace

std::string OutputFileName(std::string_view pattern, const TNameFields& fields) {
  std::string name;
  std::size_t at = 0;
  while (at < pattern.size()) {
    if (pattern[at] == '{') {
      const std::size_t close = pattern.find('}', at);
      if (close != std::string_view::npos) {
        if (auto text = Field(pattern.substr(at + 1, close - at - 1), fields)) {
          name += *text;
          at = close + 1;
          continue;
        }
      }
    }
    name += Unfit(pattern[at]) ? '_' : pattern[at];
    ++at;
  }
  if (name.empty() || name == "." || name == "..") return FileNameWithoutExt(fields.inputPath);
  return name;
}

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  // std::localtime shares one buffer; the copy is taken under a lock (standard C++ on every
  // platform, where localtime_r is POSIX only).
  static std::mutex lock;
  std::tm local{};
  {
    std::lock_guard guard(lock);
    local = *std::localtime(&now);
  }
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return text;
}

namespace {

std::vector<uint8_t> Write(const TFormat& format, const TBitmap& bitmap,
                           const TEncodeRequest& request, int quality) {
  TWriteOptions options;
  options.quality = quality;
  options.progressive = request.progressive;
  options.lossless = request.output.webpLossless;
  options.metadata = request.metadata;
  return format.write(bitmap, options);
}

// The highest quality in [low, high] whose file fits, given that low fits and high does not;
// each step halves the range, so a handful of encodings settle it.
void SearchQuality(const TFormat& format, const TBitmap& bitmap, const TEncodeRequest& request,
                   std::size_t cap, TEncodedPicture& fits, int high) {
  int low = fits.quality;
  while (high - low > 1) {
    const int mid = low + (high - low) / 2;
    std::vector<uint8_t> bytes = Write(format, bitmap, request, mid);
    if (bytes.size() <= cap) {
      low = mid;
      fits.bytes = std::move(bytes);
      fits.quality = mid;
    } else {
      high = mid;
    }
  }
}

}  // namespace

TEncodedPicture EncodeOutput(const TBitmap& bitmap, const TEncodeRequest& request) {
  const TFormat& format = OutputFormatRow(request.output.format);
  const int top = std::clamp(request.quality, 1, 100);
  TEncodedPicture result;
  result.width = bitmap.Width();
  result.height = bitmap.Height();
  result.quality = top;
  result.bytes = Write(format, bitmap, request, top);

  const bool capped =
      request.output.maxFileKB > 0 && format.lossy &&
      !(request.output.format == TOutputFormat::Webp && request.output.webpLossless);
  const std::size_t cap = std::size_t(request.output.maxFileKB) * 1024;
  if (!capped || result.bytes.size() <= cap) return result;

  const int low = std::min(request.output.minQuality, top);
  std::unique_ptr<TBitmap> shrunk;
  for (;;) {
    const TBitmap& picture = shrunk ? *shrunk : bitmap;
    TEncodedPicture attempt;
    attempt.width = picture.Width();
    attempt.height = picture.Height();
    attempt.quality = low;
    attempt.shrinkSteps = result.shrinkSteps;
    attempt.bytes = Write(format, picture, request, low);
    if (attempt.bytes.size() <= cap) {
      // On a shrunk picture the top quality may fit again.
      if (shrunk && low < top) {
        std::vector<uint8_t> best = Write(format, picture, request, top);
        if (best.size() <= cap) {
          attempt.bytes = std::move(best);
          attempt.quality = top;
          return attempt;
        }
      }
      SearchQuality(format, picture, request, cap, attempt, top);
      return attempt;
    }
    if (picture.Width() <= 1 && picture.Height() <= 1) {
      attempt.overCap = true;
      return attempt;
    }
    // A tenth narrower each step, the height in proportion; a side stops at one pixel.
    const int width = std::max(1, std::min(picture.Width() - 1, picture.Width() * 9 / 10));
    auto next = ReducePicture(picture, width, request.smooth);
    if (next->Width() == picture.Width() && next->Height() == picture.Height()) {
      attempt.overCap = true;
      return attempt;
    }
    shrunk = std::move(next);
    ++result.shrinkSteps;
  }
}

}  // namespace pixmira
