#include "edit/Tone.h"

#include "base/CpuFeatures.h"
#include "base/Parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define LUMETTA_TONE_X86 1
#endif

namespace lumetta {

namespace {

// Every pixel (a, r, g, b) of in[0, count) becomes (255, red[r], green[g], blue[b]) in out.
void MapSpanPlain(const TColor32* in, TColor32* out, std::size_t count, const TLookupTable& red,
                  const TLookupTable& green, const TLookupTable& blue) {
    for (std::size_t x = 0; x < count; ++x) {
        const TColor32 c = in[x];
        out[x] = 0xFF000000u | (TColor32(red[(c >> 16) & 0xFF]) << 16) |
                 (TColor32(green[(c >> 8) & 0xFF]) << 8) | TColor32(blue[c & 0xFF]);
    }
}

#if LUMETTA_TONE_X86
// The same with 64-byte permutes: a 256-entry table fills four registers; two two-register
// permutes look up the low and the high half by the index's lower seven bits, and its top bit
// picks between them. Sixteen pixels per step; the tail goes through masked loads and stores.
#define LUMETTA_AVX512VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))
#define LUMETTA_LOOKUP(t, index)                                                                   \
    _mm512_mask_blend_epi8(_mm512_movepi8_mask(index),                                             \
                           _mm512_permutex2var_epi8(t[0], index, t[1]),                            \
                           _mm512_permutex2var_epi8(t[2], index, t[3]))

// Bytes of each pixel in memory: blue, green, red, alpha.
constexpr std::uint64_t kGreenBytes = 0x2222222222222222ull;
constexpr std::uint64_t kRedBytes = 0x4444444444444444ull;

template <bool OneTable, bool Stream>
LUMETTA_AVX512VBMI void MapSpanAvx512(const TColor32* in, TColor32* out, std::size_t count,
                                      const TLookupTable& red, const TLookupTable& green,
                                      const TLookupTable& blue) {
    __m512i b[4], g[4], r[4];
    for (int k = 0; k < 4; ++k) {
        b[k] = _mm512_loadu_si512(blue.data() + 64 * k);
        g[k] = _mm512_loadu_si512(green.data() + 64 * k);
        r[k] = _mm512_loadu_si512(red.data() + 64 * k);
    }
    const __m512i opaque = _mm512_set1_epi32(int(0xFF000000u));
    std::size_t x = 0;
    for (;; x += 16) {
        const bool tail = x + 16 > count;
        if (tail && x == count) break;
        const __mmask64 k = tail ? (std::uint64_t(1) << (4 * (count - x))) - 1 : ~__mmask64(0);
        const __m512i p = tail ? _mm512_maskz_loadu_epi8(k, in + x) : _mm512_loadu_si512(in + x);
        __m512i v = LUMETTA_LOOKUP(b, p);
        if (!OneTable) {
            v = _mm512_mask_mov_epi8(v, __mmask64(kGreenBytes), LUMETTA_LOOKUP(g, p));
            v = _mm512_mask_mov_epi8(v, __mmask64(kRedBytes), LUMETTA_LOOKUP(r, p));
        }
        v = _mm512_or_si512(v, opaque);
        if (tail) {
            _mm512_mask_storeu_epi8(out + x, k, v);
            break;
        }
        if (Stream)
            _mm512_stream_si512(reinterpret_cast<__m512i*>(out + x), v);
        else
            _mm512_storeu_si512(out + x, v);
    }
    if (Stream) _mm_sfence(); // the streamed pixels are seen before the caller goes on
}
#undef LUMETTA_LOOKUP
#endif

// Streaming stores pay off only where the result cannot stay in the cache anyway.
constexpr std::size_t kStreamPixels = std::size_t(4) << 20;

void MapSpan(const TColor32* in, TColor32* out, std::size_t count, std::size_t total,
             const TLookupTable& red, const TLookupTable& green, const TLookupTable& blue) {
#if LUMETTA_TONE_X86
    if (cpu::HaveAvx512Vbmi()) {
        const bool one = &red == &green && &green == &blue;
        const bool stream =
            total >= kStreamPixels && reinterpret_cast<std::uintptr_t>(out) % 64 == 0;
        if (one && stream)
            MapSpanAvx512<true, true>(in, out, count, red, green, blue);
        else if (one)
            MapSpanAvx512<true, false>(in, out, count, red, green, blue);
        else if (stream)
            MapSpanAvx512<false, true>(in, out, count, red, green, blue);
        else
            MapSpanAvx512<false, false>(in, out, count, red, green, blue);
        return;
    }
#else
    (void)total;
#endif
    MapSpanPlain(in, out, count, red, green, blue);
}

// Maps source into destination (which may be the same bitmap). Rows lie one after the other
// without gaps, so the whole picture is one span, cut into bands for the cores.
void MapPixels(TBitmap32& destination, const TBitmap32& source, const TLookupTable& red,
               const TLookupTable& green, const TLookupTable& blue) {
    destination.BeginUpdate();
    try {
        if (&destination != &source) {
            CheckPictureSize(source.Width(), source.Height());
            // Every pixel is overwritten: a destination that shares the source's pixels takes
            // fresh storage instead of copying them first.
            if (destination.SharesPixelsWith(source)) destination.AssignNil();
            destination.SetSizeForOverwrite(source.Width(), source.Height());
        }
        if (!destination.Empty()) {
            TColor32* out = destination.Bits();
            const TColor32* in = source.ConstBits();
            const std::size_t total = source.PixelCount();
            // Bands of whole cache lines, and none smaller than a megapixel.
            ForEachBand(total, std::size_t(1) << 20, 16, [&](std::size_t begin, std::size_t end) {
                MapSpan(in + begin, out + begin, end - begin, total, red, green, blue);
            });
        }
    } catch (...) {
        destination.EndUpdate();
        throw;
    }
    destination.EndUpdate();
}

// 255 * u rounded to the nearest, ties to even, held in 0..255. The product of a float and 255
// is exact in double, so the rounding sees the true value.
std::uint8_t ToByte(float u) {
    const double v = 255.0 * double(u);
    if (!(v > 0.0)) return 0; // also NaN
    if (v >= 255.0) return 255;
    return std::uint8_t(std::lrint(v));
}

template <class Formula> TLookupTable MakeTable(Formula formula) {
    TLookupTable table{};
    for (int i = 0; i < 256; ++i) {
        const float t = float(i) / 255.0f;
        table[std::size_t(i)] = ToByte(formula(t));
    }
    return table;
}

// t ^ e for t in 0..1 and e in 0..5: e = 0 gives 1 (also for t = 0), t = 0 gives 0 otherwise,
// a whole exponent multiplies, any other goes through the logarithm.
double Power(double t, double e) {
    if (e == 0.0) return 1.0;
    if (t == 0.0) return 0.0;
    if (e == std::floor(e)) {
        double r = 1.0;
        for (int k = 0; k < int(e); ++k)
            r *= t;
        return r;
    }
    return std::exp(e * std::log(t));
}

} // namespace

TLookupTable IdentityTable() {
    TLookupTable t{};
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = std::uint8_t(i);
    return t;
}

void BuildRampTable(TLookupTable& t, std::uint8_t low, std::uint8_t outLow, std::uint8_t high,
                    std::uint8_t outHigh) {
    const int n = int(high) - int(low);
    if (n == 0) return;
    // Every intermediate fits easily: |step| <= 256 * 65536 and acc stays below 2^25.
    const std::int32_t step = (std::int32_t(int(outHigh) - int(outLow) + 1) * 65536) / n;
    std::int32_t acc = std::int32_t(outLow) * 65536;
    for (int k = 0; k < n; ++k) {
        t[std::size_t(low + k)] = std::uint8_t((acc >> 16) & 0xFF);
        acc += step;
    }
    t[high] = outHigh;
}

void ApplyChannelTables(TBitmap32& bitmap, const TLookupTable& red, const TLookupTable& green,
                        const TLookupTable& blue) {
    MapPixels(bitmap, bitmap, red, green, blue);
}

void ApplyLookupTable(TBitmap32* destination, const TBitmap32* source, const TLookupTable& L) {
    if (!source) throw Error("The source is nil");
    if (!destination) throw Error("Destination is nil");
    MapPixels(*destination, *source, L, L, L);
}

void AutoContrast(TBitmap32& bitmap) {
    int lo[3] = {255, 255, 255};
    int hi[3] = {0, 0, 0};
    const int w = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        const TColor32* row = bitmap.ConstScanLine(y);
        // Per-row extremes in locals first: the compiler keeps them in registers.
        int rowLo[3] = {255, 255, 255};
        int rowHi[3] = {0, 0, 0};
        for (int x = 0; x < w; ++x) {
            const TColor32 c = row[x];
            const int v[3] = {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
            for (int k = 0; k < 3; ++k) {
                rowLo[k] = std::min(rowLo[k], v[k]);
                rowHi[k] = std::max(rowHi[k], v[k]);
            }
        }
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], rowLo[k]);
            hi[k] = std::max(hi[k], rowHi[k]);
        }
    }
    if (lo[0] == 0 && lo[1] == 0 && lo[2] == 0 && hi[0] == 255 && hi[1] == 255 && hi[2] == 255)
        return;
    // A channel with a single value gets no ramp and keeps that value.
    TLookupTable tables[3] = {IdentityTable(), IdentityTable(), IdentityTable()};
    for (int k = 0; k < 3; ++k)
        BuildRampTable(tables[k], std::uint8_t(lo[k]), 0, std::uint8_t(hi[k]), 255);
    ApplyChannelTables(bitmap, tables[0], tables[1], tables[2]);
}

