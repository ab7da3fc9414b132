#include "tools/ObjectPack.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>
#include <zlib.h>

namespace lumetta {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = std::uint8_t((i * 7 + i / 13) & 0xFF);
    return b;
}

Bytes Zlib(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, data.data(), uLong(data.size()), 6), Z_OK);
    out.resize(size);
    return out;
}

void PutI32(Bytes& out, std::int32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(std::uint32_t(value) >> (8 * i)));
}

// One record laid out by hand, so that tests can store what the writer refuses to. CS is the
// length of `compressed` unless given.
Bytes Record(const std::string& dir, const std::string& name, std::int32_t size,
             const Bytes& compressed, std::optional<std::int32_t> cs = std::nullopt) {
    Bytes out;
    auto putText = [&](const std::string& text) {
        out.push_back(std::uint8_t(text.size()));
        for (char c : text)
            out.push_back(std::uint8_t(c));
    };
    putText(dir);
    putText(name);
    PutI32(out, size);
    PutI32(out, cs.value_or(std::int32_t(compressed.size())));
    for (std::uint8_t b : compressed)
        out.push_back(b);
    return out;
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every file and folder under root, relative, sorted; folders end in "/".
std::vector<std::string> Tree(const fs::path& root) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(e.path(), root).string();
        names.push_back(e.is_directory() ? rel + "/" : rel);
    }
    std::sort(names.begin(), names.end());
    return names;
}

template <typename E> std::string MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(no error)";
}

struct Unpacking : ::testing::Test {
    TempDir dir;
    std::string pack = dir.File("objects_v4.psp");
    std::string target = dir.File("app");

    void Unpack(const Bytes& bytes, bool overwrite = true, bool keepFolders = true,
                const TUnpackProgress& progress = {}) {
        WriteBytes(pack, bytes);
        UnpackObjectPack(pack, target, overwrite, keepFolders, progress);
    }
    std::string At(const std::string& rel) const { return target + "/" + rel; }
};

TEST_F(Unpacking, RoundTripsNestedFoldersIntoAMissingTarget) {
    TObjectPackWriter w;
    w.Add("", "library.phi", Text("[Frames]\nframeoak=0,1,2\n"));
    w.Add("Data", "FrameOak.jpg", Pattern(5000));
    w.Add("Data/Sub\\Deeper/", "x.bin", Pattern(3));
    w.Add("Desktop", "empty.bmp", {});
    Unpack(w.Bytes());

    EXPECT_EQ(Tree(target),
              (std::vector<std::string>{"Data/", "Data/FrameOak.jpg", "Data/Sub/",
                                        "Data/Sub/Deeper/", "Data/Sub/Deeper/x.bin", "Desktop/",
                                        "Desktop/empty.bmp", "library.phi"}));
    EXPECT_EQ(ReadBytes(At("library.phi")), Text("[Frames]\nframeoak=0,1,2\n"));
    EXPECT_EQ(ReadBytes(At("Data/FrameOak.jpg")), Pattern(5000));
    EXPECT_EQ(ReadBytes(At("Data/Sub/Deeper/x.bin")), Pattern(3));
    EXPECT_TRUE(ReadBytes(At("Desktop/empty.bmp")).empty());

    // The listing shows the stored form: backslashes, sizes, where each stream starts.
    std::vector<TPspFileRecord> list = ListObjectPack(pack);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].Directory, "");
    EXPECT_EQ(list[0].RelativePath(), "library.phi");
    EXPECT_EQ(list[0].DataOffset, 1u + 1 + 11 + 8);
    EXPECT_EQ(list[2].Directory, "Data\\Sub\\Deeper");
    EXPECT_EQ(list[2].RelativePath(), "Data/Sub/Deeper/x.bin");
    EXPECT_EQ(list[1].UncompressedSize, 5000);
    EXPECT_EQ(list[3].UncompressedSize, 0);
    EXPECT_GT(list[3].CompressedSize, 0); // an empty file is still a complete zlib stream
    EXPECT_EQ(w.Count(), 4u);
}

TEST_F(Unpacking, ZeroBytePackDoesNothing) {
    int calls = 0;
    Unpack({}, true, true, [&](std::int64_t, std::int32_t) { ++calls; });
    EXPECT_FALSE(fs::exists(target)); // folders are made per record
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(ListObjectPack(pack).empty());
}

