#pragma once
// The program's settings: read from Setup.ini once at start-up, changed in memory during the
// run, written back once at exit.
#include <cstdint>
#include <string>
#include <vector>

namespace lumetta {

struct TSettings {
    bool JpgCompress = true;
    std::int32_t JpgCompressVar = 90;      // JPEG quality used when saving
    std::int32_t DesktopColor = 16777215;  // Windows RGB value (red in the low byte): white
    std::string DesktopBg = "MainBg1.bmp"; // welcome picture inside ExeDir + "Desktop/"
    std::string ScrIniPath;                // folder the Open dialog starts in
    std::string PspVer = "0";              // version digit of the last imported object pack
    std::int32_t WinWidth = 750;
    std::int32_t WinHeight = 550;
    std::int32_t WinState = 0; // 0 normal, 1 minimized, 2 maximized

    // Kept beside the nine keys above, which they leave as they are.
    bool UprightPhotos = true; // JPEG and TIFF photos are turned by their orientation tag
    bool FitNewPhotos = false; // a photo larger than the window opens scaled to fit it
    // The photos last opened or saved, newest first, at most kMaxRecentPhotos full paths
    // (keys RecentPhoto1 .. RecentPhoto8).
    std::vector<std::string> RecentPhotos;

    TSettings();
};

inline constexpr int kMaxRecentPhotos = 8;
// Puts the path first in the list, removing an earlier mention of it, and keeps the newest
// kMaxRecentPhotos. An empty path changes nothing.
void AddRecentPhoto(TSettings& settings, const std::string& path);
// Takes the path out of the list.
void RemoveRecentPhoto(TSettings& settings, const std::string& path);

// The folder the Open dialog starts in before the user has opened anything: the user's home
// folder ($HOME, without a trailing "/"), or "/" when there is none.
std::string DefaultScrIniPath();

// The size the main window opens with: the stored outer size, at least 200 x 150 and at most
// the screen's work area (a stored size larger than the screen would open the window partly
// off the screen, and be stored again at exit).
struct TWindowSize {
    int Width = 0, Height = 0;
    bool operator==(const TWindowSize&) const = default;
};
TWindowSize FitWindowSize(std::int32_t storedWidth, std::int32_t storedHeight, int areaWidth,
                          int areaHeight);

// The program's one settings instance, holding the defaults until LoadSettings runs.
TSettings& Settings();

// Reads folder + "Setup.ini" into `settings`; each key missing or not valid takes its default.
// A missing or unreadable file gives all defaults. Nothing is written.
void LoadSettings(const std::string& folder, TSettings& settings);
// Reads folder + "Setup.ini" (keeping every section and key the program does not know), sets
// the nine keys of section "Setup", then the keys of the additions (unused RecentPhoto keys are
// removed), and rewrites the file atomically. Throws EFileError when the
// file cannot be read or written; the file on disk is then unchanged.
void SaveSettings(const std::string& folder, const TSettings& settings);

// The same on the program's instance.
void LoadSettings(const std::string& folder);
void SaveSettings(const std::string& folder);

} // namespace lumetta
