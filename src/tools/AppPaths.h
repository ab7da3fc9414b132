#pragma once
// The program's folders: where it reads its object library and where it writes its settings,
// its event log and the objects the user imports.
//
// Two layouts are recognised from the executable's own location:
//   * portable: the library lies beside the executable (the build folder, a copied folder).
//     Everything is read and written there, as long as that folder is writable.
//   * installed: the executable lies in <prefix>/bin and the library in
//     <prefix>/share/lumetta (kDataFolderFromBin). Nothing is ever written under the prefix.
// Whatever cannot be written beside the program goes to the user's XDG folders: Setup.ini to
// $XDG_CONFIG_HOME/lumetta/, Log.dat and imported objects to $XDG_DATA_HOME/lumetta/.
#include <functional>
#include <string>
#include <vector>

namespace lumetta {

struct TAppPaths {
    // The program folder holding the shipped library (containers, placement index, Data/,
    // Desktop/, the manual). Ends in "/".
    std::string ExeDir;
    // ExeDir + "Data/": the shipped thumbnails.
    std::string DataDir;
    // The folder of Setup.ini. Ends in "/".
    std::string ConfigDir;
    // The folder of Log.dat and of imported objects (a pack unpacks here). Ends in "/".
    std::string UserDir;
    // True when the library was found under <prefix>/share/lumetta.
    bool Installed = false;

    // The folders of the object library, the user's first: one folder when the user's objects
    // go beside the program, two otherwise. An object found in an earlier folder wins.
    std::vector<std::string> LibraryFolders() const;
    // The thumbnail folders, "Data/" of each library folder, in the same order.
    std::vector<std::string> ThumbnailFolders() const;
};

// What the resolution asks of the system, replaceable by tests.
struct TPathEnvironment {
    // An environment variable, or empty when it is unset.
    std::function<std::string(const char*)> Variable;
    // Whether the program may create files in an existing folder.
    std::function<bool(const std::string&)> Writable;
    // The user's home folder when $HOME is unset (from the password database).
    std::function<std::string()> HomeFallback;

    // The running process's environment and file system.
    static TPathEnvironment System();
};

// Works out the folders for an executable that lives in `executableFolder`.
TAppPaths ResolveAppPaths(const std::string& executableFolder,
                          const TPathEnvironment& environment = TPathEnvironment::System());

// Creates ConfigDir and UserDir (with their parents, private to the user) when they are not
// the program folder. Failures are ignored: the settings and the log of this run are then lost,
// as they are for a program folder that is not writable.
void CreateUserFolders(const TAppPaths& paths);

} // namespace lumetta
