#include "library/PlacementIndex.h"

#include "base/Error.h"
#include "base/SafeFile.h"

namespace lumetta {

std::optional<TMemIniFile> OpenPlacementIndex(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    try {
        std::vector<std::uint8_t> bytes = ReadWholeFile(path, kTextFileLimit);
        // Parsed without a file name, so that it can never be written back.
        return TMemIniFile::FromText(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::vector<std::string> SplitString(std::string_view text, char separator) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            items.emplace_back(text.substr(start));
            return items;
        }
        items.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

} // namespace lumetta
