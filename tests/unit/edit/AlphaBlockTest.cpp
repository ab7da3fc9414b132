// The clipboard's alpha block: its layout, putting it back, and blocks that do not fit.
#include "edit/AlphaBlock.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumetta;

namespace {

TBitmap32 Picture(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Color32(x * 40, y * 50, 7, 10 * (y * w + x)));
    return b;
}

TEST(AlphaBlock, CountThenAlphaInPixelOrder) {
    const std::vector<std::uint8_t> block = MakeAlphaBlock(Picture(3, 2));
    const std::vector<std::uint8_t> expected{6, 0, 0, 0, 0, 10, 20, 30, 40, 50};
    EXPECT_EQ(block, expected);
    // The count is little-endian over all four bytes.
    TBitmap32 wide(300, 1);
    const auto big = MakeAlphaBlock(wide);
    ASSERT_EQ(big.size(), 304u);
    EXPECT_EQ(big[0], 0x2C);
    EXPECT_EQ(big[1], 0x01);
    EXPECT_EQ(MakeAlphaBlock(TBitmap32()), (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(AlphaBlock, RoundTripRestoresAlphaAndKeepsColours) {
    const TBitmap32 source = Picture(4, 3);
    TBitmap32 opaque(source);
    opaque.ResetAlpha();
    const auto block = MakeAlphaBlock(source);
    int changes = 0;
    opaque.OnChange = [&] { ++changes; };
    ApplyAlphaBlock(opaque, block.data(), block.size());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(opaque.Pixel(x, y), source.Pixel(x, y));
    EXPECT_EQ(changes, 1);
}

TEST(AlphaBlock, CountOtherThanPixelCountFailsAndChangesNothing) {
    const auto block = MakeAlphaBlock(Picture(3, 2)); // count 6
    TBitmap32 target(2, 2);
    target.Clear(0xFF123456);
    try {
        ApplyAlphaBlock(target, block.data(), block.size());
        FAIL() << "no error";
    } catch (const EAssertionFailed& e) {
        const std::string text = e.what();
        const std::string message = "Alpha count does not match Bitmap pixel count, "
                                    "PasteBitmap32FromClipboard(const Dest: TBitmap32); "
                                    "(AlphaBlock.cpp, line ";
        EXPECT_EQ(text.substr(0, message.size()), message);
        EXPECT_EQ(text.back(), ')');
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(target.ConstBits()[i], 0xFF123456u);
}

TEST(AlphaBlock, APictureBeyondThePictureLimitsIsRefused) {
    TBitmap32 wide(70000, 1);
    std::vector<std::uint8_t> block(4 + 70000, 9);
    block[0] = 0x70;
    block[1] = 0x11;
    block[2] = 0x01;
    EXPECT_THROW(ApplyAlphaBlock(wide, block.data(), block.size()), EOutOfResources);
    EXPECT_EQ(wide.Pixel(0, 0), 0u);
}

TEST(AlphaBlock, ShortBlockIsAnErrorNotAnOverread) {
    TBitmap32 target(2, 2);
    target.Clear(0xFF000000);
    // Count 4 but only three alpha bytes; the vector is exact so ASan sees any overread.
    const std::vector<std::uint8_t> shortBlock{4, 0, 0, 0, 1, 2, 3};
    EXPECT_THROW(ApplyAlphaBlock(target, shortBlock.data(), shortBlock.size()), EReadError);
    const std::vector<std::uint8_t> noCount{4, 0};
    EXPECT_THROW(ApplyAlphaBlock(target, noCount.data(), noCount.size()), EReadError);
    EXPECT_EQ(target.Pixel(0, 0), 0xFF000000u);
    // A longer block is fine: the bytes past the count are ignored.
    const std::vector<std::uint8_t> longBlock{4, 0, 0, 0, 1, 2, 3, 4, 99};
    ApplyAlphaBlock(target, longBlock.data(), longBlock.size());
    EXPECT_EQ(target.Pixel(1, 1), 0x04000000u);
}

} // namespace
