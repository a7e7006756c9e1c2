#include "output/PictureFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "codecs/Formats.h"
#include "core/Platform.h"

namespace pixmira {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string RealFolder(const fs::path& folder) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  return ec ? std::string() : platform::FromPath(canonical);
}

void AddFolder(const fs::path& folder, std::set<std::string>& visited, const std::string& skip,
               bool top, std::vector<std::string>& out) {
  const std::string real = RealFolder(folder);
  if (real.empty() || (!top && real == skip) || !visited.insert(real).second) return;

  std::vector<fs::path> files;
  std::vector<fs::path> folders;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    const std::string name = platform::FromPath(it->path().filename());
    // Through links; a pipe, device or socket is never read as a picture.
    const fs::file_status status = it->status(typeError);
    if (fs::is_directory(status)) {
      if (!name.empty() && name[0] != '.') folders.push_back(it->path());
    } else if (fs::is_regular_file(status)) {
      files.push_back(it->path());
    }
  }
  // Names in the order a file manager shows them: letter case ignored, then byte order.
  const auto byName = [](const fs::path& a, const fs::path& b) {
    const std::string na = platform::FromPath(a.filename()), nb = platform::FromPath(b.filename());
    const std::string la = Lower(na), lb = Lower(nb);
    return la != lb ? la < lb : na < nb;
  };
  std::sort(files.begin(), files.end(), byName);
  std::sort(folders.begin(), folders.end(), byName);

  static const std::vector<std::string_view> kPatterns = FolderScanExtensions();
  for (std::string_view extension : kPatterns) {
    for (const fs::path& file : files) {
      if (Lower(platform::FromPath(file.extension())) == extension) {
        out.push_back(platform::FromPath(file));
      }
    }
  }
  for (const fs::path& sub : folders) AddFolder(sub, visited, skip, false, out);
}

}  // namespace

TFolderScan::TFolderScan(const std::string& skipFolder)
    : skip_(skipFolder.empty() ? std::string() : RealFolder(platform::ToPath(skipFolder))) {}

std::vector<std::string> TFolderScan::List(const std::string& folder) {
  std::vector<std::string> out;
  AddFolder(platform::ToPath(folder), visited_, skip_, true, out);
  return out;
}

std::vector<std::string> ListFolderPictures(const std::string& folder) {
  return TFolderScan().List(folder);
}

}  // namespace pixmira
