#pragma once
// The command's sentences: what the library reports as codes and data, worded in Chinese.
#include <cstdint>
#include <exception>
#include <string>

#include "codecs/LoadPicture.h"
#include "output/Export.h"

namespace pixmira::cli {

// The system's reason for an errno.
std::string SystemReason(int error);

// "跳过 PATH：REASON"; memoryLimit is the budget the run had.
std::string SkipLine(const TSkippedEntry& skip, uint64_t memoryLimit);

// Why the batch stopped, one line.
std::string FailureLine(const TExportResult& result);

// A failure raised outside the export (the output folder, the list file).
std::string ExceptionLine(const std::exception& e);

// "1.5 GB", "800 MB"
std::string Size(uint64_t bytes);

}  // namespace pixmira::cli
