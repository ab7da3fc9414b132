#pragma once
// The placement index library.phi: an ini file with the sections "Frames" and "Shadows" whose
// values are comma-separated integer lists. It is read once and never written back.
#include "library/IniFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// The whole file read into memory; none when no file exists at `path` or it cannot be read
// (the library then simply has no placement records).
std::optional<TMemIniFile> OpenPlacementIndex(const std::string& path);

// Cuts `text` at every `separator`: k separators give k + 1 items, empty items are kept ("1,,2"
// gives "1", "" and "2"), a text without the separator gives itself (also when empty), and no
// item is trimmed.
std::vector<std::string> SplitString(std::string_view text, char separator);

} // namespace lumetta
