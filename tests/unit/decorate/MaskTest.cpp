// Masks: resampled to the photo's size and blended over it by their own alpha.
#include "decorate/Compose.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

TBitmap32 Uniform(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

// The blend rule written out channel by channel.
TColor32 Blended(TColor32 f, TColor32 b) {
    const int a = AlphaComponent(f);
    if (a == 0) return b;
    if (a == 255) return f;
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int fc = int((f >> shift) & 0xFF), bc = int((b >> shift) & 0xFF);
        out |= TColor32((fc * a + bc * (256 - a) + 128) >> 8) << shift;
    }
    return out;
}

// A mask with hard edges: opaque and transparent blocks, a half-transparent block and a ramp.
TBitmap32 BlockMask(int w, int h) {
    TBitmap32 m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int alpha = 0;
            if (x < w / 4)
                alpha = 255;
            else if (x < w / 2)
                alpha = (y < h / 2) ? 0 : 128;
            else
                alpha = (x * 255) / w;
            m.SetPixel(x, y, Color32((x * 5) & 0xFF, (y * 9) & 0xFF, x < w / 2 ? 255 : 0, alpha));
        }
    return m;
}

void ExpectSamePixels(const TBitmap32& a, const TBitmap32& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << "at (" << x << ", " << y << ")";
}

TEST(ApplyMask, FullyTransparentMaskLeavesThePhoto) {
    const TBitmap32 original = test::PatternBitmap(31, 17);
    TBitmap32 photo = original;
    TBitmap32 mask = Uniform(8, 8, 0x00FFFFFFu);
    ApplyMaskTo(photo, mask);
    ExpectSamePixels(photo, original);
}

TEST(ApplyMask, OpaqueMaskReplacesThePhotoByTheResizedMask) {
    TBitmap32 mask = test::PatternBitmap(9, 6, 3);
    mask.ResetAlpha(); // alpha 255 everywhere stays 255 through the resampler
    TBitmap32 expected = mask;
    ResampleBitmap(expected, 23, 14, sfLanczos);
    TBitmap32 photo = test::PatternBitmap(23, 14, 4);
    ApplyMaskTo(photo, mask);
    ExpectSamePixels(photo, expected);
}

TEST(ApplyMask, SmallMaskIsResampledToThePhotoSizeInEachDirection) {
    const TBitmap32 source = BlockMask(100, 50);
    TBitmap32 resized = source;
    ResampleBitmap(resized, 400, 300, sfLanczos); // factor 4 across, 6 down
    const TBitmap32 original = test::PatternBitmap(400, 300);
    TBitmap32 photo = original;
    TBitmap32 mask = source;
    ApplyMaskTo(photo, mask);

    EXPECT_EQ(mask.Width(), 400);
    EXPECT_EQ(mask.Height(), 300);
    EXPECT_EQ(mask.DrawMode, dmBlend); // kept for later frame compositions
    ExpectSamePixels(mask, resized);
    ASSERT_EQ(photo.Width(), 400);
    ASSERT_EQ(photo.Height(), 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ(photo.Pixel(x, y), Blended(resized.Pixel(x, y), original.Pixel(x, y)))
                << "at (" << x << ", " << y << ")";
}

TEST(ApplyMask, HalfTransparentMaskOverOpaquePhotoGivesAlpha192) {
    TBitmap32 photo = Uniform(20, 15, 0xFF000000u);
    TBitmap32 mask = Uniform(10, 10, 0x80FFFFFFu);
    ApplyMaskTo(photo, mask);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(photo.Pixel(x, y), 0xC0808080u);
}

TEST(ApplyMask, SecondMaskOnTheRestoredSnapshotReplacesTheFirst) {
    const TBitmap32 snapshot = test::PatternBitmap(60, 40, 7);
    TBitmap32 first = BlockMask(30, 20);
    TBitmap32 second = Uniform(5, 5, 0x60204080u);

    TBitmap32 composite = snapshot;
    ApplyMaskTo(composite, first);
    composite.Assign(snapshot); // picking another mask starts again from the snapshot
    TBitmap32 secondAgain = second;
    ApplyMaskTo(composite, second);

    TBitmap32 fresh = test::PatternBitmap(60, 40, 7);
    ApplyMaskTo(fresh, secondAgain);
    ExpectSamePixels(composite, fresh);
    ExpectSamePixels(snapshot, test::PatternBitmap(60, 40, 7)); // the snapshot never changed
}

TEST(ApplyMask, EmptyPhotoRaisesAndEmptiesTheMask) {
    TBitmap32 photo;
    TBitmap32 mask = Uniform(4, 4, 0xFFFFFFFFu);
    try {
        ApplyMaskTo(photo, mask);
        ADD_FAILURE() << "no error";
    } catch (const ETransformError& e) {
        EXPECT_STREQ(e.what(), "Destination bitmap is nil or empty");
    }
    EXPECT_TRUE(mask.Empty());
    EXPECT_TRUE(photo.Empty());
}

} // namespace
} // namespace lumetta
