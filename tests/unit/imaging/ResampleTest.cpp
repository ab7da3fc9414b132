#include "imaging/Resample.h"
#include "base/CpuFeatures.h"
#include "imaging/Bitmap32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace lumetta {
namespace {

using Taps = std::vector<std::pair<int, int>>; // (source index, weight)

// The tap construction written out plainly, kernel included, as a check on the table builder.
float NaiveKernel(float x) {
    if (std::fabs(x) >= 3.0f) return 0.0f;
    const float pi = 3.14159265358979323846f;
    const float a = x == 0.0f ? 1.0f : std::sin(pi * x) / (pi * x);
    const float x3 = x / 3.0f;
    const float b = x3 == 0.0f ? 1.0f : std::sin(pi * x3) / (pi * x3);
    return a * b;
}

std::vector<Taps> NaiveTaps(int s, int d) {
    std::vector<Taps> all(d);
    for (int i = 0; i < d; ++i) {
        Taps& t = all[i];
        if (s == 1) {
            t = {{0, 256}};
            continue;
        }
        const float scale = float(d) / float(s);
        const float inv = 1.0f / scale;
        const float centre = (float(i) + 0.5f) * inv - 0.5f;
        const float radius = scale < 1.0f ? 3.0f * inv : 3.0f;
        for (int j = int(std::floor(centre - radius)); j <= int(std::ceil(centre + radius)); ++j) {
            float w = scale < 1.0f ? NaiveKernel((centre - float(j)) * scale) * 256.0f * scale
                                   : NaiveKernel(centre - float(j)) * 256.0f;
            const int weight = int(std::nearbyint(w));
            if (weight != 0) t.push_back({std::min(std::max(j, 0), s - 1), weight});
        }
        if (t.empty()) t.push_back({int(std::floor(centre)), 256});
        int sum = 0;
        for (auto& tap : t)
            sum += tap.second;
        t[(t.size() - 1) / 2].second -= sum - 256;
    }
    return all;
}

TEST(LanczosTaps, MatchPlainConstruction) {
    const std::pair<int, int> sizes[] = {{1, 5},    {5, 1},     {2, 3},       {7, 3},
                                         {3, 7},    {10, 9},    {9, 10},      {100, 37},
                                         {37, 100}, {640, 480}, {480, 640},   {1000, 1},
                                         {1000, 3}, {250, 2},   {6000, 1500}, {1500, 6000}};
    for (auto [s, d] : sizes) {
        const TTapTable table = BuildLanczosTaps(s, d);
        const std::vector<Taps> naive = NaiveTaps(s, d);
        ASSERT_EQ(table.Size(), d);
        for (int i = 0; i < d; ++i) {
            Taps got;
            int sum = 0;
            for (int k = table.Start[i]; k < table.Start[i + 1]; ++k) {
                got.push_back({table.Index[k], table.Weight[k]});
                sum += table.Weight[k];
                ASSERT_GE(table.Index[k], 0);
                ASSERT_LT(table.Index[k], s);
            }
            ASSERT_EQ(got, naive[i]) << s << " -> " << d << " index " << i;
            ASSERT_EQ(sum, 256);
        }
    }
}

TEST(LanczosTaps, KnownValues) {
    EXPECT_EQ(LanczosKernel(0.0f), 1.0f);
    EXPECT_EQ(LanczosKernel(3.0f), 0.0f);
    EXPECT_EQ(LanczosKernel(-4.5f), 0.0f);
    EXPECT_NEAR(LanczosKernel(0.5f), 0.6079271f, 1e-6f);
    EXPECT_NEAR(LanczosKernel(1.0f), 0.0f, 1e-6f);
    // Doubling: destination 0 has centre -0.25, so j runs -4..3; -1 and 0 clamp to index 0.
    const TTapTable t = BuildLanczosTaps(4, 8);
    ASSERT_GE(t.Count(0), 4);
    EXPECT_EQ(t.Index[t.Start[0]], 0);
    // Same size along an axis is the identity: one tap of 256.
    const TTapTable same = BuildLanczosTaps(9, 9);
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(same.Count(i), 1);
        EXPECT_EQ(same.Index[same.Start[i]], i);
        EXPECT_EQ(same.Weight[same.Start[i]], 256);
    }
}

// Direct evaluation of the filter from the plain taps: S = sum_x wx * sum_y wy * channel.
TBitmap32 NaiveResample(const TBitmap32& src, int dw, int dh) {
    const auto h = NaiveTaps(src.Width(), dw);
    const auto v = NaiveTaps(src.Height(), dh);
    TBitmap32 out(dw, dh);
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            TColor32 pixel = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                long long s = 0;
                for (auto [c, wx] : h[x]) {
                    long long col = 0;
                    for (auto [r, wy] : v[y])
                        col += wy * int((src.Pixel(c, r) >> shift) & 0xFF);
                    s += wx * col;
                }
                const TColor32 ch = s < 0 ? 0 : s > 0xFF0000 ? 255 : TColor32(s >> 16);
                pixel |= ch << shift;
            }
            out.SetPixel(x, y, pixel);
        }
    return out;
}

