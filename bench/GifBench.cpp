// Time per 700 × 1000 frame of the GIF export: the colour reduction (octree palette, then
// dithering through the nearest entries) and the LZW writing of the reduced frame.
// Argument 0: a synthetic smooth gradient with noise; 1: a sample photo scaled to the size
// (skipped when data/samples has none).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>

#include "codecs/ColorReduction.h"
#include "codecs/Gif.h"
#include "codecs/LoadPicture.h"

namespace pixmira {
namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 1000;

TBitmap Synthetic() {
  TBitmap b(kWidth, kHeight);
  std::mt19937 random(1);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* p = b.Row(y);
    for (int x = 0; x < kWidth; ++x, p += 3) {
      const int noise = int(random() % 9) - 4;
      p[0] = uint8_t(std::clamp(x * 255 / kWidth + noise, 0, 255));
      p[1] = uint8_t(std::clamp(y * 255 / kHeight + noise, 0, 255));
      p[2] = uint8_t(std::clamp((x + y) * 255 / (kWidth + kHeight) + noise, 0, 255));
    }
  }
  return b;
}

std::unique_ptr<TBitmap> SamplePhoto() {
  const auto folder =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "samples";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".jpg") continue;
    if (auto photo = LoadPictureBitmap(entry.path().string())) {
      auto scaled = std::make_unique<TBitmap>(kWidth, kHeight);
      scaled->StretchDraw(TRect{0, 0, kWidth, kHeight}, *photo);
      return scaled;
    }
  }
  return nullptr;
}

std::unique_ptr<TBitmap> Picture(benchmark::State& state) {
  if (state.range(0) == 0) return std::make_unique<TBitmap>(Synthetic());
  auto photo = SamplePhoto();
  if (!photo) state.SkipWithError("no sample photo in data/samples");
  return photo;
}

void BM_BuildOctreePalette(benchmark::State& state) {
  const auto picture = Picture(state);
  if (!picture) return;
  for (auto _ : state) benchmark::DoNotOptimize(BuildOctreePalette(*picture));
}

void BM_ReduceToPalette(benchmark::State& state) {
  const auto picture = Picture(state);
  if (!picture) return;
  for (auto _ : state) benchmark::DoNotOptimize(ReduceToPalette(*picture));
}

void BM_LzwWriteFrame(benchmark::State& state) {
  const auto picture = Picture(state);
  if (!picture) return;
  TGIFImage gif;
  gif.SetFrameDelay(gif.AppendFrame(*picture), 100);
  gif.SetLoopCount(0);
  size_t bytes = 0;
  for (auto _ : state) {
    const auto out = gif.SaveToMemory();
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["file KB"] = double(bytes) / 1024;
}

BENCHMARK(BM_BuildOctreePalette)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceToPalette)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwWriteFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pixmira

BENCHMARK_MAIN();
