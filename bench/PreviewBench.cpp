// The settings dialog's preview on one large photo: the first preview of an entry, a frame or
// corner change, and a watermark change, each through the preview cache and, for comparison,
// afresh through ProcessPicture. Prints medians in milliseconds as "name: value ms".
//   bench_PreviewBench PHOTO FRAMES_FOLDER LOGO [SUFFIX REDUCE_KEYS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/MemIniFile.h"
#include "pipeline/Preview.h"

using namespace pixmira;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Time(const std::function<void()>& run) {
  const auto t0 = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Settings as a seller moves through the dialog: each line is one change.
std::vector<std::string> WatermarkChanges(const std::string& logo) {
  std::vector<std::string> changes;
  for (int t = 21; t <= 28; ++t) changes.push_back("WatermarkTransparent=" + std::to_string(t));
  for (int a : {5, 10, 15, 20}) changes.push_back("WatermarkRotate=" + std::to_string(a));
  for (const char* size : {"20", "24", "28", "36"})
    changes.push_back(std::string("WatermarkFontSize=") + size);
  changes.push_back("WatermarkText=小店精品\x03正品保证");
  for (int p : {1, 2, 8, 0}) changes.push_back("WatermarkPos=" + std::to_string(p));
  changes.push_back("cbWatermarkPosBlank0A=40");
  changes.push_back("WatermarkPaintStyle=1");
  changes.push_back("WatermarkTileSpace=40");
  changes.push_back("WatermarkTileCount=3");
  changes.push_back("WatermarkImage=" + logo);
  changes.push_back("WatermarkType=1");
  changes.push_back("WatermarkTransparent=50");
  changes.push_back("WatermarkPaintStyle=0");
  changes.push_back("WatermarkRotate=0");
  return changes;
}

std::vector<std::string> FrameChanges(const TMemIniFile& catalog) {
  std::vector<std::string> changes;
  for (int type = 1; type <= 10; ++type) {
    changes.push_back("CornerType=" + std::to_string(type));
    if (type % 3 == 0) changes.push_back("CornerWidth=" + std::to_string(type % 3));
  }
  changes.push_back("FrameType=1");
  for (const std::string& frame : catalog.ReadSections()) changes.push_back("FrameName=" + frame);
  changes.push_back("FrameType=0");
  return changes;
}

void Apply(TMemIniFile& settings, const std::string& change) {
  const auto eq = change.find('=');
  settings.WriteString("General", change.substr(0, eq), change.substr(eq + 1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PHOTO FRAMES_FOLDER LOGO [SUFFIX REDUCE_KEYS]\n", argv[0]);
    return 2;
  }
  const std::string photo = argv[1];
  std::string frames = argv[2];
  if (frames.back() != '/') frames += '/';
  const std::string logo = argv[3];
  const std::string suffix = argc > 4 ? argv[4] : "";
  std::string reduce = argc > 5 ? argv[5] : "ReduceSize=1\r\nReduceSizeType=2\r\n";
  for (std::size_t at; (at = reduce.find(';')) != std::string::npos;) reduce.replace(at, 1, "\r\n");

  const TMemIniFile catalog = TMemIniFile::FromText([&] {
    TMemIniFile file(frames + "Frames.ini");
    return file.ToText();
  }());
  const std::string base =
      "[General]\r\n" + reduce +
      "\r\nFrameType=0\r\nCornerType=0\r\nCornerWidth=1\r\nWatermarkType=0\r\n"
      "WatermarkText=小店精品\r\nWatermarkFontName=WenQuanYi Zen Hei\r\nWatermarkFontSize=20\r\n"
      "WatermarkFontColor=$003030C0\r\nWatermarkTransparent=20\r\n";
  TMemIniFile settings = TMemIniFile::FromText(base);
  const auto request = [&] { return TPreviewRequest{photo, 0, &settings, &catalog, frames, ""}; };
  const auto print = [&suffix](const char* name, double ms) {
    std::printf("%s%s: %.1f ms\n", name, suffix.c_str(), ms);
  };

  // First preview of an entry: nothing kept yet.
  std::vector<double> first, firstAfresh;
  for (int i = 0; i < 5; ++i) {
    TPreviewCache cache;
    first.push_back(Time([&] { cache.Compute(request()); }));
  }
  for (int i = 0; i < 3; ++i) firstAfresh.push_back(Time([&] { ComputePreviewAfresh(request()); }));

  TPreviewCache cache;
  cache.Compute(request());
  std::vector<double> watermark, watermarkAfresh;
  const std::vector<std::string> marks = WatermarkChanges(logo);
  for (std::size_t i = 0; i < marks.size(); ++i) {
    Apply(settings, marks[i]);
    watermark.push_back(Time([&] { cache.Compute(request()); }));
    if (i % 4 == 0) watermarkAfresh.push_back(Time([&] { ComputePreviewAfresh(request()); }));
  }

  settings = TMemIniFile::FromText(base);
  cache.Compute(request());
  std::vector<double> frame, frameAfresh;
  const std::vector<std::string> shapes = FrameChanges(catalog);
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    Apply(settings, shapes[i]);
    frame.push_back(Time([&] { cache.Compute(request()); }));
    if (i % 4 == 0) frameAfresh.push_back(Time([&] { ComputePreviewAfresh(request()); }));
  }

  print("preview-watermark-change", Median(watermark));
  print("preview-frame-change", Median(frame));
  print("preview-first", Median(first));
  print("preview-afresh-watermark-change", Median(watermarkAfresh));
  print("preview-afresh-frame-change", Median(frameAfresh));
  print("preview-afresh-first", Median(firstAfresh));
  return 0;
}
