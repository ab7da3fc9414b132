#include "library/ObjectLibrary.h"
#include "base/Error.h"
#include "library/ObjectCatalog.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumetta {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string Extract(const TiStreamPack& pack, const std::string& name) {
    const int index = pack.IndexOf(name);
    if (index < 0) return "<none>";
    TMemoryStream out;
    pack.ExtractTo(index, out);
    return std::string(reinterpret_cast<const char*>(out.Data()), out.Size());
}

// A shipped library and a user's folder of imported objects.
struct TwoFolders {
    test::TempDir dir;
    std::string user = dir.File("user") + "/";
    std::string shipped = dir.File("shipped") + "/";
    std::vector<std::string> messages;
    TiStreamPack::MessageHandler onMessage = [this](const std::string& m) {
        messages.push_back(m);
    };

    TwoFolders() {
        std::filesystem::create_directories(user + "Data");
        std::filesystem::create_directories(shipped + "Data");
        TPackWriter base;
        base.Add("frameoak.png", Text("shipped oak"));
        base.Add("frameold.png", Text("shipped old"));
        base.Save(shipped + "libraryfull.phd");
        base.Save(shipped + "library.phd"); // never read: the full container is preferred
        test::WriteText(shipped + "library.phi",
                        "[Frames]\nframeoak=1,2\nframeold=3\n[Shadows]\nshadow1=4\n");
    }
    void ImportContainer() {
        TPackWriter front;
        front.Add("framenew.png", Text("user new"));
        front.Add("frameoak.png", Text("user oak"));
        front.Save(user + "library.phd");
    }
};

TEST(ObjectLibrary, UsersObjectsComeFirstAndShippedOnesStay) {
    TwoFolders f;
    f.ImportContainer();
    test::WriteText(f.user + "library.phi", "[frames]\nFrameOak=9\nframenew=5\n[Masks]\nm=1\n");

    TiStreamPack pack(f.onMessage);
    std::optional<TMemIniFile> index;
    OpenObjectLibrary({f.user, f.shipped}, pack, index, f.onMessage);
    EXPECT_EQ(pack.Count(), 4);
    EXPECT_EQ(pack.FileName(), f.shipped + "libraryfull.phd");
    EXPECT_EQ(Extract(pack, "frameoak.png"), "user oak");
    EXPECT_EQ(Extract(pack, "framenew.png"), "user new");
    EXPECT_EQ(Extract(pack, "frameold.png"), "shipped old");

    ASSERT_TRUE(index.has_value());
    EXPECT_EQ(index->ReadString("Frames", "frameoak", ""), "9"); // keys compare without case
    EXPECT_EQ(index->ReadString("Frames", "framenew", ""), "5");
    EXPECT_EQ(index->ReadString("Frames", "frameold", ""), "3");
    EXPECT_EQ(index->ReadString("Shadows", "shadow1", ""), "4");
    EXPECT_EQ(index->ReadString("Masks", "m", ""), "1");
    EXPECT_TRUE(f.messages.empty());
}

TEST(ObjectLibrary, OneFolderIsOpenedAsBefore) {
    TwoFolders f;
    TiStreamPack pack(f.onMessage);
    std::optional<TMemIniFile> index;
    OpenObjectLibrary({f.shipped}, pack, index, f.onMessage);
    EXPECT_EQ(pack.FileName(), f.shipped + "libraryfull.phd");
    EXPECT_EQ(pack.Count(), 2);
    ASSERT_TRUE(index.has_value());
    EXPECT_EQ(index->ToText(), test::ReadText(f.shipped + "library.phi"));

    // A user's folder with nothing in it changes nothing; one with only an index gives it.
    TiStreamPack second(f.onMessage);
    OpenObjectLibrary({f.user, f.shipped}, second, index, f.onMessage);
    EXPECT_EQ(second.Count(), 2);
    EXPECT_EQ(index->ReadString("Frames", "frameoak", ""), "1,2");

    std::optional<TMemIniFile> onlyUsers;
    test::WriteText(f.user + "library.phi", "[Frames]\nframenew=5\n");
    TiStreamPack third(f.onMessage);
    OpenObjectLibrary({f.user, f.dir.File("missing") + "/"}, third, onlyUsers, f.onMessage);
    EXPECT_EQ(third.Count(), 0);
    ASSERT_TRUE(onlyUsers.has_value());
    EXPECT_EQ(onlyUsers->ReadString("Frames", "framenew", ""), "5");

    std::optional<TMemIniFile> none = TMemIniFile();
    OpenObjectLibrary({f.dir.File("missing") + "/"}, third, none, f.onMessage);
    EXPECT_FALSE(none.has_value());
    EXPECT_TRUE(f.messages.empty());
}

