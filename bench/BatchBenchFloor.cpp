// The floor of the batch benchmark: bare libjpeg on the same photos, one after another.
// Each is decoded whole at full size with libjpeg's defaults (no DCT scaling, as ours), a
// width-700 copy is taken by point sampling, and that copy is encoded at quality 90 in memory.
//   bench_BatchBenchFloor WIDTH QUALITY FILE...   prints the seconds taken
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

std::vector<unsigned char> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<unsigned char> data(std::size_t(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
  return data;
}

// The buffers are kept from photo to photo, so no time goes into faulting fresh pages in.
std::vector<unsigned char> pixels;
std::vector<unsigned char> small;

std::size_t Process(const std::vector<unsigned char>& data, int width, int quality) {
  jpeg_decompress_struct d{};
  jpeg_error_mgr derr{};
  d.err = jpeg_std_error(&derr);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, data.data(), data.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&d);
  const int w = int(d.output_width), h = int(d.output_height);
  pixels.resize(std::size_t(w) * h * 3);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = pixels.data() + std::size_t(d.output_scanline) * w * 3;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);

  const int tw = width, th = int((long long)width * h / w);
  small.resize(std::size_t(tw) * th * 3);
  for (int y = 0; y < th; ++y) {
    const unsigned char* src = pixels.data() + std::size_t((2LL * y + 1) * h / (2 * th)) * w * 3;
    unsigned char* dst = small.data() + std::size_t(y) * tw * 3;
    for (int x = 0; x < tw; ++x) {
      const unsigned char* p = src + std::size_t((2LL * x + 1) * w / (2 * tw)) * 3;
      dst[3 * x] = p[0], dst[3 * x + 1] = p[1], dst[3 * x + 2] = p[2];
    }
  }

  jpeg_compress_struct c{};
  jpeg_error_mgr cerr{};
  c.err = jpeg_std_error(&cerr);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(tw);
  c.image_height = JDIMENSION(th);
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = small.data() + std::size_t(c.next_scanline) * tw * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::free(out);
  return size;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s WIDTH QUALITY FILE...\n", argv[0]);
    return 2;
  }
  const int width = std::atoi(argv[1]);
  const int quality = std::atoi(argv[2]);
  const auto start = std::chrono::steady_clock::now();
  std::size_t bytes = 0;
  for (int i = 3; i < argc; ++i) bytes += Process(ReadAll(argv[i]), width, quality);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f\n", seconds);
  std::fprintf(stderr, "%d photos, %zu bytes written\n", argc - 3, bytes);
  return 0;
}
