#pragma once
// The picture list kept across restarts: "PictureList.txt" beside the settings file, one
// entry a line as "angle<TAB>path", in list order. Paths are kept as given, so a file that is
// gone by the next start still shows, as a picture that cannot be shown.
#include <string>
#include <string_view>
#include <vector>

#include "output/Export.h"

namespace pixmira {

std::string SavedListPathFor(const std::string& configFile);

std::string SavedListText(const std::vector<TExportEntry>& entries);

// Lines that do not parse (no tab, an angle other than 0, 90, 180, 270 or 360, an empty
// path) are left out; CR before LF is ignored.
std::vector<TExportEntry> ParseSavedList(std::string_view text);

enum class TPictureOrder { Name, DateTaken, FileDate };

// The list's rows in the new order (stable: equal keys keep their order). Name: the file name,
// byte by byte; DateTaken: the EXIF date, pictures without one by their file date after those
// with one; FileDate: the time the file was last changed. Missing files go last.
std::vector<int> SortedOrder(const std::vector<TExportEntry>& entries, TPictureOrder order);

// Raises EFileError; the file is replaced whole or not at all.
void SaveList(const std::string& path, const std::vector<TExportEntry>& entries);
// Empty when there is no file.
std::vector<TExportEntry> LoadSavedList(const std::string& path);

}  // namespace pixmira
