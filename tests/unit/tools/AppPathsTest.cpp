#include "tools/AppPaths.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// An environment of the given variables in which folders are writable or not as told.
TPathEnvironment Environment(std::map<std::string, std::string> variables, bool writable,
                             std::string passwdHome = "/home/fromdb") {
    TPathEnvironment env;
    env.Variable = [variables](const char* name) {
        const auto found = variables.find(name);
        return found == variables.end() ? std::string() : found->second;
    };
    env.Writable = [writable](const std::string&) { return writable; };
    env.HomeFallback = [passwdHome] { return passwdHome; };
    return env;
}

std::string Slash(const fs::path& path) {
    return path.string() + "/";
}

TEST(AppPaths, PortableFolderKeepsEverythingBesideTheProgramWhileWritable) {
    TempDir dir;
    test::WriteText(dir.File("libraryfull.phd"), "");
    const std::string exe = dir.Path().string(); // without the trailing "/"

    const TAppPaths paths = ResolveAppPaths(exe, Environment({{"HOME", "/home/u"}}, true));
    EXPECT_FALSE(paths.Installed);
    EXPECT_EQ(paths.ExeDir, exe + "/");
    EXPECT_EQ(paths.DataDir, exe + "/Data/");
    EXPECT_EQ(paths.ConfigDir, exe + "/");
    EXPECT_EQ(paths.UserDir, exe + "/");
    EXPECT_EQ(paths.LibraryFolders(), std::vector<std::string>{exe + "/"});
    EXPECT_EQ(paths.ThumbnailFolders(), std::vector<std::string>{exe + "/Data/"});

    // The same folder on a read-only medium: the user's folders take what cannot go there, and
    // the user's objects come before the shipped ones.
    const TAppPaths readOnly = ResolveAppPaths(
        exe, Environment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg/"}}, false));
    EXPECT_FALSE(readOnly.Installed);
    EXPECT_EQ(readOnly.ExeDir, exe + "/");
    EXPECT_EQ(readOnly.ConfigDir, "/cfg/lumetta/");
    EXPECT_EQ(readOnly.UserDir, "/home/u/.local/share/lumetta/");
    EXPECT_EQ(readOnly.LibraryFolders(),
              (std::vector<std::string>{"/home/u/.local/share/lumetta/", exe + "/"}));
    EXPECT_EQ(readOnly.ThumbnailFolders(),
              (std::vector<std::string>{"/home/u/.local/share/lumetta/Data/", exe + "/Data/"}));
}

TEST(AppPaths, InstalledProgramFindsShareLumettaAndNeverWritesUnderThePrefix) {
    TempDir dir;
    fs::create_directories(dir.Path() / "usr/bin");
    fs::create_directories(dir.Path() / "usr/share/lumetta/Data");
    const auto env = Environment({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/data"}}, true);

    // Writable or not (root may write anywhere), the prefix is left alone.
    const TAppPaths paths = ResolveAppPaths(Slash(dir.Path() / "usr/bin"), env);
    EXPECT_TRUE(paths.Installed);
    EXPECT_EQ(paths.ExeDir, Slash(dir.Path() / "usr/share/lumetta"));
    EXPECT_EQ(paths.DataDir, Slash(dir.Path() / "usr/share/lumetta/Data"));
    EXPECT_EQ(paths.ConfigDir, "/home/u/.config/lumetta/");
    EXPECT_EQ(paths.UserDir, "/data/lumetta/");
    EXPECT_EQ(paths.LibraryFolders(), (std::vector<std::string>{"/data/lumetta/", paths.ExeDir}));

    // A library beside the executable wins: a build folder or a copy stays portable.
    test::WriteText((dir.Path() / "usr/bin/library.phi").string(), "");
    EXPECT_FALSE(ResolveAppPaths(Slash(dir.Path() / "usr/bin"), env).Installed);

    // Neither beside it nor in share/lumetta: the program's own folder, with an empty library.
    TempDir bare;
    const TAppPaths alone = ResolveAppPaths(bare.Path().string(), env);
    EXPECT_FALSE(alone.Installed);
    EXPECT_EQ(alone.ExeDir, Slash(bare.Path()));
}

TEST(AppPaths, XdgFoldersFollowTheBaseDirectoryRules) {
    TempDir dir;
    fs::create_directories(dir.Path() / "bin");
    fs::create_directories(dir.Path() / "share/lumetta");
    const std::string exe = Slash(dir.Path() / "bin");

    // Relative values are to be ignored.
    TAppPaths paths = ResolveAppPaths(
        exe,
        Environment({{"HOME", "/h"}, {"XDG_CONFIG_HOME", "rel"}, {"XDG_DATA_HOME", ""}}, false));
    EXPECT_EQ(paths.ConfigDir, "/h/.config/lumetta/");
    EXPECT_EQ(paths.UserDir, "/h/.local/share/lumetta/");

    // No $HOME: the home folder from the password database.
    paths = ResolveAppPaths(exe, Environment({}, false, "/var/lib/someone"));
    EXPECT_EQ(paths.ConfigDir, "/var/lib/someone/.config/lumetta/");
    EXPECT_EQ(paths.UserDir, "/var/lib/someone/.local/share/lumetta/");
}

TEST(AppPaths, CreatesTheUsersFoldersPrivatelyAndNeverTheProgramFolder) {
    TempDir dir;
    TAppPaths paths;
    paths.ExeDir = Slash(dir.Path() / "program");
    paths.ConfigDir = Slash(dir.Path() / "config/lumetta");
    paths.UserDir = Slash(dir.Path() / "data/deeper/lumetta");
    CreateUserFolders(paths);
    EXPECT_FALSE(fs::exists(paths.ExeDir));
    for (const std::string& folder : {paths.ConfigDir, paths.UserDir}) {
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        struct stat info = {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }

    // Beside the program: nothing to create.
    paths.ConfigDir = paths.UserDir = paths.ExeDir;
    CreateUserFolders(paths);
    EXPECT_FALSE(fs::exists(paths.ExeDir));
}

} // namespace
} // namespace lumetta
