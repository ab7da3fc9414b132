#include "ViewTestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

using test::PatternBitmap;
using test::ReferenceBlend;
using test::SetUpView;

constexpr TColor32 kWhite = 0xFFFFFFFFu;
constexpr TColor32 kBlack = 0xFF000000u;
constexpr TColor32 kGrey = 0xFF808080u;

TBitmap32 Opaque(int w, int h, unsigned seed) {
    TBitmap32 b = PatternBitmap(w, h, seed);
    b.ResetAlpha();
    return b;
}

TEST(ViewPaint, OpaquePictureFillsOnlyOutsideTheBitmapRectangle) {
    TImgView32 view;
    const TBitmap32 pic = Opaque(10, 6, 3);
    SetUpView(view, 30, 20, pic);
    view.SetBackgroundColor(kGrey);
    TBitmap32 buffer;
    view.Paint(buffer);
    ASSERT_EQ(buffer.Width(), 30);
    ASSERT_EQ(buffer.Height(), 20);
    const TRect r = view.BitmapRect();
    ASSERT_EQ(r, (TRect{10, 7, 20, 13}));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
            ASSERT_EQ(buffer.Pixel(x, y), inside ? pic.Pixel(x - r.Left, y - r.Top) : kGrey)
                << x << "," << y;
        }
}

TEST(ViewPaint, TransparentPixelsShowOverTheCheckerboardUnderTheLayers) {
    TImgView32 view;
    TBitmap32 pic = Opaque(12, 10, 3);
    for (int x = 0; x < 12; ++x) {
        pic.SetPixel(x, 0, 0x00000000u); // transparent black: shows as the checkerboard
        pic.SetPixel(x, 9, 0x80000000u); // half black over it
    }
    SetUpView(view, 40, 40, pic, 2.0f); // bitmap rect (8, 10, 32, 30)
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().SetSize(1, 1);
    layer->Bitmap().Clear(0xFF0000FFu);
    layer->Bitmap().DrawMode = dmBlend;
    layer->SetScaled(true);
    layer->SetLocation({0, 0, 1, 1});
    TBitmap32 buffer;
    view.Paint(buffer);
    const TRect r = view.BitmapRect();
    ASSERT_EQ(r, (TRect{8, 10, 32, 30}));
    for (int x = r.Left; x < r.Right; ++x) {
        const int dx = x - r.Left;
        const TColor32 cell0 = CheckerboardColor(dx, 0), cell19 = CheckerboardColor(dx, 19);
        if (dx >= 2) ASSERT_EQ(buffer.Pixel(x, r.Top), cell0) << x;
        ASSERT_EQ(buffer.Pixel(x, r.Bottom - 1), ReferenceBlend(0x80000000u, cell19) | 0xFF000000u)
            << x;
        ASSERT_EQ(buffer.Pixel(x, r.Top + 5), pic.Pixel(dx / 2, 2)) << x; // opaque rows as they are
    }
    // Light and dark cells of eight screen pixels, light at the picture's corner.
    EXPECT_EQ(CheckerboardColor(0, 0), kCheckerLight);
    EXPECT_EQ(CheckerboardColor(7, 7), kCheckerLight);
    EXPECT_EQ(CheckerboardColor(8, 0), kCheckerDark);
    EXPECT_EQ(CheckerboardColor(8, 8), kCheckerLight);
    EXPECT_EQ(buffer.Pixel(r.Left, r.Top), 0xFF0000FFu); // the layer lies on top
    EXPECT_EQ(buffer.Pixel(0, 0), kWhite);               // the background stays

    // A partial repaint shows the same cells; PaintTo keeps the picture's alpha.
    TBitmap32 part(40, 40);
    view.Paint(part, {13, 9, 27, 12});
    for (int x = 13; x < 27; ++x)
        ASSERT_EQ(part.Pixel(x, 10), buffer.Pixel(x, 10)) << x;
    TBitmap32 out(12, 10);
    view.PaintTo(out, {0, 0, 12, 10});
    EXPECT_EQ(out.Pixel(5, 0), 0x00000000u);
    EXPECT_EQ(out.Pixel(5, 9), 0x80000000u);
}

TEST(ViewPaint, BlendedPictureIsPaintedOverTheBackground) {
    TImgView32 view;
    TBitmap32 pic = PatternBitmap(4, 4, 9);
    pic.DrawMode = dmBlend;
    SetUpView(view, 4, 4, pic);
    TBitmap32 buffer;
    view.Paint(buffer);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(buffer.Pixel(x, y), ReferenceBlend(pic.Pixel(x, y), kWhite));
}

