#include "tools/Settings.h"

#include "base/Error.h"
#include "library/IniFile.h"

#include <algorithm>
#include <cstdlib>

namespace lumetta {

namespace {

constexpr const char* kSection = "Setup";

std::string RecentKey(int i) {
    return "RecentPhoto" + std::to_string(i + 1);
}

std::string SetupFile(const std::string& folder) {
    if (!folder.empty() && folder.back() != '/') return folder + "/Setup.ini";
    return folder + "Setup.ini";
}

} // namespace

std::string DefaultScrIniPath() {
    const char* home = std::getenv("HOME");
    std::string path = home && *home ? home : "/";
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

TWindowSize FitWindowSize(std::int32_t storedWidth, std::int32_t storedHeight, int areaWidth,
                          int areaHeight) {
    auto fit = [](std::int32_t stored, int least, int area) {
        return std::max(1, std::min(std::max<std::int32_t>(stored, least), area));
    };
    return {fit(storedWidth, 200, areaWidth), fit(storedHeight, 150, areaHeight)};
}

TSettings::TSettings() : ScrIniPath(DefaultScrIniPath()) {}

void AddRecentPhoto(TSettings& settings, const std::string& path) {
    if (path.empty()) return;
    RemoveRecentPhoto(settings, path);
    auto& list = settings.RecentPhotos;
    list.insert(list.begin(), path);
    if (list.size() > std::size_t(kMaxRecentPhotos)) list.resize(kMaxRecentPhotos);
}

void RemoveRecentPhoto(TSettings& settings, const std::string& path) {
    auto& list = settings.RecentPhotos;
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
}

TSettings& Settings() {
    static TSettings instance;
    return instance;
}

void LoadSettings(const std::string& folder, TSettings& settings) {
    TMemIniFile ini;
    try {
        ini = TMemIniFile(SetupFile(folder));
    } catch (const Error&) {
        // An unreadable Setup.ini must not stop the program from starting: run on defaults.
    }
    const TSettings defaults;
    settings.JpgCompress = ini.ReadBool(kSection, "JpgCompress", defaults.JpgCompress);
    settings.JpgCompressVar = ini.ReadInteger(kSection, "JpgCompressVar", defaults.JpgCompressVar);
    settings.DesktopColor = ini.ReadInteger(kSection, "DesktopColor", defaults.DesktopColor);
    settings.DesktopBg = ini.ReadString(kSection, "DesktopBg", defaults.DesktopBg);
    settings.ScrIniPath = ini.ReadString(kSection, "ScrIniPath", defaults.ScrIniPath);
    settings.PspVer = ini.ReadString(kSection, "PspVer", defaults.PspVer);
    settings.WinWidth = ini.ReadInteger(kSection, "WinWidth", defaults.WinWidth);
    settings.WinHeight = ini.ReadInteger(kSection, "WinHeight", defaults.WinHeight);
    settings.WinState = ini.ReadInteger(kSection, "WinState", defaults.WinState);
    settings.UprightPhotos = ini.ReadBool(kSection, "UprightPhotos", defaults.UprightPhotos);
    settings.FitNewPhotos = ini.ReadBool(kSection, "FitNewPhotos", defaults.FitNewPhotos);
    // Read from the oldest up, so that a path written twice keeps its newest place.
    settings.RecentPhotos.clear();
    for (int i = kMaxRecentPhotos - 1; i >= 0; --i)
        AddRecentPhoto(settings, ini.ReadString(kSection, RecentKey(i), ""));
}

void SaveSettings(const std::string& folder, const TSettings& settings) {
    TMemIniFile ini(SetupFile(folder));
    ini.WriteInteger(kSection, "JpgCompressVar", settings.JpgCompressVar);
    ini.WriteBool(kSection, "JpgCompress", settings.JpgCompress);
    ini.WriteString(kSection, "ScrIniPath", settings.ScrIniPath);
    ini.WriteInteger(kSection, "DesktopColor", settings.DesktopColor);
    ini.WriteString(kSection, "DesktopBg", settings.DesktopBg);
    ini.WriteString(kSection, "PspVer", settings.PspVer);
    ini.WriteInteger(kSection, "WinWidth", settings.WinWidth);
    ini.WriteInteger(kSection, "WinHeight", settings.WinHeight);
    ini.WriteInteger(kSection, "WinState", settings.WinState);
    ini.WriteBool(kSection, "UprightPhotos", settings.UprightPhotos);
    ini.WriteBool(kSection, "FitNewPhotos", settings.FitNewPhotos);
    for (int i = 0; i < kMaxRecentPhotos; ++i) {
        if (std::size_t(i) < settings.RecentPhotos.size()) {
            ini.WriteString(kSection, RecentKey(i), settings.RecentPhotos[std::size_t(i)]);
        } else {
            ini.DeleteKey(kSection, RecentKey(i));
        }
    }
    ini.UpdateFile();
}

void LoadSettings(const std::string& folder) {
    LoadSettings(folder, Settings());
}

void SaveSettings(const std::string& folder) {
    SaveSettings(folder, Settings());
}

} // namespace lumetta
