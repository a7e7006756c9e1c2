#include "text/FontFaces.h"

#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <optional>

#include "core/Encoding.h"
#include "text/FontFile.h"

namespace pixmira {
namespace {

std::string Folded(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return text;
}

// A name record as UTF-8: UTF-16BE for Windows and Unicode records, single bytes (ASCII
// in practice) for Macintosh Roman; nothing for other encodings.
std::optional<std::string> NameText(const FT_SfntName& name) {
  std::string out;
  if (name.platform_id == TT_PLATFORM_MICROSOFT || name.platform_id == TT_PLATFORM_APPLE_UNICODE) {
    for (FT_UInt i = 0; i + 1 < name.string_len; i += 2) {
      char32_t c = char32_t(name.string[i]) << 8 | name.string[i + 1];
      if (c >= 0xD800 && c < 0xDC00 && i + 3 < name.string_len) {
        const char32_t low = char32_t(name.string[i + 2]) << 8 | name.string[i + 3];
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
      AppendUtf8(out, c);
    }
    return out;
  }
  if (name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN) {
    for (FT_UInt i = 0; i < name.string_len; ++i) {
      if (name.string[i] >= 0x80) return std::nullopt;
      out += char(name.string[i]);
    }
    return out;
  }
  return std::nullopt;
}

std::vector<std::string> FamiliesOf(FT_Face face) {
  std::vector<std::string> families;
  auto add = [&](std::string name) {
    name = Folded(std::move(name));
    for (const std::string& f : families) {
      if (f == name) return;
    }
    if (!name.empty()) families.push_back(std::move(name));
  };
  if (face->family_name) add(face->family_name);
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0) continue;
    if (name.name_id != TT_NAME_ID_FONT_FAMILY && name.name_id != TT_NAME_ID_TYPOGRAPHIC_FAMILY)
      continue;
    if (auto text = NameText(name)) add(*text);
  }
  return families;
}

}  // namespace

FontFaces::FontFaces() {
  if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
}

FontFaces::~FontFaces() {
  if (library_) FT_Done_FreeType(library_);
}

bool FontFaces::AddFile(const std::string& path) {
  if (!library_) return false;
  FT_Face first = nullptr;
  if (OpenFontFace(library_, path, 0, &first) != 0) return false;
  const FT_Long count = first->num_faces;
  FT_Done_Face(first);
  bool added = false;
  for (FT_Long index = 0; index < count; ++index) {
    FT_Face ft = nullptr;
    if (OpenFontFace(library_, path, index, &ft) != 0) continue;
    if (FT_IS_SCALABLE(ft)) {
      ListedFace face;
      face.where.file = path;
      face.where.index = static_cast<int>(index);
      face.families = FamiliesOf(ft);
      face.bold = (ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
      face.italic = (ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
      faces_.push_back(std::move(face));
      added = true;
    }
    FT_Done_Face(ft);
  }
  return added;
}

const ListedFace* FontFaces::Named(const std::string& family, bool bold, bool italic) const {
  const std::string wanted = Folded(family);
  const ListedFace* best = nullptr;
  int bestScore = -1;
  for (const ListedFace& face : faces_) {
    bool named = false;
    for (const std::string& f : face.families) named = named || f == wanted;
    if (!named) continue;
    const int score = (face.bold == bold ? 2 : 0) + (face.italic == italic ? 1 : 0);
    if (score > bestScore) {
      best = &face;
      bestScore = score;
    }
  }
  return best;
}

bool FontFaces::Covers(const ListedFace& face, char32_t ch) {
  FT_Face ft = nullptr;
  if (!library_ || OpenFontFace(library_, face.where.file, face.where.index, &ft) != 0)
    return false;
  const bool has = FT_Get_Char_Index(ft, ch) != 0;
  FT_Done_Face(ft);
  return has;
}

FontChoice FontFaces::Choice(const ListedFace& face, bool bold, bool italic) {
  FontChoice choice = face.where;
  choice.synthesizeBold = bold && !face.bold;
  choice.synthesizeItalic = italic && !face.italic;
  return choice;
}

}  // namespace pixmira
