#include "library/StreamPack.h"
#include "base/Error.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = std::uint8_t(v >> (8 * i));
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A pack whose damaged-file messages are counted.
struct CountingPack {
    std::vector<std::string> messages;
    TiStreamPack pack{[this](const std::string& m) { messages.push_back(m); }};
};

Bytes SmallContainer() {
    TPackWriter w;
    w.Add("frameoak.png", Text("OAK-PNG-BYTES"));
    w.Add("mask1.png", Text("M"));
    w.Add("empty.png", {});
    return w.Build();
}

TEST(PackWriter, LaysOutHeaderDataDirectoryAndTrailer) {
    Bytes b = SmallContainer();
    ASSERT_EQ(b.size(), 16 + 14u + 2 + 3 * 64 + 4);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "LMPK");
    EXPECT_EQ(b[8] | b[9] << 8 | b[10] << 16 | b[11] << 24, int(b.size()));
    EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 30), "OAK-PNG-BYTESM");
    std::size_t dir = 30;
    EXPECT_EQ(b[dir], 3);
    EXPECT_EQ(b[dir + 1], 0);
    PackEntry second = PackEntry::Decode(b.data() + dir + 2 + 64);
    EXPECT_EQ(second.NameText(), "mask1.png");
    EXPECT_EQ(second.DataOffset, 29);
    EXPECT_EQ(second.DataSize, 1);
    EXPECT_EQ(b[b.size() - 4], 2 + 3 * 64);

    TPackWriter w;
    EXPECT_THROW(w.Add(std::string(41, 'a'), {}), Error);
    w.Add(std::string(40, 'a'), {});
    // The smallest container is 22 bytes: its size can never be mistaken for the mark 16.
    EXPECT_EQ(TPackWriter().Build().size(), 22u);
}

TEST(StreamPack, RoundTripsWhatTheWriterStores) {
    TempDir dir;
    std::string path = dir.File("library.phd");
    TPackWriter w;
    Bytes big(100000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = std::uint8_t(i * 7 + 3);
    w.Add("big.png", big);
    w.Add("small.png", Text("xy"));
    w.Add("empty.png", {});
    w.Save(path);

    CountingPack p;
    ASSERT_TRUE(p.pack.Open(path));
    EXPECT_TRUE(p.messages.empty());
    EXPECT_EQ(p.pack.FileName(), path);
    ASSERT_EQ(p.pack.Count(), 3);
    TMemoryStream out;
    EXPECT_TRUE(p.pack.ExtractTo(p.pack.IndexOf("big.png"), out));
    EXPECT_EQ(out.Bytes(), big);
    TMemoryStream small;
    p.pack.ExtractTo(p.pack.IndexOf("small.png"), small);
    p.pack.ExtractTo(p.pack.IndexOf("empty.png"), small);
    EXPECT_EQ(small.Bytes(), Text("xy"));
    // The image is the file without its directory and trailer.
    EXPECT_EQ(p.pack.Image().size(), 16 + big.size() + 2);
}

TEST(StreamPack, LooksNamesUpExactlyAndFirstWins) {
    TempDir dir;
    TPackWriter w;
    std::string forty(40, 'n');
    w.Add("a.png", Text("first"));
    w.Add("A.PNG", Text("upper"));
    w.Add("a.png", Text("second"));
    w.Add(forty, Text("forty"));
    w.Save(dir.File("p.phd"));

    TiStreamPack pack;
    ASSERT_TRUE(pack.Open(dir.File("p.phd")));
    EXPECT_EQ(pack.IndexOf("a.png"), 0);
    EXPECT_EQ(pack.IndexOf("A.PNG"), 1);
    EXPECT_EQ(pack.IndexOf("A.png"), -1);
    EXPECT_EQ(pack.IndexOf(forty), 3);
    EXPECT_EQ(pack.IndexOf(forty + "n"), -1);
    EXPECT_EQ(pack.IndexOf(forty.substr(0, 39)), -1);
    EXPECT_EQ(pack.IndexOf(""), -1);
    EXPECT_EQ(pack.Entries()[3].NameText(), forty);

    pack.Close();
    EXPECT_EQ(pack.IndexOf("a.png"), -1);
    EXPECT_TRUE(pack.FileName().empty());
}

TEST(StreamPack, ExtractAppendsAtThePositionAndChecksIndexAndRange) {
    TempDir dir;
    TPackWriter w;
    w.Add("one", Text("ABC"));
    w.Save(dir.File("p.phd"));
    TiStreamPack pack;
    ASSERT_TRUE(pack.Open(dir.File("p.phd")));

    TMemoryStream out;
    out.Write("12345", 5);
    out.SetPosition(3);
    pack.ExtractTo(0, out);
    EXPECT_EQ(out.Bytes(), Text("123ABC"));
    EXPECT_EQ(out.Position(), 6u);

    for (int bad : {-1, 1, 1000}) {
        try {
            pack.ExtractTo(bad, out);
            FAIL() << bad;
        } catch (const EListError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "List index out of bounds (" + std::to_string(bad) + ")");
        }
    }
    EXPECT_EQ(out.Bytes(), Text("123ABC"));

    // Entries pointing outside the image: a read error, nothing appended.
    struct Range {
        std::int32_t offset, size;
    } ranges[] = {{16, 4}, {-1, 1}, {16, -1}, {19, 1}, {0x7FFFFFFF, 0x7FFFFFFF}, {20, 0}};
    for (const Range& r : ranges) {
        TPackWriter one;
        one.Add("e", Text("ABC"));
        Bytes b = one.Build();
        PackEntry e = PackEntry::Decode(b.data() + 19 + 2);
        e.DataOffset = r.offset;
        e.DataSize = r.size;
        e.Encode(b.data() + 19 + 2);
        test::WriteBytes(dir.File("r.phd"), b);
        TiStreamPack p;
        ASSERT_TRUE(p.Open(dir.File("r.phd")));
        TMemoryStream s;
        EXPECT_THROW(p.ExtractTo(0, s), EReadError) << r.offset << " " << r.size;
        EXPECT_EQ(s.Size(), 0u);
    }
    // Header bytes are inside the image and may be extracted.
    {
        TPackWriter one;
        one.Add("e", Text("ABC"));
        Bytes b = one.Build();
        PackEntry e = PackEntry::Decode(b.data() + 21);
        e.DataOffset = 0;
        e.DataSize = 4;
        e.Encode(b.data() + 21);
        test::WriteBytes(dir.File("h.phd"), b);
        TiStreamPack p;
        ASSERT_TRUE(p.Open(dir.File("h.phd")));
        TMemoryStream s;
        p.ExtractTo(0, s);
        EXPECT_EQ(s.Bytes(), Text("LMPK"));
    }
}

