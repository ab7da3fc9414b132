// Tone tables: the fixed-point ramp, the contrast, brightness and gamma tables with their
// reference values, the table passes over pictures and Auto Contrast.
#include "edit/Tone.h"

#include "base/CpuFeatures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace lumetta;

namespace {

std::vector<int> Entries(const TLookupTable& t, std::initializer_list<int> at) {
    std::vector<int> out;
    for (int i : at)
        out.push_back(t[std::size_t(i)]);
    return out;
}

// A 256 x 1 picture whose pixel x has red x, green 255 - x, blue x / 2 and alpha x.
TBitmap32 Ramp() {
    TBitmap32 b(256, 1);
    for (int x = 0; x < 256; ++x)
        b.SetPixel(x, 0, Color32(x, 255 - x, x / 2, x));
    return b;
}

TEST(BuildRampTable, FixedPointStepsAndTheTopEntry) {
    TLookupTable t{};
    t.fill(7);
    BuildRampTable(t, 10, 0, 20, 255);
    EXPECT_EQ(Entries(t, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}),
              (std::vector<int>{0, 25, 51, 76, 102, 127, 153, 179, 204, 230, 255}));
    // Outside low..high nothing is written.
    EXPECT_EQ(t[9], 7);
    EXPECT_EQ(t[21], 7);

    t.fill(7);
    BuildRampTable(t, 100, 0, 101, 255);
    EXPECT_EQ(Entries(t, {99, 100, 101, 102}), (std::vector<int>{7, 0, 255, 7}));

    // low == high writes nothing, not even the top entry.
    t.fill(7);
    BuildRampTable(t, 42, 0, 42, 255);
    EXPECT_EQ(t[42], 7);

    // The full range climbs by 256 per 255 steps: 0 -> 0, 128 -> 128, 254 -> 254, 255 -> 255.
    BuildRampTable(t, 0, 0, 255, 255);
    EXPECT_EQ(Entries(t, {0, 1, 128, 254, 255}), (std::vector<int>{0, 1, 128, 254, 255}));

    // Another output range: step (200 - 50 + 1) * 65536 / 2.
    BuildRampTable(t, 0, 50, 2, 200);
    EXPECT_EQ(Entries(t, {0, 1, 2}), (std::vector<int>{50, 125, 200}));
}

TEST(ToneTables, ReferenceValues) {
    const TLookupTable identity = IdentityTable();
    EXPECT_EQ(ContrastTable(0), identity);
    EXPECT_EQ(BrightnessTable(0), identity);
    EXPECT_EQ(GammaTable(1), identity);
    EXPECT_EQ(ToneTable(0, 0, 1), identity);

    // 255 * 0.5 = 127.5 rounds to the even 128.
    TLookupTable all128{};
    all128.fill(128);
    EXPECT_EQ(ContrastTable(-1), all128);

    const auto five = {0, 64, 128, 192, 255};
    EXPECT_EQ(Entries(ContrastTable(0.5), five), (std::vector<int>{0, 32, 128, 224, 255}));
    EXPECT_EQ(Entries(ContrastTable(-0.5), five), (std::vector<int>{64, 96, 128, 160, 191}));
    // Full contrast doubles the distance from the middle. 64, 127 and 128 land on exact halves
    // (0.5, 126.5, 128.5); t in single precision lies a little above i / 255 there, so they
    // round up, not to even.
    EXPECT_EQ(Entries(ContrastTable(1), {0, 63, 64, 127, 128, 191, 192, 255}),
              (std::vector<int>{0, 0, 1, 127, 129, 255, 255, 255}));

    TLookupTable all255{}, all0{};
    all255.fill(255);
    EXPECT_EQ(BrightnessTable(1), all255);
    EXPECT_EQ(BrightnessTable(-1), all0);
    const TLookupTable b20 = BrightnessTable(0.2);
    EXPECT_EQ(Entries(b20, {0, 1, 203, 204, 230, 255}),
              (std::vector<int>{51, 52, 254, 255, 255, 255}));

    EXPECT_EQ(Entries(GammaTable(2), {0, 64, 128, 192, 255}),
              (std::vector<int>{0, 16, 64, 145, 255}));
    EXPECT_EQ(Entries(GammaTable(0.5), {0, 64, 128, 192, 255}),
              (std::vector<int>{0, 128, 181, 221, 255}));
    // Exponent 0 gives 1 everywhere, also for 0; exponents beyond 0..5 are held there.
    EXPECT_EQ(GammaTable(0), all255);
    EXPECT_EQ(GammaTable(-3), all255);
    EXPECT_EQ(GammaTable(9), GammaTable(5));
    EXPECT_EQ(Entries(GammaTable(5), {0, 128, 200, 255}), (std::vector<int>{0, 8, 76, 255}));
}

