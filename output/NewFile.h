#pragma once
// Writing a finished file under a name nobody else has: the bytes go to a hidden temporary
// file in the target folder, are flushed to disk, and only then get their final name, in a way
// that can never replace an existing file. A crash leaves at most a hidden temporary file.
#include <cstdint>
#include <span>
#include <string>

namespace pixmira {

// Writes bytes as wantedPath or, when that name is taken (also by someone racing us), the
// next name UniqueFileName gives. Returns the path written. Raises EFileError naming the
// path and the system's reason; nothing is left behind then.
std::string WriteNewFile(const std::string& wantedPath, std::span<const uint8_t> bytes);

}  // namespace pixmira
