// Nine-piece frames, stretched frames and tiling, checked pixel by pixel on small templates.
#include "base/PixelMemory.h"
#include "decorate/Compose.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <initializer_list>
#include <utility>

namespace lumetta {
namespace {

constexpr TColor32 kWhite0 = 0x00FFFFFFu; // canvas pixels no piece covers

enum Field {
    StretchToPhoto = 0,
    PhotoX,
    PhotoY,
    ExtraWidth,
    ExtraHeight,
    TopLeftWidth,
    TopLeftHeight,
    TopTileWidth,
    TopTileHeight,
    TopRightWidth,
    TopRightHeight,
    LeftWidth,
    LeftTileHeight,
    RightWidth,
    RightTileHeight,
    BottomLeftWidth,
    BottomLeftHeight,
    BottomRightWidth = 19,
    BottomRightHeight = 20,
};

TFrameSpec Record(std::initializer_list<std::pair<Field, int>> values) {
    TFrameSpec s;
    for (auto [field, value] : values)
        s.Fields[field] = value;
    return s;
}

// Every pixel names its own position, so a canvas pixel tells where in the template it came
// from.
TColor32 Code(int x, int y) {
    return Color32(x, y, 0x5A);
}

TBitmap32 Coded(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Code(x, y));
    return b;
}

TBitmap32 Uniform(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

// A template pixel as it arrives in a scratch bitmap in blend mode: blended onto transparent
// black.
TColor32 OntoTransparentBlack(TColor32 c) {
    const int a = AlphaComponent(c);
    if (a == 0) return 0;
    if (a == 255) return c;
    auto scale = [a](int v) { return (v * a + 128) >> 8; };
    return Color32(scale(RedComponent(c)), scale(GreenComponent(c)), scale(BlueComponent(c)),
                   scale(a));
}

void ExpectPixels(const TBitmap32& b, int w, int h,
                  const std::function<TColor32(int x, int y)>& expected) {
    ASSERT_EQ(b.Width(), w);
    ASSERT_EQ(b.Height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(b.Pixel(x, y), expected(x, y)) << "at (" << x << ", " << y << ")";
}

TEST(ComposeFrame, AllZeroRecordLeavesThePhoto) {
    const TBitmap32 original = test::PatternBitmap(7, 5);
    TBitmap32 photo = original;
    ComposeFrame(photo, Coded(6, 6), TFrameSpec{});
    ExpectPixels(photo, 7, 5, [&](int x, int y) { return original.Pixel(x, y); });
}

TEST(ComposeFrame, PhotoAtOriginLeavesTheFrameRightAndBelowAndUncoveredPixelsWhite) {
    const TBitmap32 frame = Coded(30, 30);
    const TBitmap32 original = test::PatternBitmap(20, 20);
    TBitmap32 photo = original;
    // Nine 10-pixel pieces, except a right band only 5 wide: the 5 columns beside it belong to
    // no piece.
    ComposeFrame(photo, frame,
                 Record({{ExtraWidth, 10},
                         {ExtraHeight, 10},
                         {TopLeftWidth, 10},
                         {TopLeftHeight, 10},
                         {TopTileWidth, 10},
                         {TopTileHeight, 10},
                         {TopRightWidth, 10},
                         {TopRightHeight, 10},
                         {LeftWidth, 10},
                         {LeftTileHeight, 10},
                         {RightWidth, 5},
                         {RightTileHeight, 10},
                         {BottomLeftWidth, 10},
                         {BottomLeftHeight, 10},
                         {BottomRightWidth, 10},
                         {BottomRightHeight, 10}}));
    ExpectPixels(photo, 30, 30, [&](int x, int y) {
        if (x < 20 && y < 20) return original.Pixel(x, y);
        if (x >= 20 && x < 25 && y >= 10 && y < 20) return kWhite0;
        return Code(x, y);
    });
}

TEST(ComposeFrame, TopTileRepeatsAcrossTheStripAndIsCutAtTheBandHeight) {
    const TBitmap32 frame = Coded(10, 6);
    // Canvas 13 wide: strip from x = 2 to 10 (8 columns) holds tiles 3, 3 and a cut 2.
    for (int tileHeight : {5, 2}) {
        const int bandHeight = tileHeight == 5 ? 3 : 5; // tile taller, then shorter
        SCOPED_TRACE(tileHeight);
        TBitmap32 photo;
        ComposeFrame(photo, frame,
                     Record({{ExtraWidth, 13},
                             {ExtraHeight, bandHeight},
                             {TopLeftWidth, 2},
                             {TopLeftHeight, bandHeight},
                             {TopTileWidth, 3},
                             {TopTileHeight, tileHeight},
                             {TopRightWidth, 3},
                             {TopRightHeight, 1}}));
        ExpectPixels(photo, 13, bandHeight, [&](int x, int y) {
            if (x < 2) return Code(x, y); // top-left corner, as large as its source
            // The 5x1 top-right part squeezed to 3 columns (scale 5/3) and stretched down.
            const int squeezed[] = {5, 6, 8};
            if (x >= 10) return Code(squeezed[x - 10], 0);
            return Code(2 + (x - 2) % 3, y % tileHeight);
        });
    }
}

TEST(ComposeFrame, CornersOfAnotherSizeAreStretchedByNearestNeighbour) {
    const TBitmap32 frame = Coded(8, 4);
    TBitmap32 photo;
    // The top-right template part is 4 x 2 (x 4..7); on the canvas it is 8 x 4.
    ComposeFrame(photo, frame,
                 Record({{ExtraWidth, 12},
                         {ExtraHeight, 4},
                         {TopLeftWidth, 2},
                         {TopLeftHeight, 4},
                         {TopTileWidth, 2},
                         {TopTileHeight, 4},
                         {TopRightWidth, 8},
                         {TopRightHeight, 2}}));
    ExpectPixels(photo, 12, 4, [&](int x, int y) {
        if (x >= 4) return Code(4 + (x - 4) / 2, y / 2);
        return Code(x, y); // corner and a 2-wide strip holding exactly one tile
    });
}

// A 6x6 template cut into four 3x3 corners; with no photo the canvas is the template again.
TFrameSpec FourCorners() {
    return Record({{PhotoX, 2},
                   {PhotoY, 2},
                   {ExtraWidth, 6},
                   {ExtraHeight, 6},
                   {TopLeftWidth, 3},
                   {TopLeftHeight, 3},
                   {TopRightWidth, 3},
                   {TopRightHeight, 3},
                   {BottomLeftWidth, 3},
                   {BottomLeftHeight, 3},
                   {BottomRightWidth, 3},
                   {BottomRightHeight, 3}});
}

// Opaque top-left, fully transparent top-right, half-transparent bottom-left and assorted
// alphas bottom-right.
TBitmap32 AlphaTemplate() {
    TBitmap32 b(6, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            TColor32 c;
            if (y < 3)
                c = x < 3 ? Color32(255, 10 * x, 10 * y) : 0x00123456u;
            else
                c = x < 3 ? Color32(200, 100, 50, 128) : Color32(x * 40, y * 30, 7, x * 40 + y);
            b.SetPixel(x, y, c);
        }
    return b;
}

TEST(ComposeFrame, WithoutPhotoTheCanvasIsTheBareExtraSizeWithThePieces) {
    const TBitmap32 frame = AlphaTemplate();
    TBitmap32 photo;
    ComposeFrame(photo, frame, FourCorners());
    // An opaque template arrives unchanged, alpha and hidden colours included.
    ExpectPixels(photo, 6, 6, [&](int x, int y) { return frame.Pixel(x, y); });
}

TEST(ComposeFrame, TemplateInBlendModeArrivesBlendedOntoTransparentBlack) {
    TBitmap32 frame = AlphaTemplate();
    frame.DrawMode = dmBlend; // as a mask or stretched frame leaves the object image
    TBitmap32 photo;
    ComposeFrame(photo, frame, FourCorners());
    EXPECT_EQ(photo.Pixel(0, 4), 0x40643219u); // (200, 100, 50) at 128: halves, alpha 64
    // The transparent top-right corner must not show the top-left corner, which went through
    // the same 3x3 scratch bitmap just before.
    EXPECT_EQ(photo.Pixel(4, 1), 0u);
    ExpectPixels(photo, 6, 6,
                 [&](int x, int y) { return OntoTransparentBlack(frame.Pixel(x, y)); });
}

TEST(ComposeFrame, PiecesWithNothingToTakeAreSkipped) {
    const TBitmap32 frame = Coded(6, 6);
    TBitmap32 photo;
    TFrameSpec placement = FourCorners();
    placement.Fields[TopRightHeight] = 0; // top-right source empty, destination 3x3
    placement.Fields[ExtraHeight] = 8;    // a 2-row left band whose tile is empty
    placement.Fields[LeftWidth] = 3;
    ComposeFrame(photo, frame, placement);
    // The top-right corner went through the scratch bitmap the top-left one had just filled:
    // it must not appear there again, nor as transparent black.
    ExpectPixels(photo, 6, 8, [&](int x, int y) {
        if (x < 3 && y < 3) return Code(x, y);
        if (y >= 5) return Code(x, y - 2); // bottom corners
        return kWhite0;
    });
}

TEST(ComposeFrame, SourceOutsideTheTemplateRaisesAndLeavesThePhoto) {
    const TBitmap32 original = test::PatternBitmap(5, 5);
    const TFrameSpec badEdge = Record({{ExtraWidth, 4},
                                       {ExtraHeight, 4},
                                       {TopLeftWidth, 2},
                                       {TopLeftHeight, 2},
                                       {TopTileWidth, 5},
                                       {TopTileHeight, 2}}); // 2 + 5 > 6
    const TFrameSpec badCorner = Record({{ExtraWidth, 4}, {TopLeftWidth, 7}, {TopLeftHeight, 1}});
    for (const TFrameSpec& placement : {badEdge, badCorner}) {
        TBitmap32 photo = original;
        try {
            ComposeFrame(photo, Coded(6, 6), placement);
            ADD_FAILURE() << "no error";
        } catch (const ETransformError& e) {
            EXPECT_STREQ(e.what(), "Source rectangle is invalid");
        }
        EXPECT_EQ(photo.Width(), 5);
        EXPECT_TRUE(photo.SharesPixelsWith(original));
    }
}

TEST(ComposeFrame, OutlandishRecordsStaySafe) {
    const TBitmap32 frame = Coded(6, 6);
    // A bottom strip reaching two billion pixels left of the canvas: only its visible part is
    // built, in the same phase as the whole strip.
    TBitmap32 photo;
    ComposeFrame(photo, frame,
                 Record({{ExtraWidth, 9},
                         {ExtraHeight, 2},
                         {TopLeftWidth, 2},
                         {BottomLeftWidth, -2000000000},
                         {BottomLeftHeight, 2},
                         {BottomRightWidth, 2},
                         {BottomRightHeight, 2}}));
    ExpectPixels(photo, 9, 2, [&](int x, int y) {
        if (x >= 7) return Code(4 + x - 7, 4 + y);
        return Code(2 + x % 2, 4 + y);
    });

    // A canvas wider than any bitmap can be fails cleanly; a negative one is empty.
    TBitmap32 wide = test::PatternBitmap(10, 10);
    const TBitmap32 before = wide;
    EXPECT_THROW(ComposeFrame(wide, frame, Record({{ExtraWidth, INT_MAX}})), EOutOfResources);
    EXPECT_TRUE(wide.SharesPixelsWith(before));
    ComposeFrame(wide, frame, Record({{ExtraWidth, -50}}));
    EXPECT_EQ(wide.Width(), 0);
    EXPECT_TRUE(wide.Empty());
    // No side of a canvas without pixels is two billion rows long.
    TBitmap32 tall = test::PatternBitmap(10, 10);
    ComposeFrame(tall, frame, Record({{ExtraWidth, -50}, {ExtraHeight, 2000000000}}));
    EXPECT_EQ(tall.Width(), 0);
    EXPECT_EQ(tall.Height(), 0);
}

// A placement record from a hostile library.phi asking for a canvas beyond the picture limits
// (40100 x 40100 would take 6.4 GB) is refused before anything is allocated.
TEST(ComposeFrame, CanvasesBeyondThePictureLimitsAreRefused) {
    const TBitmap32 frame = Coded(6, 6);
    TBitmap32 photo = test::PatternBitmap(100, 100);
    const TBitmap32 before = photo;
    const std::size_t cached = PixelMemory::CachedBytes();
    EXPECT_EQ(test::ErrorText([&] {
                  ComposeFrame(photo, frame, Record({{ExtraWidth, 40000}, {ExtraHeight, 40000}}));
              }),
              "A picture of 40100 x 40100 pixels is too large: Lumetta holds pictures of at most "
              "65535 pixels a side and 100 megapixels");
    EXPECT_TRUE(photo.SharesPixelsWith(before));
    EXPECT_EQ(PixelMemory::CachedBytes(), cached);
    EXPECT_THROW(ComposeFrame(photo, frame, Record({{ExtraWidth, 65436}})), EOutOfResources);
    // At the limits themselves the canvas is made.
    TBitmap32 thin = test::PatternBitmap(1, 1);
    ComposeFrame(thin, frame, Record({{ExtraWidth, 65534}}));
    EXPECT_EQ(thin.Width(), 65535);
}

TEST(TileBitmap, RepeatsFromTheTopLeftAndCutsAtTheEdges) {
    const TBitmap32 tile = Coded(3, 2);
    TBitmap32 dst(7, 5);
    EXPECT_TRUE(TileBitmap(dst, tile));
    ExpectPixels(dst, 7, 5, [](int x, int y) { return Code(x % 3, y % 2); });

    TBitmap32 small(2, 1);
    EXPECT_TRUE(TileBitmap(small, Coded(3, 3)));
    ExpectPixels(small, 2, 1, [](int x, int y) { return Code(x, y); });
}

// Opaque tiles are copied row by row rather than drawn one by one: the same pixels, alpha
// included, and a one-pixel tile over a large piece costs no more than the piece.
TEST(TileBitmap, OpaqueTilesGiveWhatDrawingEveryTileGives) {
    const TBitmap32 tile = test::PatternBitmap(7, 5, 3); // every alpha, transparent ones too
    TBitmap32 copied(50, 23), drawn(50, 23);
    ASSERT_TRUE(TileBitmap(copied, tile));
    for (int y = 0; y < 23; y += 5)
        for (int x = 0; x < 50; x += 7)
            drawn.Draw(x, y, tile);
    ExpectPixels(copied, 50, 23, [&](int x, int y) { return drawn.Pixel(x, y); });

    TBitmap32 big(4000, 3000);
    ASSERT_TRUE(TileBitmap(big, Uniform(1, 1, 0x80102030u)));
    EXPECT_EQ(big.Pixel(3999, 2999), 0x80102030u);
}

TEST(TileBitmap, EmptyBitmapsGiveFalse) {
    TBitmap32 dst = Uniform(4, 4, 0xFF112233u);
    EXPECT_FALSE(TileBitmap(dst, TBitmap32()));
    EXPECT_FALSE(TileBitmap(dst, TBitmap32(3, 0)));
    TBitmap32 empty(0, 5);
    EXPECT_FALSE(TileBitmap(empty, Coded(2, 2)));
    ExpectPixels(dst, 4, 4, [](int, int) { return 0xFF112233u; });
}

TEST(StretchFrame, KeepsThePhotoSizeAndLeavesTheFrameResizedInBlendMode) {
    const TBitmap32 original = test::PatternBitmap(40, 30);
    TBitmap32 photo = original;
    TBitmap32 clear = Uniform(10, 10, 0x00FF0000u);
    StretchFrame(photo, clear);
    EXPECT_EQ(clear.Width(), 40);
    EXPECT_EQ(clear.Height(), 30);
    EXPECT_EQ(clear.DrawMode, dmBlend);
    ExpectPixels(photo, 40, 30, [&](int x, int y) { return original.Pixel(x, y); });
}

TEST(StretchFrame, EmptyPhotoRaises) {
    TBitmap32 photo;
    TBitmap32 frame = Coded(4, 4);
    try {
        StretchFrame(photo, frame);
        ADD_FAILURE() << "no error";
    } catch (const ETransformError& e) {
        EXPECT_STREQ(e.what(), "Destination bitmap is nil or empty");
    }
    EXPECT_TRUE(photo.Empty());
}

} // namespace
} // namespace lumetta
