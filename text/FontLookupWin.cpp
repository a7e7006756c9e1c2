// Finding font files on Windows through DirectWrite's system font collection: the face for a
// family, weight and slant, and a face that has a character the chosen one lacks.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <dwrite.h>
#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "text/FontLookup.h"

namespace pixmira {
namespace {

struct Releaser {
  void operator()(IUnknown* p) const {
    if (p) p->Release();
  }
};
template <class T>
using ComPtr = std::unique_ptr<T, Releaser>;

template <class T>
ComPtr<T> Take(T* raw) {
  return ComPtr<T>(raw);
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
  std::wstring wide(std::size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(std::size_t(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), n, nullptr,
                        nullptr);
  }
  return utf8;
}

using Request = std::tuple<std::string, bool, bool>;

// DirectWrite's factory is safe from any thread; the caches sit behind one lock.
struct Lookup {
  std::mutex mutex;
  bool tried = false;
  ComPtr<IDWriteFactory> factory;
  ComPtr<IDWriteFontCollection> fonts;
  std::map<Request, std::optional<FontChoice>> faces;
  std::map<std::tuple<std::string, bool, bool, char32_t>, std::optional<FontChoice>> fallbacks;
};

Lookup& TheLookup() {
  static Lookup lookup;
  return lookup;
}

bool Ready(Lookup& lookup) {
  if (!lookup.tried) {
    lookup.tried = true;
    IDWriteFactory* factory = nullptr;
    if (SUCCEEDED(DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                      reinterpret_cast<IUnknown**>(&factory)))) {
      lookup.factory = Take(factory);
      IDWriteFontCollection* fonts = nullptr;
      if (SUCCEEDED(factory->GetSystemFontCollection(&fonts, FALSE))) lookup.fonts = Take(fonts);
    }
  }
  return lookup.fonts != nullptr;
}

// The family of that name, or nothing.
ComPtr<IDWriteFontFamily> Family(IDWriteFontCollection* fonts, const std::wstring& name) {
  UINT32 index = 0;
  BOOL exists = FALSE;
  if (FAILED(fonts->FindFamilyName(name.c_str(), &index, &exists)) || !exists) return nullptr;
  IDWriteFontFamily* family = nullptr;
  if (FAILED(fonts->GetFontFamily(index, &family))) return nullptr;
  return Take(family);
}

ComPtr<IDWriteFont> Matching(IDWriteFontFamily* family, const Request& request) {
  IDWriteFont* font = nullptr;
  if (FAILED(family->GetFirstMatchingFont(
          std::get<1>(request) ? DWRITE_FONT_WEIGHT_BOLD : DWRITE_FONT_WEIGHT_NORMAL,
          DWRITE_FONT_STRETCH_NORMAL,
          std::get<2>(request) ? DWRITE_FONT_STYLE_ITALIC : DWRITE_FONT_STYLE_NORMAL, &font))) {
    return nullptr;
  }
  return Take(font);
}

// The file and face index of a font, with synthesis where DirectWrite would simulate.
std::optional<FontChoice> ChoiceOf(IDWriteFont* font) {
  IDWriteFontFace* rawFace = nullptr;
  if (FAILED(font->CreateFontFace(&rawFace))) return std::nullopt;
  const auto face = Take(rawFace);
  UINT32 count = 0;
  if (FAILED(face->GetFiles(&count, nullptr)) || count == 0) return std::nullopt;
  std::vector<IDWriteFontFile*> rawFiles(count, nullptr);
  if (FAILED(face->GetFiles(&count, rawFiles.data()))) return std::nullopt;
  std::vector<ComPtr<IDWriteFontFile>> files;
  for (IDWriteFontFile* f : rawFiles) files.push_back(Take(f));
  const void* key = nullptr;
  UINT32 keySize = 0;
  IDWriteFontFileLoader* rawLoader = nullptr;
  if (FAILED(files[0]->GetReferenceKey(&key, &keySize)) ||
      FAILED(files[0]->GetLoader(&rawLoader))) {
    return std::nullopt;
  }
  const auto loader = Take(rawLoader);
  IDWriteLocalFontFileLoader* rawLocal = nullptr;
  if (FAILED(loader->QueryInterface(__uuidof(IDWriteLocalFontFileLoader),
                                    reinterpret_cast<void**>(&rawLocal)))) {
    return std::nullopt;  // not a file on disk
  }
  const auto local = Take(rawLocal);
  UINT32 length = 0;
  if (FAILED(local->GetFilePathLengthFromKey(key, keySize, &length))) return std::nullopt;
  std::wstring path(length + 1, L'\0');
  if (FAILED(local->GetFilePathFromKey(key, keySize, path.data(), length + 1))) {
    return std::nullopt;
  }
  path.resize(length);
  FontChoice choice;
  choice.file = Utf8(path);
  choice.index = int(face->GetIndex());
  const DWRITE_FONT_SIMULATIONS simulations = font->GetSimulations();
  choice.synthesizeBold = simulations & DWRITE_FONT_SIMULATIONS_BOLD;
  choice.synthesizeItalic = simulations & DWRITE_FONT_SIMULATIONS_OBLIQUE;
  return choice;
}

// The requested family, else the usual sans-serif families of Windows, else the first.
ComPtr<IDWriteFontFamily> RequestedFamily(IDWriteFontCollection* fonts, const std::string& name) {
  if (!name.empty() && name != "sans-serif") {
    if (auto family = Family(fonts, Wide(name))) return family;
  }
  for (const wchar_t* usual : {L"Segoe UI", L"Arial", L"Microsoft YaHei", L"Tahoma"}) {
    if (auto family = Family(fonts, usual)) return family;
  }
  IDWriteFontFamily* first = nullptr;
  if (fonts->GetFontFamilyCount() == 0 || FAILED(fonts->GetFontFamily(0, &first))) return nullptr;
  return Take(first);
}

bool Has(IDWriteFont* font, char32_t ch) {
  BOOL exists = FALSE;
  return SUCCEEDED(font->HasCharacter(UINT32(ch), &exists)) && exists;
}

std::optional<FontChoice> Match(IDWriteFontCollection* fonts, const Request& request, char32_t ch) {
  if (auto family = RequestedFamily(fonts, std::get<0>(request))) {
    if (auto font = Matching(family.get(), request); font && (ch == 0 || Has(font.get(), ch))) {
      return ChoiceOf(font.get());
    }
  }
  if (ch == 0) return std::nullopt;
  // Windows' own fallbacks for Chinese text and symbols first, then every family.
  for (const wchar_t* name : {L"Microsoft YaHei", L"SimSun", L"Segoe UI Symbol", L"Segoe UI Emoji",
                              L"Arial Unicode MS"}) {
    if (auto family = Family(fonts, name)) {
      if (auto font = Matching(family.get(), request); font && Has(font.get(), ch)) {
        return ChoiceOf(font.get());
      }
    }
  }
  for (UINT32 i = 0; i < fonts->GetFontFamilyCount(); ++i) {
    IDWriteFontFamily* raw = nullptr;
    if (FAILED(fonts->GetFontFamily(i, &raw))) continue;
    const auto family = Take(raw);
    if (auto font = Matching(family.get(), request); font && Has(font.get(), ch)) {
      if (auto choice = ChoiceOf(font.get())) return choice;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<FontChoice> FindFace(const std::string& family, bool bold, bool italic) {
  Lookup& lookup = TheLookup();
  std::lock_guard lock(lookup.mutex);
  const Request request{family, bold, italic};
  if (auto it = lookup.faces.find(request); it != lookup.faces.end()) return it->second;
  std::optional<FontChoice> choice =
      Ready(lookup) ? Match(lookup.fonts.get(), request, 0) : std::nullopt;
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
      Ready(lookup) ? Match(lookup.fonts.get(), Request{family, bold, italic}, ch) : std::nullopt;
  // A text full of characters no font has cannot grow the cache without bound.
  if (lookup.fallbacks.size() >= 20000) lookup.fallbacks.clear();
  lookup.fallbacks.emplace(key, choice);
  return choice;
}

}  // namespace pixmira
