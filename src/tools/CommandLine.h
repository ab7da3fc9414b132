#pragma once
// The program's command line:
//   lumetta [FILE]       starts, opening a photo, or the import window for an object pack
//   lumetta --help       describes the command line
//   lumetta --version    prints the version
//   lumetta --paths      prints the folders in use and what the library holds
// Qt's own options (-platform, -style, ...) are taken out by Qt before these are read.
#include "tools/AppPaths.h"

#include <string>
#include <vector>

namespace lumetta {

struct TCommandLine {
    enum class TAction { Run, Help, Version, Paths, Error };
    TAction Action = TAction::Run;
    // Run: the photo or pack to open, as given; empty for none.
    std::string File;
    // Error: what is wrong, for standard error.
    std::string Message;
};

// Reads the arguments that follow the program name. --help and --version win over anything
// else on the line; "--" ends the options; more than one file or an unknown option is an error.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// Whether the file is an object pack to import rather than a photo (by its extension).
bool IsObjectPackFile(const std::string& path);

std::string HelpText();
// "Lumetta 2.3".
std::string VersionText();
// The folders of `paths`, with the number of objects, placement records and thumbnails the
// library holds (opening it as the program does at start-up).
std::string PathsText(const TAppPaths& paths);

} // namespace lumetta