TEST(ObjectLibrary, DamagedUserContainerIsReportedAndTheShippedLibraryStays) {
    TwoFolders f;
    test::WriteText(f.user + "libraryfull.phd", "not a container");
    TiStreamPack pack(f.onMessage);
    std::optional<TMemIniFile> index;
    OpenObjectLibrary({f.user, f.shipped}, pack, index, f.onMessage);
    EXPECT_EQ(f.messages, std::vector<std::string>{TiStreamPack::kDamagedMessage});
    EXPECT_EQ(pack.Count(), 2);
    EXPECT_EQ(Extract(pack, "frameoak.png"), "shipped oak");
}

TEST(ObjectLibrary, PrependedEntryOutsideItsOwnContainerStaysUnreadable) {
    TwoFolders f;
    // An entry of the user's container that claims bytes beyond its own file must not read the
    // shipped container's bytes once the two are joined.
    TPackWriter writer;
    writer.Add("frameoak.png", Text("user oak"));
    Bytes bytes = writer.Build();
    const std::size_t entry = bytes.size() - 4 - 64; // the only directory record
    const std::int32_t offset = 1000;
    for (int i = 0; i < 4; ++i)
        bytes[entry + 60 + i] = std::uint8_t(offset >> (8 * i));
    test::WriteBytes(f.user + "library.phd", bytes);

    TiStreamPack pack(f.onMessage);
    std::optional<TMemIniFile> index;
    OpenObjectLibrary({f.user, f.shipped}, pack, index, f.onMessage);
    ASSERT_EQ(pack.IndexOf("frameoak.png"), 0);
    TMemoryStream out;
    EXPECT_THROW(pack.ExtractTo(0, out), EReadError);
    EXPECT_EQ(Extract(pack, "frameold.png"), "shipped old");
}

TEST(ObjectLibrary, ThumbnailsOfTheUserHideShippedOnesOfTheSameName) {
    TwoFolders f;
    for (const char* name : {"FrameOak.jpg", "FrameOld.jpg", "Mask1.jpg", "frameb.JPG"})
        test::WriteText(f.shipped + "Data/" + name, "");
    for (const char* name : {"frameoak.jpg", "FrameNew.jpg", "FrameA.jpg"})
        test::WriteText(f.user + "Data/" + name, "");
    std::filesystem::create_directories(f.user + "Data/Frame.folder.jpg");

    const auto list = ListLibraryThumbnails({f.user + "Data/", f.shipped + "Data/"}, "Frame*.jpg");
    const std::vector<std::string> expected = {
        f.user + "Data/FrameA.jpg",   f.shipped + "Data/frameb.JPG",   f.user + "Data/FrameNew.jpg",
        f.user + "Data/frameoak.jpg", f.shipped + "Data/FrameOld.jpg",
    };
    EXPECT_EQ(list, expected);

    // One folder lists exactly what ListThumbnails lists.
    EXPECT_EQ(ListLibraryThumbnails({f.shipped + "Data/"}, "*.jpg"),
              ListThumbnails(f.shipped + "Data/", "*.jpg"));
}

} // namespace
} // namespace lumetta
