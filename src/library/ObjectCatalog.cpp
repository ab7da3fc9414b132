#include "library/ObjectCatalog.h"

#include "base/Stream.h"
#include "codecs/ImageIO.h"
#include "library/PlacementIndex.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

namespace lumetta {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        c = Lower(c);
    return s;
}

// Wildcard match, iterative with one backtrack point for the last "*".
bool WildcardMatch(const std::string& name, const std::string& pattern) {
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

std::string ObjectNameOf(const std::string& thumbnailPath) {
    std::string name = thumbnailPath;
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos) return {};
    return LowerAscii(name.substr(0, dot));
}

std::int32_t StrToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size()) throw EConvertError("'" + text + "' is not a valid integer value");
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' ||
            (value = value * 10 + (text[i] - '0')) > std::int64_t(1) << 31)
            throw EConvertError("'" + text + "' is not a valid integer value");
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min())
        throw EConvertError("'" + text + "' is not a valid integer value");
    return std::int32_t(value);
}

bool ParseFrameSpec(const std::string& value, TFrameSpec& placement) {
    const std::vector<std::string> items = SplitString(value, ',');
    if (items.size() != placement.Fields.size()) return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        placement.Fields[i] = StrToInt(items[i]);
    return true;
}

void ReadFrameSpec(const std::optional<TMemIniFile>& index, const std::string& section,
                   const std::string& objectName, TFrameSpec& placement) {
    if (!index) return;
    ParseFrameSpec(index->ReadString(section, objectName, ""), placement);
}

bool LoadObjectImage(const TiStreamPack& pack, const std::string& entryName, TBitmap32& bitmap) {
    TMemoryStream stream;
    pack.ExtractTo(pack.IndexOf(entryName), stream);
    stream.SetPosition(0);
    LoadPngIntoBitmap(bitmap, stream);
    return true;
}

bool MatchesMask(const std::string& fileName, const std::string& pattern) {
    return WildcardMatch(fileName, pattern);
}

std::vector<std::string> ListThumbnails(const std::string& folder, const std::string& mask) {
    std::vector<std::string> patterns;
    std::string current;
    for (char c : mask) {
        if (c == ',' || c == ';') {
            patterns.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    patterns.push_back(current);

    std::vector<std::string> paths;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return paths;
    for (const auto& entry : it) {
        std::error_code typeError;
        if (entry.is_directory(typeError)) continue;
        const std::string name = entry.path().filename().string();
        for (const std::string& pattern : patterns) {
            if (!pattern.empty() && MatchesMask(name, pattern)) {
                paths.push_back(folder + name);
                break;
            }
        }
    }
    std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        const std::string la = LowerAscii(a), lb = LowerAscii(b);
        return la != lb ? la < lb : a < b;
    });
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

} // namespace lumetta
