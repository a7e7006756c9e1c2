#include "output/PictureFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "codecs/Formats.h"

namespace pixmira {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// branch: the real folders from the starting one down to this one.
void AddFolder(const fs::path& folder, std::vector<fs::path>& branch,
               std::vector<std::string>& out) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  // A link back up the branch would never end; any other link is searched like a folder.
  if (ec || std::find(branch.begin(), branch.end(), canonical) != branch.end()) return;
  branch.push_back(canonical);

  std::vector<fs::path> files;
  std::vector<fs::path> folders;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    const std::string name = it->path().filename().string();
    if (it->is_directory(typeError)) {
      if (!name.empty() && name[0] != '.') folders.push_back(it->path());
    } else {
      files.push_back(it->path());
    }
  }
  // Names in the order a file manager shows them: letter case ignored, then byte order.
  const auto byName = [](const fs::path& a, const fs::path& b) {
    const std::string la = Lower(a.filename().string()), lb = Lower(b.filename().string());
    return la != lb ? la < lb : a.filename() < b.filename();
  };
  std::sort(files.begin(), files.end(), byName);
  std::sort(folders.begin(), folders.end(), byName);

  static const std::vector<std::string_view> kPatterns = FolderScanExtensions();
  for (std::string_view extension : kPatterns) {
    for (const fs::path& file : files) {
      if (Lower(file.extension().string()) == extension) out.push_back(file.string());
    }
  }
  for (const fs::path& sub : folders) AddFolder(sub, branch, out);
  branch.pop_back();
}

}  // namespace

std::vector<std::string> ListFolderPictures(const std::string& folder) {
  std::vector<std::string> out;
  std::vector<fs::path> branch;
  AddFolder(fs::path(folder), branch, out);
  return out;
}

}  // namespace pixmira