TEST(ToneTables, SliderPositionsAreHundredths) {
    EXPECT_EQ(SliderToneTable(0, 0, 100), IdentityTable());
    EXPECT_EQ(SliderToneTable(50, -20, 200), ToneTable(0.5, -0.2, 2));
    EXPECT_EQ(Entries(SliderToneTable(0, 0, 50), {64, 128, 192}),
              (std::vector<int>{128, 181, 221}));
}

TEST(ToneTables, OneTableEqualsThreePassesRoundedBetween) {
    const double settings[][3] = {
        {0.37, -0.21, 1.7}, {-0.8, 0.45, 0.33}, {1, -1, 2.5}, {0.05, 0.9, 0}};
    for (const auto& s : settings) {
        TBitmap32 passes = Ramp();
        AdjustContrast(passes, s[0]);
        AdjustBrightness(passes, s[1]);
        AdjustGamma(passes, s[2]);
        TBitmap32 once;
        ApplyLookupTable(&once, &passes, IdentityTable()); // just to size it
        const TBitmap32 source = Ramp();
        ApplyLookupTable(&once, &source, ToneTable(s[0], s[1], s[2]));
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(once.Pixel(x, 0), passes.Pixel(x, 0)) << x << " at " << s[0];
    }
}

TEST(ApplyLookupTable, MapsEveryChannelAndMakesEveryPixelOpaque) {
    TLookupTable inverse{};
    for (int i = 0; i < 256; ++i)
        inverse[std::size_t(i)] = std::uint8_t(255 - i);
    TBitmap32 source(3, 2);
    source.SetPixel(0, 0, Color32(10, 20, 30, 0));
    source.SetPixel(2, 1, Color32(255, 0, 128, 77));
    const TBitmap32 before = source;

    TBitmap32 destination(9, 9);
    int notified = 0;
    destination.OnChange = [&] { ++notified; };
    ApplyLookupTable(&destination, &source, inverse);
    EXPECT_EQ(notified, 1);
    ASSERT_EQ(destination.Width(), 3);
    ASSERT_EQ(destination.Height(), 2);
    EXPECT_EQ(destination.Pixel(0, 0), Color32(245, 235, 225, 255));
    EXPECT_EQ(destination.Pixel(2, 1), Color32(0, 255, 127, 255));
    EXPECT_EQ(destination.Pixel(1, 0), Color32(255, 255, 255, 255)); // was transparent black
    // The source is read only, also when the destination shared its pixels.
    TBitmap32 sharing = source;
    ApplyLookupTable(&sharing, &source, inverse);
    EXPECT_EQ(sharing.Pixel(0, 0), Color32(245, 235, 225, 255));
    EXPECT_EQ(source.Pixel(0, 0), before.Pixel(0, 0));
    EXPECT_EQ(source.Pixel(2, 1), Color32(255, 0, 128, 77));

    // An empty source empties the destination.
    const TBitmap32 empty;
    ApplyLookupTable(&destination, &empty, inverse);
    EXPECT_TRUE(destination.Empty());

    try {
        ApplyLookupTable(&destination, nullptr, inverse);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "The source is nil");
    }
    try {
        ApplyLookupTable(nullptr, &source, inverse);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Destination is nil");
    }
}

TEST(ApplyLookupTable, NeutralSettingsKeepColoursButNotAlpha) {
    TBitmap32 b = Ramp();
    AdjustContrast(b, 0);
    AdjustBrightness(b, 0);
    AdjustGamma(b, 1);
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(b.Pixel(x, 0), Color32(x, 255 - x, x / 2, 255));
}

TEST(ApplyLookupTable, ASourceBeyondThePictureLimitsIsRefused) {
    const TBitmap32 wide(70000, 1);
    TBitmap32 target(2, 2);
    EXPECT_THROW(ApplyLookupTable(&target, &wide, IdentityTable()), EOutOfResources);
    EXPECT_EQ(target.Width(), 2);
}

TEST(ApplyChannelTables, EachChannelHasItsOwnTable) {
    TLookupTable r = IdentityTable(), g{}, bl{};
    g.fill(9);
    bl.fill(200);
    TBitmap32 b = Ramp();
    const TBitmap32 snapshot = b; // shares the pixels; must keep the old ones
    ApplyChannelTables(b, r, g, bl);
    EXPECT_EQ(b.Pixel(0, 0), Color32(0, 9, 200, 255));
    EXPECT_EQ(b.Pixel(77, 0), Color32(77, 9, 200, 255));
    EXPECT_EQ(snapshot.Pixel(77, 0), Color32(77, 178, 38, 77));
}

