// Finding font files on Windows: DirectWrite's system font collection first, then the font
// files the user has in the Fonts folders and the registry, read by FreeType, for a family
// DirectWrite does not know or cannot place in a file (Wine lists Linux fonts only there).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <dwrite.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "core/Platform.h"
#include "core/WideWin.h"
#include "text/FontFaces.h"
#include "text/FontSource.h"

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

using platform::Utf8;
using platform::Wide;
using Request = std::tuple<std::string, bool, bool>;

struct Lookup {
  bool tried = false;
  ComPtr<IDWriteFactory> factory;
  ComPtr<IDWriteFontCollection> fonts;
  FontFaces added;                       // the user's own files, before any installed font
  std::unique_ptr<FontFaces> installed;  // read on first need
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

std::wstring RegistryText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t)) return {};
  std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  if (type == REG_EXPAND_SZ) {
    const DWORD n = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (n > 0) {
      std::wstring expanded(n, L'\0');
      ExpandEnvironmentStringsW(text.c_str(), expanded.data(), n);
      expanded.resize(n - 1);
      text = expanded;
    }
  }
  return text;
}

// The font files a key lists: "Arial (TrueType)"="arial.ttf" in the Fonts folder, or a whole
// path (fonts installed for one user, and Wine's Linux fonts).
void ListRegistryFonts(HKEY root, const wchar_t* subkey, const std::string& fontsFolder,
                       std::vector<std::string>& files) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = DWORD(name.size());
    DWORD dataSize = DWORD(data.size());
    DWORD type = 0;
    const LONG got =
        RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (got == ERROR_MORE_DATA) continue;  // a value too long to be a file name
    if (got != ERROR_SUCCESS) break;
    const std::string file = Utf8(RegistryText(type, data, dataSize));
    if (file.empty()) continue;
    files.push_back(platform::RootLength(file) > 0 ? file : platform::Join(fontsFolder, file));
  }
  RegCloseKey(key);
}

bool IsFontFileName(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
  for (const char* ext : {".ttf", ".ttc", ".otf", ".otc"}) {
    const std::string_view e(ext);
    if (name.size() > e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0)
      return true;
  }
  return false;
}

void ListFolderFonts(const std::string& folder, std::vector<std::string>& files) {
  if (folder.empty()) return;
  std::vector<std::string> names = platform::FolderEntries(folder);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (IsFontFileName(name)) files.push_back(platform::Join(folder, name));
  }
}

std::string WindowsFontsFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return platform::Join(Utf8(std::wstring(buffer, n)), "Fonts");
}

// Every font file the user has: the registry's lists, then the files of the Fonts folders
// the lists leave out. Each file once, whichever way its name is spelled.
std::unique_ptr<FontFaces> InstalledFonts() {
  const std::string systemFonts = WindowsFontsFolder();
  std::string userFonts;
  if (auto local = platform::GetEnv("LOCALAPPDATA")) {
    userFonts =
        platform::Join(platform::Join(platform::Join(*local, "Microsoft"), "Windows"), "Fonts");
  }
  std::vector<std::string> files;
  const wchar_t* fontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  ListRegistryFonts(HKEY_CURRENT_USER, fontsKey, userFonts, files);
  ListRegistryFonts(HKEY_LOCAL_MACHINE, fontsKey, systemFonts, files);
  ListRegistryFonts(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\External Fonts", systemFonts,
                    files);
  ListFolderFonts(userFonts, files);
  ListFolderFonts(systemFonts, files);
  auto faces = std::make_unique<FontFaces>();
  std::set<std::wstring> seen;
  for (const std::string& file : files) {
    if (!IsFontFileName(file)) continue;  // bitmap .fon files cannot be scaled
    std::wstring key = Wide(file);
    for (wchar_t& c : key) c = c == L'/' ? L'\\' : c;
    CharLowerBuffW(key.data(), DWORD(key.size()));
    if (!seen.insert(key).second) continue;
    faces->AddFile(file);
  }
  return faces;
}

