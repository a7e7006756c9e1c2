// The path rules every system shares, on top of each side's separators and roots.
#include "core/Platform.h"

namespace pixmira::platform {

std::string FolderOf(std::string_view path) {
  const std::size_t slash = NameStart(path);
  if (slash == std::string_view::npos) return ".";
  const std::size_t root = RootLength(path);
  if (slash < root) return std::string(path.substr(0, root));
  return std::string(path.substr(0, slash));
}

std::string NameOf(std::string_view path) {
  const std::size_t slash = NameStart(path);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool EndsWithSeparator(std::string_view path) { return !path.empty() && IsSeparator(path.back()); }

std::string Join(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  // "C:" names the drive's current folder: no separator goes after it.
  if (!joined.empty() && !EndsWithSeparator(joined) && RootLength(joined) != joined.size()) {
    joined += PreferredSeparator();
  }
  joined += name;
  return joined;
}

}  // namespace pixmira::platform
