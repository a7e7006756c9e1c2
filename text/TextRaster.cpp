#include "text/TextRaster.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "core/Errors.h"
#include "text/FontFile.h"
#include "text/FontLookup.h"

namespace pixmira {
namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
// About 12 degrees, the usual slant of an oblique face.
constexpr FT_Fixed kObliqueShear = 0x0366A;

// A FreeType library with the faces it has opened. Libraries are not safe to share between
// threads, so a raster borrows a set for its whole life and no two workers hold the same one.
class FontSet {
 public:
  FontSet() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ~FontSet() {
    for (auto& [key, face] : faces_)
      if (face) FT_Done_Face(face);
    if (library_) FT_Done_FreeType(library_);
  }
  FontSet(const FontSet&) = delete;
  FontSet& operator=(const FontSet&) = delete;

  // Nothing when the file cannot be opened as a font.
  FT_Face Face(const FontChoice& choice) {
    if (!library_) return nullptr;
    const auto key = std::make_pair(choice.file, choice.index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    FT_Face face = nullptr;
    if (OpenFontFace(library_, choice.file, choice.index, &face) != 0) face = nullptr;
    faces_.emplace(key, face);
    return face;
  }

 private:
  FT_Library library_ = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> faces_;
};

// Sets not lent out, kept so opened faces are reused. Not thread_local: the MinGW runtime
// ran those destructors in FreeType after its own teardown and crashed at exit; this one is
// emptied by ordinary static destruction on the main thread.
class FontPool {
 public:
  std::unique_ptr<FontSet> Take() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return std::make_unique<FontSet>();
    std::unique_ptr<FontSet> set = std::move(free_.back());
    free_.pop_back();
    return set;
  }
  void Give(std::unique_ptr<FontSet> set) {
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(set));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<FontSet>> free_;
};

FontPool& Pool() {
  static FontPool pool;
  return pool;
}

// One raster's own font set, handed back when the raster is done.
class FontLease {
 public:
  FontLease() : set_(Pool().Take()) {}
  ~FontLease() { Pool().Give(std::move(set_)); }
  FontLease(const FontLease&) = delete;
  FontLease& operator=(const FontLease&) = delete;
  FontSet& operator*() { return *set_; }

 private:
  std::unique_ptr<FontSet> set_;
};

// Decodes one UTF-8 sequence at text[i], advancing i; malformed input gives U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i++);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (byte(i) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (byte(i++) & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

// One face at the requested size, with the synthesis its family needs.
struct Source {
  FT_Face face = nullptr;
  FT_Size size = nullptr;
  bool bold = false;
  bool italic = false;
  FT_Pos boldStrength = 0;  // 26.6
};

struct Glyph {
  const Source* source = nullptr;  // nothing: the glyph cannot be loaded and is skipped
  FT_UInt index = 0;
  FT_Pos advance = 0;  // 26.6, with the synthetic bold's widening
};

struct Placed {
  const Source* source;
  FT_UInt glyph;
  int64_t penX;  // 26.6
};

void BlitMono(const FT_Bitmap& bitmap, int left, int top, TGreyImage& image) {
  const int rows = static_cast<int>(bitmap.rows);
  const int cols = static_cast<int>(bitmap.width);
  const int pitch = bitmap.pitch;
  const uint8_t* first =
      pitch >= 0 ? bitmap.buffer : bitmap.buffer + std::ptrdiff_t(rows - 1) * -pitch;
  const int x0 = std::max(0, -left);
  const int x1 = std::min(cols, image.Width() - left);
  for (int r = std::max(0, -top); r < rows && top + r < image.Height(); ++r) {
    const uint8_t* src = first + std::ptrdiff_t(r) * pitch;
    uint8_t* dst = image.Row(top + r);
    for (int c = x0; c < x1; ++c) {
      const bool ink = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                           ? (src[c >> 3] & (0x80 >> (c & 7))) != 0
                           : src[c] >= 128;
      if (ink) dst[left + c] = 255;
    }
  }
}

}  // namespace

