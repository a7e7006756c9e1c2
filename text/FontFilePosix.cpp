// The name's bytes are the file's name here, so FreeType's own file access serves.
#include "text/FontFile.h"

namespace pixmira {

FT_Error OpenFontFace(FT_Library library, const std::string& path, FT_Long index, FT_Face* face) {
  return FT_New_Face(library, path.c_str(), index, face);
}

}  // namespace pixmira
