#pragma once
// The object library spread over several folders: the objects shipped with the program and the
// ones the user imported into a folder of their own. Each folder may hold a container
// ("libraryfull.phd", else "library.phd"), a placement index "library.phi" and thumbnails in
// "Data/". Folders are given the user's first: an object there hides a shipped object of the
// same name, in the container, in the placement index and in the thumbnail list alike.
#include "library/IniFile.h"
#include "library/StreamPack.h"

#include <optional>
#include <string>
#include <vector>

namespace lumetta {

// Opens the containers of the folders (each ending in "/") into `pack`, the first folder's
// entries found first, and reads their placement indexes into `index`, a key of an earlier
// folder replacing the same key of a later one. With one folder this is exactly opening that
// folder's container and index. A damaged container passes its message to `onMessage` and
// adds nothing. `index` is none when no folder has an index.
void OpenObjectLibrary(const std::vector<std::string>& folders, TiStreamPack& pack,
                       std::optional<TMemIniFile>& index,
                       const TiStreamPack::MessageHandler& onMessage = {});

// The thumbnails of the folders matching `mask` (as ListThumbnails), sorted by file name
// without regard to case. A thumbnail whose object name is already listed from an earlier
// folder is left out.
std::vector<std::string> ListLibraryThumbnails(const std::vector<std::string>& folders,
                                               const std::string& mask);

} // namespace lumetta
