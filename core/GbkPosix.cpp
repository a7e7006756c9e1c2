// GBK decoding through the C library's converter.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "core/Encoding.h"

namespace pixmira {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kEuro = "\xE2\x82\xAC";         // U+20AC, byte 0x80 of code page 936

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() + gbk.size() / 2);
  // Code page 936 as Windows has it (GBK with 0x80 as the euro sign). Some C libraries
  // (WebAssembly's) know it only as GBK; the euro sign is then added below.
  std::optional<Iconv> converter;
  converter.emplace("UTF-8", "CP936");
  if (!converter->ok()) {
    converter.reset();
    converter.emplace("UTF-8", "GBK");
  }
  const Iconv& cd = *converter;
  if (!cd.ok()) {
    // No converter: keep ASCII, mark the rest.
    for (char c : gbk) {
      if (static_cast<uint8_t>(c) < 0x80) {
        out += c;
      } else {
        out += kReplacement;
      }
    }
    return out;
  }
  char* in = const_cast<char*>(gbk.data());
  std::size_t inLeft = gbk.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t r = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    if (r != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a lead byte cut off at the end): one byte becomes U+FFFD.
    out += static_cast<uint8_t>(*in) == 0x80 ? kEuro : kReplacement;
    ++in;
    --inLeft;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace pixmira