TEST_F(Unpacking, ReplacesExistingFilesOrSkipsThemWithoutOverwrite) {
    fs::create_directories(At("Data"));
    WriteBytes(At("Data/old.jpg"), Text("OLD CONTENTS, LONGER THAN THE NEW ONES"));
    fs::permissions(At("Data/old.jpg"), fs::perms(0640));
    TObjectPackWriter w;
    w.Add("Data", "old.jpg", Text("new"));
    w.Add("Fresh\\Folder", "made.txt", Text("m"));

    Unpack(w.Bytes(), /*overwrite=*/false);
    EXPECT_EQ(ReadBytes(At("Data/old.jpg")), Text("OLD CONTENTS, LONGER THAN THE NEW ONES"));
    EXPECT_EQ(ReadBytes(At("Fresh/Folder/made.txt")), Text("m"));

    Unpack(w.Bytes(), /*overwrite=*/true);
    EXPECT_EQ(ReadBytes(At("Data/old.jpg")), Text("new"));
    EXPECT_EQ(fs::status(At("Data/old.jpg")).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_EQ(Tree(At("Data")), std::vector<std::string>{"old.jpg"}); // no temporary left
}

TEST_F(Unpacking, WithoutKeepFoldersFilesLandAtTheTopButFoldersAreMade) {
    TObjectPackWriter w;
    w.Add("Data\\Thumbs", "a.jpg", Text("A"));
    Unpack(w.Bytes(), true, /*keepFolders=*/false);
    EXPECT_EQ(Tree(target), (std::vector<std::string>{"Data/", "Data/Thumbs/", "a.jpg"}));
}

TEST_F(Unpacking, EmptyFilesFromAnEmptyStreamOrNoDataAtAll) {
    Bytes pack = Cat(Record("", "stream.png", 0, Zlib({})), Record("", "nodata.png", 0, {}));
    Unpack(pack);
    EXPECT_EQ(Tree(target), (std::vector<std::string>{"nodata.png", "stream.png"}));
    EXPECT_TRUE(ReadBytes(At("stream.png")).empty());
    EXPECT_TRUE(ReadBytes(At("nodata.png")).empty());
}

TEST_F(Unpacking, BytesAfterTheEndOfTheStreamAreIgnored) {
    Bytes data = Cat(Zlib(Text("payload")), Text("trailing junk"));
    Unpack(Cat(Record("", "a.txt", 7, data), Record("", "b.txt", 1, Zlib(Text("b")))));
    EXPECT_EQ(ReadBytes(At("a.txt")), Text("payload"));
    EXPECT_EQ(ReadBytes(At("b.txt")), Text("b"));
}

TEST_F(Unpacking, EveryCutOfARecordIsAStreamReadError) {
    Bytes first = Record("Data", "one.txt", 3, Zlib(Text("one")));
    Bytes full = Cat(first, Record("Data\\More", "two.txt", 3, Zlib(Text("two"))));
    for (std::size_t cut = 1; cut < full.size(); ++cut) {
        if (cut == first.size()) continue; // a whole first record is a valid pack
        SCOPED_TRACE(cut);
        fs::remove_all(target);
        Bytes part(full.begin(), full.begin() + std::ptrdiff_t(cut));
        EXPECT_EQ(MessageOf<EReadError>([&] { Unpack(part); }), "Stream read error");
        EXPECT_EQ(MessageOf<EReadError>([&] { ListObjectPack(pack); }), "Stream read error");
        // Records before the damage stay; the damaged one leaves no file behind.
        EXPECT_EQ(fs::exists(At("Data/one.txt")), cut > first.size());
        EXPECT_FALSE(fs::exists(At("Data/More/two.txt")));
    }
}

TEST_F(Unpacking, NegativeOrOversizedLengthsAreStreamReadErrors) {
    Bytes data = Zlib(Text("x"));
    EXPECT_EQ(MessageOf<EReadError>([&] { Unpack(Record("", "a", 1, data, -1 - 0x10)); }),
              "Stream read error");
    EXPECT_EQ(MessageOf<EReadError>([&] { Unpack(Record("", "a", -5, data)); }),
              "Stream read error");
    // A length far beyond the file is refused before anything is allocated for it.
    EXPECT_EQ(MessageOf<EReadError>([&] { Unpack(Record("", "a", 1, data, 0x7FFFFFFF)); }),
              "Stream read error");
    EXPECT_FALSE(fs::exists(At("a")));
}

TEST_F(Unpacking, DamagedStreamsRaiseTheZlibTextsAndKeepTheOldFile) {
    fs::create_directories(target);
    WriteBytes(At("a.png"), Text("GOOD"));

    Bytes data = Zlib(Pattern(4000));
    Bytes corrupt = data;
    corrupt[2] |= 0x06; // the reserved block type
    EXPECT_EQ(MessageOf<Error>([&] { Unpack(Record("", "a.png", 4000, corrupt)); }),
              "zlib returned: data error");
    Bytes badHeader = data;
    badHeader[0] = 0x12; // not deflate
    EXPECT_EQ(MessageOf<Error>([&] { Unpack(Record("", "a.png", 4000, badHeader)); }),
              "zlib returned: data error");
    Bytes badCheck = data;
    badCheck.back() ^= 1; // Adler-32 mismatch
    EXPECT_EQ(MessageOf<Error>([&] { Unpack(Record("", "a.png", 4000, badCheck)); }),
              "zlib returned: data error");
    // The record is whole but its stream stops before the end: not a complete file.
    Bytes shortStream(data.begin(), data.end() - 10);
    EXPECT_EQ(MessageOf<Error>([&] { Unpack(Record("", "a.png", 4000, shortStream)); }),
              "zlib returned: buffer error");

    EXPECT_EQ(ReadBytes(At("a.png")), Text("GOOD"));
    EXPECT_EQ(Tree(target), std::vector<std::string>{"a.png"});
    EXPECT_EQ(ZlibErrorText(Z_MEM_ERROR), "zlib returned: memory error");
    EXPECT_EQ(ZlibErrorText(-7), "ZLib error");
}

TEST_F(Unpacking, PathsLeavingTheTargetAreRefusedBeforeAnythingIsCreated) {
    const std::pair<std::string, std::string> bad[] = {
        {"..", "evil.txt"},       {"..\\outside", "evil.txt"}, {"Data\\..\\..", "evil.txt"},
        {"Data/../..", "e.txt"},  {"\\abs", "evil.txt"},       {"/tmp", "evil.txt"},
        {"C:\\Windows", "e.txt"}, {"", "..\\evil.txt"},        {"", "../evil.txt"},
        {"", "/etc/passwd"},      {"c:", "evil.txt"},          {"Data", std::string("a\0b", 3)},
    };
    for (const auto& [d, n] : bad) {
        SCOPED_TRACE(d + " | " + n);
        EXPECT_THROW(Unpack(Record(d, n, 1, Zlib(Text("x")))), EFileError);
        EXPECT_THROW(CheckPackRecordPath(d, n), EFileError);
        EXPECT_THROW(TObjectPackWriter().Add(d, n, Text("x")), Error);
    }
    // Nothing was made: a record that fails takes back the folders it made.
    EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"objects_v4.psp"}));
    EXPECT_EQ(MessageOf<EFileError>([&] { Unpack(Record("..\\up", "f.png", 0, {})); }),
              "Object pack path \"..\\up\" leads outside the target folder");
    EXPECT_EQ(MessageOf<EFileError>([&] { CheckPackRecordPath("Data", "..\\f.png"); }),
              "Object pack path \"Data\\..\\f.png\" leads outside the target folder");

    // Inside the target, "." components and double delimiters are harmless.
    Unpack(Record(".\\Data\\\\x", "ok..png", 1, Zlib(Text("k"))));
    EXPECT_EQ(ReadBytes(At("Data/x/ok..png")), Text("k"));
}