TEST(StreamPack, EmptyDirectoryAndNoDirectoryContainers) {
    TempDir dir;
    // N = 0, D = 2: the image is the file without its last 6 bytes.
    Bytes b(16 + 5 + 2 + 4, 0xAB);
    PutU32(b, 8, 1234);
    b[21] = 0;
    b[22] = 0;
    PutU32(b, 23, 2);
    test::WriteBytes(dir.File("n0.phd"), b);
    CountingPack p;
    ASSERT_TRUE(p.pack.Open(dir.File("n0.phd")));
    EXPECT_EQ(p.pack.Count(), 0);
    EXPECT_EQ(p.pack.Image(), Bytes(b.begin(), b.end() - 6));
    EXPECT_EQ(p.pack.IndexOf("anything"), -1);
    // With no entries, extraction appends nothing and raises nothing, whatever the index.
    TMemoryStream s;
    EXPECT_TRUE(p.pack.ExtractTo(-1, s));
    EXPECT_EQ(s.Size(), 0u);

    // The mark 16 at offset 8: no entries, whatever follows, the image is the whole file.
    Bytes marked = SmallContainer();
    PutU32(marked, 8, 16);
    test::WriteBytes(dir.File("mark.phd"), marked);
    ASSERT_TRUE(p.pack.Open(dir.File("mark.phd")));
    EXPECT_EQ(p.pack.Count(), 0);
    EXPECT_EQ(p.pack.Image(), marked);
    Bytes garbage(16, 0xFF);
    PutU32(garbage, 8, 16);
    garbage.push_back(1);
    test::WriteBytes(dir.File("g.phd"), garbage);
    EXPECT_TRUE(p.pack.Open(dir.File("g.phd")));

    TPackWriter w;
    w.Add("x", Text("data"));
    w.SetNoDirectory(true);
    w.Save(dir.File("nodir.phd"));
    ASSERT_TRUE(p.pack.Open(dir.File("nodir.phd")));
    EXPECT_EQ(p.pack.Count(), 0);
    EXPECT_EQ(p.pack.Image().size(), 20u);
    EXPECT_TRUE(p.messages.empty());
}

