#include "output/SavedList.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "codecs/Formats.h"
#include "codecs/Metadata.h"
#include "codecs/Picture.h"
#include "core/Errors.h"
#include "core/FileWrite.h"
#include "core/Platform.h"

namespace pixmira {

std::string SavedListPathFor(const std::string& configFile) {
  return platform::Join(platform::FolderOf(configFile), "PictureList.txt");
}

std::string SavedListText(const std::vector<TExportEntry>& entries) {
  std::string text;
  for (const TExportEntry& e : entries) {
    // A name with a line break cannot be kept on one line; such a file is rare enough to drop.
    if (e.path.find_first_of("\r\n") != std::string::npos) continue;
    text += std::to_string(e.angle) + "\t" + e.path + "\n";
  }
  return text;
}

std::vector<TExportEntry> ParseSavedList(std::string_view text) {
  std::vector<TExportEntry> entries;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos || tab + 1 >= line.size()) continue;
    const std::string_view angle = line.substr(0, tab);
    int value = -1;
    for (int a : {0, 90, 180, 270, 360})
      if (angle == std::to_string(a)) value = a;
    if (value < 0) continue;
    entries.push_back({std::string(line.substr(tab + 1)), value});
  }
  return entries;
}

namespace {

// JPEG, PNG and WebP keep their EXIF near the front; a HEIF file may keep it after the
// pictures, so a long one is read whole.
std::string DateTaken(const std::string& path) {
  constexpr std::size_t kHead = 256 * 1024;
  try {
    std::vector<uint8_t> bytes = ReadFileHead(path, kHead);
    const TFormat* format = FormatForContent(bytes);
    if (bytes.size() == kHead && format && format->name == "heif") bytes = ReadWholeFile(path);
    return ExifDateTaken(bytes);
  } catch (const EFileError&) {
    return {};
  }
}

struct TSortKey {
  int group = 0;  // 0 first; missing files last
  std::string text;
  std::filesystem::file_time_type time{};
};

}  // namespace

std::vector<int> SortedOrder(const std::vector<TExportEntry>& entries, TPictureOrder order) {
  std::vector<TSortKey> keys(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string& path = entries[i].path;
    TSortKey& k = keys[i];
    std::error_code ec;
    if (order == TPictureOrder::Name) {
      k.text = platform::NameOf(path);
      continue;
    }
    k.time = std::filesystem::last_write_time(platform::ToPath(path), ec);
    if (ec) {
      k.group = 2;
      continue;
    }
    if (order == TPictureOrder::DateTaken) {
      k.text = DateTaken(path);
      if (k.text.empty()) k.group = 1;
    }
  }
  std::vector<int> rows(entries.size());
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = int(i);
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    const TSortKey &x = keys[a], &y = keys[b];
    if (x.group != y.group) return x.group < y.group;
    if (x.text != y.text) return x.text < y.text;
    return x.time < y.time;
  });
  return rows;
}

void SaveList(const std::string& path, const std::vector<TExportEntry>& entries) {
  const std::string text = SavedListText(entries);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  std::error_code ec;
  if (std::filesystem::exists(platform::ToPath(path), ec)) {
    ReplaceFile(path, bytes);
  } else {
    WriteNewFile(path, bytes);
  }
}

std::vector<TExportEntry> LoadSavedList(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(platform::ToPath(path), ec)) return {};
  try {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    return ParseSavedList({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  } catch (const EFileError&) {
    return {};
  }
}

}  // namespace pixmira