TEST_F(Unpacking, ReportsProgressAfterEveryPieceOfAtMost1024Bytes) {
    TObjectPackWriter w;
    w.Add("", "a.bin", Pattern(2500));
    w.Add("", "b.bin", Pattern(1024));
    Bytes pack = Cat(w.Bytes(), Record("", "c.bin", 999, Zlib(Pattern(10))));
    std::vector<std::pair<std::int64_t, std::int32_t>> calls;
    Unpack(pack, true, true, [&](std::int64_t n, std::int32_t size) {
        calls.push_back({n, size});
    });
    using P = std::pair<std::int64_t, std::int32_t>;
    EXPECT_EQ(calls, (std::vector<P>{{1024, 2500},
                                     {2048, 2500},
                                     {2500, 2500},
                                     {1024, 1024},
                                     {10, 999}})); // the declared size is only passed along
}

TEST_F(Unpacking, AnInterruptedFileLeavesTheOldOneInPlace) {
    fs::create_directories(target);
    WriteBytes(At("big.bin"), Text("old"));
    TObjectPackWriter w;
    w.Add("", "big.bin", Pattern(5000));
    struct Stop {};
    EXPECT_THROW(Unpack(w.Bytes(), true, true,
                        [](std::int64_t n, std::int32_t) {
                            if (n > 2000) throw Stop{};
                        }),
                 Stop);
    EXPECT_EQ(ReadBytes(At("big.bin")), Text("old"));
    EXPECT_EQ(Tree(target), std::vector<std::string>{"big.bin"});
}

