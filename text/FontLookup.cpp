#include "text/FontLookup.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace pixmira {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct CharSetDeleter {
  void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

using Request = std::tuple<std::string, bool, bool>;

// fontconfig's configuration is shared; every call into it and both caches sit behind one
// lock. Lookups are rare (once per font and per missing character), so the lock is cheap.
struct Lookup {
  std::mutex mutex;
  bool ready = false;
  std::map<Request, std::optional<FontChoice>> faces;
  std::map<std::tuple<std::string, bool, bool, char32_t>, std::optional<FontChoice>> fallbacks;
};

Lookup& TheLookup() {
  static Lookup lookup;
  return lookup;
}

// Always fontconfig's current configuration (a null FcConfig), never a kept pointer, in case
// another part of the program (the desktop toolkit) replaces it.
bool Ready(Lookup& lookup) {
  if (!lookup.ready) lookup.ready = FcInit();
  return lookup.ready;
}

PatternPtr RequestPattern(const Request& request) {
  const auto& [family, bold, italic] = request;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return nullptr;
  const std::string name = family.empty() ? "sans-serif" : family;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  return pattern;
}

void Prepare(FcConfig* config, FcPattern* pattern) {
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
}

// What a font pattern names, with synthesis where its weight or slant falls short.
std::optional<FontChoice> ChoiceOf(FcPattern* font, const Request& request) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) return std::nullopt;
  FontChoice choice;
  choice.file = reinterpret_cast<const char*>(file);
  int index = 0;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) choice.index = index;
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(font, FC_SLANT, 0, &slant);
  choice.synthesizeBold = std::get<1>(request) && weight < FC_WEIGHT_DEMIBOLD;
  choice.synthesizeItalic = std::get<2>(request) && slant == FC_SLANT_ROMAN;
  return choice;
}

// The installed fonts sorted by closeness to the request; the first one that has ch (any
// character when ch is 0) wins, so a bold request prefers a bold face among those that cover
// it. The sorted patterns are the fonts' own, so their weight and slant are the real ones
// (a matched pattern would carry the request's instead).
std::optional<FontChoice> Match(FcConfig* config, const Request& request, char32_t ch) {
  PatternPtr pattern = RequestPattern(request);
  if (!pattern) return std::nullopt;
  if (ch != 0) {
    std::unique_ptr<FcCharSet, CharSetDeleter> wanted(FcCharSetCreate());
    if (!wanted || !FcCharSetAddChar(wanted.get(), ch)) return std::nullopt;
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted.get());
  }
  Prepare(config, pattern.get());
  FcResult result = FcResultNoMatch;
  std::unique_ptr<FcFontSet, FontSetDeleter> fonts(
      FcFontSort(config, pattern.get(), FcTrue, nullptr, &result));
  if (!fonts) return std::nullopt;
  for (int i = 0; i < fonts->nfont; ++i) {
    if (ch != 0) {
      FcCharSet* charset = nullptr;
      if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch) continue;
      if (!FcCharSetHasChar(charset, ch)) continue;
    }
    if (auto choice = ChoiceOf(fonts->fonts[i], request)) return choice;
  }
  return std::nullopt;
}

}  // namespace

bool AddFontFile(const std::string& path) {
  Lookup& lookup = TheLookup();
  std::lock_guard lock(lookup.mutex);
  if (!Ready(lookup)) return false;
  if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())))
    return false;
  // Earlier answers did not know the new faces.
  lookup.faces.clear();
  lookup.fallbacks.clear();
  return true;
}

std::optional<FontChoice> FindFace(const std::string& family, bool bold, bool italic) {
  Lookup& lookup = TheLookup();
  std::lock_guard lock(lookup.mutex);
  const Request request{family, bold, italic};
  if (auto it = lookup.faces.find(request); it != lookup.faces.end()) return it->second;
  std::optional<FontChoice> choice = Ready(lookup) ? Match(nullptr, request, 0) : std::nullopt;
  lookup.faces.emplace(request, choice);
  return choice;
}

std::optional<FontChoice> FindFaceFor(const std::string& family, bool bold, bool italic,
                                      char32_t ch) {
  Lookup& lookup = TheLookup();
  std::lock_guard lock(lookup.mutex);
  const auto key = std::make_tuple(family, bold, italic, ch);
  if (auto it = lookup.fallbacks.find(key); it != lookup.fallbacks.end()) return it->second;
  std::optional<FontChoice> choice =
      Ready(lookup) ? Match(nullptr, Request{family, bold, italic}, ch) : std::nullopt;
  // A text full of characters no font has cannot grow the cache without bound.
  if (lookup.fallbacks.size() >= 20000) lookup.fallbacks.clear();
  lookup.fallbacks.emplace(key, choice);
  return choice;
}

}  // namespace pixmira