TEST(ViewPaint, BitmapLayerTwiceItsSizeShowsTwoByTwoBlocks) {
    // At view Scale 2 a layer of 3 x 2 picture pixels with a 3 x 2 bitmap is shown 6 x 4.
    TImgView32 view;
    SetUpView(view, 40, 40, Opaque(20, 20, 1), 2.0f); // bitmap rect (0, 0, 40, 40)
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().Assign(Opaque(3, 2, 5));
    layer->Bitmap().DrawMode = dmBlend;
    layer->SetScaled(true);
    layer->SetLocation({1, 2, 4, 4});
    EXPECT_EQ(layer->AdjustedLocation(), (TFloatRect{2, 4, 8, 8}));
    TBitmap32 buffer;
    view.Paint(buffer);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i)
            for (int d = 0; d < 4; ++d)
                EXPECT_EQ(buffer.Pixel(2 + 2 * i + d % 2, 4 + 2 * j + d / 2),
                          layer->Bitmap().Pixel(i, j));
    EXPECT_EQ(buffer.Pixel(1, 4), view.Picture().Pixel(0, 2)); // just left of the layer
}

TEST(ViewPaint, PaintToReproducesAnOpaquePictureWhenLayersAreHidden) {
    TImgView32 view;
    // The on-screen state (zoomed, scrolled, tiny control) must not matter.
    view.SetScrollBarSize(3);
    SetUpView(view, 25, 15, PatternBitmap(37, 23, 4), 2.5f);
    view.SetScroll(7, 9);
    const TViewTransform onScreen = view.Transform();
    auto* hidden = view.Layers().Add<TBitmapLayer>();
    hidden->Bitmap().Assign(Opaque(8, 8, 2));
    hidden->SetScaled(true);
    hidden->SetVisible(false);
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetLayerOptions(LayerNoUpdate);

    TBitmap32 out(37, 23);
    view.PaintTo(out, {0, 0, 37, 23});
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(out.Pixel(x, y), view.Picture().Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(view.Transform(), onScreen);
}

TEST(ViewPaint, PaintToBlendsVisibleLayersAtPictureScale) {
    TImgView32 view;
    SetUpView(view, 100, 100, Opaque(12, 10, 8), 3.0f);
    TBitmap32 art = PatternBitmap(3, 2, 6); // mixed alphas, 0 and 255 among them
    art.SetPixel(0, 0, 0x00123456u);
    art.SetPixel(1, 0, 0xFF654321u);
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().Assign(art);
    layer->Bitmap().DrawMode = dmBlend;
    layer->SetScaled(true);
    // Edges at half pixels round to even: 1.5 -> 2, 4.5 -> 4; the 3 columns fit into 2.
    layer->SetLocation({1.5f, 3, 4.5f, 5});
    TBitmap32 out(12, 10);
    view.PaintTo(out, {0, 0, 12, 10});
    const TBitmap32& pic = view.Picture();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            TColor32 expect = pic.Pixel(x, y);
            if (x >= 2 && x < 4 && y >= 3 && y < 5) {
                const int sx = x == 2 ? 0 : 1; // trunc((x - 2) * 1.5)
                expect = ReferenceBlend(art.Pixel(sx, y - 3), expect);
            }
            ASSERT_EQ(out.Pixel(x, y), expect) << x << "," << y;
        }
    EXPECT_EQ(out.Pixel(2, 3), pic.Pixel(2, 3)); // alpha 0 leaves the picture
    EXPECT_EQ(out.Pixel(3, 3), 0xFF654321u);     // alpha 255 replaces it
}

TEST(ViewPaint, PaintToIntoThePictureItself) {
    TImgView32 view;
    SetUpView(view, 50, 50, Opaque(6, 6, 3));
    const TBitmap32 before(view.Picture());
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().SetSize(2, 2);
    layer->Bitmap().Clear(0xFF0000FFu);
    layer->Bitmap().DrawMode = dmBlend;
    layer->SetScaled(true);
    layer->SetLocation({4, 4, 6, 6});
    view.PaintTo(view.Picture(), {0, 0, 6, 6});
    EXPECT_EQ(view.Picture().Pixel(0, 0), before.Pixel(0, 0));
    EXPECT_EQ(view.Picture().Pixel(3, 5), before.Pixel(3, 5));
    EXPECT_EQ(view.Picture().Pixel(5, 5), 0xFF0000FFu);
}