TGreyImage::TGreyImage(int width, int height) {
  // A 4x work image may be wider than any picture (a long line in a large size); only its
  // memory is bounded.
  if (width < 0 || height < 0 || int64_t(width) * height > kMaxPicturePixels)
    throw EInvalidGraphic("The text is too large to draw (" + std::to_string(width) + " x " +
                          std::to_string(height) + " work pixels)");
  width_ = width;
  height_ = height;
  stride_ = (std::size_t(width) + 3) & ~std::size_t(3);
  pixels_.assign(stride_ * std::size_t(height), 0);
}

std::vector<std::u32string> SplitLines(std::string_view utf8) {
  std::vector<std::u32string> lines(1);
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, i);
    if (cp == U'\r' || cp == U'\n') {
      if (cp == U'\r' && i < utf8.size() && utf8[i] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back().push_back(cp);
    }
  }
  return lines;
}

struct TTextRaster::Impl {
  FontLease fonts;  // first, so the sizes below are done before the set goes back
  TFont font;
  int em = 0;
  Source primary;
  std::map<std::pair<std::string, int>, Source> others;  // fallback faces by file and index
  std::map<char32_t, Glyph> glyphs;
  int64_t ascender = 0;  // whole pixels
  int64_t lineHeight = 0;
  FT_Pos underlineTop = 0;  // 26.6 below the baseline (positive = down)
  FT_Pos underlineThickness = 0;

  ~Impl() {
    for (auto& [key, source] : others)
      if (source.size) FT_Done_Size(source.size);
    if (primary.size) FT_Done_Size(primary.size);
  }

  bool Open(Source& source, const FontChoice& choice) {
    source.face = (*fonts).Face(choice);
    if (!source.face || FT_New_Size(source.face, &source.size) != 0) return false;
    if (FT_Activate_Size(source.size) != 0 || FT_Set_Pixel_Sizes(source.face, 0, em) != 0)
      return false;
    source.bold = choice.synthesizeBold;
    source.italic = choice.synthesizeItalic;
    source.boldStrength = source.bold ? std::max<FT_Pos>(FT_Pos(em) * 64 / 24, 1) : 0;
    return true;
  }

  // The face and glyph that show ch: the font's own, else a fallback's, else the font's
  // missing-glyph box.
  Glyph Find(char32_t ch) {
    if (auto it = glyphs.find(ch); it != glyphs.end()) return it->second;
    std::pair<const Source*, FT_UInt> found{&primary, FT_Get_Char_Index(primary.face, ch)};
    if (found.second == 0) {
      if (auto choice = FindFaceFor(font.name, font.bold, font.italic, ch)) {
        const auto key = std::make_pair(choice->file, choice->index);
        auto it = others.find(key);
        if (it == others.end()) {
          Source source;
          if (!Open(source, *choice)) {
            if (source.size) FT_Done_Size(source.size);
            source = Source{};
          }
          it = others.emplace(key, source).first;
        }
        if (it->second.face) {
          const FT_UInt index = FT_Get_Char_Index(it->second.face, ch);
          if (index != 0) found = {&it->second, index};
        }
      }
    }
    Glyph glyph;
    if (Load(*found.first, found.second)) {
      glyph.source = found.first;
      glyph.index = found.second;
      glyph.advance = found.first->face->glyph->advance.x + found.first->boldStrength;
    }
    glyphs.emplace(ch, glyph);
    return glyph;
  }

  bool Load(const Source& source, FT_UInt glyph) {
    return FT_Activate_Size(source.size) == 0 && FT_Load_Glyph(source.face, glyph, kLoadFlags) == 0;
  }

  // The glyphs of one line with their pen positions; returns the line's advance (26.6).
  int64_t Layout(const std::u32string& line, std::vector<Placed>* placed) {
    int64_t pen = 0;
    for (char32_t ch : line) {
      if (ch < 0x20 || ch == 0x7F) continue;  // control characters have no glyph
      const Glyph glyph = Find(ch);
      if (!glyph.source) continue;
      if (placed) placed->push_back({glyph.source, glyph.index, pen});
      pen += glyph.advance;
    }
    return pen;
  }

