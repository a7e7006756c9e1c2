// Damaged input of every kind: each decoder answers with its own exception or a picture,
// never a crash, a hang or any other kind of failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "codecs/Bmp.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "core/Errors.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using Decoder = std::function<void(std::span<const uint8_t>)>;

template <typename Picture>
void LoadAndCopy(std::span<const uint8_t> data) {
  Picture p;
  p.LoadFromMemory(data);
  p.ToBitmap();
  TBitmap target(9, 7);
  p.Draw(target, {-2, 1, 12, 5});
}

const std::pair<const char*, Decoder> kDecoders[] = {
    {"jpeg", LoadAndCopy<TJPEGImage>},
    {"png", LoadAndCopy<TPNGPicture>},
    {"bmp", LoadAndCopy<TBMPImage>},
    {"gif", LoadAndCopy<TGIFImage>},
};

std::vector<std::string> Fixtures() {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(PIXMIRA_TEST_DATA)) {
    const std::string ext = e.path().extension().string();
    if (ext == ".jpg" || ext == ".png" || ext == ".bmp" || ext == ".gif")
      files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Runs one decoder on one input; only the library's own exceptions may leave it.
void Survives(const Decoder& decode, std::span<const uint8_t> data, const std::string& what) {
  try {
    decode(data);
  } catch (const Exception&) {
  } catch (const std::exception& e) {
    ADD_FAILURE() << what << ": " << typeid(e).name() << " " << e.what();
  }
}

TEST(Robustness, EveryTruncationOfEveryFixtureInEveryDecoder) {
  const std::vector<std::string> files = Fixtures();
  ASSERT_GT(files.size(), 30u);
  for (const std::string& file : files) {
    const std::vector<uint8_t> data = test::ReadBytes(file);
    for (const auto& [name, decode] : kDecoders) {
      for (std::size_t n = 0; n <= data.size(); n += 1 + n / 64)
        Survives(decode, std::span(data).first(n),
                 file + " cut at " + std::to_string(n) + " by " + name);
    }
  }
}

TEST(Robustness, FlippedAndRandomBytesInTheRightDecoder) {
  std::mt19937 random(12345);
  for (const std::string& file : Fixtures()) {
    const std::vector<uint8_t> data = test::ReadBytes(file);
    const std::string ext = file.substr(file.size() - 3);
    const Decoder& decode = ext == "jpg"   ? kDecoders[0].second
                            : ext == "png" ? kDecoders[1].second
                            : ext == "bmp" ? kDecoders[2].second
                                           : kDecoders[3].second;
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> damaged = data;
      const int flips = 1 + round % 4;
      for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] = uint8_t(random());
      Survives(decode, damaged, file + " round " + std::to_string(round));
    }
  }
}

}  // namespace
}  // namespace pixmira
