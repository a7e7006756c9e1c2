// The smooth reduction against the decoding it follows: one 12-megapixel JPEG photo decoded,
// and the decoded photo shrunk to 700 pixels wide by the Lanczos filter. Each figure is the
// median of several runs, in milliseconds: bench_SmoothBench PHOTO.jpg [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "codecs/Jpeg.h"
#include "core/Rounding.h"
#include "imaging/Lanczos.h"

namespace {

template <typename Work>
double MedianMilliseconds(int runs, Work work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pixmira;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PHOTO.jpg [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> jpeg{std::istreambuf_iterator<char>(in), {}};
  TBitmap photo;
  const double decode = MedianMilliseconds(runs, [&] { photo = DecodeJpeg(jpeg); });
  const int height = int(RoundRatio(int64_t(700) * photo.Height(), photo.Width()));
  TBitmap small(700, height);
  const double shrink = MedianMilliseconds(runs, [&] { ResampleLanczos(small, photo); });
  std::printf("smooth-shrink-12mp-to-700: %.0f ms\n", shrink);
  std::printf("jpeg-decode-12mp: %.0f ms\n", decode);
  return 0;
}
