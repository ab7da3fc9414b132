#include "tools/AppPaths.h"

#include "LumettaBuild.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumetta {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Whether the folder carries a library of its own (or the start of one).
bool HoldsLibrary(const std::string& folder) {
    return IsFile(folder + "libraryfull.phd") || IsFile(folder + "library.phd") ||
           IsFile(folder + "library.phi") || IsFolder(folder + "Data");
}

// An XDG base folder: the variable when it holds an absolute path (relative ones are to be
// ignored), else the given folder under the home folder.
std::string XdgFolder(const TPathEnvironment& env, const char* variable, const char* underHome) {
    const std::string value = env.Variable ? env.Variable(variable) : std::string();
    if (!value.empty() && value.front() == '/') return WithSlash(value);
    std::string home = env.Variable ? env.Variable("HOME") : std::string();
    if (home.empty() && env.HomeFallback) home = env.HomeFallback();
    std::string folder = WithSlash(home.empty() ? std::string("/") : home);
    folder.append(underHome);
    return folder;
}

} // namespace

std::vector<std::string> TAppPaths::LibraryFolders() const {
    if (UserDir == ExeDir) return {ExeDir};
    return {UserDir, ExeDir};
}

std::vector<std::string> TAppPaths::ThumbnailFolders() const {
    std::vector<std::string> folders;
    for (const std::string& folder : LibraryFolders())
        folders.push_back(folder + "Data/");
    return folders;
}

TPathEnvironment TPathEnvironment::System() {
    TPathEnvironment env;
    env.Variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    env.Writable = [](const std::string& folder) {
        return ::access(folder.c_str(), W_OK | X_OK) == 0;
    };
    env.HomeFallback = [] {
        const passwd* entry = ::getpwuid(::getuid());
        return std::string(entry && entry->pw_dir ? entry->pw_dir : "");
    };
    return env;
}

TAppPaths ResolveAppPaths(const std::string& executableFolder, const TPathEnvironment& env) {
    TAppPaths paths;
    const std::string exe = WithSlash(executableFolder);
    const std::string installed =
        WithSlash(fs::path(exe + kDataFolderFromBin).lexically_normal().string());

    paths.ExeDir = exe;
    if (!HoldsLibrary(exe) && IsFolder(installed)) {
        paths.ExeDir = installed;
        paths.Installed = true;
    }
    paths.DataDir = paths.ExeDir + "Data/";

    // A portable folder keeps everything in one place; an installed library is never written.
    const bool beside = !paths.Installed && env.Writable && env.Writable(paths.ExeDir);
    if (beside) {
        paths.ConfigDir = paths.ExeDir;
        paths.UserDir = paths.ExeDir;
    } else {
        paths.ConfigDir = XdgFolder(env, "XDG_CONFIG_HOME", ".config/") + "lumetta/";
        paths.UserDir = XdgFolder(env, "XDG_DATA_HOME", ".local/share/") + "lumetta/";
    }
    return paths;
}

void CreateUserFolders(const TAppPaths& paths) {
    for (const std::string& folder : {paths.ConfigDir, paths.UserDir}) {
        if (folder == paths.ExeDir || IsFolder(folder)) continue;
        std::error_code ec;
        fs::create_directories(folder, ec);
        // New base folders are the user's alone, as the XDG rules ask.
        if (!ec) ::chmod(folder.c_str(), 0700);
    }
}

} // namespace lumetta
