#pragma once
// Finding font files (fontconfig; DirectWrite and the Fonts folders; or only the files handed
// in): the face for a family, weight and slant, and a face that has a character the chosen one
// lacks. Results are kept; safe from any thread.
#include <optional>
#include <string>

namespace pixmira {

// A face inside a font file, and what the glyph rasteriser must add because the family has
// no real face of the requested weight or slant.
struct FontChoice {
  std::string file;
  int index = 0;
  bool synthesizeBold = false;
  bool synthesizeItalic = false;
  bool operator==(const FontChoice&) const = default;
};

// Makes the faces of a font file (TTF, OTF, TTC) available to both lookups, as the user's own
// font. False when the file holds no face that can be used.
bool AddFontFile(const std::string& path);

// The face fontconfig prefers for the family (empty: "sans-serif"). Nothing when no font is
// installed at all.
std::optional<FontChoice> FindFace(const std::string& family, bool bold, bool italic);

// The best face for the same request that covers ch. Nothing when no installed face has it.
std::optional<FontChoice> FindFaceFor(const std::string& family, bool bold, bool italic,
                                      char32_t ch);

}  // namespace pixmira
