#include "tools/EventLog.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace lumetta {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

using Records = std::vector<TJvLogRecord>;

TEST(EventLog, ParsesEachLineByTheEscapeRules) {
    struct Case {
        const char* line;
        bool kept;
        TJvLogRecord record;
    } cases[] = {
        {"junk[12:00]A>>B>C>D", true, {"12:00", "A>B", "C>D"}},
        {"[t]only title", true, {"t", "only title", ""}},
        {"[t]x>>y>desc", true, {"t", "x>y", "desc"}},
        {"[t]a>>>>b>", true, {"t", "a>>b", ""}},
        {"[t no closing bracket", false, {}},
        {"no bracket at all", false, {}},
        {"]t[", false, {}},
        {"[]", true, {"", "", ""}},
        {"[a[b]c]>d", true, {"a[b", "c]", "d"}},
        {"[t]>", true, {"t", "", ""}},
        {"[t]>>", true, {"t", ">", ""}},
        {"[t]x>>>y", true, {"t", "x>", "y"}},
        {"[t]>desc > more", true, {"t", "", "desc > more"}},
    };
    for (const Case& c : cases) {
        auto r = TJvLogFile::ParseLine(c.line);
        EXPECT_EQ(r.has_value(), c.kept) << c.line;
        if (r && c.kept) {
            EXPECT_EQ(*r, c.record) << c.line;
        }
    }
}

TEST(EventLog, SplitsLinesAtAnyLineEnd) {
    EXPECT_EQ(TJvLogFile::Parse("[1]a>b\r\n[2]c\r[3]d\n\n\r\n[4]e"),
              (Records{{"1", "a", "b"}, {"2", "c", ""}, {"3", "d", ""}, {"4", "e", ""}}));
    EXPECT_TRUE(TJvLogFile::Parse("").empty());
    EXPECT_TRUE(TJvLogFile::Parse("\r\n\r\n").empty());
}

TEST(EventLog, SavesTheNormalisedFormAndRoundTrips) {
    Records records{{"t", "x>y", "desc"}, {"12:00", "A>B", "C>D"}, {"", "", ""}};
    std::string text = TJvLogFile::Format(records);
    EXPECT_EQ(text, "[t]x>>y>desc\r\n[12:00]A>>B>C>D\r\n[]>\r\n");
    EXPECT_EQ(TJvLogFile::Parse(text), records);
    EXPECT_EQ(TJvLogFile::Format({}), "");

    TempDir dir;
    std::string path = dir.File("Log.dat");
    WriteText(path, "junk[12:00]A>>B>C>D\nno bracket\r\n[t]a>>>>b>\r");
    {
        TJvLogFile log;
        log.SetFileName(path);
        log.SetAutoSave(true);
        EXPECT_EQ(log.Records(), (Records{{"12:00", "A>B", "C>D"}, {"t", "a>>b", ""}}));
    }
    // Destroying the log with auto-save on rewrites the file in normalised form.
    EXPECT_EQ(ReadText(path), "[12:00]A>>B>C>D\r\n[t]a>>>>b>\r\n");
}

TEST(EventLog, AutoSaveNeedsAFileNameAndClearWritesAtOnce) {
    TempDir dir;
    std::string path = dir.File("Log.dat");
    {
        TJvLogFile log;
        log.SetAutoSave(true);
        EXPECT_FALSE(log.AutoSave()); // no file name yet
        log.Add({"t", "a", "b"});
        log.Clear();           // nothing to save to
        log.SetFileName(path); // missing file: stays empty, nothing written
        EXPECT_TRUE(log.AutoSave());
        EXPECT_FALSE(std::filesystem::exists(path));
        log.Add({"t", "a", "b"});
        log.SaveToFile(path);
        EXPECT_EQ(ReadText(path), "[t]a>b\r\n");
        log.Clear();
        EXPECT_EQ(log.Count(), 0u);
        EXPECT_EQ(ReadText(path), "");
    }
    // A missing file is created, empty, at the end.
    std::string fresh = dir.File("Fresh.dat");
    {
        TJvLogFile log;
        log.SetFileName(fresh);
        log.SetAutoSave(true);
    }
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_EQ(ReadText(fresh), "");

    // Without auto-save neither Clear nor destruction writes.
    WriteText(path, "[t]keep\r\n");
    {
        TJvLogFile log;
        log.SetFileName(path);
        EXPECT_EQ(log.Count(), 1u);
        log.Clear();
    }
    EXPECT_EQ(ReadText(path), "[t]keep\r\n");
}

TEST(EventLog, UnreadableOrUnwritableFiles) {
    TempDir dir;
    std::string folder = dir.File("Log.dat");
    std::filesystem::create_directory(folder);
    TJvLogFile log;
    log.SetFileName(folder); // a folder: nothing loaded, nothing thrown
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_THROW(log.LoadFromFile(folder), EFileError);
    log.SetAutoSave(true);
    EXPECT_THROW(log.Clear(), EFileError);
    // The destructor swallows the same failure.
}

// A Log.dat that exists but cannot be read at start-up must survive the run: its records were
// never in the list, so writing the list would destroy them.
TEST(EventLog, AFileThatCouldNotBeReadIsNeverWrittenOver) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' own checks need file descriptors, which this test takes away.
    GTEST_SKIP() << "no file descriptors to spare for the sanitizers";
#endif
    TempDir dir;
    const std::string path = dir.File("Log.dat");
    WriteText(path, "[12:00]precious>record\r\n");
    {
        TJvLogFile log;
        // Running out of file descriptors makes the file unreadable even for the super-user.
        struct rlimit old;
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
        const int lowest = ::dup(0);
        ASSERT_GE(lowest, 0);
        ::close(lowest);
        struct rlimit none = old;
        none.rlim_cur = rlim_t(lowest);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
        log.SetFileName(path);
        ::setrlimit(RLIMIT_NOFILE, &old);

        EXPECT_EQ(log.Count(), 0u);
        log.SetAutoSave(true);
        EXPECT_FALSE(log.AutoSave());
        log.Clear();
    }
    EXPECT_EQ(ReadText(path), "[12:00]precious>record\r\n");
    // Read again once it can be, the log writes it as usual.
    {
        TJvLogFile log;
        log.SetFileName(path);
        log.SetAutoSave(true);
        EXPECT_TRUE(log.AutoSave());
        EXPECT_EQ(log.Count(), 1u);
    }
    EXPECT_EQ(ReadText(path), "[12:00]precious>record\r\n");
}

TEST(EventLog, PrintLines) {
    TJvLogRecord first{"12:00", "A>B", "C>D"};
    EXPECT_EQ(FormatLogExportLine(first), "[12:00] A>B > C>D");
    EXPECT_EQ(FormatLogExportLine({"", "", ""}), "[]  > ");
}

TEST(EventLog, CsvQuotesOnlyWhatNeedsItAndKeepsTheBytes) {
    EXPECT_EQ(FormatLogCsv({}), "Time,Title,Description\r\n");
    const std::vector<TJvLogRecord> records = {
        {"2024-05-01 12:00:07", "A>B", "C>D"},
        {"t", "a, b", "say \"hi\""},
        {"", "two\r\nlines", "caf\xe9"},
    };
    EXPECT_EQ(FormatLogCsv(records), "Time,Title,Description\r\n"
                                     "2024-05-01 12:00:07,A>B,C>D\r\n"
                                     "t,\"a, b\",\"say \"\"hi\"\"\"\r\n"
                                     ",\"two\r\nlines\",caf\xe9\r\n");
}

} // namespace
} // namespace lumetta