TEST(StreamPack, MissingFileChangesNothing) {
    TempDir dir;
    test::WriteBytes(dir.File("ok.phd"), SmallContainer());
    CountingPack p;
    ASSERT_TRUE(p.pack.Open(dir.File("ok.phd")));
    EXPECT_FALSE(p.pack.Open(dir.File("missing.phd")));
    EXPECT_FALSE(p.pack.Open(dir.Path().string())); // a folder is no file
    EXPECT_EQ(p.pack.Count(), 3);
    EXPECT_EQ(p.pack.FileName(), dir.File("ok.phd"));
    EXPECT_TRUE(p.messages.empty());
}

TEST(StreamPack, DamagedContainersReportOnceAndEndEmpty) {
    TempDir dir;
    Bytes good = SmallContainer();
    const std::size_t dirStart = 30, d = 2 + 3 * 64;

    std::vector<std::pair<const char*, Bytes>> damaged;
    auto withD = [&](std::int32_t value) {
        Bytes b = good;
        PutU32(b, b.size() - 4, std::uint32_t(value));
        return b;
    };
    damaged.push_back({"D larger than the file", withD(int(good.size()))});
    damaged.push_back({"D reaching into the header", withD(int(good.size()) - 4 - 15)});
    damaged.push_back({"D negative", withD(-2)});
    damaged.push_back({"D too small for the count", withD(1)});
    damaged.push_back({"D zero", withD(0)});
    damaged.push_back({"records do not fit", withD(int(d) - 1)});
    {
        Bytes b = good;
        b[dirStart] = 4; // four records announced, three present
        damaged.push_back({"count too large", b});
    }
    damaged.push_back({"shorter than a header", Bytes(good.begin(), good.begin() + 15)});
    damaged.push_back({"header and no trailer", Bytes(good.begin(), good.begin() + 18)});
    damaged.push_back({"empty file", Bytes{}});

    for (auto& [what, bytes] : damaged) {
        test::WriteBytes(dir.File("bad.phd"), bytes);
        CountingPack p;
        test::WriteBytes(dir.File("ok.phd"), good);
        ASSERT_TRUE(p.pack.Open(dir.File("ok.phd")));
        EXPECT_FALSE(p.pack.Open(dir.File("bad.phd"))) << what;
        EXPECT_EQ(p.pack.Count(), 0) << what;
        EXPECT_EQ(p.pack.IndexOf("mask1.png"), -1) << what;
        EXPECT_TRUE(p.pack.FileName().empty()) << what;
        EXPECT_EQ(p.messages, std::vector<std::string>{TiStreamPack::kDamagedMessage}) << what;
    }

    // Without a handler the failure is silent.
    TiStreamPack quiet;
    test::WriteBytes(dir.File("bad.phd"), withD(100000));
    EXPECT_FALSE(quiet.Open(dir.File("bad.phd")));
}

TEST(StreamPack, LongerDirectoryBlockThanNeededIsAccepted) {
    TempDir dir;
    TPackWriter w;
    w.Add("a", Text("AAAA"));
    Bytes b = w.Build();
    // Three unused bytes after the records: the count is still read from the block's start.
    b.insert(b.end() - 4, {9, 9, 9});
    PutU32(b, b.size() - 4, 2 + 64 + 3);
    test::WriteBytes(dir.File("p.phd"), b);
    TiStreamPack pack;
    ASSERT_TRUE(pack.Open(dir.File("p.phd")));
    ASSERT_EQ(pack.Count(), 1);
    TMemoryStream s;
    pack.ExtractTo(0, s);
    EXPECT_EQ(s.Bytes(), Text("AAAA"));
    EXPECT_EQ(pack.Image().size(), 20u);
}

// Every truncation and every single-byte corruption of a small container must either open or
// fail cleanly, and extraction must either succeed or raise; never crash (run under ASan).
TEST(StreamPack, TruncatedAndCorruptedContainersNeverCrash) {
    TempDir dir;
    Bytes good = SmallContainer();
    auto exercise = [&](const Bytes& bytes) {
        test::WriteBytes(dir.File("t.phd"), bytes);
        TiStreamPack pack;
        pack.Open(dir.File("t.phd"));
        for (int i = -1; i <= pack.Count(); ++i) {
            TMemoryStream out;
            try {
                pack.ExtractTo(i, out);
            } catch (const Error&) {}
        }
        pack.IndexOf("frameoak.png");
    };
    for (std::size_t n = 0; n < good.size(); ++n)
        exercise(Bytes(good.begin(), good.begin() + n));
    for (std::size_t at = 0; at < good.size(); ++at)
        for (std::uint8_t v : {0x00, 0x10, 0x7F, 0x80, 0xFF}) {
            Bytes b = good;
            b[at] = v;
            exercise(b);
        }
}

} // namespace
} // namespace lumetta
