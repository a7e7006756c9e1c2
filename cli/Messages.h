#pragma once
// Every sentence the command prints, in one table: the Chinese text, which is also the key,
// and its English translation. Chinese unless the locale is English.
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "codecs/LoadPicture.h"
#include "core/Language.h"
#include "output/Export.h"

namespace pixmira::cli {

extern const char* const kUsage;

// Set once at start.
void SetLanguage(TLanguage language);

// The sentence in the command's language, "{1}", "{2}", ... replaced by args. A Chinese text
// missing from the table is printed as it is.
std::string Say(std::string_view chinese, std::initializer_list<std::string> args = {});

// As Say, in the given language whatever the command's own (the README's table is English).
std::string SayIn(TLanguage language, std::string_view chinese,
                  std::initializer_list<std::string> args = {});

// Whether the command speaks English.
bool SpeaksEnglish();

// Whether the table has the text (for the tests).
bool HasEnglish(std::string_view chinese);

// The system's reason for an errno.
std::string SystemReason(int error);

// "跳过 PATH：REASON"; memoryLimit is the budget the run had.
std::string SkipLine(const TSkippedEntry& skip, uint64_t memoryLimit);

// Why the batch stopped, one line.
std::string FailureLine(const TExportResult& result);

// A failure raised outside the export (the output folder, the list file).
std::string ExceptionLine(const std::exception& e);

// The text with control characters (C0, DEL, C1) written as \n, \x1b, \u009b; every
// argument of Say passes through it.
std::string EscapeControls(std::string_view text);

// The last line of a run: what was written and, when some were skipped, how many.
std::string FinalLine(const TExportResult& result, bool gif);

// "1.5 GB", "800 MB"
std::string Size(uint64_t bytes);

}  // namespace pixmira::cli
