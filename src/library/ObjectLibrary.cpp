#include "library/ObjectLibrary.h"

#include "base/SafeFile.h"
#include "library/ObjectCatalog.h"
#include "library/PlacementIndex.h"

#include <algorithm>
#include <set>

namespace lumetta {

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void OpenContainer(const std::string& folder, TiStreamPack& pack) {
    const std::string full = folder + "libraryfull.phd";
    pack.Open(FileExists(full) ? full : folder + "library.phd");
}

// Copies every key of `front` into `merged`, replacing the values `merged` has.
void MergeIndex(TMemIniFile& merged, const TMemIniFile& front) {
    for (const std::string& section : front.ReadSections())
        for (const std::string& key : front.ReadSection(section))
            merged.WriteString(section, key, front.ReadString(section, key, ""));
}

} // namespace

void OpenObjectLibrary(const std::vector<std::string>& folders, TiStreamPack& pack,
                       std::optional<TMemIniFile>& index,
                       const TiStreamPack::MessageHandler& onMessage) {
    index.reset();
    if (folders.empty()) return;
    // The last folder is the base; each earlier one is laid over it in turn.
    OpenContainer(folders.back(), pack);
    index = OpenPlacementIndex(folders.back() + "library.phi");
    for (auto folder = folders.rbegin() + 1; folder != folders.rend(); ++folder) {
        TiStreamPack front(onMessage);
        OpenContainer(*folder, front);
        pack.Prepend(front);
        if (auto frontIndex = OpenPlacementIndex(*folder + "library.phi")) {
            if (index)
                MergeIndex(*index, *frontIndex);
            else
                index = std::move(frontIndex);
        }
    }
}

std::vector<std::string> ListLibraryThumbnails(const std::vector<std::string>& folders,
                                               const std::string& mask) {
    std::vector<std::string> paths;
    std::set<std::string> names;
    for (const std::string& folder : folders)
        for (std::string& path : ListThumbnails(folder, mask)) {
            std::string name = ObjectNameOf(path);
            if (name.empty()) name = LowerAscii(FileNameOf(path));
            if (names.insert(name).second) paths.push_back(std::move(path));
        }
    if (folders.size() > 1) {
        std::stable_sort(paths.begin(), paths.end(),
                         [](const std::string& a, const std::string& b) {
                             return LowerAscii(FileNameOf(a)) < LowerAscii(FileNameOf(b));
                         });
    }
    return paths;
}

} // namespace lumetta
