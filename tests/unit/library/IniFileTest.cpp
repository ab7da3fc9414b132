#include "library/IniFile.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lumetta {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

TEST(TryStrToInt, AcceptsDecimalAndHexWithinRange) {
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"0", true, 0},
        {"90", true, 90},
        {"-7", true, -7},
        {"+7", true, 7},
        {"  12", true, 12},
        {"0x1F", true, 31},
        {"0XfF", true, 255},
        {"-0x10", true, -16},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"0x7FFFFFFF", true, 2147483647},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"0x80000000", false, 0},
        {"99999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"0x", false, 0},
        {"12 ", false, 0},
        {"1.5", false, 0},
        {"abc", false, 0},
        {"0x1G", false, 0},
        {"\t5", false, 0},
        {"- 5", false, 0},
    };
    for (const Case& c : cases) {
        std::int32_t v = 12345;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(MemIniFile, ReadsValuesWithoutRegardToCase) {
    auto ini = TMemIniFile::FromText("[Setup]\r\n"
                                     "  JpgCompressVar = 75\r\n"
                                     "ScrIniPath=/home/a=b/c \r\n"
                                     "Empty=\r\n"
                                     "Hex=0x10\r\n"
                                     "Bad=12abc\r\n"
                                     "Zero=0\r\n"
                                     "Two=2\r\n"
                                     "Dup=first\r\n"
                                     "dup=second\r\n"
                                     "[setup]\r\n"
                                     "Later=1\r\n");
    EXPECT_TRUE(ini.SectionExists("SETUP"));
    EXPECT_FALSE(ini.SectionExists("Setu"));
    EXPECT_EQ(ini.ReadInteger("setup", "jpgcompressvar", 1), 75);
    EXPECT_EQ(ini.ReadString("Setup", "SCRINIPATH", ""), "/home/a=b/c ");
    EXPECT_EQ(ini.ReadString("Setup", "Empty", "dflt"), "");
    EXPECT_EQ(ini.ReadString("Setup", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nowhere", "Empty", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("Setup", "Hex", 1), 16);
    EXPECT_EQ(ini.ReadInteger("Setup", "Bad", 42), 42);
    EXPECT_EQ(ini.ReadInteger("Setup", "Empty", 42), 42);
    EXPECT_FALSE(ini.ReadBool("Setup", "Zero", true));
    EXPECT_TRUE(ini.ReadBool("Setup", "Two", false));
    EXPECT_TRUE(ini.ReadBool("Setup", "Bad", true));
    EXPECT_FALSE(ini.ReadBool("Setup", "Bad", false));
    EXPECT_FALSE(ini.ReadBool("Setup", "Missing", false));
    // The first of two equal keys and the first of two equal sections are the ones seen.
    EXPECT_EQ(ini.ReadString("Setup", "DUP", ""), "first");
    EXPECT_FALSE(ini.ValueExists("Setup", "Later"));
    EXPECT_TRUE(ini.ValueExists("setup", "empty"));
    EXPECT_EQ(ini.ReadSection("Setup"),
              (std::vector<std::string>{"JpgCompressVar", "ScrIniPath", "Empty", "Hex", "Bad",
                                        "Zero", "Two", "Dup", "dup"}));
    EXPECT_TRUE(ini.ReadSection("None").empty());
}

TEST(MemIniFile, IgnoresCommentsAndStrayLinesWhenReading) {
    auto ini = TMemIniFile::FromText("Outside=1\n"
                                     "[A]\n"
                                     ";Key=comment\n"
                                     "no equals sign\n"
                                     "=no key\n"
                                     "[B\n"
                                     "Key=value");
    EXPECT_FALSE(ini.ValueExists("A", "Outside"));
    EXPECT_FALSE(ini.ValueExists("A", ";Key"));
    EXPECT_EQ(ini.ReadString("A", "Key", ""), "value"); // "[B" is no section header
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"Key"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A"}));
}

TEST(MemIniFile, RewriteKeepsForeignTextAndAppendsInPlace) {
    TempDir dir;
    std::string path = dir.File("Setup.ini");
    WriteText(path, "; made by hand\r\n"
                    "[Setup]\r\n"
                    "WinWidth=1\r\n"
                    "Extra = kept as is \r\n"
                    "\r\n"
                    "[Other]\r\n"
                    "Foreign=1\r\n");
    TMemIniFile ini(path);
    ini.WriteInteger("SETUP", "winwidth", 800);
    ini.WriteString("Setup", "New", "x");
    ini.WriteBool("Third", "Flag", true);
    ini.WriteBool("Third", "Off", false);
    ini.UpdateFile();
    EXPECT_EQ(ReadText(path), "; made by hand\n"
                              "[Setup]\n"
                              "winwidth=800\n"
                              "Extra = kept as is \n"
                              "New=x\n"
                              "\n"
                              "[Other]\n"
                              "Foreign=1\n"
                              "\n"
                              "[Third]\n"
                              "Flag=1\n"
                              "Off=0\n");
    TMemIniFile again(path);
    EXPECT_EQ(again.ReadInteger("Setup", "WinWidth", 0), 800);
    EXPECT_EQ(again.ReadString("setup", "extra", ""), " kept as is ");
    EXPECT_TRUE(again.ReadBool("third", "flag", false));
}

TEST(MemIniFile, ValuesKeepTheirBytesAndCannotBreakLines) {
    TempDir dir;
    std::string path = dir.File("x.ini");
    TMemIniFile ini(path);
    EXPECT_FALSE(ini.SectionExists("Setup")); // missing file reads as empty
    std::string latin1 = "Caf\xe9 \xff\x01";
    ini.WriteString("Setup", "Bytes", latin1);
    ini.WriteString("Setup", "Path", "/tmp/evil\n[Setup]\r\nWinState=2");
    ini.UpdateFile();
    TMemIniFile again(path);
    EXPECT_EQ(again.ReadString("Setup", "Bytes", ""), latin1);
    EXPECT_EQ(again.ReadString("Setup", "Path", ""), "/tmp/evil [Setup]  WinState=2");
    EXPECT_FALSE(again.ValueExists("Setup", "WinState"));
    EXPECT_EQ(again.ReadSections(), (std::vector<std::string>{"Setup"}));
}

TEST(MemIniFile, ByteOrderMarkAndExtraCarriageReturnsAreLineFraming) {
    TMemIniFile bom = TMemIniFile::FromText("\xEF\xBB\xBF[Frames]\nframeoak=1\n");
    EXPECT_EQ(bom.ReadSections(), std::vector<std::string>{"Frames"});
    EXPECT_EQ(bom.ReadString("Frames", "frameoak", ""), "1");
    bom.WriteString("Frames", "framepine", "2");
    EXPECT_EQ(bom.ToText(), "\xEF\xBB\xBF[Frames]\nframeoak=1\nframepine=2\n");

    TMemIniFile crs = TMemIniFile::FromText("[Frames]\r\r\nframeoak=1\r\r\r\nx=2\r\n");
    EXPECT_EQ(crs.ReadString("Frames", "frameoak", ""), "1");
    EXPECT_EQ(crs.ReadInteger("Frames", "x", 0), 2);
    EXPECT_EQ(crs.ToText(), "[Frames]\nframeoak=1\nx=2\n");
}

TEST(MemIniFile, UnnamedOrUnreadableFilesFail) {
    TMemIniFile nameless;
    nameless.WriteString("A", "B", "C");
    EXPECT_THROW(nameless.UpdateFile(), EFileError);

    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Setup.ini");
    // A folder in the file's place reads as no file, and cannot be replaced.
    TMemIniFile folder(dir.File("Setup.ini"));
    EXPECT_TRUE(folder.ReadSections().empty());
    folder.WriteString("A", "B", "C");
    EXPECT_THROW(folder.UpdateFile(), EFileError);
}

TEST(MemIniFile, DeleteKeyRemovesOnlyThatLine) {
    TMemIniFile ini = TMemIniFile::FromText("[A]\nkey=1\nOther=2\n; note\n[B]\nKey=3\n");
    ini.DeleteKey("a", "KEY");
    ini.DeleteKey("A", "missing");
    ini.DeleteKey("C", "key");
    EXPECT_EQ(ini.ToText(), "[A]\nOther=2\n; note\n[B]\nKey=3\n");
}

} // namespace
} // namespace lumetta