void ExpectSame(const TBitmap32& a, const TBitmap32& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
}

TEST(Resample, LanczosMatchesDirectEvaluation) {
    // Random pictures overshoot and get clamped at both ends.
    const std::pair<int, int> from[] = {{13, 11}, {1, 6}, {40, 3}};
    const std::pair<int, int> to[] = {{29, 7}, {5, 17}, {13, 11}, {2, 1}, {80, 2}};
    for (auto [sw, sh] : from)
        for (auto [dw, dh] : to) {
            const TBitmap32 src = test::PatternBitmap(sw, sh, unsigned(sw * 31 + sh));
            if (sw == dw && sh == dh) continue;
            TBitmap32 b = src;
            EXPECT_TRUE(ResampleBitmap(b, dw, dh, sfLanczos));
            ExpectSame(b, NaiveResample(src, dw, dh));
        }
}

constexpr cpu::VectorLevel kLevels[] = {cpu::VectorLevel::Avx512, cpu::VectorLevel::Avx2,
                                        cpu::VectorLevel::Plain};

TEST(Resample, ExtremeReductionsMatchDirectEvaluation) {
    // Hundreds of taps per list, many of weight 1, and lists left empty by rounding.
    const std::pair<std::pair<int, int>, std::pair<int, int>> cases[] = {
        {{3, 700}, {2, 2}},
        {{700, 3}, {2, 1}},
        {{300, 260}, {1, 1}},
        {{2000, 1}, {3, 1}},
        // Rows far apart, each with its own few hundred source rows.
        {{5, 2000}, {3, 6}}};
    for (auto level : kLevels) {
        cpu::LimitVectorForms(level);
        for (auto [from, to] : cases) {
            const TBitmap32 src = test::PatternBitmap(from.first, from.second, 5);
            TBitmap32 b = src;
            ResampleBitmap(b, to.first, to.second, sfLanczos);
            SCOPED_TRACE(testing::Message()
                         << from.first << "x" << from.second << " level " << int(level));
            ExpectSame(b, NaiveResample(src, to.first, to.second));
        }
    }
    cpu::LimitVectorForms(cpu::VectorLevel::Avx512);
}

// Every vector form against the direct evaluation, on sizes that leave every kind of tail
// (destination widths not a multiple of the vector, rows shorter than one register).
TEST(Resample, EveryVectorFormMatchesDirectEvaluation) {
    const TBitmap32 src = test::PatternBitmap(97, 61, 12);
    for (auto level : kLevels) {
        cpu::LimitVectorForms(level);
        for (auto [w, h] : {std::pair{31, 200},
                            {250, 17},
                            {3, 3},
                            {96, 62},
                            {1, 5},
                            {5, 1},
                            {2, 61},
                            {97, 7},
                            {193, 120},
                            {23, 61}}) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " level " << int(level));
            TBitmap32 b = src;
            ResampleBitmap(b, w, h, sfLanczos);
            ExpectSame(b, NaiveResample(src, w, h));
        }
    }
    cpu::LimitVectorForms(cpu::VectorLevel::Avx512);
}

// The vector forms group destination rows and share source rows between them; on pictures
// split into bands, with widths off the vector size and groups cut short at a band's end, every
// form must give what the plain form gives, reducing and enlarging.
TEST(Resample, VectorFormsMatchThePlainFormOnLargePictures) {
    const TBitmap32 big = test::PatternBitmap(1203, 805, 21);
    const TBitmap32 small = test::PatternBitmap(301, 203, 22);
    const std::pair<const TBitmap32*, std::pair<int, int>> cases[] = {
        {&big, {301, 201}}, {&big, {150, 403}}, {&small, {1203, 805}}, {&small, {611, 107}}};
    for (auto [src, size] : cases) {
        cpu::LimitVectorForms(cpu::VectorLevel::Plain);
        TBitmap32 plain = *src;
        ResampleBitmap(plain, size.first, size.second, sfLanczos);
        for (auto level : {cpu::VectorLevel::Avx512, cpu::VectorLevel::Avx2}) {
            cpu::LimitVectorForms(level);
            TBitmap32 b = *src;
            ResampleBitmap(b, size.first, size.second, sfLanczos);
            SCOPED_TRACE(testing::Message()
                         << src->Width() << "x" << src->Height() << " -> " << size.first << "x"
                         << size.second << " level " << int(level));
            ExpectSame(b, plain);
        }
    }
    cpu::LimitVectorForms(cpu::VectorLevel::Avx512);
}

TEST(Resample, LargePictureSplitIntoBandsMatchesDirectEvaluation) {
    const TBitmap32 src = test::PatternBitmap(800, 600, 77);
    TBitmap32 b = src;
    ResampleBitmap(b, 300, 500, sfLanczos);
    ExpectSame(b, NaiveResample(src, 300, 500));
}

