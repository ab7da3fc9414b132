#include "tools/CommandLine.h"
#include "LumettaBuild.h"
#include "codecs/ImageIO.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumetta {
namespace {

using TAction = TCommandLine::TAction;

TEST(CommandLine, ReadsOptionsAndOneFile) {
    struct Case {
        std::vector<std::string> arguments;
        TAction action;
        std::string file;
    };
    const Case cases[] = {
        {{}, TAction::Run, ""},
        {{"holiday.jpg"}, TAction::Run, "holiday.jpg"},
        {{"--help"}, TAction::Help, ""},
        {{"-h"}, TAction::Help, ""},
        {{"--version"}, TAction::Version, ""},
        {{"-v"}, TAction::Version, ""},
        {{"--paths"}, TAction::Paths, ""},
        // Help and version win over anything else on the line, mistakes included.
        {{"a.jpg", "b.jpg", "--bogus", "--help"}, TAction::Help, ""},
        {{"--bogus", "--version"}, TAction::Version, ""},
        {{"--help", "--version"}, TAction::Help, ""},
        // "--" ends the options: what follows is a file, whatever it looks like.
        {{"--", "--help"}, TAction::Run, "--help"},
        {{"--", "-photo.jpg"}, TAction::Run, "-photo.jpg"},
        {{"-"}, TAction::Run, "-"},
        // Mistakes.
        {{"--bogus"}, TAction::Error, ""},
        {{"-x", "photo.jpg"}, TAction::Error, ""},
        {{"a.jpg", "b.jpg"}, TAction::Error, ""},
        {{"--", "a.jpg", "b.jpg"}, TAction::Error, ""},
        {{""}, TAction::Error, ""},
        {{"--paths", "a.jpg"}, TAction::Error, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.arguments)
            line += "[" + a + "] ";
        const TCommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(int(parsed.Action), int(c.action)) << line;
        EXPECT_EQ(parsed.File, c.file) << line;
        EXPECT_EQ(parsed.Message.empty(), c.action != TAction::Error) << line;
    }
    EXPECT_EQ(ParseCommandLine({"--bogus"}).Message, "unknown option \"--bogus\"");
    EXPECT_EQ(ParseCommandLine({"a", "b"}).Message, "only one file can be opened at a time");
}

TEST(CommandLine, TellsPacksFromPhotosByExtension) {
    EXPECT_TRUE(IsObjectPackFile("/tmp/frames_v3.psp"));
    EXPECT_TRUE(IsObjectPackFile("FRAMES.PSP"));
    EXPECT_FALSE(IsObjectPackFile("frames.psp.jpg"));
    EXPECT_FALSE(IsObjectPackFile("holiday.jpg"));
    EXPECT_FALSE(IsObjectPackFile("psp"));
}

TEST(CommandLine, HelpListsEveryPhotoKindAndVersionComesFromTheBuild) {
    const std::string help = HelpText();
    EXPECT_EQ(help.rfind("Usage: lumetta [OPTION] [FILE]\n", 0), 0u);
    for (const char* option : {"--help", "--version", "--paths", ".psp", "XDG_CONFIG_HOME"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    for (const TPictureFormat& format : RegisteredFormats()) {
        const bool listed = help.find(" " + format.Extension + ",") != std::string::npos ||
                            help.find(" " + format.Extension + "\n") != std::string::npos;
        EXPECT_EQ(listed, format.HasDecoder) << format.Extension;
    }
    std::size_t start = 0;
    while (start < help.size()) {
        const std::size_t end = help.find('\n', start);
        EXPECT_LE(end - start, 86u) << help.substr(start, end - start);
        start = end + 1;
    }
    EXPECT_EQ(VersionText(), std::string("Lumetta ") + kLumettaVersion + "\n");
}

TEST(CommandLine, PathsReportTheFoldersAndWhatTheLibraryHolds) {
    test::TempDir dir;
    const std::string shipped = dir.File("share") + "/";
    const std::string user = dir.File("user") + "/";
    std::filesystem::create_directories(shipped + "Data");
    std::filesystem::create_directories(user + "Data");
    TPackWriter pack;
    pack.Add("frameoak.png", {1});
    pack.Add("mask1.png", {2});
    pack.Save(shipped + "libraryfull.phd");
    test::WriteText(shipped + "library.phi", "[Frames]\nframeoak=0\n[Shadows]\nshadow1=0\n");
    test::WriteText(shipped + "Data/FrameOak.jpg", "");
    test::WriteText(shipped + "Data/Mask1.jpg", "");
    TPackWriter imported;
    imported.Add("framenew.png", {3});
    imported.Save(user + "library.phd");
    test::WriteText(user + "Data/FrameNew.jpg", "");
    test::WriteText(user + "Data/frameoak.jpg", ""); // the same object as the shipped one

    TAppPaths paths;
    paths.ExeDir = shipped;
    paths.DataDir = shipped + "Data/";
    paths.ConfigDir = dir.File("config") + "/";
    paths.UserDir = user;
    paths.Installed = true;
    const std::string text = PathsText(paths);
    EXPECT_EQ(text, "Program folder:    " + shipped + " (installed)\n" +
                        "Settings:          " + paths.ConfigDir + "Setup.ini\n" +
                        "Event log:         " + user + "Log.dat\n" + "Imported objects:  " + user +
                        "\n" + "Object library:    3 objects, 2 placement records, 3 thumbnails\n");

    // A damaged container is named, not hidden.
    test::WriteText(user + "library.phd", "damaged");
    EXPECT_NE(PathsText(paths).find("Problems:\n  File format error or file have damaged!\n"),
              std::string::npos);
}

} // namespace
} // namespace lumetta
