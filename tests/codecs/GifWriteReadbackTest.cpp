// Our GIFs read back by decoders that share no code with ours: Pillow, ImageMagick and
// giflib's gifbuild. Each test skips when its tool is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/ColorReduction.h"
#include "codecs/Gif.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using Bytes = std::vector<uint8_t>;

struct Written {
  TPaletteBitmap picture;
  int delay;
};

using test::FindTool;
using test::RunTool;
using test::Works;

std::vector<long> Numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<long> out;
  for (long v; in >> v;) out.push_back(v);
  return out;
}

Bytes ColoursOf(const TPaletteBitmap& p) {
  Bytes rgb;
  for (uint8_t index : p.indices) {
    const TGIFColor c = p.palette[index];
    rgb.insert(rgb.end(), {c.r, c.g, c.b});
  }
  return rgb;
}

class GifReadback : public ::testing::Test {
 protected:
  void SetUp() override {
    // A noisy photo-like frame, reduced by the program (fills the string table several times),
    // then small palette pictures: a short table, one pixel wide, one row high.
    TBitmap photo(160, 120);
    std::mt19937 random(3);
    for (int y = 0; y < photo.Height(); ++y)
      for (int x = 0; x < photo.Width(); ++x)
        photo.SetPixel(x, y,
                       RGBColor(uint8_t(x + random() % 60), uint8_t(y * 2 + random() % 40),
                                uint8_t((x ^ y) + random() % 20)));
    frames_.push_back({ReduceToPalette(photo), 110});
    TGIFColorMap five = {{10, 245, 70}, {11, 244, 77}, {200, 3, 84}, {13, 0, 91}, {255, 255, 255}};
    Bytes indices(20 * 10);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i * 3 % 5);
    frames_.push_back({{20, 10, five, indices}, 25});
    frames_.push_back({{1, 7, {{1, 2, 3}, {250, 251, 252}}, {0, 1, 1, 0, 1, 0, 0}}, 7});
    frames_.push_back({{9, 1, five, {4, 3, 2, 1, 0, 1, 2, 3, 4}}, 65535});

    TGIFImage gif;
    for (const Written& w : frames_) gif.SetFrameDelay(gif.AppendFrame(w.picture), w.delay);
    gif.SetLoopCount(0);
    path_ = dir_.File("readback.gif");
    gif.WriteGifFile(path_);
  }

  std::vector<Written> frames_;
  test::TempDir dir_;
  std::string path_;
};

TEST_F(GifReadback, Pillow) {
  const std::string python = FindTool({"/usr/bin/python3", "python3"}, "-c 'import PIL'");
  if (python.empty()) GTEST_SKIP() << "Pillow is not installed";
  // Frame 0 comes as indices and palette; later frames come composited as RGB, so their own
  // rectangle is compared by colour.
  const std::string script = R"(
import sys
from PIL import Image
im = Image.open(sys.argv[1])
for n in range(im.n_frames):
    im.seek(n)
    im.load()
    print(im.mode, im.size[0], im.size[1], im.info.get('duration'), im.info.get('loop'))
    print(' '.join(map(str, im.getpalette() if im.mode == 'P' else [])))
    data = list(im.getdata())
    print(' '.join(str(v) for p in data for v in (p if isinstance(p, tuple) else (p,))))
)";
  const std::string scriptPath = dir_.File("dump.py");
  test::WriteFile(scriptPath, script);
  int status = 0;
  std::istringstream out(RunTool(python + " " + scriptPath + " " + path_, status));
  ASSERT_EQ(status, 0);
  for (size_t n = 0; n < frames_.size(); ++n) {
    const TPaletteBitmap& picture = frames_[n].picture;
    std::string head, paletteLine, dataLine;
    ASSERT_TRUE(std::getline(out, head) && std::getline(out, paletteLine) &&
                std::getline(out, dataLine))
        << "frame " << n;
    std::istringstream fields(head);
    std::string mode;
    int width = 0, height = 0;
    long duration = 0, loop = -1;
    fields >> mode >> width >> height >> duration >> loop;
    EXPECT_EQ(width, 160) << "logical screen";
    EXPECT_EQ(height, 120);
    EXPECT_EQ(duration, frames_[n].delay * 10L) << "frame " << n;
    EXPECT_EQ(loop, 0);
    const std::vector<long> data = Numbers(dataLine);
    if (n == 0) {
      ASSERT_EQ(mode, "P");
      std::vector<long> palette;
      for (const TGIFColor& c : picture.palette) palette.insert(palette.end(), {c.r, c.g, c.b});
      EXPECT_EQ(Numbers(paletteLine), palette);
      EXPECT_EQ(data, std::vector<long>(picture.indices.begin(), picture.indices.end()));
      continue;
    }
    ASSERT_EQ(data.size(), size_t(width) * height * 3) << "frame " << n;
    const Bytes expected = ColoursOf(picture);
    Bytes seen;
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width * 3; ++x)
        seen.push_back(uint8_t(data[(size_t(y) * width) * 3 + x]));
    EXPECT_EQ(seen, expected) << "frame " << n;
  }
}