FontFaces& Installed(Lookup& lookup) {
  if (!lookup.installed) lookup.installed = InstalledFonts();
  return *lookup.installed;
}

bool Has(IDWriteFont* font, char32_t ch) {
  BOOL exists = FALSE;
  return SUCCEEDED(font->HasCharacter(UINT32(ch), &exists)) && exists;
}

// The family's face for the request in DirectWrite's collection, when it has ch (any
// character when ch is 0) and lies in a file.
std::optional<FontChoice> FromCollection(IDWriteFontCollection* fonts, const std::wstring& name,
                                         const Request& request, char32_t ch) {
  if (!fonts) return std::nullopt;
  auto family = Family(fonts, name);
  if (!family) return std::nullopt;
  auto font = Matching(family.get(), request);
  if (!font || (ch != 0 && !Has(font.get(), ch))) return std::nullopt;
  return ChoiceOf(font.get());
}

// The family's face for the request among listed faces, when it has ch.
std::optional<FontChoice> FromList(FontFaces& faces, const std::string& name,
                                   const Request& request, char32_t ch) {
  const auto& [family, bold, italic] = request;
  const ListedFace* face = faces.Named(name, bold, italic);
  if (!face || (ch != 0 && !faces.Covers(*face, ch))) return std::nullopt;
  return FontFaces::Choice(*face, bold, italic);
}

// The first listed face that has ch (any face when ch is 0).
std::optional<FontChoice> AnyFromList(FontFaces& faces, const Request& request, char32_t ch) {
  for (const ListedFace& face : faces.Faces()) {
    if (ch == 0 || faces.Covers(face, ch))
      return FontFaces::Choice(face, std::get<1>(request), std::get<2>(request));
  }
  return std::nullopt;
}

std::optional<FontChoice> Match(Lookup& lookup, const Request& request, char32_t ch) {
  IDWriteFontCollection* fonts = Ready(lookup) ? lookup.fonts.get() : nullptr;
  const std::string& name = std::get<0>(request);
  // The family asked for: the user's added files, DirectWrite, then the installed files.
  if (!name.empty() && name != "sans-serif") {
    if (auto choice = FromList(lookup.added, name, request, ch)) return choice;
    if (auto choice = FromCollection(fonts, Wide(name), request, ch)) return choice;
    if (auto choice = FromList(Installed(lookup), name, request, ch)) return choice;
  }
  // The usual sans-serif families of Windows; for a character, Windows' own fallbacks for
  // Chinese text and symbols.
  const std::vector<const wchar_t*> usual =
      ch == 0 ? std::vector<const wchar_t*>{L"Segoe UI", L"Arial", L"Microsoft YaHei", L"Tahoma"}
              : std::vector<const wchar_t*>{L"Microsoft YaHei", L"SimSun", L"Segoe UI Symbol",
                                            L"Segoe UI Emoji", L"Arial Unicode MS"};
  for (const wchar_t* family : usual) {
    if (auto choice = FromCollection(fonts, family, request, ch)) return choice;
  }
  // Then any family at all.
  if (fonts) {
    for (UINT32 i = 0; i < fonts->GetFontFamilyCount(); ++i) {
      IDWriteFontFamily* raw = nullptr;
      if (FAILED(fonts->GetFontFamily(i, &raw))) continue;
      const auto family = Take(raw);
      auto font = Matching(family.get(), request);
      if (!font || (ch != 0 && !Has(font.get(), ch))) continue;
      if (auto choice = ChoiceOf(font.get())) return choice;
    }
  }
  if (auto choice = AnyFromList(lookup.added, request, ch)) return choice;
  return AnyFromList(Installed(lookup), request, ch);
}

}  // namespace

namespace fontsource {

bool Add(const std::string& path) { return TheLookup().added.AddFile(path); }

std::optional<FontChoice> Find(const std::string& family, bool bold, bool italic, char32_t ch) {
  return Match(TheLookup(), Request{family, bold, italic}, ch);
}

}  // namespace fontsource
}  // namespace pixmira
