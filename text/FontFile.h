#pragma once
// Opening a face of a font file named in UTF-8, on every system: FreeType's own file access
// takes the name in the system's narrow encoding, which on Windows cannot spell every name.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace pixmira {

// FT_New_Face for a UTF-8 file name; FT_Done_Face releases everything it opened.
FT_Error OpenFontFace(FT_Library library, const std::string& path, FT_Long index, FT_Face* face);

}  // namespace pixmira
