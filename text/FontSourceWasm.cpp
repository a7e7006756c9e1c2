// Font lookup where there is no fontconfig (the WebAssembly engine): only the font files the
// page added, and those in a "fonts" folder beside the program (pixmira-batch under node),
// matched by the family names the files state. The first face added stands in for any family
// no file has.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/Kernel.h"
#include "core/Platform.h"
#include "text/FontFaces.h"
#include "text/FontSource.h"

namespace pixmira {
namespace {

struct Registry {
  FontFaces faces;
  bool programFontsRead = false;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

const ListedFace* Best(const FontFaces& faces, const std::string& family, bool bold, bool italic) {
  const ListedFace* best = faces.Named(family, bold, italic);
  if (!best && !faces.Faces().empty()) best = &faces.Faces().front();
  return best;
}

// Read once, at the first lookup, in name order so that the stand-in face is always the same.
void AddProgramFonts(Registry& registry) {
  if (registry.programFontsRead) return;
  registry.programFontsRead = true;
  std::error_code ec;
  std::vector<std::string> files;
  for (const auto& entry :
       std::filesystem::directory_iterator(platform::ToPath(ExeFolder() + "fonts"), ec)) {
    if (entry.is_regular_file(ec)) files.push_back(platform::FromPath(entry.path()));
  }
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) registry.faces.AddFile(file);
}

}  // namespace

namespace fontsource {

bool Add(const std::string& path) { return TheRegistry().faces.AddFile(path); }

std::optional<FontChoice> Find(const std::string& family, bool bold, bool italic, char32_t ch) {
  Registry& registry = TheRegistry();
  AddProgramFonts(registry);
  const ListedFace* best = Best(registry.faces, family, bold, italic);
  if (ch == 0 || (best && registry.faces.Covers(*best, ch))) {
    if (!best) return std::nullopt;
    return FontFaces::Choice(*best, bold, italic);
  }
  for (const ListedFace& face : registry.faces.Faces()) {
    if (&face != best && registry.faces.Covers(face, ch))
      return FontFaces::Choice(face, bold, italic);
  }
  return std::nullopt;
}

}  // namespace fontsource
}  // namespace pixmira
