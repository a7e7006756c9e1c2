#pragma once
// The add-folder rule of the picture list: a folder's files of each extension the format table
// lets a folder scan take (*.jpg, then *.bmp, then *.png, ...), then its subfolders in the
// same way. Hidden subfolders are not searched.
#include <string>
#include <vector>

namespace pixmira {

// Full paths in list order. Within one pattern names are sorted ignoring letter case; extensions
// match in any letter case; ".jpeg", ".kvi" and ".gif" are not taken from folders. A folder that
// cannot be read adds nothing; a link back up to a folder being searched is skipped.
std::vector<std::string> ListFolderPictures(const std::string& folder);

}  // namespace pixmira
