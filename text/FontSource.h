#pragma once
// This system's side of the font lookup (text/FontLookup.h): fontconfig, DirectWrite with the
// user's font folders, or only the files handed in (WebAssembly). The lookup keeps the answers
// and calls these under one lock, so a side need not be safe from several threads.
#include <optional>
#include <string>

#include "text/FontLookup.h"

namespace pixmira::fontsource {

bool Add(const std::string& path);

// The face for the family, weight and slant; with ch, the best one that has that character.
std::optional<FontChoice> Find(const std::string& family, bool bold, bool italic, char32_t ch);

}  // namespace pixmira::fontsource
