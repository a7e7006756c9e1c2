#pragma once
// UTF-8, the program's strings, to and from the wide (UTF-16) strings of the Windows API. Only
// Windows sides include this.
#include <string>
#include <string_view>

namespace pixmira::platform {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

}  // namespace pixmira::platform
