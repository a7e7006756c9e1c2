// The smooth reduction against the decoding it follows, on one 12-megapixel JPEG photo: the
// photo decoded in full; the decoded photo shrunk to 700 pixels wide by the Lanczos filter;
// and the whole smooth export to 700 pixels wide (reading, decoding at a reduced scale where
// that leaves enough pixels, shrinking, encoding). Each time is the median of several runs,
// in milliseconds; the export's pixels are also compared with the full decode's shrink, in dB:
// bench_SmoothBench PHOTO.jpg [RUNS]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "codecs/Jpeg.h"
#include "core/MemIniFile.h"
#include "core/Rounding.h"
#include "imaging/Lanczos.h"
#include "output/Export.h"
#include "pipeline/Pipeline.h"

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

double Psnr(const pixmira::TBitmap& a, const pixmira::TBitmap& b) {
  double squares = 0;
  for (int y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.Row(y);
    const uint8_t* q = b.Row(y);
    for (int x = 0; x < a.Width() * 3; ++x) squares += double(p[x] - q[x]) * (p[x] - q[x]);
  }
  const double mean = squares / (double(a.Width()) * a.Height() * 3);
  return mean == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mean);
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

  const TMemIniFile settings =
      TMemIniFile::FromText("[General]\r\nReduceSizeType=2\r\nReduceSizeSmooth=1\r\n");
  const TMemIniFile catalog = TMemIniFile::FromText("");
  std::optional<TEncodedPicture> exported;
  const double exportTime = MedianMilliseconds(runs, [&] {
    exported = EncodeAsExported({argv[1], 0}, settings, catalog, "/");
  });
  if (!exported) {
    std::fprintf(stderr, "the export of %s failed\n", argv[1]);
    return 1;
  }
  // The export's pixels against the full decode's shrink.
  const TPictureOptions options = ReadPictureOptions(settings);
  const auto ours = ProcessPicture({argv[1], 0, options, catalog, "/", false});
  if (!ours || ours->Width() != small.Width() || ours->Height() != small.Height()) {
    std::fprintf(stderr, "the export of %s does not have the full decode's size\n", argv[1]);
    return 1;
  }
  std::printf("smooth-shrink-12mp-to-700: %.0f ms\n", shrink);
  std::printf("jpeg-decode-12mp: %.0f ms\n", decode);
  std::printf("smooth-export-12mp-to-700: %.0f ms\n", exportTime);
  std::printf("smooth-export-12mp-to-700-vs-decode: %.2f x\n", exportTime / decode);
  std::printf("smooth-export-12mp-to-700-psnr: %.1f dB\n", Psnr(*ours, small));
  return 0;
}
