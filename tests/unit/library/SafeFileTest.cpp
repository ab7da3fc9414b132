#include "base/SafeFile.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumetta {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// Everything in the folder except the named files: a failed write must leave no temporary
// file behind.
std::vector<std::string> OtherFiles(const TempDir& dir, const std::vector<std::string>& known) {
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        std::string name = entry.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
    }
    return others;
}

TEST(SafeFile, WritesCreatesAndReplaces) {
    TempDir dir;
    std::string path = dir.File("a.bin");
    std::vector<std::uint8_t> bytes{0, 1, 2, 255, 13, 10};
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(ReadWholeFile(path), bytes);
    WriteFileAtomically(path, std::string_view("new"));
    EXPECT_EQ(ReadText(path), "new");
    WriteFileAtomically(path, std::string_view(""));
    EXPECT_TRUE(ReadWholeFile(path).empty());
    EXPECT_TRUE(OtherFiles(dir, {"a.bin"}).empty());
}

TEST(SafeFile, ReplacedFileKeepsItsPermissions) {
    TempDir dir;
    std::string path = dir.File("keep.txt");
    WriteText(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteFileAtomically(path, std::string_view("new"));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(SafeFile, ReadFailuresNameTheFileAndTheReason) {
    TempDir dir;
    try {
        ReadWholeFile(dir.File("missing.ini"));
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.File("missing.ini") +
                                             "\". No such file or directory");
    }
    EXPECT_THROW(ReadWholeFile(dir.Path().string()), EFileError);
    EXPECT_FALSE(FileExists(dir.Path().string()));
    EXPECT_FALSE(FileExists(dir.File("missing.ini")));
    EXPECT_FALSE(FileExists(""));
}

TEST(SafeFile, TargetThatIsAFolderIsRefusedAndKept) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "Setup.ini");
    try {
        WriteFileAtomically(dir.File("Setup.ini"), std::string_view("x"));
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(
                      "Cannot create file \"" + dir.File("Setup.ini") + "\". ", 0),
                  0u);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "Setup.ini"));
    EXPECT_TRUE(OtherFiles(dir, {"Setup.ini"}).empty());
}

TEST(SafeFile, MissingOrUnwritableFolderFails) {
    TempDir dir;
    EXPECT_THROW(WriteFileAtomically(dir.File("no/such/file"), std::string_view("x")), EFileError);

    std::string locked = dir.File("locked");
    std::filesystem::create_directory(locked);
    WriteText(locked + "/Log.dat", "old");
    ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
    if (::geteuid() != 0) {
        EXPECT_THROW(WriteFileAtomically(locked + "/Log.dat", std::string_view("new")), EFileError);
        EXPECT_EQ(ReadText(locked + "/Log.dat"), "old");
    }
    ::chmod(locked.c_str(), 0755);
}

// A file-size limit makes write() store only part of the data and then fail, the way a full
// disk does: the old file must survive and no temporary file may stay behind.
TEST(SafeFile, ShortWriteKeepsTheOldFile) {
    TempDir dir;
    std::string path = dir.File("photo.png");
    WriteText(path, "the old picture");

    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool threw = false;
    try {
        WriteFileAtomically(path, std::vector<std::uint8_t>(5000, 7));
    } catch (const EFileError&) {
        threw = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadText(path), "the old picture");
    EXPECT_TRUE(OtherFiles(dir, {"photo.png"}).empty());
}

} // namespace
} // namespace lumetta
