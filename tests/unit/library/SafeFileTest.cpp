#include "base/SafeFile.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
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

// Reads whole files of any size up to a limit, files that are not regular (a pipe) included;
// a file beyond the limit is refused before anything is read.
TEST(SafeFile, ReadsWholeFilesWithinALimit) {
    TempDir dir;
    const std::string path = dir.File("big.bin");
    std::vector<std::uint8_t> bytes(200000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 7 + i / 251);
    WriteFileAtomically(path, bytes);
    EXPECT_EQ(ReadWholeFile(path), bytes);
    EXPECT_EQ(ReadWholeFile(path, bytes.size()), bytes);
    try {
        ReadWholeFile(path, bytes.size() - 1);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(std::string(e.what()), path + " is too large to read (200000 bytes)");
    }
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { WriteText(fifo, std::string(70000, 'x')); });
    EXPECT_EQ(ReadWholeFile(fifo).size(), 70000u);
    writer.join();
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

// The two ways a file is written: nameless until it is complete where the file system allows,
// under a hidden temporary name otherwise.
struct SafeFileRoutes : ::testing::TestWithParam<bool> {
    SafeFileRoutes() { safefile_testing::UseNamedTemporaries(GetParam()); }
    ~SafeFileRoutes() override {
        safefile_testing::UseNamedTemporaries(false);
        safefile_testing::SetStaleAge(10 * 60);
    }
};

TEST_P(SafeFileRoutes, NamesUpToTheFileSystemLimitAreWritten) {
    TempDir dir;
    for (std::size_t length : {200u, 248u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const std::string name(length - 4, 'n');
        const std::string path = dir.File(name + ".png");
        WriteFileAtomically(path, std::string_view("first"));
        WriteFileAtomically(path, std::string_view("second"));
        EXPECT_EQ(ReadText(path), "second");
    }
    EXPECT_EQ(OtherFiles(dir, {}).size(), 4u);
    EXPECT_LE(TemporaryNameFor(std::string(255, 'n'), "ABCdef").size(), 255u);
    EXPECT_EQ(TemporaryNameFor("photo.png", "ABCdef"), ".photo.png.ABCdef");
}

// A process killed while it writes must not leave its half-written file beside the photo; where
// it does (no nameless files), the next save of the same name clears it.
TEST_P(SafeFileRoutes, AWriteKilledPartWayLeavesNothingOrIsClearedByTheNextSave) {
    TempDir dir;
    const std::string path = dir.File("photo.png");
    WriteText(path, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TAtomicFile file(path);
        const std::vector<std::uint8_t> part(100000, 9);
        file.Write(part.data(), part.size());
        ::raise(SIGKILL);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(ReadText(path), "old");
    const std::vector<std::string> left = OtherFiles(dir, {"photo.png"});
    const int probe = ::open(dir.Path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (probe >= 0) ::close(probe);
    if (!GetParam() && probe < 0) GTEST_SKIP() << "no nameless files on this file system";
    if (!GetParam()) {
        EXPECT_TRUE(left.empty());
        return;
    }
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".photo.png.", 0), 0u);

    // Another process may be writing the same name right now: a fresh temporary stays.
    WriteText(dir.File(".photo.png.q1W2e3"), "someone else's");
    WriteText(dir.File(".other.png.Abc123"), "another file's");
    WriteText(dir.File(".photo.png.notours"), "a different shape");
    safefile_testing::SetStaleAge(3600);
    WriteFileAtomically(path, std::string_view("new"));
    EXPECT_EQ(OtherFiles(dir, {"photo.png"}).size(), 4u);
    safefile_testing::SetStaleAge(0);
    WriteFileAtomically(path, std::string_view("newer"));
    EXPECT_EQ(ReadText(path), "newer");
    std::vector<std::string> kept = OtherFiles(dir, {"photo.png"});
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{".other.png.Abc123", ".photo.png.notours"}));
}

TEST_P(SafeFileRoutes, AnUncommittedFileLeavesNoTrace) {
    TempDir dir;
    {
        TAtomicFile file(dir.File("never.txt"));
        file.Write("abc", 3);
    }
    EXPECT_TRUE(OtherFiles(dir, {}).empty());
}

INSTANTIATE_TEST_SUITE_P(NamelessAndNamed, SafeFileRoutes, ::testing::Bool());

// The object-pack unpacker writes inside a folder it holds open: files never get execute bits,
// and a program file is never replaced.
TEST(SafeFile, FilesInAnOpenFolderCarryNoExecuteBitsAndNeverReplaceAProgram) {
    TempDir dir;
    const int folder = ::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    WriteText(dir.File("tool"), "#!/bin/sh\n");
    ASSERT_EQ(::chmod(dir.File("tool").c_str(), 0755), 0);
    WriteText(dir.File("data.jpg"), "old");
    ASSERT_EQ(::chmod(dir.File("data.jpg").c_str(), 0775), 0);
    try {
        TAtomicFile file(folder, "tool", dir.File("tool"), false);
        FAIL() << "a program was replaced";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + dir.File("tool") +
                                             "\". It is a program file, which is never replaced");
    }
    EXPECT_EQ(ReadText(dir.File("tool")), "#!/bin/sh\n");
    // A file with execute bits only for its group is a program all the same; one without any
    // keeps its other permissions.
    WriteText(dir.File("plain.jpg"), "old");
    ASSERT_EQ(::chmod(dir.File("plain.jpg").c_str(), 0640), 0);
    {
        TAtomicFile file(folder, "plain.jpg", dir.File("plain.jpg"), false);
        file.Write("new", 3);
        file.Commit();
    }
    EXPECT_THROW(TAtomicFile(folder, "data.jpg", dir.File("data.jpg"), false), EFileError);
    {
        TAtomicFile file(folder, "fresh.jpg", dir.File("fresh.jpg"), false);
        file.Commit();
    }
    struct stat st;
    ASSERT_EQ(::stat(dir.File("plain.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadText(dir.File("plain.jpg")), "new");
    ASSERT_EQ(::stat(dir.File("fresh.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u);
    ::close(folder);
}

} // namespace
} // namespace lumetta