// The vector form (where the processor has one) and the plain form must give the same pixels:
// random tables over random pictures, widths that leave every tail length, and a picture large
// enough to be cut into bands and written with streaming stores.
TEST(ApplyLookupTable, VectorAndPlainFormsAgreeOnRandomPictures) {
    std::mt19937 random(14);
    auto randomTable = [&] {
        TLookupTable t{};
        for (auto& e : t)
            e = std::uint8_t(random());
        return t;
    };
    auto randomPicture = [&](int w, int h) {
        TBitmap32 b(w, h);
        TColor32* p = b.Bits();
        for (std::size_t i = 0; i < b.PixelCount(); ++i)
            p[i] = TColor32(random());
        return b;
    };
    auto expected = [](const TBitmap32& b, const TLookupTable& r, const TLookupTable& g,
                       const TLookupTable& bl) {
        std::vector<TColor32> out(b.PixelCount());
        for (std::size_t i = 0; i < out.size(); ++i) {
            const TColor32 c = b.ConstBits()[i];
            out[i] = Color32(r[RedComponent(c)], g[GreenComponent(c)], bl[BlueComponent(c)]);
        }
        return out;
    };
    auto pixels = [](const TBitmap32& b) {
        return std::vector<TColor32>(b.ConstBits(), b.ConstBits() + b.PixelCount());
    };
    std::vector<std::pair<int, int>> sizes;
    for (int w = 1; w <= 33; ++w)
        sizes.push_back({w, 3});
    sizes.push_back({2048, 2048});
    for (auto level : {cpu::VectorLevel::Avx512, cpu::VectorLevel::Plain}) {
        const bool vector = level != cpu::VectorLevel::Plain;
        cpu::LimitVectorForms(level);
        for (auto [w, h] : sizes) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << (vector ? " vector" : " plain"));
            const TBitmap32 source = randomPicture(w, h);
            const TLookupTable L = randomTable(), r = randomTable(), g = randomTable(),
                               bl = randomTable();
            TBitmap32 mapped;
            ApplyLookupTable(&mapped, &source, L);
            ASSERT_EQ(pixels(mapped), expected(source, L, L, L));
            TBitmap32 inPlace = source;
            ApplyChannelTables(inPlace, r, g, bl);
            ASSERT_EQ(pixels(inPlace), expected(source, r, g, bl));
        }
    }
    cpu::LimitVectorForms(cpu::VectorLevel::Avx512);
}

TEST(AutoContrast, FullRangeLeavesThePictureAloneAlphaIncluded) {
    TBitmap32 b = Ramp(); // red 0..255, green 0..255, blue 0..127
    b.SetPixel(5, 0, Color32(5, 250, 255, 5));
    const TBitmap32 before = b;
    AutoContrast(b);
    EXPECT_TRUE(b.SharesPixelsWith(before)); // not even written
}

TEST(AutoContrast, StretchesEachChannelOnItsOwn) {
    // Red 10..20, green and blue 0..255, alpha mixed.
    TBitmap32 b(3, 1);
    b.SetPixel(0, 0, Color32(10, 0, 255, 0));
    b.SetPixel(1, 0, Color32(15, 255, 0, 128));
    b.SetPixel(2, 0, Color32(20, 100, 37, 255));
    AutoContrast(b);
    EXPECT_EQ(b.Pixel(0, 0), Color32(0, 0, 255, 255));
    EXPECT_EQ(b.Pixel(1, 0), Color32(127, 255, 0, 255));
    EXPECT_EQ(b.Pixel(2, 0), Color32(255, 100, 37, 255));
}

TEST(AutoContrast, ASingleValuedChannelKeepsItsValue) {
    // No blue at all, green fixed at 90, red 50..60.
    TBitmap32 b(2, 2);
    b.Clear(Color32(50, 90, 0, 10));
    b.SetPixel(1, 1, Color32(60, 90, 0, 10));
    AutoContrast(b);
    EXPECT_EQ(b.Pixel(0, 0), Color32(0, 90, 0, 255));
    EXPECT_EQ(b.Pixel(1, 1), Color32(255, 90, 0, 255));

    // One grey pixel: every channel single-valued, only alpha changes.
    TBitmap32 one(1, 1);
    one.SetPixel(0, 0, Color32(33, 44, 55, 66));
    AutoContrast(one);
    EXPECT_EQ(one.Pixel(0, 0), Color32(33, 44, 55, 255));

    TBitmap32 empty;
    AutoContrast(empty);
    EXPECT_TRUE(empty.Empty());
}

} // namespace
