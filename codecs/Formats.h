#pragma once
// The input formats in one table: which extensions name them, how their first bytes look,
// which class decodes them, whether a folder scan takes them and where the file dialog lists
// them. Loading, the add-folder rule, the dialogs and the fuzz targets all read this table.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/Picture.h"
#include "codecs/WriteOptions.h"

namespace pixmira {

// The open dialog's filter groups: the usual formats, and the marketplace assistant's own.
enum class TDialogGroup { General, Assistant };

struct TExtension {
  std::string_view text;  // lower case, with its dot
  bool folderScan;        // the add-folder rule takes files of this extension
  TDialogGroup dialog;
};

struct TFormat {
  std::string_view name;  // also the fuzz target's name
  std::vector<TExtension> extensions;
  // True when the first bytes (at least 16, fewer only for a shorter file) look like this
  // format.
  bool (*looksLike)(std::span<const uint8_t> head);
  // What the picture will take once decoded, read from its header (the memory budget);
  // nothing when the header cannot be read. Given the whole file.
  std::optional<TPictureSize> (*probe)(std::span<const uint8_t> data);
  std::unique_ptr<TPicture> (*make)();
  // Formats the export writes; the output file takes the first extension.
  TWriter write = nullptr;
  // The writer has a quality to choose (lossy), so a file-size cap can search it.
  bool lossy = false;
};

// In the order a folder scan takes them.
const std::vector<TFormat>& Formats();

// The path's extension, any letter case; nothing when no format claims it.
const TFormat* FormatForPath(std::string_view path);
const TFormat* FormatNamed(std::string_view name);
// The first format whose first-bytes test accepts the data.
const TFormat* FormatForContent(std::span<const uint8_t> head);

// The first extension of a format, as output files carry it (".jpg").
std::string_view OutputExtension(const TFormat& format);

// The extensions a folder scan takes, in the order it takes them.
std::vector<std::string_view> FolderScanExtensions();
// The extensions the dialog lists in one group, in table order.
std::vector<std::string_view> DialogExtensions(TDialogGroup group);

// Lower-case extension of the path's file name, with its dot, or empty.
std::string ExtensionOf(std::string_view path);

}  // namespace pixmira
