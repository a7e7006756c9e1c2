#pragma once
// A list of font faces read from font files themselves, matched by the family names the
// files state: for systems where no font service answers (the WebAssembly engine) or where
// it may not know a font the user has (Windows' Fonts folder and registry).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "text/FontLookup.h"

namespace pixmira {

struct ListedFace {
  FontChoice where;                   // file and index; no synthesis
  std::vector<std::string> families;  // lower-cased where ASCII
  bool bold = false;
  bool italic = false;
};

// Not safe to share between threads; callers hold their own lock.
class FontFaces {
 public:
  FontFaces();
  ~FontFaces();
  FontFaces(const FontFaces&) = delete;
  FontFaces& operator=(const FontFaces&) = delete;

  // Lists every scalable face of the file. False when it holds none or cannot be read.
  bool AddFile(const std::string& path);

  const std::vector<ListedFace>& Faces() const { return faces_; }

  // The face of that family (any case) closest in weight and slant, the earliest listed on
  // a tie; nothing when no face states the family.
  const ListedFace* Named(const std::string& family, bool bold, bool italic) const;

  // Whether the face has a glyph for ch.
  bool Covers(const ListedFace& face, char32_t ch);

  // The face's place, with what must be synthesized for the requested weight and slant.
  static FontChoice Choice(const ListedFace& face, bool bold, bool italic);

 private:
  FT_Library library_ = nullptr;
  std::vector<ListedFace> faces_;
};

}  // namespace pixmira
