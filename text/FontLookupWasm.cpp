// Font lookup where there is no fontconfig (the WebAssembly engine): only the font files the
// page added, matched by the family names the files state. The first face added stands in
// for any family no file has.
#include <mutex>

#include "text/FontFaces.h"
#include "text/FontLookup.h"

namespace pixmira {
namespace {

struct Registry {
  std::mutex mutex;
  FontFaces faces;
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

}  // namespace

bool AddFontFile(const std::string& path) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  return registry.faces.AddFile(path);
}

std::optional<FontChoice> FindFace(const std::string& family, bool bold, bool italic) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  const ListedFace* face = Best(registry.faces, family, bold, italic);
  if (!face) return std::nullopt;
  return FontFaces::Choice(*face, bold, italic);
}

std::optional<FontChoice> FindFaceFor(const std::string& family, bool bold, bool italic,
                                      char32_t ch) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  const ListedFace* best = Best(registry.faces, family, bold, italic);
  if (best && registry.faces.Covers(*best, ch)) return FontFaces::Choice(*best, bold, italic);
  for (const ListedFace& face : registry.faces.Faces()) {
    if (&face != best && registry.faces.Covers(face, ch))
      return FontFaces::Choice(face, bold, italic);
  }
  return std::nullopt;
}

}  // namespace pixmira
