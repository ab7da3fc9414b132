#include "library/PlacementIndex.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

using Items = std::vector<std::string>;

TEST(SplitString, KeepsEveryItemUntrimmed) {
    EXPECT_EQ(SplitString("1,,2", ','), (Items{"1", "", "2"}));
    EXPECT_EQ(SplitString("a,b,", ','), (Items{"a", "b", ""}));
    EXPECT_EQ(SplitString(",", ','), (Items{"", ""}));
    EXPECT_EQ(SplitString("", ','), (Items{""}));
    EXPECT_EQ(SplitString("whole", ','), (Items{"whole"}));
    EXPECT_EQ(SplitString(" 1 , 2", ','), (Items{" 1 ", " 2"}));
    EXPECT_EQ(SplitString("a;b,c", ';'), (Items{"a", "b,c"}));
    EXPECT_EQ(SplitString("0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20", ',').size(), 21u);
}

TEST(PlacementIndex, MissingFileGivesNoneAndFileIsNeverWritten) {
    test::TempDir dir;
    EXPECT_FALSE(OpenPlacementIndex(dir.File("library.phi")).has_value());
    EXPECT_FALSE(OpenPlacementIndex(dir.Path().string()).has_value());

    std::string text = "[Frames]\r\nframeoak=0,1,2\r\n[Shadows]\r\nShadowA=1\r\n";
    test::WriteText(dir.File("library.phi"), text);
    auto index = OpenPlacementIndex(dir.File("library.phi"));
    ASSERT_TRUE(index.has_value());
    EXPECT_EQ(index->ReadString("frames", "FRAMEOAK", ""), "0,1,2");
    EXPECT_EQ(index->ReadString("Shadows", "shadowa", ""), "1");
    EXPECT_TRUE(index->FileName().empty());
    EXPECT_THROW(index->UpdateFile(), Error);
    EXPECT_EQ(test::ReadText(dir.File("library.phi")), text);
}

} // namespace
} // namespace lumetta