TEST_F(Unpacking, FilesThatCannotBeCreatedOrPacksThatCannotBeRead) {
    fs::create_directories(At("Data/taken"));
    EXPECT_EQ(MessageOf<EFileError>([&] { Unpack(Record("Data", "taken", 1, Zlib(Text("x")))); }),
              "Cannot create file \"" + At("Data/taken") + "\". Is a directory");
    // A folder part running into an existing file: the folder cannot be made, so neither can
    // the file.
    WriteBytes(At("plain"), Text("p"));
    EXPECT_EQ(MessageOf<EFileError>([&] { Unpack(Record("plain\\sub", "f", 1, Zlib(Text("x")))); }),
              "Cannot create file \"" + At("plain/sub/f") + "\". Not a directory");

    std::string missing = dir.File("missing.psp");
    EXPECT_EQ(MessageOf<EFileError>([&] { UnpackObjectPack(missing, target, true, true); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_THROW(ListObjectPack(dir.Path().string()), EFileError);
}

// A link already inside the target must not take a pack's files elsewhere, whichever folder
// level it sits at.
TEST_F(Unpacking, LinksInsideTheTargetAreNeverFollowed) {
    const fs::path outside = dir.Path() / "outside";
    fs::create_directories(outside / "deep");
    fs::create_directories(At("Data"));
    fs::create_directory_symlink(outside, At("Linked"));
    fs::create_directory_symlink(outside, At("Data/Thumbs"));
    for (const char* folder : {"Linked", "Linked\\deep", "Data\\Thumbs", "Data/Thumbs/new"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(
            MessageOf<EFileError>([&] { Unpack(Record(folder, "x.jpg", 1, Zlib(Text("x")))); }),
            "Object pack path \"" + std::string(folder) +
                "\\x.jpg\" leads outside the target folder");
    }
    // Delimiters in the file name are folders too, walked the same way.
    EXPECT_EQ(
        MessageOf<EFileError>([&] { Unpack(Record("", "Linked/x.jpg", 1, Zlib(Text("x")))); }),
        "Object pack path \"Linked/x.jpg\" leads outside the target folder");
    Unpack(Record("Data", "Sub\\y.jpg", 1, Zlib(Text("y"))));
    EXPECT_EQ(ReadBytes(At("Data/Sub/y.jpg")), Text("y"));
    EXPECT_TRUE(fs::is_empty(outside / "deep"));
    EXPECT_EQ(Tree(outside), std::vector<std::string>{"deep/"});
    // The target itself may be reached through a link: that is the caller's choice.
    fs::create_directory_symlink(target, dir.File("via"));
    WriteBytes(pack, Record("Data", "ok.jpg", 1, Zlib(Text("k"))));
    UnpackObjectPack(pack, dir.File("via"), true, true);
    EXPECT_EQ(ReadBytes(At("Data/ok.jpg")), Text("k"));
}

// A few bytes declaring a small file must not be able to fill the disk: inflating stops as soon
// as the output passes the declared size, and the file is not kept.
TEST_F(Unpacking, OutputBeyondTheDeclaredSizeIsDamage) {
    const Bytes bomb = Zlib(Bytes(200000, 0));
    ASSERT_LT(bomb.size(), 1000u);
    int calls = 0;
    EXPECT_EQ(MessageOf<Error>([&] {
                  Unpack(Cat(Record("", "first.txt", 1, Zlib(Text("1"))),
                             Record("Data", "big.jpg", 10, bomb)),
                         true, true, [&](std::int64_t, std::int32_t) { ++calls; });
              }),
              "The object pack is damaged: \"Data\\big.jpg\" holds more than the 10 bytes its "
              "record declares");
    EXPECT_EQ(calls, 1); // the first file's only piece; nothing of the second was written
    EXPECT_EQ(Tree(target), std::vector<std::string>{"first.txt"});
    // Exactly the declared size, or less, is fine: the size only drives the progress.
    Unpack(Record("", "exact.bin", 3000, Zlib(Pattern(3000))));
    Unpack(Record("", "less.bin", 9000, Zlib(Pattern(3000))));
    EXPECT_EQ(ReadBytes(At("less.bin")), Pattern(3000));
}

TEST_F(Unpacking, AFailedRecordRemovesTheFoldersItMade) {
    fs::create_directories(At("Data"));
    Bytes corrupt = Zlib(Pattern(4000));
    corrupt[2] |= 0x06;
    EXPECT_THROW(Unpack(Record("Data\\New\\Deeper", "a.jpg", 4000, corrupt)), Error);
    EXPECT_EQ(Tree(target), std::vector<std::string>{"Data/"});
    // Also the target itself when the failing record made it.
    fs::remove_all(target);
    EXPECT_THROW(Unpack(Record("Data", "a.jpg", 4000, corrupt)), Error);
    EXPECT_FALSE(fs::exists(target));
    // A folder a record made stays when the record succeeds, even if its file was skipped.
    fs::create_directories(At("Keep"));
    WriteBytes(At("Keep/a.jpg"), Text("old"));
    Unpack(Cat(Record("Keep\\Made", "b.jpg", 1, Zlib(Text("b"))),
               Record("Keep", "a.jpg", 1, Zlib(Text("n")))),
           /*overwrite=*/false);
    EXPECT_EQ(Tree(At("Keep")), (std::vector<std::string>{"Made/", "Made/b.jpg", "a.jpg"}));
}

TEST_F(Unpacking, FileNamesUpTo255BytesAreWritten) {
    const std::string name = std::string(251, 'f') + ".jpg";
    TObjectPackWriter w;
    w.Add("Data", name, Text("long"));
    Unpack(w.Bytes());
    Unpack(w.Bytes()); // and replaced
    EXPECT_EQ(ReadBytes(At("Data/" + name)), Text("long"));
    EXPECT_EQ(Tree(At("Data")), std::vector<std::string>{name});
}

TEST_F(Unpacking, FilesNeverCarryExecuteBitsAndProgramsAreNeverReplaced) {
    fs::create_directories(target);
    WriteBytes(At("run"), Text("#!/bin/sh"));
    fs::permissions(At("run"), fs::perms(0755));
    WriteBytes(At("pic.jpg"), Text("old"));
    fs::permissions(At("pic.jpg"), fs::perms(0644));
    EXPECT_THROW(Unpack(Record("", "run", 3, Zlib(Text("bad")))), EFileError);
    EXPECT_EQ(ReadBytes(At("run")), Text("#!/bin/sh"));
    Unpack(
        Cat(Record("", "pic.jpg", 3, Zlib(Text("new"))), Record("", "new.sh", 1, Zlib(Text("x")))));
    EXPECT_EQ(fs::status(At("pic.jpg")).permissions() & fs::perms::all, fs::perms(0644));
    EXPECT_EQ(fs::status(At("new.sh")).permissions() & fs::perms(0111), fs::perms::none);
}

// Importing puts only object-library content into the program folder, and checks the whole
// pack before it writes anything.
TEST_F(Unpacking, ImportAcceptsOnlyLibraryContent) {
    fs::create_directories(At("Data"));
    WriteBytes(At("lumetta"), Text("the program"));
    fs::permissions(At("lumetta"), fs::perms(0755));
    const Bytes good = Cat(Record("Data", "FrameOak.jpg", 1, Zlib(Text("t"))),
                           Record("", "library.phi", 1, Zlib(Text("i"))));
    const std::pair<std::string, std::string> foreign[] = {
        {"", "lumetta"},    {"", "Setup.ini"},     {"", "Log.dat"},
        {"", "libfoo.so"},  {"Data", "notes.txt"}, {"Data\\Sub", "x.jpg"},
        {"Other", "x.jpg"}, {"", "FrameOak.jpg"},  {"Data", "noextension"},
    };
    for (const auto& [folder, name] : foreign) {
        SCOPED_TRACE(folder + "|" + name);
        WriteBytes(pack, Cat(good, Record(folder, name, 1, Zlib(Text("x")))));
        const std::string message = MessageOf<EFileError>([&] { ImportObjectPack(pack, target); });
        EXPECT_NE(message.find("The object pack holds \"" +
                               (folder.empty() ? name : folder + "\\" + name) + "\", which "),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("; nothing was imported"), std::string::npos);
        EXPECT_EQ(Tree(target), (std::vector<std::string>{"Data/", "lumetta"}));
    }
    EXPECT_EQ(ReadBytes(At("lumetta")), Text("the program"));

    // Names are matched without regard to case and written as the program reads them.
    WriteBytes(pack, Cat(good, Cat(Record("data", "ShadowSoft.JPG", 1, Zlib(Text("s"))),
                                   Cat(Record("", "LIBRARYFULL.PHD", 1, Zlib(Text("c"))),
                                       Record("DESKTOP\\", "MainBg4.bmp", 1, Zlib(Text("w")))))));
    std::vector<std::int64_t> progress;
    ImportObjectPack(pack, target, [&](std::int64_t n, std::int32_t) { progress.push_back(n); });
    EXPECT_EQ(Tree(target),
              (std::vector<std::string>{"Data/", "Data/FrameOak.jpg", "Data/ShadowSoft.JPG",
                                        "Desktop/", "Desktop/MainBg4.bmp", "library.phi",
                                        "libraryfull.phd", "lumetta"}));
    EXPECT_EQ(progress.size(), 5u);
}

TEST(ObjectPackWriter, RefusesWhatARecordCannotHold) {
    TObjectPackWriter w;
    EXPECT_THROW(w.Add("", "", Text("x")), Error);
    EXPECT_THROW(w.Add("", ".", Text("x")), Error);
    EXPECT_THROW(w.Add("", "a\\b.png", Text("x")), Error);
    EXPECT_THROW(w.Add("", std::string(256, 'n'), Text("x")), Error);
    EXPECT_THROW(w.Add(std::string(128, 'd') + "/" + std::string(127, 'd'), "f", {}), Error);
    EXPECT_EQ(w.Count(), 0u);
    EXPECT_TRUE(w.Bytes().empty());
    w.Add(std::string(127, 'd') + "/" + std::string(127, 'd'), std::string(255, 'n'), {});
    EXPECT_EQ(w.Bytes()[0], 255);
    EXPECT_EQ(w.Bytes()[256], 255);
}

TEST(ObjectPackWriter, SavesAtomically) {
    TempDir dir;
    TObjectPackWriter w;
    w.Add("Data", "a.jpg", Text("A"));
    w.Save(dir.File("p.psp"));
    EXPECT_EQ(ReadBytes(dir.File("p.psp")), w.Bytes());
    EXPECT_THROW(w.Save(dir.File("no/such/folder/p.psp")), EFileError);
}

TEST(PspVersion, IsTheCharacterAfterTheFirstUnderscoreV) {
    const std::pair<const char*, const char*> table[] = {
        {"frames_v3.psp", "3"}, {"frames.psp", "1"},  {"_v5.psp", "1"},
        {"set_v12.psp", "1"},   {"pack_V2.psp", "1"}, {"x_v.psp", "."},
        {"name_v", ""},         {"a_v2_v7.psp", "2"}, {"/home/u/_v/clip_v9.psp", "9"},
    };
    for (const auto& [name, version] : table)
        EXPECT_EQ(PspVersionFromPackName(name), version) << name;
}

} // namespace
} // namespace lumetta
