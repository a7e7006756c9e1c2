// The list's thumbnail cells of files, made one after another by the code the window and the
// web engine use, for the web page's thumbnail figure to stand beside:
//   bench_FileThumbnailBench FILE...   prints the seconds taken
#include <chrono>
#include <cstdio>

#include "codecs/LoadPicture.h"

int main(int argc, char** argv) {
  const auto start = std::chrono::steady_clock::now();
  int shown = 0;
  for (int i = 1; i < argc; ++i)
    shown += pixmira::MakeFileThumbnail(argv[i], 0, 124, 147) != nullptr;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("native-thumbnails-%d-1-worker: %.2f s\n", argc - 1, took.count());
  return shown == argc - 1 ? 0 : 1;
}
