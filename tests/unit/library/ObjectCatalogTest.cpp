// Object names, the thumbnail catalogue, placement records and loading an object's image.
#include "library/ObjectCatalog.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumetta;
using lumetta::test::TempDir;

namespace {

TEST(ObjectCatalog, ObjectNamesComeFromTheFileNameUpToItsFirstDot) {
    EXPECT_EQ(ObjectNameOf("/lib/Data/ClipArtSun.old.jpg"), "clipartsun");
    EXPECT_EQ(ObjectNameOf("FrameOak.jpg"), "frameoak");
    EXPECT_EQ(ObjectNameOf("/x.y/NoDot"), "");
    EXPECT_EQ(ObjectNameOf("MaskÄ.jpg"), "maskÄ"); // only A-Z are lowered
}

TEST(ObjectCatalog, ListingSortsWithoutCaseDropsDuplicatesAndSkipsFolders) {
    TempDir dir;
    const std::string folder = dir.Path().string() + "/";
    for (const char* name : {"FrameB.jpg", "frameab.JPG", "FrameA.jpg", "MaskA.jpg", "notes.txt"})
        test::WriteText(folder + name, "x");
    std::filesystem::create_directory(folder + "FrameDir.jpg");
    const auto frames = ListThumbnails(folder, "Frame*.jpg");
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], folder + "FrameA.jpg");
    EXPECT_EQ(frames[1], folder + "frameab.JPG");
    EXPECT_EQ(frames[2], folder + "FrameB.jpg");
    EXPECT_EQ(ListThumbnails(folder, "*.jpg").size(), 4u);
    EXPECT_EQ(ListThumbnails(folder, "Frame*.jpg;frame?.jpg,Mask*").size(), 4u);
    EXPECT_TRUE(ListThumbnails(folder + "missing/", "*.jpg").empty());
}

TEST(ObjectCatalog, MaskMatchingHandlesStarsAndQuestionMarks) {
    EXPECT_TRUE(MatchesMask("ClipArtSun.jpg", "clipart*.JPG"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
    EXPECT_TRUE(MatchesMask("abc", "a?c"));
    EXPECT_FALSE(MatchesMask("ac", "a?c"));
    EXPECT_FALSE(MatchesMask("Frame.jpeg", "Frame*.jpg"));
    EXPECT_TRUE(MatchesMask("", "*"));
}

TEST(ObjectCatalog, StrToIntAcceptsSignedDecimalWithLeadingSpaces) {
    EXPECT_EQ(StrToInt("  -12"), -12);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "12 ", "0x10", "2147483648", "1e3", "-", "9999999999999"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("'") + bad + "' is not a valid integer value");
        }
    }
}

TEST(ObjectCatalog, ParseFrameSpecNeedsExactlyTwentyOneIntegers) {
    TFrameSpec placement;
    placement.Fields[0] = 99;
    const TFrameSpec before = placement;
    std::string twenty;
    for (int i = 0; i < 20; ++i) {
        if (i) twenty += ',';
        twenty += std::to_string(i);
    }
    EXPECT_FALSE(ParseFrameSpec(twenty, placement));
    EXPECT_FALSE(ParseFrameSpec(twenty + ",1,2", placement));
    EXPECT_FALSE(ParseFrameSpec("", placement));
    EXPECT_EQ(placement, before);
    EXPECT_TRUE(ParseFrameSpec(twenty + ", -5", placement));
    EXPECT_EQ(placement.Fields[19], 19);
    EXPECT_EQ(placement.BottomRightHeight(), -5);

    // A bad item stops the conversion with the fields before it already taken.
    TFrameSpec partial;
    EXPECT_THROW(ParseFrameSpec("1,2,3,x,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21", partial),
                 EConvertError);
    EXPECT_EQ(partial.Fields[2], 3);
    EXPECT_EQ(partial.Fields[3], 0);
}

TEST(ObjectCatalog, ReadFrameSpecKeepsTheOldRecordWhenTheKeyIsMissing) {
    auto index = std::optional<TMemIniFile>(TMemIniFile::FromText(
        "[Frames]\nframeoak=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21\n"));
    TFrameSpec placement;
    ReadFrameSpec(index, "Frames", "frameoak", placement);
    EXPECT_EQ(placement.PhotoX(), 2);
    ReadFrameSpec(index, "Frames", "framepine", placement);
    EXPECT_EQ(placement.PhotoX(), 2);
    ReadFrameSpec(std::nullopt, "Frames", "frameoak", placement);
    ReadFrameSpec(index, "Shadows", "frameoak", placement);
    EXPECT_EQ(placement.StretchToPhoto(), 1);
}

TEST(ObjectCatalog, LoadObjectImageDecodesTheEntryOrRaises) {
    TempDir dir;
    TBitmap32 art(3, 2);
    art.Clear(0x80102030);
    TPackWriter writer;
    writer.Add("clipartsun.png", test::EncodePng(art));
    writer.Save(dir.File("library.phd"));
    TiStreamPack pack;
    ASSERT_TRUE(pack.Open(dir.File("library.phd")));

    TBitmap32 image;
    image.DrawMode = dmBlend;
    EXPECT_TRUE(LoadObjectImage(pack, "clipartsun.png", image));
    EXPECT_EQ(image.Width(), 3);
    EXPECT_EQ(image.Pixel(2, 1), 0x80102030u);
    EXPECT_EQ(image.DrawMode, dmBlend);

    try {
        LoadObjectImage(pack, "missing.png", image);
        ADD_FAILURE() << "a missing entry loaded";
    } catch (const EListError& e) {
        EXPECT_EQ(std::string(e.what()), "List index out of bounds (-1)");
    }
    TiStreamPack empty;
    EXPECT_THROW(LoadObjectImage(empty, "clipartsun.png", image), Error);
    EXPECT_EQ(image.Width(), 3);
}

} // namespace
