// Floating clip-art and text layers: how one is made and how the picture is rendered with them.
#include "decorate/FloatingLayers.h"
#include "decorate/Compose.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumetta {
namespace {

TBitmap32 Solid(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

TEST(FloatingLayers, ANewLayerHoldsABlendingCopyAtItsPlace) {
    TImgView32 view;
    const TBitmap32 art = Solid(3, 2, 0xFF00FF00); // dmOpaque
    TBitmapLayer* layer = AddPictureLayer(view, art, {1.5f, 2, 4.5f, 4});
    ASSERT_EQ(view.Layers().Count(), 1);
    EXPECT_EQ(layer->Bitmap().DrawMode, dmBlend);
    EXPECT_EQ(art.DrawMode, dmOpaque); // the source is left alone
    EXPECT_TRUE(layer->Scaled());
    EXPECT_EQ(layer->Location(), (TFloatRect{1.5f, 2, 4.5f, 4}));
    EXPECT_EQ(layer->Bitmap().Pixel(2, 1), 0xFF00FF00u);
}

TEST(FloatingLayers, RenderingBlendsEveryLayerAtItsRoundedPlace) {
    TImgView32 view;
    view.Picture().Assign(Solid(6, 4, 0xFF000000));
    TBitmap32 art = Solid(2, 2, 0xFFFF0000);
    art.SetPixel(0, 0, 0x00FFFFFF);                 // transparent: the picture shows
    art.SetPixel(1, 0, 0x80FFFFFF);                 // half: blended
    AddPictureLayer(view, art, {0.5f, 0, 4.5f, 2}); // 4 x 2: each column doubled
    AddPictureLayer(view, Solid(1, 1, 0xFF0000FF), {5, 3, 6, 4});
    TBitmap32 target;
    RenderWithLayers(view, target);
    EXPECT_EQ(view.Layers().Count(), 2); // they stay
    EXPECT_EQ(view.Picture().Pixel(5, 3), 0xFF000000u);
    ASSERT_EQ(target.Width(), 6);
    // The location rounds to 0 .. 4 (ties to even): columns 0, 1 from the transparent pixel.
    EXPECT_EQ(target.Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(target.Pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(target.Pixel(2, 0), 0xC0808080u); // white at 128 over opaque black
    EXPECT_EQ(target.Pixel(3, 1), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(4, 1), 0xFF000000u);
    EXPECT_EQ(target.Pixel(5, 3), 0xFF0000FFu);
    // The view's own picture may be the target.
    view.Layers().Clear();
    AddPictureLayer(view, Solid(1, 1, 0xFF00FF00), {0, 0, 1, 1});
    RenderWithLayers(view, view.Picture());
    EXPECT_EQ(view.Picture().Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(view.Picture().Pixel(1, 0), 0xFF000000u);
}

TEST(FloatingLayers, FrameTemplatesGoByTheirPlacementRecord) {
    TFrameSpec nine;
    nine.Fields = {0, 1, 1, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1};
    TBitmap32 photo = Solid(2, 2, 0xFF000000), frame = Solid(3, 3, 0xFFFFFFFF);
    ApplyFrameTemplate(photo, frame, nine);
    EXPECT_EQ(photo.Width(), 4);
    EXPECT_EQ(photo.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.DrawMode, dmOpaque);

    TFrameSpec stretch;
    stretch.Fields[0] = 1;
    photo = Solid(2, 2, 0xFF000000);
    frame = Solid(3, 3, 0x00FFFFFF);
    ApplyFrameTemplate(photo, frame, stretch);
    EXPECT_EQ(photo.Width(), 2);
    EXPECT_EQ(photo.Pixel(1, 1), 0xFF000000u); // a transparent template shows the photo
    EXPECT_EQ(frame.DrawMode, dmBlend);
    EXPECT_EQ(frame.Width(), 2); // resampled to the photo
}

TEST(FitClipArt, LargeArtComesAtHalfTheShorterSideWithoutADarkRim) {
    // White on its right half, transparent black on its left.
    TBitmap32 art(200, 100);
    art.Clear(0x00000000);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            art.SetPixel(x, y, 0xFFFFFFFF);
    FitClipArtTo(art, 300, 100);
    ASSERT_EQ(art.Width(), 50);
    ASSERT_EQ(art.Height(), 25);
    int visible = 0;
    for (int y = 0; y < art.Height(); ++y)
        for (int x = 0; x < art.Width(); ++x) {
            const TColor32 c = art.Pixel(x, y);
            if ((c >> 24) == 0) continue;
            ++visible;
            EXPECT_GE(std::min({(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF}), 250u)
                << x << "," << y;
        }
    EXPECT_GT(visible, 25 * 24);
    EXPECT_EQ(art.Pixel(2, 12) >> 24, 0u);

    // Art no larger than half the picture keeps its pixels; so does art on an empty picture.
    TBitmap32 small(101, 50);
    small.Clear(0xFF0000FF);
    FitClipArtTo(small, 400, 300);
    EXPECT_EQ(small.Width(), 101);
    FitClipArtTo(small, 0, 0);
    EXPECT_EQ(small.Width(), 101);
}

} // namespace
} // namespace lumetta
