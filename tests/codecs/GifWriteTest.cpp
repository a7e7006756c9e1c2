#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include "codecs/Gif.h"
#include "core/Errors.h"
#include "support/TestSupport.h"

namespace pixmira {
namespace {

using Bytes = std::vector<uint8_t>;

// A plain GIF reader written for these tests, independent of the program's own: it walks
// the blocks and decodes LZW the textbook way, recording every code with its width.
struct ParsedFrame {
  Bytes extensions;  // raw bytes of the extensions ahead of the image
  int left = 0, top = 0, width = 0, height = 0;
  uint8_t packed = 0;
  size_t tableEntries = 0;
  Bytes table;  // r, g, b triples
  int minCodeSize = 0;
  std::vector<size_t> blockLengths;  // the terminating 0 included
  Bytes data;
  std::vector<std::pair<int, int>> codes;  // code, width
  Bytes indices;
};

struct ParsedGif {
  std::string signature;
  int width = 0, height = 0;
  uint8_t packed = 0, background = 0, aspect = 0;
  Bytes globalTable;
  std::vector<ParsedFrame> frames;
  Bytes trailingExtensions;  // extensions of an image-less frame at the end
};

class Reader {
 public:
  explicit Reader(const Bytes& bytes) : bytes_(bytes) {}
  uint8_t Byte() {
    if (pos_ >= bytes_.size()) throw std::runtime_error("truncated");
    return bytes_[pos_++];
  }
  int Word() {
    const int low = Byte();
    return low | Byte() << 8;
  }
  size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  const Bytes& bytes_;
  size_t pos_ = 0;
};

void DecodeLzw(ParsedFrame& f) {
  const int clear = 1 << f.minCodeSize, end = clear + 1;
  std::vector<int> prefix(4096, -1);
  std::vector<uint8_t> suffix(4096, 0);
  for (int i = 0; i < clear; ++i) suffix[i] = uint8_t(i);
  auto expand = [&](int code) {
    Bytes s;
    for (; code >= 0; code = prefix[code]) s.insert(s.begin(), suffix[code]);
    return s;
  };
  int width = f.minCodeSize + 1, next = clear + 2, old = -1;
  size_t bit = 0;
  while (bit + width <= f.data.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((f.data[bit / 8] >> (bit % 8)) & 1) << i;
    f.codes.emplace_back(code, width);
    if (code == clear) {
      width = f.minCodeSize + 1, next = clear + 2, old = -1;
      continue;
    }
    if (code == end) break;
    Bytes s;
    if (code < clear || (code > end && code < next)) {
      s = expand(code);
    } else if (code == next && old >= 0) {
      s = expand(old);
      s.push_back(s[0]);
    } else {
      throw std::runtime_error("bad code " + std::to_string(code));
    }
    f.indices.insert(f.indices.end(), s.begin(), s.end());
    if (old >= 0 && next < 4096) {
      prefix[next] = old;
      suffix[next] = s[0];
      ++next;
    }
    old = code;
    if (next == 1 << width && width < 12) ++width;
  }
}

ParsedGif Parse(const Bytes& bytes) {
  Reader in(bytes);
  ParsedGif gif;
  for (int i = 0; i < 6; ++i) gif.signature += char(in.Byte());
  gif.width = in.Word();
  gif.height = in.Word();
  gif.packed = in.Byte();
  gif.background = in.Byte();
  gif.aspect = in.Byte();
  if (gif.packed & 0x80) {
    for (size_t i = 0; i < 3 * (size_t(2) << (gif.packed & 7)); ++i)
      gif.globalTable.push_back(in.Byte());
  }
  ParsedFrame frame;
  for (;;) {
    const uint8_t kind = in.Byte();
    if (kind == 0x3B) break;
    if (kind == 0x21) {
      frame.extensions.push_back(kind);
      frame.extensions.push_back(in.Byte());
      for (uint8_t n; (n = in.Byte()) != 0;) {
        frame.extensions.push_back(n);
        for (int i = 0; i < n; ++i) frame.extensions.push_back(in.Byte());
      }
      frame.extensions.push_back(0);
      continue;
    }
    if (kind != 0x2C) throw std::runtime_error("unknown block");
    frame.left = in.Word();
    frame.top = in.Word();
    frame.width = in.Word();
    frame.height = in.Word();
    frame.packed = in.Byte();
    if (frame.packed & 0x80) frame.tableEntries = size_t(2) << (frame.packed & 7);
    for (size_t i = 0; i < 3 * frame.tableEntries; ++i) frame.table.push_back(in.Byte());
    frame.minCodeSize = in.Byte();
    for (;;) {
      const uint8_t n = in.Byte();
      frame.blockLengths.push_back(n);
      if (n == 0) break;
      for (int i = 0; i < n; ++i) frame.data.push_back(in.Byte());
    }
    DecodeLzw(frame);
    gif.frames.push_back(std::move(frame));
    frame = ParsedFrame();
  }
  if (!in.AtEnd()) throw std::runtime_error("bytes after the trailer");
  gif.trailingExtensions = frame.extensions;
  return gif;
}

TPaletteBitmap PalettePicture(int width, int height, Bytes indices, TGIFColorMap palette) {
  return TPaletteBitmap{width, height, std::move(palette), std::move(indices)};
}

TGIFColorMap Ramp(int entries) {
  TGIFColorMap palette;
  for (int i = 0; i < entries; ++i)
    palette.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
  return palette;
}

Bytes RandomIndices(size_t n, int colors, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (uint8_t& v : out) v = uint8_t(random() % colors);
  return out;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  return Bytes(bytes.begin() + from, bytes.begin() + from + count);
}

TEST(GifWrite, SingleFrameFileLayout) {
  TGIFImage gif;
  TGIFFrame& frame = gif.AppendFrame(PalettePicture(2, 2, {0, 0, 0, 0}, Ramp(256)));
  gif.SetFrameDelay(frame, 110);
  gif.SetLoopCount(0);
  const Bytes bytes = gif.SaveToMemory();

  const Bytes head = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x77, 0, 0,
                      // looping extension ahead of the graphic control extension
                      0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03,
                      0x01, 0, 0, 0, 0x21, 0xF9, 0x04, 0x00, 110, 0, 0x00, 0,
                      // image descriptor
                      0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x87};
  ASSERT_EQ(bytes.size(), head.size() + 768 + 10);
  EXPECT_EQ(Slice(bytes, 0, head.size()), head);
  EXPECT_EQ(Slice(bytes, head.size() + 3 * 5, 3), (Bytes{5, 250, 35}));
  // Codes 256, 0, 258, 0, 257 at 9 bits, then the terminator and the trailer.
  EXPECT_EQ(Slice(bytes, head.size() + 768, 10),
            (Bytes{0x08, 0x06, 0x00, 0x01, 0x08, 0x04, 0x10, 0x10, 0x00, 0x3B}));
}

TEST(GifWrite, VersionAndExtensions) {
  {  // no extension at all
    TGIFImage gif;
    gif.AppendFrame(PalettePicture(1, 1, {0}, Ramp(2)));
    const ParsedGif parsed = Parse(gif.SaveToMemory());
    EXPECT_EQ(parsed.signature, "GIF87a");
    EXPECT_TRUE(parsed.frames[0].extensions.empty());
  }
  {  // a delay on the second frame only; loop set before any delay still comes first
    TGIFImage gif;
    TGIFFrame& first = gif.AppendFrame(PalettePicture(1, 1, {0}, Ramp(2)));
    gif.SetLoopCount(3);
    gif.SetFrameDelay(first, 25);
    TGIFFrame& second = gif.AppendFrame(PalettePicture(1, 1, {1}, Ramp(2)));
    gif.SetFrameDelay(second, 7);
    gif.SetFrameDelay(second, 70000);  // replaces, limited to 16 bits
    gif.SetFrameDelay(gif.AppendFrame(PalettePicture(1, 1, {1}, Ramp(2))), -5);
    gif.SetLoopCount(0);  // updates the existing one
    const ParsedGif parsed = Parse(gif.SaveToMemory());
    EXPECT_EQ(parsed.signature, "GIF89a");
    ASSERT_EQ(parsed.frames.size(), 3u);
    EXPECT_EQ(parsed.frames[0].extensions,
              (Bytes{0x21, 0xFF, 0x0B, 'N', 'E', 'T',  'S',  'C',  'A', 'P', 'E', '2', '.', '0',
                     0x03, 0x01, 0,    0,   0,   0x21, 0xF9, 0x04, 0,   25,  0,   0,   0}));
    EXPECT_EQ(parsed.frames[1].extensions, (Bytes{0x21, 0xF9, 0x04, 0, 0xFF, 0xFF, 0, 0}));
    EXPECT_EQ(parsed.frames[2].extensions, (Bytes{0x21, 0xF9, 0x04, 0, 0, 0, 0, 0}));
  }
}

TEST(GifWrite, ColourTableSizes) {
  struct Case {
    int entries;
    uint8_t packed;
    size_t written;
    int minCodeSize;
  };
  const Case cases[] = {{1, 0x80, 2, 2},     {2, 0x80, 2, 2},    {3, 0x81, 4, 2},
                        {5, 0x82, 8, 3},     {16, 0x83, 16, 4},  {17, 0x84, 32, 5},
                        {129, 0x87, 256, 8}, {256, 0x87, 256, 8}};
  for (const Case& c : cases) {
    TGIFImage gif;
    const Bytes indices = RandomIndices(30, c.entries, c.entries);
    gif.AppendFrame(PalettePicture(6, 5, indices, Ramp(c.entries)));
    const ParsedFrame frame = Parse(gif.SaveToMemory()).frames.at(0);
    EXPECT_EQ(frame.packed, c.packed) << c.entries;
    ASSERT_EQ(frame.tableEntries, c.written) << c.entries;
    EXPECT_EQ(frame.minCodeSize, c.minCodeSize) << c.entries;
    const TGIFColorMap ramp = Ramp(c.entries);
    for (size_t i = 0; i < c.written; ++i) {
      const TGIFColor expected = i < ramp.size() ? ramp[i] : TGIFColor{};
      EXPECT_EQ(Slice(frame.table, 3 * i, 3), (Bytes{expected.r, expected.g, expected.b}))
          << c.entries << " entry " << i;
    }
    EXPECT_EQ(frame.indices, indices) << c.entries;
  }
}

TEST(GifWrite, ShapesRoundTrip) {
  struct Case {
    int width, height, colors;
  };
  const Case cases[] = {{1, 1, 2},      {1, 300, 256}, {300, 1, 256},  {1, 5000, 3},
                        {5000, 1, 256}, {64, 64, 4},   {200, 150, 256}};
  for (const Case& c : cases) {
    const Bytes indices = RandomIndices(size_t(c.width) * c.height, c.colors, c.width);
    TGIFImage gif;
    gif.AppendFrame(PalettePicture(c.width, c.height, indices, Ramp(c.colors)));
    const ParsedGif parsed = Parse(gif.SaveToMemory());
    ASSERT_EQ(parsed.frames.size(), 1u);
    EXPECT_EQ(parsed.frames[0].width, c.width);
    EXPECT_EQ(parsed.frames[0].height, c.height);
    EXPECT_EQ(parsed.frames[0].indices, indices) << c.width << "x" << c.height;
    EXPECT_EQ(parsed.frames[0].codes.back().first, (1 << parsed.frames[0].minCodeSize) + 1);
  }
}

TEST(GifWrite, FullStringTableClearsAt12BitsAndRestartsAt9) {
  const Bytes indices = RandomIndices(40000, 256, 1);
  TGIFImage gif;
  gif.AppendFrame(PalettePicture(200, 200, indices, Ramp(256)));
  const ParsedFrame frame = Parse(gif.SaveToMemory()).frames.at(0);
  EXPECT_EQ(frame.indices, indices);

  std::vector<size_t> clears;
  for (size_t i = 0; i < frame.codes.size(); ++i)
    if (frame.codes[i].first == 256) clears.push_back(i);
  ASSERT_GE(clears.size(), 3u);
  EXPECT_EQ(clears[0], 0u);
  EXPECT_EQ(frame.codes[0].second, 9);
  // Codes 258 to 4094 are entered, one per emitted code but the last before the clear.
  EXPECT_EQ(clears[1] - clears[0] - 1, 4094u - 258 + 2);
  EXPECT_EQ(frame.codes[clears[1] - 1].second, 12);
  EXPECT_EQ(frame.codes[clears[1]].second, 12);
  EXPECT_EQ(frame.codes[clears[1] + 1].second, 9);
  // Widths grow just after the table reaches 512, 1024 and 2048 codes.
  EXPECT_EQ(frame.codes[255].second, 9);
  EXPECT_EQ(frame.codes[256].second, 10);
}

TEST(GifWrite, SubBlocksOfExactly255And510BytesEndWithOneTerminator) {
  for (size_t target : {size_t(255), size_t(510)}) {
    bool found = false;
    for (int width = 1; width < int(target) * 2 && !found; ++width) {
      const Bytes indices = RandomIndices(width, 256, 5);
      TGIFImage gif;
      gif.AppendFrame(PalettePicture(width, 1, indices, Ramp(256)));
      const Bytes bytes = gif.SaveToMemory();
      const ParsedFrame frame = Parse(bytes).frames.at(0);
      if (frame.data.size() != target) continue;
      found = true;
      const std::vector<size_t> expected =
          target == 255 ? std::vector<size_t>{255, 0} : std::vector<size_t>{255, 255, 0};
      EXPECT_EQ(frame.blockLengths, expected);
      EXPECT_EQ(Slice(bytes, bytes.size() - 2, 2), (Bytes{0x00, 0x3B}));
      EXPECT_EQ(frame.indices, indices);
    }
    EXPECT_TRUE(found) << "no width gives " << target << " data bytes";
  }
}

TEST(GifWrite, FramesFromPictures) {
  TGIFImage gif;
  TBitmap wide(400, 300), tall(300, 500);
  wide.Fill(RGBColor(10, 20, 30));
  tall.Fill(RGBColor(200, 100, 0));
  gif.AppendFrame(wide);
  TGIFFrame& empty = gif.AppendFrame(TBitmap());
  gif.SetFrameDelay(empty, 5);
  gif.AppendFrame(tall);
  EXPECT_EQ(gif.Width(), 400);
  EXPECT_EQ(gif.Height(), 500);
  ASSERT_EQ(gif.Frames().size(), 3u);
  EXPECT_FALSE(gif.Frames()[1].HasImage());

  const ParsedGif parsed = Parse(gif.SaveToMemory());
  EXPECT_EQ(parsed.width, 400);
  EXPECT_EQ(parsed.height, 500);
  ASSERT_EQ(parsed.frames.size(), 2u);  // the empty frame writes only its extension
  EXPECT_EQ(parsed.frames[0].width, 400);
  EXPECT_EQ(parsed.frames[1].left, 0);
  EXPECT_EQ(parsed.frames[1].top, 0);
  EXPECT_EQ(parsed.frames[1].height, 500);
  EXPECT_EQ(parsed.frames[1].extensions, (Bytes{0x21, 0xF9, 0x04, 0, 5, 0, 0, 0}));
  EXPECT_EQ(Slice(parsed.frames[1].table, 0, 6), (Bytes{200, 100, 0, 0, 0, 0}));
  EXPECT_EQ(parsed.frames[1].indices, Bytes(300 * 500, 0));
}

TEST(GifWrite, SameBytesForAnyNumberOfEncodingThreads) {
  // Frames that fill the string table, short tables, an empty frame, one pixel: each thread
  // keeps its own table, so nothing may leak from one frame into the next.
  TGIFImage gif;
  gif.SetFrameDelay(
      gif.AppendFrame(PalettePicture(200, 200, RandomIndices(40000, 256, 1), Ramp(256))), 7);
  gif.AppendFrame(PalettePicture(30, 20, RandomIndices(600, 3, 30), Ramp(3)));
  gif.SetFrameDelay(gif.AppendFrame(TBitmap()), 5);
  gif.AppendFrame(PalettePicture(1, 1, {1}, Ramp(2)));
  gif.AppendFrame(PalettePicture(120, 90, RandomIndices(10800, 256, 7), Ramp(256)));
  gif.SetLoopCount(0);
  const Bytes one = gif.SaveToMemory(1);
  for (int workers : {2, 3, 8}) EXPECT_EQ(gif.SaveToMemory(workers), one) << workers;
  const ParsedGif parsed = Parse(one);
  ASSERT_EQ(parsed.frames.size(), 4u);
  EXPECT_EQ(parsed.frames[3].indices, RandomIndices(10800, 256, 7));
}

TEST(GifWrite, BadInput) {
  TGIFImage gif;
  EXPECT_THROW(
      {
        try {
          gif.SaveToMemory();
        } catch (const GIFException& e) {
          EXPECT_STREQ(e.what(), "Cannot save empty GIF");
          throw;
        }
      },
      GIFException);
  EXPECT_THROW(gif.AppendFrame(PalettePicture(70000, 1, Bytes(70000, 0), Ramp(2))), GIFException);
  EXPECT_THROW(gif.AppendFrame(PalettePicture(4, 4, Bytes(15, 0), Ramp(2))), GIFException);
  EXPECT_TRUE(gif.Frames().empty());  // failed appends leave nothing behind

  // Indices beyond the palette become 0.
  gif.AppendFrame(PalettePicture(4, 1, {1, 2, 9, 0}, Ramp(3)));
  EXPECT_EQ(Parse(gif.SaveToMemory()).frames[0].indices, (Bytes{1, 2, 0, 0}));
}

// A 2 x 1 picture with indices 3, 1 (codes 4, 3, 1, 5 at three bits), after the given colour
// tables.
Bytes HandMadeGif(bool global, uint8_t imagePacked, int tableEntries) {
  Bytes bytes = {'G', 'I', 'F', '8', '7', 'a', 2, 0, 1, 0, uint8_t(global ? 0x91 : 0), 0, 0};
  for (int i = 0; i < 3 * tableEntries && global; ++i) bytes.push_back(uint8_t(10 + i));
  bytes.insert(bytes.end(), {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, imagePacked});
  for (int i = 0; i < 3 * tableEntries && !global; ++i) bytes.push_back(uint8_t(10 + i));
  bytes.insert(bytes.end(), {2, 2, 0x5C, 0x0A, 0, 0x3B});
  return bytes;
}

TEST(GifWrite, ResavesLoadedPictures) {
  {  // index 3 of a two-entry local table cannot be written
    TGIFImage gif;
    gif.LoadFromMemory(HandMadeGif(false, 0x80, 2));
    ASSERT_EQ(gif.Frames().at(0).indices, (Bytes{3, 1}));
    try {
      gif.SaveToMemory();
      ADD_FAILURE() << "saved";
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Color not in color table");
    }
  }
  {  // a frame that uses the global table keeps it
    TGIFImage gif;
    gif.LoadFromMemory(HandMadeGif(true, 0x00, 4));
    const ParsedGif parsed = Parse(gif.SaveToMemory());
    EXPECT_EQ(parsed.packed, 0x91);
    EXPECT_EQ(parsed.globalTable, Slice(HandMadeGif(true, 0, 4), 13, 12));
    ASSERT_EQ(parsed.frames.size(), 1u);
    EXPECT_EQ(parsed.frames[0].tableEntries, 0u);
    EXPECT_EQ(parsed.frames[0].indices, (Bytes{3, 1}));
  }
}

class GifWriteFile : public ::testing::Test {
 protected:
  static TGIFImage TwoFrames() {
    TGIFImage gif;
    gif.SetFrameDelay(gif.AppendFrame(PalettePicture(3, 2, {0, 1, 2, 2, 1, 0}, Ramp(3))), 50);
    gif.SetFrameDelay(gif.AppendFrame(PalettePicture(2, 2, {1, 1, 1, 0}, Ramp(2))), 50);
    gif.SetLoopCount(0);
    return gif;
  }
  std::vector<std::string> Entries(const std::filesystem::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  test::TempDir dir_;
};

TEST_F(GifWriteFile, WritesAndReplacesWithoutLeftovers) {
  const std::string path = dir_.File("out.gif");
  test::WriteFile(path, "an older picture");
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  const TGIFImage gif = TwoFrames();
  gif.WriteGifFile(path);
  EXPECT_EQ(test::ReadBytes(path), gif.SaveToMemory());
  EXPECT_EQ(Entries(dir_.Path()), (std::vector<std::string>{"out.gif"}));
  // A replaced file keeps its permissions (Windows has only a read-only mark).
  if (test::CanMakeSymlinks()) {
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
  }

  // The longest name the folder takes still leaves room for the temporary one.
  for (const std::string& name : {std::string("new.gif"), std::string(251, 'n') + ".gif"}) {
    gif.WriteGifFile(dir_.File(name));
    EXPECT_EQ(test::ReadBytes(dir_.File(name)), gif.SaveToMemory()) << name;
  }
  EXPECT_EQ(Entries(dir_.Path()).size(), 3u);
}

TEST_F(GifWriteFile, EmptyImageLeavesAnExistingFileAlone) {
  const std::string path = dir_.File("keep.gif");
  test::WriteFile(path, "GIF89a the user's own picture");
  TGIFImage empty;
  EXPECT_THROW(empty.WriteGifFile(path), GIFException);
  EXPECT_THROW(empty.WriteGifFile(dir_.File("absent.gif")), GIFException);
  EXPECT_EQ(test::ReadFile(path), "GIF89a the user's own picture");
  EXPECT_EQ(Entries(dir_.Path()), (std::vector<std::string>{"keep.gif"}));
}

TEST_F(GifWriteFile, UnwritablePlacesRaiseFileErrorsAndLeaveNothing) {
  test::WriteFile(dir_.File("plain"), "x");
  std::filesystem::create_directory(dir_.Path() / "folder.gif");
  const TGIFImage gif = TwoFrames();
  for (const std::string& path : {dir_.File("missing/out.gif"), dir_.File("plain/out.gif"),
                                  dir_.File("folder.gif"), dir_.File("folder.gif/")}) {
    try {
      gif.WriteGifFile(path);
      ADD_FAILURE() << path << " was written";
    } catch (const EFileError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(Entries(dir_.Path()), (std::vector<std::string>{"folder.gif", "plain"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.Path() / "folder.gif"));
  EXPECT_EQ(test::ReadFile(dir_.File("plain")), "x");
}

}  // namespace
}  // namespace pixmira