  void Render(const Placed& p, int64_t baseline, TGreyImage& image) {
    if (!Load(*p.source, p.glyph)) return;
    FT_GlyphSlot slot = p.source->face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (p.source->bold)
        FT_Outline_EmboldenXY(&slot->outline, p.source->boldStrength, p.source->boldStrength);
      if (p.source->italic) {
        FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
      }
      FT_Outline_Translate(&slot->outline, p.penX & 63, 0);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return;
    const int64_t left = (p.penX >> 6) + slot->bitmap_left;
    const int64_t top = baseline - slot->bitmap_top;
    if (left >= image.Width() || top >= image.Height() || left < -65536 || top < -65536) return;
    BlitMono(slot->bitmap, static_cast<int>(left), static_cast<int>(top), image);
  }

  void Underline(int64_t baseline, int64_t width, TGreyImage& image) {
    const int64_t top = baseline + ((underlineTop + 32) >> 6);
    const int64_t bottom = top + std::max<int64_t>(1, (underlineThickness + 32) >> 6);
    const int64_t right = std::min<int64_t>(width, image.Width());
    for (int64_t y = std::max<int64_t>(top, 0); y < std::min<int64_t>(bottom, image.Height()); ++y)
      std::fill_n(image.Row(static_cast<int>(y)), right, uint8_t(255));
  }
};

TTextRaster::TTextRaster(const TFont& font, int emPixels) : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  d.font = font;
  d.em = std::max(emPixels, 1);
  std::optional<FontChoice> choice = FindFace(font.name, font.bold, font.italic);
  if (!choice || !d.Open(d.primary, *choice)) {
    // A named face that cannot be opened: fall back to the default face before giving up.
    choice = FindFace("", font.bold, font.italic);
    if (d.primary.size) FT_Done_Size(d.primary.size);
    d.primary = Source{};
    if (!choice || !d.Open(d.primary, *choice))
      throw Exception("No font is available to draw the text \"" + font.name + "\"");
  }
  const FT_Size_Metrics& m = d.primary.size->metrics;
  d.ascender = (m.ascender + 32) >> 6;
  d.lineHeight = std::max<int64_t>(1, (m.ascender - m.descender + 32) >> 6);
  FT_Face face = d.primary.face;
  FT_Pos thickness = FT_MulFix(face->underline_thickness, m.y_scale);
  FT_Pos position = FT_MulFix(face->underline_position, m.y_scale);
  if (thickness <= 0) {  // a face without underline metrics: about a fourteenth of the em
    thickness = std::max<FT_Pos>(64, FT_Pos(d.em) * 64 / 14);
    position = -thickness * 3 / 2;
  }
  d.underlineThickness = thickness;
  d.underlineTop = -position - thickness / 2;
}

TTextRaster::~TTextRaster() = default;

TLayoutSize TTextRaster::Measure(std::string_view utf8) {
  const std::vector<std::u32string> lines = SplitLines(utf8);
  int64_t width = 0;
  for (const std::u32string& line : lines) width = std::max(width, impl_->Layout(line, nullptr));
  return {(width + 63) >> 6, int64_t(lines.size()) * impl_->lineHeight};
}

void TTextRaster::Draw(std::string_view utf8, TGreyImage& image) {
  Impl& d = *impl_;
  const std::vector<std::u32string> lines = SplitLines(utf8);
  std::vector<Placed> placed;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int64_t baseline = int64_t(i) * d.lineHeight + d.ascender;
    if (baseline - d.ascender >= image.Height()) break;
    placed.clear();
    const int64_t advance = d.Layout(lines[i], &placed);
    for (const Placed& p : placed) {
      if ((p.penX >> 6) >= image.Width()) break;
      d.Render(p, baseline, image);
    }
    if (d.font.underline && advance > 0) d.Underline(baseline, (advance + 63) >> 6, image);
  }
}

}  // namespace pixmira
