#include "base/PixelMemory.h"
#include "imaging/Bitmap32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace lumetta {
namespace {

bool AllPixels(const TBitmap32& b, TColor32 c) {
    for (std::size_t i = 0; i < b.PixelCount(); ++i)
        if (b.ConstBits()[i] != c) return false;
    return true;
}

TEST(Bitmap, SetSizeKeepsPixelsOnlyAtTheSameSize) {
    TBitmap32 b = test::PatternBitmap(5, 4);
    const TBitmap32 original = b;
    b.SetSize(5, 4);
    EXPECT_TRUE(b.SharesPixelsWith(original));
    b.SetSize(4, 5); // same pixel count, other shape
    EXPECT_EQ(b.Width(), 4);
    EXPECT_TRUE(AllPixels(b, 0));
    b.Clear(0xFFFFFFFFu);
    b.SetWidth(7);
    EXPECT_TRUE(AllPixels(b, 0));
    b.SetSize(-3, 2);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_TRUE(b.Empty());
    b.SetWidth(3); // width then height: each step that changes the size starts over
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_TRUE(AllPixels(b, 0));
}

// Whatever asks for it, storage beyond the picture limit is never obtained; the bitmap is left
// empty with the usual clear message.
TEST(Bitmap, StorageBeyondThePictureLimitIsRefused) {
    TBitmap32 b(4, 4);
    try {
        b.SetSize(20000, 20000);
        FAIL() << "400 million pixels were allocated";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(std::string(e.what()),
                  "A picture of 20000 x 20000 pixels is too large: Lumetta holds pictures of at "
                  "most 65535 pixels a side and 100 megapixels");
    }
    EXPECT_TRUE(b.Empty());
    EXPECT_TRUE(PictureSizeAllowed(10000, 10000));
    EXPECT_FALSE(PictureSizeAllowed(10000, 10001));
    EXPECT_FALSE(PictureSizeAllowed(65536, 1));
    EXPECT_TRUE(PictureSizeAllowed(0, 1'000'000'000));
    EXPECT_NO_THROW(CheckPictureSize(65535, 1525));
    EXPECT_THROW(CheckPictureSize(1, 70000), EOutOfResources);
}

TEST(Bitmap, ReusedLargeStorageIsAlwaysZero) {
    // Large blocks go back to a reuse cache; whatever the last owner wrote must not show
    // through, even in bytes beyond what the previous owner asked for.
    PixelMemory::Trim();
    const int w = 1024;
    for (int h : {2048, 1700, 1950, 2048}) {
        TBitmap32 b(w, h);
        ASSERT_TRUE(AllPixels(b, 0)) << "height " << h;
        b.Clear(0xDEADBEEFu);
    }
    if (PixelMemory::Caches()) {
        EXPECT_GT(PixelMemory::CachedBytes(), 0u);
    }
    // Storage taken for overwriting skips the clearing of what it will write, but not of what
    // lies beyond it: a later, larger request still sees only zeros.
    {
        TBitmap32 b;
        b.SetSizeForOverwrite(w, 1700);
        b.Clear(0x12345678u);
    }
    TBitmap32 larger(w, 2000);
    EXPECT_TRUE(AllPixels(larger, 0));
    PixelMemory::Trim();
    EXPECT_EQ(PixelMemory::CachedBytes(), 0u);
}

TEST(Bitmap, FreedStorageGoesBackToTheSystemWhenNotTakenAgain) {
    if (!PixelMemory::Caches()) GTEST_SKIP() << "pixels come from malloc in this build";
    PixelMemory::Trim();
    PixelMemory::SetCacheLifetime(std::chrono::milliseconds(50));
    { TBitmap32 photo(2048, 2048); }
    // Waits for the cache's own thread; the lifetime is short, the patience long.
    for (int i = 0; i < 1000 && PixelMemory::CachedBytes() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(PixelMemory::CachedBytes(), 0u);
    // A block taken again within its lifetime is reused instead.
    PixelMemory::SetCacheLifetime(PixelMemory::kDefaultLifetime);
    const TColor32* first = nullptr;
    {
        TBitmap32 scratch(2048, 2048);
        first = scratch.ConstBits();
    }
    EXPECT_GT(PixelMemory::CachedBytes(), 0u);
    TBitmap32 again(2048, 2048);
    EXPECT_EQ(again.ConstBits(), first);
    EXPECT_EQ(PixelMemory::CachedBytes(), 0u);
}

TEST(Bitmap, LargeStorageIsSharedSafelyBetweenThreads) {
    // The batch decorator makes and frees big bitmaps on several threads through one reuse
    // cache; every new one must still come out zero and the cache must stay whole.
    std::vector<std::thread> threads;
    std::atomic<int> dirty{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &dirty] {
            for (int i = 0; i < 40; ++i) {
                TBitmap32 b(512, 600 + 64 * ((i + t) % 5)); // 1.2 to 1.8 MB
                if (!AllPixels(b, 0)) ++dirty;
                b.Clear(0xDEADBEEFu);
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(dirty, 0);
    EXPECT_LE(PixelMemory::CachedBytes(), std::size_t(384) << 20);
    PixelMemory::Trim();
}

TEST(Bitmap, CopiesShareUntilOneSideWrites) {
    TBitmap32 a = test::PatternBitmap(6, 3, 5);
    TBitmap32 b;
    b.Assign(a);
    EXPECT_TRUE(a.SharesPixelsWith(b));
    const TColor32 before = a.Pixel(2, 1);
    b.SetPixel(2, 1, 0x12345678u);
    EXPECT_FALSE(a.SharesPixelsWith(b));
    EXPECT_EQ(a.Pixel(2, 1), before);
    EXPECT_EQ(b.Pixel(2, 1), 0x12345678u);
    EXPECT_EQ(b.Pixel(3, 1), a.Pixel(3, 1));

    TBitmap32 c = a;
    c.ScanLine(0)[0] = 1; // writing through a row also detaches
    EXPECT_NE(a.Pixel(0, 0), 1u);
    TBitmap32 d = a;
    d.Clear(0xFF00FF00u);
    EXPECT_FALSE(AllPixels(a, 0xFF00FF00u));
    EXPECT_TRUE(AllPixels(d, 0xFF00FF00u));
}

TEST(Bitmap, AssignCopiesPropertiesOfNonEmptySourcesOnly) {
    TBitmap32 src = test::PatternBitmap(3, 3);
    src.DrawMode = dmBlend;
    src.OuterColor = 0x11223344u;
    src.StretchFilter = sfLanczos;
    src.MasterAlpha = 200;
    src.CombineMode = cmMerge;
    TBitmap32 dst;
    dst.Assign(src);
    EXPECT_EQ(dst.DrawMode, dmBlend);
    EXPECT_EQ(dst.OuterColor, 0x11223344u);
    EXPECT_EQ(dst.StretchFilter, sfLanczos);
    EXPECT_EQ(dst.MasterAlpha, 200);
    EXPECT_EQ(dst.CombineMode, cmBlend);
    EXPECT_EQ(dst.PixelS(-1, 0), 0x11223344u);

    TBitmap32 empty;
    dst.Assign(empty);
    EXPECT_TRUE(dst.Empty());
    EXPECT_EQ(dst.DrawMode, dmBlend);

    TBitmap32 picture = test::PatternBitmap(2, 2);
    TBitmap32 target;
    target.AssignPicture(picture, false);
    EXPECT_EQ(target.Pixel(1, 1), picture.Pixel(1, 1) | 0xFF000000u);
    EXPECT_EQ(target.DrawMode, dmOpaque);
    target.AssignNil();
    EXPECT_TRUE(target.Empty());
}

TEST(Bitmap, EveryModifyingOperationNotifiesOnce) {
    TBitmap32 b(4, 3);
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    const auto once = [&](const char* what, auto&& op) {
        changes = 0;
        op();
        EXPECT_EQ(changes, 1) << what;
    };
    once("Clear", [&] { b.Clear(0xFF102030u); });
    once("ResetAlpha", [&] { b.ResetAlpha(); });
    once("FlipHorz", [&] { b.FlipHorz(); });
    once("FlipVert", [&] { b.FlipVert(); });
    once("Rotate90", [&] { b.Rotate90(); });
    once("Rotate270", [&] { b.Rotate270(); });
    once("SetSize", [&] { b.SetSize(5, 5); });
    once("Resample", [&] { ResampleBitmap(b, 9, 2, sfLanczos); });
    once("Assign", [&] { b.Assign(test::PatternBitmap(2, 2)); });
    once("AssignPicture", [&] { b.AssignPicture(test::PatternBitmap(2, 2), false); });
    changes = 0;
    b.BeginUpdate();
    b.Clear(0);
    b.FlipHorz();
    EXPECT_EQ(changes, 0);
    b.EndUpdate();
    EXPECT_EQ(changes, 1);
}

} // namespace
} // namespace lumetta
