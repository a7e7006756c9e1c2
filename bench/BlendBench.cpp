// Megapixels per second of the picture-watermark blend and of rounding the four corners,
// on a 12-megapixel picture (4000 × 3000).
#include <benchmark/benchmark.h>

#include "effects/Corners.h"
#include "effects/Watermark.h"

namespace pixmira {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

TBitmap Photo() {
  TBitmap b(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < kWidth * 3; ++x) row[x] = static_cast<uint8_t>((x * 7 + y * 3) % 251);
  }
  return b;
}

// A tiled watermark layer: 160 × 48 blocks of text-like strokes, 20 pixels apart, on the
// white key.
TBitmap Layer() {
  TBitmap b(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (x % 180 < 160 && y % 68 < 48 && (x / 3 + y / 4) % 3 == 0)
        b.SetPixel(x, y, RGBColor(200, 30, 30));
  return b;
}

void SetMegapixels(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BlendLayer(benchmark::State& state) {
  const TBitmap photo = Photo();
  const TBitmap layer = Layer();
  for (auto _ : state) {
    auto out = BlendLayer(photo, layer, kWhite, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(out->Data());
  }
  SetMegapixels(state);
}
BENCHMARK(BM_BlendLayer)->Arg(80)->Arg(33)->Unit(benchmark::kMillisecond);

// The baseline inside every blend: a fresh 12-megapixel result bitmap.
void BM_NewBitmap(benchmark::State& state) {
  for (auto _ : state) {
    TBitmap b(kWidth, kHeight);
    benchmark::DoNotOptimize(b.Data());
  }
  SetMegapixels(state);
}
BENCHMARK(BM_NewBitmap)->Unit(benchmark::kMillisecond);

// Only the corners are touched; the rate is per whole picture.
void BM_RoundCorners(benchmark::State& state) {
  const TBitmap photo = Photo();
  for (auto _ : state) {
    state.PauseTiming();
    TBitmap b = photo;
    state.ResumeTiming();
    for (TCorner corner : CornersForType(0)) RoundCorner(b, corner, 30);
    benchmark::DoNotOptimize(b.Data());
  }
  SetMegapixels(state);
}
BENCHMARK(BM_RoundCorners)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pixmira

BENCHMARK_MAIN();
