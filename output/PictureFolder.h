#pragma once
// The add-folder rule of the picture list: a folder's files of each extension the format table
// lets a folder scan take (*.jpg, then *.bmp, then *.png, ...), then its subfolders in the
// same way. Hidden subfolders are not searched.
#include <set>
#include <string>
#include <vector>

namespace pixmira {

// One scan over any number of folders. Each real folder is searched once, however many links
// lead to it, so links cannot make the scan loop or grow, nor list a picture twice.
class TFolderScan {
 public:
  // skipFolder (the run's output folder) is not searched when met below a folder.
  explicit TFolderScan(const std::string& skipFolder = {});

  // Full paths in list order. Within one pattern names are sorted ignoring letter case;
  // extensions match in any letter case; ".jpeg", ".kvi" and ".gif" are not taken from
  // folders; only regular files (also through links) are taken. A folder that cannot be read
  // adds nothing.
  std::vector<std::string> List(const std::string& folder);

 private:
  std::set<std::string> visited_;
  std::string skip_;
};

// A scan of one folder.
std::vector<std::string> ListFolderPictures(const std::string& folder);

}  // namespace pixmira
