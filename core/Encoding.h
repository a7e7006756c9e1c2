#pragma once
// Text in the program is UTF-8. Files written by the old Windows program are GBK.
#include <cstddef>
#include <string>
#include <string_view>

namespace pixmira {

bool IsValidUtf8(std::string_view text);

// Appends the code point c as UTF-8 (one to four bytes).
void AppendUtf8(std::string& out, char32_t c);

// GBK (code page 936) to UTF-8. Bytes that do not decode become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// A file's text as UTF-8: valid UTF-8 (a leading BOM is dropped) is kept, anything else is
// read as GBK.
std::string DecodeFileText(std::string_view bytes);

// Length of the text in its code-page-936 form: ASCII and the euro sign count 1, every
// other character 2.
std::size_t GbkLength(std::string_view utf8);

}  // namespace pixmira
