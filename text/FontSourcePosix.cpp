// The font lookup through fontconfig.
#include <fontconfig/fontconfig.h>

#include <memory>
#include <tuple>

#include "text/FontSource.h"

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

// Always fontconfig's current configuration (a null FcConfig), never a kept pointer, in case
// another part of the program (the desktop toolkit) replaces it.
bool Ready() {
  static bool ready = false;
  if (!ready) ready = FcInit();
  return ready;
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

namespace fontsource {

bool Add(const std::string& path) {
  return Ready() && FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str()));
}

std::optional<FontChoice> Find(const std::string& family, bool bold, bool italic, char32_t ch) {
  if (!Ready()) return std::nullopt;
  return Match(nullptr, Request{family, bold, italic}, ch);
}

}  // namespace fontsource
}  // namespace pixmira