TLookupTable ContrastTable(double contrast) {
    return MakeTable(
        [contrast](float t) { return float((1.0 + contrast) * (double(t) - 0.5) + 0.5); });
}

TLookupTable BrightnessTable(double brightness) {
    return MakeTable([brightness](float t) { return float(double(t) + brightness); });
}

TLookupTable GammaTable(double exponent) {
    const double e = std::clamp(exponent, 0.0, 5.0);
    return MakeTable([e](float t) { return float(Power(double(std::clamp(t, 0.0f, 1.0f)), e)); });
}

TLookupTable ToneTable(double contrast, double brightness, double exponent) {
    const TLookupTable c = ContrastTable(contrast);
    const TLookupTable b = BrightnessTable(brightness);
    const TLookupTable g = GammaTable(exponent);
    TLookupTable table{};
    for (std::size_t i = 0; i < 256; ++i)
        table[i] = g[b[c[i]]];
    return table;
}

TLookupTable SliderToneTable(double contrast, double brightness, double gamma) {
    return ToneTable(contrast / 100.0, brightness / 100.0, gamma / 100.0);
}

void AdjustContrast(TBitmap32& bitmap, double contrast) {
    ApplyLookupTable(&bitmap, &bitmap, ContrastTable(contrast));
}

void AdjustBrightness(TBitmap32& bitmap, double brightness) {
    ApplyLookupTable(&bitmap, &bitmap, BrightnessTable(brightness));
}

void AdjustGamma(TBitmap32& bitmap, double exponent) {
    ApplyLookupTable(&bitmap, &bitmap, GammaTable(exponent));
}

} // namespace lumetta
