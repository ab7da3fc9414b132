#include "tools/Settings.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace lumetta {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

std::string Folder(const TempDir& dir) {
    return dir.Path().string() + "/";
}

TEST(Settings, DefaultsAndFirstRunFile) {
    TempDir dir;
    TSettings s;
    s.WinWidth = 1;
    s.PspVer = std::string("9");
    LoadSettings(Folder(dir), s); // no Setup.ini: every key takes its default
    EXPECT_TRUE(s.JpgCompress);
    EXPECT_EQ(s.JpgCompressVar, 90);
    EXPECT_EQ(s.DesktopColor, 16777215);
    EXPECT_EQ(s.DesktopBg, "MainBg1.bmp");
    EXPECT_EQ(s.ScrIniPath, DefaultScrIniPath());
    EXPECT_EQ(s.PspVer, "0");
    EXPECT_EQ(s.WinWidth, 750);
    EXPECT_EQ(s.WinHeight, 550);
    EXPECT_EQ(s.WinState, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "Setup.ini")); // loading writes nothing

    s.ScrIniPath = "/home/someone";
    SaveSettings(Folder(dir), s);
    EXPECT_EQ(ReadText(dir.File("Setup.ini")), "[Setup]\n"
                                               "JpgCompressVar=90\n"
                                               "JpgCompress=1\n"
                                               "ScrIniPath=/home/someone\n"
                                               "DesktopColor=16777215\n"
                                               "DesktopBg=MainBg1.bmp\n"
                                               "PspVer=0\n"
                                               "WinWidth=750\n"
                                               "WinHeight=550\n"
                                               "WinState=0\n"
                                               "UprightPhotos=1\n"
                                               "FitNewPhotos=0\n");
}

TEST(Settings, DefaultOpenFolderIsTheHomeFolder) {
    const char* old = std::getenv("HOME");
    std::string saved = old ? old : "";
    ::setenv("HOME", "/home/user/", 1);
    EXPECT_EQ(DefaultScrIniPath(), "/home/user");
    ::setenv("HOME", "/", 1);
    EXPECT_EQ(DefaultScrIniPath(), "/");
    ::unsetenv("HOME");
    EXPECT_EQ(DefaultScrIniPath(), "/");
    if (old) ::setenv("HOME", saved.c_str(), 1);
}

TEST(Settings, ReadsTheFileAndFallsBackPerKey) {
    TempDir dir;
    WriteText(dir.File("Setup.ini"), "[setup]\r\n"
                                     "jpgcompress=0\r\n"
                                     "JPGCOMPRESSVAR=0x4B\r\n"
                                     "DesktopColor=blue\r\n"
                                     "DesktopBg=MainBG3.bmp\r\n"
                                     "ScrIniPath=/photos/2024\r\n"
                                     "PspVer=7\r\n"
                                     "WinWidth=400\r\n"
                                     "WinHeight=99999999999\r\n"
                                     "WinState=2\r\n");
    TSettings s;
    LoadSettings(Folder(dir), s);
    EXPECT_FALSE(s.JpgCompress);
    EXPECT_EQ(s.JpgCompressVar, 75);
    EXPECT_EQ(s.DesktopColor, 16777215); // not an integer: default
    EXPECT_EQ(s.DesktopBg, "MainBG3.bmp");
    EXPECT_EQ(s.ScrIniPath, "/photos/2024");
    EXPECT_EQ(s.PspVer, "7");
    EXPECT_EQ(s.WinWidth, 400);
    EXPECT_EQ(s.WinHeight, 550); // out of range: default
    EXPECT_EQ(s.WinState, 2);

    // A folder given without its trailing "/" still finds the file.
    TSettings t;
    LoadSettings(dir.Path().string(), t);
    EXPECT_EQ(t.WinState, 2);
}

TEST(Settings, SaveKeepsForeignSectionsAndKeys) {
    TempDir dir;
    WriteText(dir.File("Setup.ini"), "[Setup]\r\n"
                                     "WinState=2\r\n"
                                     "MyOwnKey=hello\r\n"
                                     "\r\n"
                                     "[Plugins]\r\n"
                                     "; do not touch\r\n"
                                     "Path=/opt/x\r\n");
    TSettings s;
    LoadSettings(Folder(dir), s);
    s.WinState = 0;
    s.WinWidth = 1024;
    s.ScrIniPath = std::string("/");
    SaveSettings(Folder(dir), s);
    EXPECT_EQ(ReadText(dir.File("Setup.ini")), "[Setup]\n"
                                               "WinState=0\n"
                                               "MyOwnKey=hello\n"
                                               "JpgCompressVar=90\n"
                                               "JpgCompress=1\n"
                                               "ScrIniPath=/\n"
                                               "DesktopColor=16777215\n"
                                               "DesktopBg=MainBg1.bmp\n"
                                               "PspVer=0\n"
                                               "WinWidth=1024\n"
                                               "WinHeight=550\n"
                                               "UprightPhotos=1\n"
                                               "FitNewPhotos=0\n"
                                               "\n"
                                               "[Plugins]\n"
                                               "; do not touch\n"
                                               "Path=/opt/x\n");
    TSettings again;
    LoadSettings(Folder(dir), again);
    EXPECT_EQ(again.WinWidth, 1024);
    EXPECT_EQ(again.ScrIniPath, "/");
}

