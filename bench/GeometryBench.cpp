// Megapixels per second of the bilinear resampling and of the rotation, on a 12-megapixel
// photograph (4000 × 3000). Rates count destination pixels.
#include <benchmark/benchmark.h>

#include "imaging/Resample.h"
#include "imaging/Rotate.h"

namespace pixmira {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const TBitmap& Photo() {
  static const TBitmap photo = [] {
    TBitmap b(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = b.Row(y);
      for (int x = 0; x < kWidth * 3; ++x) row[x] = static_cast<uint8_t>((x * 7 + y * 3) % 251);
    }
    return b;
  }();
  return photo;
}

void SetRate(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] = benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6,
                                              benchmark::Counter::kIsRate);
}

void BM_ResampleBilinear(benchmark::State& state) {
  const TBitmap& src = Photo();
  TBitmap dst(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    ResampleBilinear(dst, src);
    benchmark::DoNotOptimize(dst.Data());
  }
  SetRate(state, int64_t(dst.Width()) * dst.Height());
}
BENCHMARK(BM_ResampleBilinear)->Args({700, 525})->Args({4000, 3000})->Unit(benchmark::kMillisecond);

void BM_RotatePicture(benchmark::State& state) {
  const TBitmap& src = Photo();
  int64_t pixels = 0;
  for (auto _ : state) {
    auto out = RotatePicture(src, kWhite, double(state.range(0)));
    pixels = int64_t(out->Width()) * out->Height();
    benchmark::DoNotOptimize(out->Data());
  }
  SetRate(state, pixels);
}
BENCHMARK(BM_RotatePicture)->Arg(90)->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pixmira

BENCHMARK_MAIN();