TEST(ViewPaint, PartialRepaintMatchesAFullRepaintInsideTheArea) {
    TImgView32 view;
    SetUpView(view, 64, 48, Opaque(30, 40, 11), 2.5f);
    view.SetScroll(5, 13);
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().Assign(PatternBitmap(7, 5, 12));
    layer->Bitmap().DrawMode = dmBlend;
    layer->SetScaled(true);
    layer->SetLocation({3.5f, 7, 19, 15.5f});
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetChildLayer(layer);

    TBitmap32 full;
    view.Paint(full);
    const TRect areas[] = {{0, 0, 64, 48}, {5, 3, 29, 31}, {17, 20, 18, 21}, {-10, 40, 100, 90}};
    for (const TRect& area : areas) {
        TBitmap32 part(64, 48);
        part.Clear(0x12345678u);
        view.Paint(part, area);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool inside =
                    x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom;
                ASSERT_EQ(part.Pixel(x, y), inside ? full.Pixel(x, y) : 0x12345678u)
                    << area.Left << "," << area.Top << " at " << x << "," << y;
            }
    }
}

TEST(ViewPaint, SelectionFrameStippleAndHandles) {
    TImgView32 view; // empty picture: identity transform, whole buffer is background
    view.SetControlSize(60, 60);
    view.SetBackgroundColor(kGrey);
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetLocation({10, 10, 30, 25}); // 20 x 15; outline through (10,10)..(29,24)
    TBitmap32 b;
    view.Paint(b);

    // Top edge, left to right from the top-left pixel: white, white, black, black, ...
    EXPECT_EQ(b.Pixel(13, 10), kBlack); // position 3
    EXPECT_EQ(b.Pixel(14, 10), kWhite); // 4
    EXPECT_EQ(b.Pixel(16, 10), kBlack); // 6
    EXPECT_EQ(b.Pixel(23, 10), kWhite); // 13
    EXPECT_EQ(b.Pixel(24, 10), kBlack); // 14
    // Right edge downwards from (29, 11): position 19 + (y - 10).
    EXPECT_EQ(b.Pixel(29, 13), kBlack); // 22
    EXPECT_EQ(b.Pixel(29, 20), kWhite); // 29
    EXPECT_EQ(b.Pixel(29, 21), kBlack); // 30
    // Bottom edge right to left from (28, 24): position 62 - x.
    EXPECT_EQ(b.Pixel(26, 24), kWhite); // 36
    EXPECT_EQ(b.Pixel(24, 24), kBlack); // 38
    EXPECT_EQ(b.Pixel(13, 24), kWhite); // 49
    // Left edge upwards from (10, 23): position 76 - y.
    EXPECT_EQ(b.Pixel(10, 13), kBlack); // 63
    EXPECT_EQ(b.Pixel(10, 20), kWhite); // 56
    EXPECT_EQ(b.Pixel(10, 21), kBlack); // 55
    EXPECT_EQ(b.Pixel(15, 15), kGrey);  // inside is not painted

    // Handles: (x - 3, y - 3) to (x + 3, y + 3) exclusive, white with a black border.
    struct Handle {
        int x, y;
    };
    const Handle handles[] = {{10, 10}, {30, 10}, {10, 25}, {30, 25},
                              {20, 10}, {10, 17}, {30, 17}, {20, 25}};
    for (const Handle& h : handles) {
        for (int y = h.y - 3; y < h.y + 3; ++y)
            for (int x = h.x - 3; x < h.x + 3; ++x) {
                const bool border = x == h.x - 3 || x == h.x + 2 || y == h.y - 3 || y == h.y + 2;
                ASSERT_EQ(b.Pixel(x, y), border ? kBlack : kWhite)
                    << "handle " << h.x << "," << h.y << " at " << x << "," << y;
            }
    }
    EXPECT_EQ(b.Pixel(6, 6), kGrey);
    EXPECT_EQ(b.Pixel(33, 28), kGrey);
}

TEST(ViewPaint, SelectionFrameClipsAtTheBufferEdges) {
    TImgView32 view;
    view.SetControlSize(20, 20);
    view.SetBackgroundColor(kGrey);
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetLocation({-50, 2, 70, 15}); // top handle in the middle at x 7 .. 12
    TBitmap32 b;
    view.Paint(b); // must stay inside the buffer (checked by the sanitizers)
    // Top edge position x + 50: x = 0 -> 50 (black), x = 2 -> 52 (white).
    EXPECT_EQ(b.Pixel(0, 2), kBlack);
    EXPECT_EQ(b.Pixel(2, 2), kWhite);
    EXPECT_EQ(b.Pixel(5, 8), kGrey);
}

} // namespace
} // namespace lumetta