TEST(Settings, UnwritableFileFailsAndTheProgramInstanceIsShared) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Setup.ini");
    TSettings s;
    LoadSettings(Folder(dir), s); // unreadable: defaults
    EXPECT_EQ(s.WinWidth, 750);
    EXPECT_THROW(SaveSettings(Folder(dir), s), EFileError);

    TempDir other;
    Settings().WinState = 2;
    SaveSettings(Folder(other));
    Settings().WinState = 0;
    LoadSettings(Folder(other));
    EXPECT_EQ(Settings().WinState, 2);
    Settings() = TSettings();
}

TEST(Settings, RecentPhotosKeepTheNewestEightAndTheirKeysComeAndGo) {
    TempDir dir;
    TSettings s;
    for (int i = 1; i <= 10; ++i)
        AddRecentPhoto(s, "/p/" + std::to_string(i) + ".jpg");
    AddRecentPhoto(s, "/p/5.jpg"); // opened again: back to the top, not listed twice
    AddRecentPhoto(s, "");
    ASSERT_EQ(s.RecentPhotos.size(), 8u);
    EXPECT_EQ(s.RecentPhotos.front(), "/p/5.jpg");
    EXPECT_EQ(s.RecentPhotos[1], "/p/10.jpg");
    EXPECT_EQ(s.RecentPhotos.back(), "/p/3.jpg");
    EXPECT_EQ(std::count(s.RecentPhotos.begin(), s.RecentPhotos.end(), "/p/5.jpg"), 1);

    WriteText(dir.File("Setup.ini"), "[Setup]\nMine=kept\n[Other]\nX=1\n");
    SaveSettings(Folder(dir), s);
    TSettings back;
    LoadSettings(Folder(dir), back);
    EXPECT_EQ(back.RecentPhotos, s.RecentPhotos);

    // Fewer photos later: the keys no longer used leave the file, foreign keys stay.
    RemoveRecentPhoto(s, "/p/10.jpg");
    s.RecentPhotos.resize(2);
    SaveSettings(Folder(dir), s);
    const std::string text = ReadText(dir.File("Setup.ini"));
    EXPECT_NE(text.find("RecentPhoto1=/p/5.jpg\n"), std::string::npos) << text;
    EXPECT_NE(text.find("RecentPhoto2=/p/9.jpg\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("RecentPhoto3"), std::string::npos) << text;
    EXPECT_NE(text.find("Mine=kept"), std::string::npos);
    EXPECT_NE(text.find("[Other]\nX=1"), std::string::npos);
}

TEST(Settings, AdditionsReadTheirDefaultsAndHandEditedValues) {
    TempDir dir;
    WriteText(dir.File("Setup.ini"), "[Setup]\nUprightPhotos=0\nFitNewPhotos=yes\n"
                                     "RecentPhoto1=/a.jpg\nRecentPhoto3=/c.jpg\n"
                                     "RecentPhoto2=/a.jpg\nRecentPhoto9=/ignored.jpg\n");
    TSettings s;
    LoadSettings(Folder(dir), s);
    EXPECT_FALSE(s.UprightPhotos);
    EXPECT_FALSE(s.FitNewPhotos); // not an integer: the default
    // Gaps are closed, a path written twice keeps its newest place, only eight keys count.
    EXPECT_EQ(s.RecentPhotos, (std::vector<std::string>{"/a.jpg", "/c.jpg"}));
    TSettings fresh;
    EXPECT_TRUE(fresh.UprightPhotos);
    EXPECT_FALSE(fresh.FitNewPhotos);
    EXPECT_TRUE(fresh.RecentPhotos.empty());
}

// Files edited with other tools: a UTF-8 byte-order mark, or lines ending in CR CR LF after
// more than one line-end conversion. The section must be found, and what the program writes
// back must be what it reads at the next start.
TEST(Settings, ByteOrderMarkAndDoubledCarriageReturnsKeepTheSection) {
    TempDir dir;
    for (const std::string& text : {std::string("\xEF\xBB\xBF[Setup]\nWinWidth=400\n"),
                                    std::string("[Setup]\r\r\nWinWidth=400\r\r\n")}) {
        WriteText(dir.File("Setup.ini"), text);
        TSettings s;
        LoadSettings(Folder(dir), s);
        EXPECT_EQ(s.WinWidth, 400);
        s.WinWidth = 500;
        SaveSettings(Folder(dir), s);
        TSettings again;
        LoadSettings(Folder(dir), again);
        EXPECT_EQ(again.WinWidth, 500) << ReadText(dir.File("Setup.ini"));
        const std::string written = ReadText(dir.File("Setup.ini"));
        EXPECT_EQ(written.find("[Setup]"), written.rfind("[Setup]")) << written;
    }
    EXPECT_EQ(ReadText(dir.File("Setup.ini")).rfind("[Setup]\n", 0), 0u);
}

TEST(Settings, WindowSizeFitsTheWorkArea) {
    EXPECT_EQ(FitWindowSize(750, 550, 1920, 1040), (TWindowSize{750, 550}));
    EXPECT_EQ(FitWindowSize(100000, 100000, 1920, 1040), (TWindowSize{1920, 1040}));
    EXPECT_EQ(FitWindowSize(10, -5, 1920, 1040), (TWindowSize{200, 150}));
    EXPECT_EQ(FitWindowSize(750, 550, 640, 0), (TWindowSize{640, 1}));
}

} // namespace
} // namespace lumetta
