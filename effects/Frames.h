#pragma once
// Decorative frames from the catalogue: the photograph cover-fitted into the content
// rectangle, the frame picture blended over it by its alpha channel.
#include <memory>
#include <string>
#include <vector>

#include "core/MemIniFile.h"
#include "imaging/Bitmap.h"

namespace pixmira {

// A frame name's section in the catalogue; framesFolder ends in "/". Nothing when the
// catalogue has no graph for the name. Raises EFrameError naming the frame for an unusable
// content rectangle, and naming the file for a missing or invalid frame picture. With smooth,
// a photo that must shrink to cover the content is reduced by the Lanczos filter.
// With fit, the whole photo sits centred inside the content rectangle on white, shrunk to fit
// it but never enlarged.
std::unique_ptr<TBitmap> ApplyFrame(const TBitmap& photo, const std::string& frameName,
                                    const TMemIniFile& catalog, const std::string& framesFolder,
                                    bool smooth = false, bool fit = false);

struct TFrameEntry {
  std::string name;         // section name
  std::string previewPath;  // full path of the preview picture
};

// Sections with a non-empty preview, in file order. "\" in stored names is accepted.
std::vector<TFrameEntry> ListFrames(const TMemIniFile& catalog, const std::string& framesFolder);

// A catalogue file name joined to the frames folder, "\" and "/" both turned into the
// system's separator.
std::string CatalogPath(const std::string& framesFolder, const std::string& value);

}  // namespace pixmira