TEST(Resample, UniformStaysExactlyUniform) {
    const TColor32 colours[] = {0xFFFFFFFFu, 0x80FF4010u, 0x01020304u, 0x00000000u};
    const int sizes[] = {1, 2, 3, 5, 8, 17, 64, 99, 250};
    int n = 0;
    for (int sw : sizes)
        for (int dw : sizes) {
            const int sh = sizes[(n + 3) % 9], dh = sizes[(n * 5) % 9];
            const TColor32 c = colours[n++ % 4];
            TBitmap32 b(sw, sh);
            b.Clear(c);
            ResampleBitmap(b, dw, dh, sfLanczos);
            ASSERT_EQ(b.Width(), dw);
            ASSERT_EQ(b.Height(), dh);
            for (std::size_t i = 0; i < b.PixelCount(); ++i)
                ASSERT_EQ(b.ConstBits()[i], c) << sw << "x" << sh << " -> " << dw << "x" << dh;
        }
}

TEST(Resample, SameSizeLeavesPixelsUnchanged) {
    const TBitmap32 src = test::PatternBitmap(7, 5);
    TBitmap32 b = src;
    EXPECT_TRUE(ResampleBitmap(b, 7, 5, sfLanczos));
    ExpectSame(b, src);
    EXPECT_TRUE(b.SharesPixelsWith(src)); // nothing was copied
}

TEST(Resample, OneAxisAtTheSameSizeIsTheIdentityAlongIt) {
    const TBitmap32 src = test::PatternBitmap(6, 4, 3);
    TBitmap32 b = src;
    ResampleBitmap(b, 6, 9, sfLanczos);
    TBitmap32 column(1, 4);
    for (int x = 0; x < 6; ++x) {
        for (int y = 0; y < 4; ++y)
            column.SetPixel(0, y, src.Pixel(x, y));
        ResampleBitmap(column, 1, 9, sfLanczos);
        for (int y = 0; y < 9; ++y)
            ASSERT_EQ(b.Pixel(x, y), column.Pixel(0, y));
        column.SetSize(1, 4);
    }
}

TEST(Resample, OnePixelWideRepeatsItsColumn) {
    const TBitmap32 src = test::PatternBitmap(1, 6, 8);
    for (int w : {1, 2, 7, 300}) {
        TBitmap32 b = src;
        ResampleBitmap(b, w, 6, sfLanczos);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(b.Pixel(x, y), src.Pixel(0, y));
    }
}

TEST(Resample, ZeroSizeFailsAfterResizing) {
    TBitmap32 b = test::PatternBitmap(4, 4);
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    try {
        ResampleBitmap(b, 0, 3, sfLanczos);
        ADD_FAILURE() << "no error";
    } catch (const ETransformError& e) {
        EXPECT_STREQ(e.what(), "Destination bitmap is nil or empty");
    }
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(ResampleBitmap(b = test::PatternBitmap(4, 4), 5, -1, sfLanczos), ETransformError);

    // An empty bitmap is only resized: it comes out transparent black.
    TBitmap32 empty;
    EXPECT_TRUE(ResampleBitmap(empty, 3, 2, sfLanczos));
    EXPECT_EQ(empty.Width(), 3);
    EXPECT_EQ(empty.Pixel(2, 1), 0u);
    EXPECT_TRUE(ResampleBitmap(empty = TBitmap32(), 0, 0, sfLanczos));
}

TEST(Resample, NearestMatchesStretchingDraw) {
    TBitmap32 src = test::PatternBitmap(9, 5, 4);
    src.DrawMode = dmBlend; // resampling replaces pixels whatever the draw mode
    TBitmap32 expected(4, 12);
    TBitmap32 opaque = src;
    opaque.DrawMode = dmOpaque;
    expected.Draw(expected.BoundsRect(), opaque.BoundsRect(), opaque);
    TBitmap32 b = src;
    ResampleBitmap(b, 4, 12, sfNearest);
    ExpectSame(b, expected);
    EXPECT_EQ(b.DrawMode, dmBlend);
}

TEST(Resample, OtherFiltersAreLanczos) {
    const TBitmap32 src = test::PatternBitmap(10, 8, 6);
    TBitmap32 lanczos = src, linear = src, odd = src;
    ResampleBitmap(lanczos, 23, 5, sfLanczos);
    ResampleBitmap(linear, 23, 5, sfLinear);
    ResampleBitmap(odd, 23, 5, TStretchFilter(42));
    ExpectSame(linear, lanczos);
    ExpectSame(odd, lanczos);
}

TEST(Resample, SharedSourceIsLeftIntact) {
    const TBitmap32 src = test::PatternBitmap(12, 12, 5);
    TBitmap32 b = src;
    ResampleBitmap(b, 5, 30, sfLanczos);
    ExpectSame(src, test::PatternBitmap(12, 12, 5));
}

} // namespace
} // namespace lumetta