TEST_F(GifReadback, ImageMagick) {
  const std::string identify = FindTool({"/usr/bin/identify", "identify"}, "-version");
  const std::string convert = FindTool({"/usr/bin/convert", "convert"}, "-version");
  if (identify.empty() || convert.empty()) GTEST_SKIP() << "ImageMagick is not installed";
  int status = 0;
  std::istringstream summary(
      RunTool(identify + " -format '%p %w %h %T %X %Y\\n' " + path_, status));
  ASSERT_EQ(status, 0);
  for (size_t n = 0; n < frames_.size(); ++n) {
    const TPaletteBitmap& picture = frames_[n].picture;
    std::string line;
    ASSERT_TRUE(std::getline(summary, line)) << "frame " << n;
    EXPECT_EQ(Numbers(line),
              (std::vector<long>{long(n), picture.width, picture.height, frames_[n].delay, 0, 0}));
    const std::string frame = "'" + path_ + "[" + std::to_string(n) + "]'";
    const std::string rgb = RunTool(convert + " " + frame + " -depth 8 rgb:-", status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Bytes(rgb.begin(), rgb.end()), ColoursOf(picture)) << "frame " << n;
  }
  const std::string verbose = RunTool(identify + " -verbose '" + path_ + "[0]'", status);
  EXPECT_NE(verbose.find("Iterations: 0"), std::string::npos);
  EXPECT_NE(verbose.find("Colormap entries: 256"), std::string::npos);
  const TGIFColor c = frames_[0].picture.palette[1];
  const std::string entry =
      "1: (" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
  EXPECT_NE(verbose.find(entry), std::string::npos) << entry;
}

// gifbuild -d dumps every block: the loop, the delays, each colour map and the pixels as
// indices (hex pairs for large maps, else one key character per index).
TEST_F(GifReadback, Giflib) {
  if (!Works("command -v gifbuild")) GTEST_SKIP() << "giflib tools are not installed";
  const std::string gifbuild = "gifbuild";
  int status = 0;
  std::istringstream dump(RunTool(gifbuild + " -d " + path_, status));
  ASSERT_EQ(status, 0);
  std::vector<long> delays;
  bool looping = false;
  std::vector<TGIFColorMap> maps;
  std::vector<Bytes> pixels;
  std::string keys;
  for (std::string line; std::getline(dump, line);) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (line == "netscape loop 0") looping = true;
    if (word == "delay") delays.push_back(Numbers(line.substr(line.find("delay") + 5))[0]);
    if (line == "image map") maps.emplace_back(), keys.clear();
    if (word == "rgb") {
      int r = 0, g = 0, b = 0;
      std::string is, key;
      words >> r >> g >> b >> is >> key;
      maps.back().push_back({uint8_t(r), uint8_t(g), uint8_t(b)});
      if (is == "is") keys += key;
    }
    if (word == "image" && line.find("image bits") == 0) {
      std::istringstream size(line.substr(11));
      int width = 0, height = 0;
      std::string by, hex;
      size >> width >> by >> height >> hex;
      Bytes indices;
      for (int y = 0; y < height && std::getline(dump, line); ++y) {
        if (hex == "hex") {
          for (size_t i = 0; i + 1 < line.size(); i += 2)
            indices.push_back(uint8_t(std::stoi(line.substr(i, 2), nullptr, 16)));
        } else {
          for (char ch : line) indices.push_back(uint8_t(keys.find(ch)));
        }
      }
      pixels.push_back(indices);
    }
  }
  EXPECT_TRUE(looping);
  ASSERT_EQ(maps.size(), frames_.size());
  ASSERT_EQ(pixels.size(), frames_.size());
  for (size_t n = 0; n < frames_.size(); ++n) {
    const TPaletteBitmap& picture = frames_[n].picture;
    EXPECT_EQ(delays.at(n), frames_[n].delay);
    TGIFColorMap padded = picture.palette;
    padded.resize(maps[n].size());
    EXPECT_EQ(maps[n], padded) << "frame " << n;
    EXPECT_EQ(pixels[n], picture.indices) << "frame " << n;
  }
}

}  // namespace
}  // namespace pixmira
