// ResampleBitmap: nearest-neighbour and Lanczos-3 resizing in place.
//
// The Lanczos filter runs as two integer passes per destination row: the vertical taps of the
// row fold the source rows into one signed 32-bit sum per channel for every source column the
// horizontal taps use, then the horizontal taps fold those column sums into the destination
// pixels. Both tap tables are built once per call; the hot loops are plain integer loops over
// whole rows, with AVX2 and AVX-512 forms picked at run time. The AVX-512 forms take four
// destination rows at a time, so that the source rows and the spread weights they share are
// read once for the four; every form gives the same integers.
#include "imaging/Resample.h"

#include "base/CpuFeatures.h"
#include "base/Parallel.h"
#include "imaging/Bitmap32.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumetta {

namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define LUMETTA_RESAMPLE_X86 1
#endif

constexpr float kPi = 3.14159265358979323846f;

float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = kPi * x;
    return std::sin(px) / px;
}

// Edge taps clamp to the same source index; consecutive taps of one index are merged for the
// passes. The sums are linear in the weights, so the integer results do not change.
TTapTable MergeRepeatedTaps(const TTapTable& t) {
    TTapTable m;
    m.Start.resize(t.Start.size());
    m.Index.resize(t.Index.size());
    m.Weight.resize(t.Weight.size());
    std::size_t out = 0;
    for (int i = 0; i < t.Size(); ++i) {
        const std::size_t first = out;
        m.Start[std::size_t(i)] = int(first);
        for (int k = t.Start[i]; k < t.Start[i + 1]; ++k) {
            if (out > first && m.Index[out - 1] == t.Index[std::size_t(k)]) {
                m.Weight[out - 1] += t.Weight[std::size_t(k)];
            } else {
                m.Index[out] = t.Index[std::size_t(k)];
                m.Weight[out] = t.Weight[std::size_t(k)];
                ++out;
            }
        }
    }
    m.Start.back() = int(out);
    m.Index.resize(out);
    m.Weight.resize(out);
    return m;
}

struct ColumnRun {
    int begin, end;
};

// Everything a band of rows needs, built once per call.
struct LanczosPlan {
    TTapTable v, h;              // merged tap lists
    std::vector<ColumnRun> runs; // source columns the horizontal taps use
    bool avx2 = false;
    // Vector form of the horizontal taps: every list padded to hTaps entries (weight 0 on a
    // column of the same list), column offsets premultiplied by 4, and the weights of two
    // neighbouring destination pixels spread over the eight lanes of one 256-bit vector.
    int hTaps = 0;
    std::vector<int> hOffset;
    std::vector<std::int32_t> hPairWeights;
    bool avx512 = false;
    // AVX-512 form of the horizontal taps: destination pixels in blocks of four, each block
    // with the columns from the first any of its pixels uses to the last (blockFirst, a
    // column index times 4) and four weights per column, one per pixel (0 where a pixel does
    // not use the column), each w held as the 16-bit pair (w, 64 w); the taps of block b are
    // blockTap[b] to blockTap[b + 1].
    std::vector<int> blockFirst, blockTap;
    std::vector<std::int32_t> blockWeights;
};

inline std::uint32_t ClampChannel(std::int32_t s) {
    if (s < 0) return 0;
    if (s > 0xFF0000) return 255;
    return std::uint32_t(s) >> 16;
}

// ---- plain passes (any processor) ----

// acc[k] = sum over the taps of weight * rows[tap][k], for the bytes k in [begin, end) of a
// row (each byte one channel of one pixel), in chunks that stay in the first-level cache.
void VerticalSums(std::int32_t* acc, const std::uint8_t* const* rows, const int* weights, int taps,
                  std::size_t begin, std::size_t end) {
    constexpr std::size_t kChunk = 1024;
    for (std::size_t c0 = begin; c0 < end; c0 += kChunk) {
        const std::size_t c1 = std::min(c0 + kChunk, end);
        std::int32_t* __restrict a = acc;
        {
            const std::uint8_t* __restrict s = rows[0];
            const std::int32_t w = weights[0];
            for (std::size_t k = c0; k < c1; ++k)
                a[k] = w * std::int32_t(s[k]);
        }
        for (int t = 1; t < taps; ++t) {
            const std::uint8_t* __restrict s = rows[t];
            const std::int32_t w = weights[t];
            for (std::size_t k = c0; k < c1; ++k)
                a[k] += w * std::int32_t(s[k]);
        }
    }
}

void HorizontalPixels(TColor32* out, int from, int to, const std::int32_t* colSums,
                      const TTapTable& h) {
    for (int x = from; x < to; ++x) {
        std::int32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (int k = h.Start[x]; k < h.Start[x + 1]; ++k) {
            const std::int32_t* c = colSums + std::size_t(h.Index[k]) * 4;
            const std::int32_t w = h.Weight[k];
            s0 += w * c[0];
            s1 += w * c[1];
            s2 += w * c[2];
            s3 += w * c[3];
        }
        out[x] = ClampChannel(s0) | (ClampChannel(s1) << 8) | (ClampChannel(s2) << 16) |
                 (ClampChannel(s3) << 24);
    }
}

#if LUMETTA_RESAMPLE_X86
// ---- shared by the vector passes ----

// The vertical passes take the tap rows two at a time, in groups of at most 64 pairs (more than
// 128 taps only on extreme reductions). For the group starting at pair `base`: the two rows of
// each pair (an odd last tap is paired with itself at weight 0) and the two 16-bit weights of
// each pair in one 32-bit lane, as the multiply-add wants them. Returns the pairs in the group.
int PairTaps(const std::uint8_t* const* rows, const int* weights, int taps, int base,
             const std::uint8_t** pairRows, std::int32_t* pairWeights) {
    const int groupPairs = std::min(64, (taps + 1) / 2 - base);
    for (int p = 0; p < groupPairs; ++p) {
        const int t0 = 2 * (base + p), t1 = t0 + 1 < taps ? t0 + 1 : t0;
        const int w1 = t0 + 1 < taps ? weights[t1] : 0;
        pairRows[2 * p] = rows[t0];
        pairRows[2 * p + 1] = rows[t1];
        pairWeights[p] =
            std::int32_t((std::uint32_t(std::uint16_t(w1)) << 16) | std::uint16_t(weights[t0]));
    }
    return groupPairs;
}

// ---- AVX2 passes ----

// Two tap rows at a time: their bytes interleaved and widened to 16 bits meet the weight pair
// in one multiply-add, which yields the exact 32-bit sum w0 * s0 + w1 * s1. Thirty-two bytes
// of the row are held in registers while every tap pair is added in.
__attribute__((target("avx2"))) void VerticalSumsAvx2(std::int32_t* acc,
                                                      const std::uint8_t* const* rows,
                                                      const int* weights, int taps,
                                                      std::size_t begin, std::size_t end) {
    const int pairs = (taps + 1) / 2;
    const std::uint8_t* pairRows[2 * 64];
    std::int32_t pairWeights[64];
    std::size_t k = begin;
    for (int base = 0; base < pairs; base += 64) {
        const int groupPairs = PairTaps(rows, weights, taps, base, pairRows, pairWeights);
        const bool first = base == 0;
        for (k = begin; k + 32 <= end; k += 32) {
            __m256i a0, a1, a2, a3;
            if (first) {
                a0 = a1 = a2 = a3 = _mm256_setzero_si256();
            } else {
                // Back into the lane order of the registers (see the stores below).
                const __m256i l0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + k));
                const __m256i l1 =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + k + 8));
                const __m256i l2 =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + k + 16));
                const __m256i l3 =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(acc + k + 24));
                a0 = _mm256_permute2x128_si256(l0, l2, 0x20);
                a1 = _mm256_permute2x128_si256(l0, l2, 0x31);
                a2 = _mm256_permute2x128_si256(l1, l3, 0x20);
                a3 = _mm256_permute2x128_si256(l1, l3, 0x31);
            }
            for (int p = 0; p < groupPairs; ++p) {
                const __m256i r0 =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pairRows[2 * p] + k));
                const __m256i r1 =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pairRows[2 * p + 1] + k));
                const __m256i w = _mm256_set1_epi32(pairWeights[p]);
                // Interleave within each 128-bit half: lo holds bytes 0-7 and 16-23, hi
                // bytes 8-15 and 24-31, as (s0, s1) pairs.
                const __m256i lo = _mm256_unpacklo_epi8(r0, r1);
                const __m256i hi = _mm256_unpackhi_epi8(r0, r1);
                const __m256i zero = _mm256_setzero_si256();
                a0 = _mm256_add_epi32(
                    a0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), w)); // bytes 0-3,16-19
                a1 = _mm256_add_epi32(
                    a1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), w)); // 4-7, 20-23
                a2 = _mm256_add_epi32(
                    a2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), w)); // 8-11, 24-27
                a3 = _mm256_add_epi32(
                    a3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), w)); // 12-15, 28-31
            }
            // Back to byte order: 0-7, 8-15, 16-23, 24-31.
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + k),
                                _mm256_permute2x128_si256(a0, a1, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + k + 8),
                                _mm256_permute2x128_si256(a2, a3, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + k + 16),
                                _mm256_permute2x128_si256(a0, a1, 0x31));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(acc + k + 24),
                                _mm256_permute2x128_si256(a2, a3, 0x31));
        }
    }
    // The last bytes of the run, one at a time.
    for (; k < end; ++k) {
        std::int32_t s = 0;
        for (int t = 0; t < taps; ++t)
            s += weights[t] * std::int32_t(rows[t][k]);
        acc[k] = s;
    }
}

// Two destination pixels per 256-bit vector, one in each half: four channel sums each.
__attribute__((target("avx2"))) void
HorizontalPassAvx2(TColor32* out, int count, const std::int32_t* colSums, const LanczosPlan& plan) {
    const int taps = plan.hTaps;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi32(0xFF0000);
    int x = 0;
    for (; x + 2 <= count; x += 2) {
        const int* oa = plan.hOffset.data() + std::size_t(x) * taps;
        const int* ob = oa + taps;
        const std::int32_t* w = plan.hPairWeights.data() + std::size_t(x / 2) * taps * 8;
        __m256i acc = zero;
        for (int k = 0; k < taps; ++k) {
            const __m128i ca = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colSums + oa[k]));
            const __m128i cb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colSums + ob[k]));
            const __m256i c = _mm256_inserti128_si256(_mm256_castsi128_si256(ca), cb, 1);
            const __m256i wk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + k * 8));
            acc = _mm256_add_epi32(acc, _mm256_mullo_epi32(c, wk));
        }
        // 0 below zero, 255 above 0xFF0000, S >> 16 between.
        acc = _mm256_srli_epi32(_mm256_min_epi32(_mm256_max_epi32(acc, zero), top), 16);
        const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(acc, acc), zero);
        out[x] = TColor32(_mm_cvtsi128_si32(_mm256_castsi256_si128(bytes)));
        out[x + 1] = TColor32(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)));
    }
    HorizontalPixels(out, x, count, colSums, plan.h);
}

// ---- AVX-512 passes (with the VNNI multiply-adds) ----
// Each pass is kept out of line, so that a profile shows where the time goes.
#define LUMETTA_AVX512 __attribute__((target("avx512f,avx512bw,avx512vnni"), noinline))
// GCC 12 warns about the undefined pass-through operand inside its own AVX-512 intrinsics
// (a false alarm, fixed in later versions).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// dst + the multiply-adds of words (Dpwssd) or of unsigned by signed bytes (Dpbusd). GCC keeps
// a copy of every sum around the intrinsics in a loop; the instruction written out adds in place.
__attribute__((target("avx512f,avx512bw,avx512vnni"), always_inline)) inline __m512i
Dpwssd(__m512i acc, __m512i a, __m512i b) {
#if defined(__GNUC__) && !defined(__clang__)
    asm("vpdpwssd %2, %1, %0" : "+v"(acc) : "v"(a), "v"(b));
    return acc;
#else
    return _mm512_dpwssd_epi32(acc, a, b);
#endif
}

__attribute__((target("avx512f,avx512bw,avx512vnni"), always_inline)) inline __m512i
Dpbusd(__m512i acc, __m512i unsignedBytes, __m512i signedBytes) {
#if defined(__GNUC__) && !defined(__clang__)
    asm("vpdpbusd %2, %1, %0" : "+v"(acc) : "v"(unsignedBytes), "v"(signedBytes));
    return acc;
#else
    return _mm512_dpbusd_epi32(acc, unsignedBytes, signedBytes);
#endif
}

// A column sum S as the two 16-bit halves of one lane the horizontal pass takes: S & 63 below
// and S >> 6 above, so that S = lo + 64 * hi.
__attribute__((target("avx512f,avx512bw,avx512vnni"), always_inline)) inline __m512i
SplitSums(__m512i s) {
    return _mm512_or_si512(_mm512_and_si512(s, _mm512_set1_epi32(63)),
                           _mm512_slli_epi32(_mm512_srai_epi32(s, 6), 16));
}

inline std::int32_t SplitSum(std::int32_t s) {
    return std::int32_t((std::uint32_t(s >> 6) << 16) | std::uint32_t(s & 63));
}

// The byte unpacks of the vertical pass leave the sums of bytes 16 L + 4 m .. + 3 in 128-bit
// block L of register m; transposing the 4 x 4 blocks puts them in byte order, and back.
#define LUMETTA_TRANSPOSE_BLOCKS(a0, a1, a2, a3)                                                   \
    do {                                                                                           \
        const __m512i t0 = _mm512_shuffle_i32x4(a0, a1, 0x44);                                     \
        const __m512i t1 = _mm512_shuffle_i32x4(a2, a3, 0x44);                                     \
        const __m512i t2 = _mm512_shuffle_i32x4(a0, a1, 0xEE);                                     \
        const __m512i t3 = _mm512_shuffle_i32x4(a2, a3, 0xEE);                                     \
        a0 = _mm512_shuffle_i32x4(t0, t1, 0x88);                                                   \
        a1 = _mm512_shuffle_i32x4(t0, t1, 0xDD);                                                   \
        a2 = _mm512_shuffle_i32x4(t2, t3, 0x88);                                                   \
        a3 = _mm512_shuffle_i32x4(t2, t3, 0xDD);                                                   \
    } while (0)

// The AVX2 form on 64 bytes at a time, each multiply-add adding straight into its sum; what is
// left of the run goes to the AVX2 form. The sums are stored split (SplitSums).
LUMETTA_AVX512 void SplitColumnSums(std::int32_t* acc, std::size_t begin, std::size_t end);

LUMETTA_AVX512 void VerticalPairsAvx512(std::int32_t* acc, const std::uint8_t* const* rows,
                                        const int* weights, int taps, std::size_t begin,
                                        std::size_t end) {
    const int pairs = (taps + 1) / 2;
    const std::uint8_t* pairRows[2 * 64];
    std::int32_t pairWeights[64];
    std::size_t k = begin;
    for (int base = 0; base < pairs; base += 64) {
        const int groupPairs = PairTaps(rows, weights, taps, base, pairRows, pairWeights);
        const bool first = base == 0;
        const __m512i zero = _mm512_setzero_si512();
        for (k = begin; k + 64 <= end; k += 64) {
            __m512i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
            if (!first) {
                a0 = _mm512_loadu_si512(acc + k);
                a1 = _mm512_loadu_si512(acc + k + 16);
                a2 = _mm512_loadu_si512(acc + k + 32);
                a3 = _mm512_loadu_si512(acc + k + 48);
                LUMETTA_TRANSPOSE_BLOCKS(a0, a1, a2, a3);
            }
            for (int p = 0; p < groupPairs; ++p) {
                const __m512i r0 = _mm512_loadu_si512(pairRows[2 * p] + k);
                const __m512i r1 = _mm512_loadu_si512(pairRows[2 * p + 1] + k);
                const __m512i w = _mm512_set1_epi32(pairWeights[p]);
                const __m512i lo = _mm512_unpacklo_epi8(r0, r1);
                const __m512i hi = _mm512_unpackhi_epi8(r0, r1);
                a0 = Dpwssd(a0, _mm512_unpacklo_epi8(lo, zero), w);
                a1 = Dpwssd(a1, _mm512_unpackhi_epi8(lo, zero), w);
                a2 = Dpwssd(a2, _mm512_unpacklo_epi8(hi, zero), w);
                a3 = Dpwssd(a3, _mm512_unpackhi_epi8(hi, zero), w);
            }
            LUMETTA_TRANSPOSE_BLOCKS(a0, a1, a2, a3);
            if (base + 64 >= pairs) {
                a0 = SplitSums(a0);
                a1 = SplitSums(a1);
                a2 = SplitSums(a2);
                a3 = SplitSums(a3);
            }
            _mm512_storeu_si512(acc + k, a0);
            _mm512_storeu_si512(acc + k + 16, a1);
            _mm512_storeu_si512(acc + k + 32, a2);
            _mm512_storeu_si512(acc + k + 48, a3);
        }
    }
    if (k < end) {
        VerticalSumsAvx2(acc, rows, weights, taps, k, end);
        SplitColumnSums(acc, k, end);
    }
}

template <bool Bytes>
__attribute__((target("avx512f,avx512bw,avx512vnni"), always_inline)) inline __m512i
MultiplyAdd(__m512i sum, __m512i x, __m512i w) {
    if constexpr (Bytes)
        return Dpbusd(sum, x, w);
    else
        return Dpwssd(sum, x, w);
}

// The vertical sums of four destination rows at once, the source rows they use read and
// interleaved once for the four. With Bytes the source rows go in quads, unit u being the rows
// unitRows[4 u .. 4 u + 3], and unitWeights[4 u + r] holds the four byte weights row r gives
// them, met by a multiply-add of unsigned by signed bytes; otherwise in pairs, unit u being
// unitRows[2 u], unitRows[2 u + 1], with two 16-bit weights, met by a word multiply-add.
// A row gives weight 0 to the rows it does not use. Sums of row r go to acc[r], split
// (SplitSums).
template <bool Bytes>
LUMETTA_AVX512 void VerticalGroupAvx512(std::int32_t* const* acc,
                                        const std::uint8_t* const* unitRows,
                                        const std::int32_t* unitWeights, int units,
                                        std::size_t begin, std::size_t end) {
    constexpr int kRows = Bytes ? 4 : 2;
    const __m512i zero = _mm512_setzero_si512();
    std::size_t k = begin;
    for (; k + 64 <= end; k += 64) {
        __m512i s00 = zero, s01 = zero, s02 = zero, s03 = zero;
        __m512i s10 = zero, s11 = zero, s12 = zero, s13 = zero;
        __m512i s20 = zero, s21 = zero, s22 = zero, s23 = zero;
        __m512i s30 = zero, s31 = zero, s32 = zero, s33 = zero;
        for (int u = 0; u < units; ++u) {
            const std::uint8_t* const* r = unitRows + kRows * u;
            __m512i x0, x1, x2, x3;
            if constexpr (Bytes) {
                const __m512i r0 = _mm512_loadu_si512(r[0] + k);
                const __m512i r1 = _mm512_loadu_si512(r[1] + k);
                const __m512i r2 = _mm512_loadu_si512(r[2] + k);
                const __m512i r3 = _mm512_loadu_si512(r[3] + k);
                const __m512i lo01 = _mm512_unpacklo_epi8(r0, r1);
                const __m512i hi01 = _mm512_unpackhi_epi8(r0, r1);
                const __m512i lo23 = _mm512_unpacklo_epi8(r2, r3);
                const __m512i hi23 = _mm512_unpackhi_epi8(r2, r3);
                x0 = _mm512_unpacklo_epi16(lo01, lo23);
                x1 = _mm512_unpackhi_epi16(lo01, lo23);
                x2 = _mm512_unpacklo_epi16(hi01, hi23);
                x3 = _mm512_unpackhi_epi16(hi01, hi23);
            } else {
                const __m512i r0 = _mm512_loadu_si512(r[0] + k);
                const __m512i r1 = _mm512_loadu_si512(r[1] + k);
                const __m512i lo = _mm512_unpacklo_epi8(r0, r1);
                const __m512i hi = _mm512_unpackhi_epi8(r0, r1);
                x0 = _mm512_unpacklo_epi8(lo, zero);
                x1 = _mm512_unpackhi_epi8(lo, zero);
                x2 = _mm512_unpacklo_epi8(hi, zero);
                x3 = _mm512_unpackhi_epi8(hi, zero);
            }
            const std::int32_t* w = unitWeights + 4 * u;
            const __m512i w0 = _mm512_set1_epi32(w[0]);
            s00 = MultiplyAdd<Bytes>(s00, x0, w0);
            s01 = MultiplyAdd<Bytes>(s01, x1, w0);
            s02 = MultiplyAdd<Bytes>(s02, x2, w0);
            s03 = MultiplyAdd<Bytes>(s03, x3, w0);
            const __m512i w1 = _mm512_set1_epi32(w[1]);
            s10 = MultiplyAdd<Bytes>(s10, x0, w1);
            s11 = MultiplyAdd<Bytes>(s11, x1, w1);
            s12 = MultiplyAdd<Bytes>(s12, x2, w1);
            s13 = MultiplyAdd<Bytes>(s13, x3, w1);
            const __m512i w2 = _mm512_set1_epi32(w[2]);
            s20 = MultiplyAdd<Bytes>(s20, x0, w2);
            s21 = MultiplyAdd<Bytes>(s21, x1, w2);
            s22 = MultiplyAdd<Bytes>(s22, x2, w2);
            s23 = MultiplyAdd<Bytes>(s23, x3, w2);
            const __m512i w3 = _mm512_set1_epi32(w[3]);
            s30 = MultiplyAdd<Bytes>(s30, x0, w3);
            s31 = MultiplyAdd<Bytes>(s31, x1, w3);
            s32 = MultiplyAdd<Bytes>(s32, x2, w3);
            s33 = MultiplyAdd<Bytes>(s33, x3, w3);
        }
#define LUMETTA_STORE_SUMS(row, a0, a1, a2, a3)                                                    \
    do {                                                                                           \
        LUMETTA_TRANSPOSE_BLOCKS(a0, a1, a2, a3);                                                  \
        _mm512_storeu_si512(acc[row] + k, SplitSums(a0));                                          \
        _mm512_storeu_si512(acc[row] + k + 16, SplitSums(a1));                                     \
        _mm512_storeu_si512(acc[row] + k + 32, SplitSums(a2));                                     \
        _mm512_storeu_si512(acc[row] + k + 48, SplitSums(a3));                                     \
    } while (0)
        LUMETTA_STORE_SUMS(0, s00, s01, s02, s03);
        LUMETTA_STORE_SUMS(1, s10, s11, s12, s13);
        LUMETTA_STORE_SUMS(2, s20, s21, s22, s23);
        LUMETTA_STORE_SUMS(3, s30, s31, s32, s33);
#undef LUMETTA_STORE_SUMS
    }
    // The last bytes of the run, one at a time.
    for (; k < end; ++k)
        for (int row = 0; row < 4; ++row) {
            std::int32_t sum = 0;
            for (int u = 0; u < units; ++u) {
                const std::uint32_t packed = std::uint32_t(unitWeights[4 * u + row]);
                for (int j = 0; j < kRows; ++j) {
                    const std::int32_t w =
                        Bytes ? std::int8_t(packed >> (8 * j)) : std::int16_t(packed >> (16 * j));
                    sum += w * std::int32_t(unitRows[kRows * u + j][k]);
                }
            }
            acc[row][k] = SplitSum(sum);
        }
}
#undef LUMETTA_TRANSPOSE_BLOCKS

// The column sums of a run rewritten as SplitSums.
LUMETTA_AVX512 void SplitColumnSums(std::int32_t* acc, std::size_t begin, std::size_t end) {
    std::size_t k = begin;
    for (; k + 16 <= end; k += 16)
        _mm512_storeu_si512(acc + k, SplitSums(_mm512_loadu_si512(acc + k)));
    for (; k < end; ++k)
        acc[k] = SplitSum(acc[k]);
}

// Four int32 to every 128-bit block.
__attribute__((target("avx512f,avx512bw,avx512vnni"), always_inline)) inline __m512i
Broadcast4(const std::int32_t* p) {
    return _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Four destination pixels per 512-bit vector, one in each 128-bit block, for four rows at once:
// for every column of the block, the split sums of its four channels go to all four blocks and
// meet the four pixels' weights (w below, 64 w above) in one word multiply-add, lo * w +
// hi * 64 w = S * w exactly. The weights are spread once for the four rows.
LUMETTA_AVX512 void HorizontalRowsAvx512(TColor32* const* out, int count,
                                         const std::int32_t* const* colSums,
                                         const LanczosPlan& plan) {
    const __m512i zero = _mm512_setzero_si512();
    // Lane i takes the weight of pixel i / 4.
    const __m512i spread = _mm512_set_epi32(3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 0);
    // After the packs below lane 4 p + r holds pixel p of row r; this puts row r in block r.
    const __m512i byRow = _mm512_set_epi32(15, 11, 7, 3, 14, 10, 6, 2, 13, 9, 5, 1, 12, 8, 4, 0);
    const int blocks = (count + 3) / 4;
    for (int b = 0; b < blocks; ++b) {
        const std::size_t first = std::size_t(plan.blockFirst[std::size_t(b)]);
        const int from = plan.blockTap[std::size_t(b)],
                  n = plan.blockTap[std::size_t(b) + 1] - from;
        const std::int32_t* w = plan.blockWeights.data() + std::size_t(from) * 4;
        const std::int32_t* c0 = colSums[0] + first;
        const std::int32_t* c1 = colSums[1] + first;
        const std::int32_t* c2 = colSums[2] + first;
        const std::int32_t* c3 = colSums[3] + first;
        // Two sums per row (even and odd taps), added at the end.
        __m512i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        __m512i b0 = zero, b1 = zero, b2 = zero, b3 = zero;
        int k = 0;
        for (; k + 2 <= n; k += 2) {
            const __m512i w0 = _mm512_permutexvar_epi32(
                spread, _mm512_zextsi128_si512(_mm_loadu_si128((const __m128i*)(w + 4 * k))));
            const __m512i w1 = _mm512_permutexvar_epi32(
                spread, _mm512_zextsi128_si512(_mm_loadu_si128((const __m128i*)(w + 4 * k + 4))));
            a0 = Dpwssd(a0, Broadcast4(c0 + 4 * k), w0);
            a1 = Dpwssd(a1, Broadcast4(c1 + 4 * k), w0);
            a2 = Dpwssd(a2, Broadcast4(c2 + 4 * k), w0);
            a3 = Dpwssd(a3, Broadcast4(c3 + 4 * k), w0);
            b0 = Dpwssd(b0, Broadcast4(c0 + 4 * k + 4), w1);
            b1 = Dpwssd(b1, Broadcast4(c1 + 4 * k + 4), w1);
            b2 = Dpwssd(b2, Broadcast4(c2 + 4 * k + 4), w1);
            b3 = Dpwssd(b3, Broadcast4(c3 + 4 * k + 4), w1);
        }
        if (k < n) {
            const __m512i w0 = _mm512_permutexvar_epi32(
                spread, _mm512_zextsi128_si512(_mm_loadu_si128((const __m128i*)(w + 4 * k))));
            a0 = Dpwssd(a0, Broadcast4(c0 + 4 * k), w0);
            a1 = Dpwssd(a1, Broadcast4(c1 + 4 * k), w0);
            a2 = Dpwssd(a2, Broadcast4(c2 + 4 * k), w0);
            a3 = Dpwssd(a3, Broadcast4(c3 + 4 * k), w0);
        }
        // S >> 16 saturated to a byte: 0 below zero, 255 above 0xFF0000 (S >> 16 always fits
        // 16 bits, so the first pack is exact).
        const __m512i s0 = _mm512_srai_epi32(_mm512_add_epi32(a0, b0), 16);
        const __m512i s1 = _mm512_srai_epi32(_mm512_add_epi32(a1, b1), 16);
        const __m512i s2 = _mm512_srai_epi32(_mm512_add_epi32(a2, b2), 16);
        const __m512i s3 = _mm512_srai_epi32(_mm512_add_epi32(a3, b3), 16);
        const __m512i pixels = _mm512_permutexvar_epi32(
            byRow, _mm512_packus_epi16(_mm512_packs_epi32(s0, s1), _mm512_packs_epi32(s2, s3)));
        const int x = 4 * b;
        if (x + 4 <= count) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[0] + x),
                             _mm512_castsi512_si128(pixels));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[1] + x),
                             _mm512_extracti32x4_epi32(pixels, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2] + x),
                             _mm512_extracti32x4_epi32(pixels, 2));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out[3] + x),
                             _mm512_extracti32x4_epi32(pixels, 3));
        } else {
            TColor32 last[16];
            _mm512_storeu_si512(last, pixels);
            for (int r = 0; r < 4; ++r)
                std::copy(last + 4 * r, last + 4 * r + (count - x), out[r] + x);
        }
    }
}

// Four destination rows at a time: the vertical passes of all of them over one chunk of the
// source columns after the other, so that the source rows they share are read from memory once
// for the group, then the horizontal pass of all of them together.
constexpr int kAvx512Rows = 4;
constexpr std::size_t kAvx512Chunk = 2048; // bytes of a source row

LUMETTA_AVX512 void LanczosRowsAvx512(const TBitmap32& src, TColor32* dst, int dstWidth,
                                      const LanczosPlan& plan, int rowBegin, int rowEnd) {
    const TTapTable& v = plan.v;
    const std::size_t stride = std::size_t(src.Width()) * 4;
    std::vector<std::int32_t> sums(stride * kAvx512Rows);
    std::vector<const std::uint8_t*> rows[kAvx512Rows];
    std::vector<TColor32> spare;
    std::vector<const std::uint8_t*> groupRows;
    std::vector<std::int32_t> groupWeights;
    for (int y0 = rowBegin; y0 < rowEnd; y0 += kAvx512Rows) {
        const int n = std::min(kAvx512Rows, rowEnd - y0);
        TColor32* out[kAvx512Rows];
        const std::int32_t* colSums[kAvx512Rows];
        bool bytes[kAvx512Rows];
        int mostTaps = 1;
        for (int r = 0; r < n; ++r) {
            const int y = y0 + r, first = v.Start[y], taps = v.Count(y);
            mostTaps = std::max(mostTaps, taps);
            rows[r].resize(std::size_t(taps));
            bytes[r] = true;
            for (int t = 0; t < taps; ++t) {
                rows[r][std::size_t(t)] =
                    reinterpret_cast<const std::uint8_t*>(src.ConstScanLine(v.Index[first + t]));
                bytes[r] = bytes[r] && v.Weight[first + t] >= -128 && v.Weight[first + t] <= 127;
            }
            out[r] = dst + std::size_t(y) * dstWidth;
            colSums[r] = sums.data() + stride * std::size_t(r);
        }
        int lowest = v.Index[std::size_t(v.Start[y0])], highest = lowest;
        for (int k = v.Start[y0]; k < v.Start[y0 + n]; ++k) {
            lowest = std::min(lowest, v.Index[std::size_t(k)]);
            highest = std::max(highest, v.Index[std::size_t(k)]);
        }
        // The group's source rows from `lowest` in quads when every weight of the group fits
        // a byte, else in pairs, shared by its rows (rows past `highest` repeat it at weight
        // 0); each row on its own when the rows have few source rows in common.
        const bool quads = std::all_of(bytes, bytes + n, [](bool b) { return b; });
        const int unitRows = quads ? 4 : 2;
        const int units = (highest - lowest + unitRows) / unitRows;
        const bool shared = highest - lowest + 1 <= 2 * mostTaps + 8;
        if (shared) {
            groupRows.resize(std::size_t(units * unitRows));
            groupWeights.assign(std::size_t(units) * 4, 0);
            for (int i = 0; i < units * unitRows; ++i)
                groupRows[std::size_t(i)] = reinterpret_cast<const std::uint8_t*>(
                    src.ConstScanLine(std::min(lowest + i, highest)));
            const int bits = quads ? 8 : 16;
            const std::uint32_t mask = quads ? 0xFFu : 0xFFFFu;
            for (int r = 0; r < n; ++r)
                for (int k = v.Start[y0 + r]; k < v.Start[y0 + r + 1]; ++k) {
                    const int i = v.Index[std::size_t(k)] - lowest;
                    std::int32_t& packed = groupWeights[std::size_t(i / unitRows * 4 + r)];
                    packed = std::int32_t(std::uint32_t(packed) |
                                          ((std::uint32_t(v.Weight[std::size_t(k)]) & mask)
                                           << (bits * (i % unitRows))));
                }
        }
        std::int32_t* groupSums[kAvx512Rows];
        for (int r = 0; r < kAvx512Rows; ++r)
            groupSums[r] = sums.data() + stride * std::size_t(r);
        for (const ColumnRun& run : plan.runs) {
            const std::size_t runEnd = std::size_t(run.end) * 4;
            for (std::size_t b = std::size_t(run.begin) * 4; b < runEnd; b += kAvx512Chunk) {
                const std::size_t e = std::min(runEnd, b + kAvx512Chunk);
                // The many rows read side by side defeat the processor's own prefetching: ask
                // for the next chunk of every source row of the group while this one is done.
                const std::size_t next = std::min(runEnd, e + kAvx512Chunk);
                for (int sr = lowest; sr <= highest; ++sr) {
                    const char* line = reinterpret_cast<const char*>(src.ConstScanLine(sr));
                    for (std::size_t o = e; o < next; o += 64)
                        _mm_prefetch(line + o, _MM_HINT_T1);
                }
                if (shared && quads)
                    VerticalGroupAvx512<true>(groupSums, groupRows.data(), groupWeights.data(),
                                              units, b, e);
                else if (shared)
                    VerticalGroupAvx512<false>(groupSums, groupRows.data(), groupWeights.data(),
                                               units, b, e);
                else
                    for (int r = 0; r < n; ++r)
                        VerticalPairsAvx512(groupSums[r], rows[r].data(),
                                            v.Weight.data() + v.Start[y0 + r], v.Count(y0 + r), b,
                                            e);
            }
        }
        // A last group of fewer rows repeats its first row into scratch.
        for (int r = n; r < kAvx512Rows; ++r) {
            spare.resize(std::size_t(dstWidth));
            out[r] = spare.data();
            colSums[r] = colSums[0];
        }
        HorizontalRowsAvx512(out, dstWidth, colSums, plan);
    }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#undef LUMETTA_AVX512
#endif

#if LUMETTA_RESAMPLE_X86
// The AVX-512 form of the horizontal taps (see LanczosPlan). Returns false, leaving the block
// lists empty, when its split column sums could lose a bit: every weight w must give 64 w in
// 16 bits, and every column sum S (at most 255 times the sum of a vertical list's magnitudes)
// must give S >> 6 in 16 bits.
bool PrepareBlockTaps(LanczosPlan& plan) {
    const TTapTable& v = plan.v;
    for (int y = 0; y < v.Size(); ++y) {
        int magnitude = 0;
        for (int k = v.Start[y]; k < v.Start[y + 1]; ++k)
            magnitude += std::abs(v.Weight[std::size_t(k)]);
        if (magnitude > 32767 * 64 / 255) return false;
    }
    const TTapTable& h = plan.h;
    const int count = h.Size();
    const int blocks = (count + 3) / 4;
    plan.blockFirst.resize(std::size_t(blocks));
    plan.blockTap.assign(1, 0);
    for (int b = 0; b < blocks; ++b) {
        const int x0 = 4 * b, x1 = std::min(count, x0 + 4);
        int lo = h.Index[std::size_t(h.Start[x0])], hi = lo;
        for (int k = h.Start[x0]; k < h.Start[x1]; ++k) {
            lo = std::min(lo, h.Index[std::size_t(k)]);
            hi = std::max(hi, h.Index[std::size_t(k)]);
        }
        plan.blockFirst[std::size_t(b)] = lo * 4;
        const std::size_t at = plan.blockWeights.size();
        plan.blockWeights.resize(at + std::size_t(hi - lo + 1) * 4, 0);
        for (int x = x0; x < x1; ++x)
            for (int k = h.Start[x]; k < h.Start[x + 1]; ++k)
                plan.blockWeights[at + std::size_t(h.Index[std::size_t(k)] - lo) * 4 +
                                  std::size_t(x - x0)] += h.Weight[std::size_t(k)];
        plan.blockTap.push_back(plan.blockTap.back() + hi - lo + 1);
    }
    for (std::int32_t& w : plan.blockWeights) {
        if (w < -512 || w > 511) {
            plan.blockFirst.clear();
            plan.blockTap.clear();
            plan.blockWeights.clear();
            return false;
        }
        w = std::int32_t((std::uint32_t(std::uint16_t(64 * w)) << 16) | std::uint16_t(w));
    }
    return true;
}
#endif

void PrepareVectorTaps(LanczosPlan& plan) {
#if LUMETTA_RESAMPLE_X86
    if (!cpu::HaveAvx2()) return;
    // The vertical multiply-add takes 16-bit weights; they always fit, but stay exact if not.
    for (int w : plan.v.Weight)
        if (w < -32768 || w > 32767) return;
    plan.avx2 = true;
    const TTapTable& h = plan.h;
    const int count = h.Size();
    if (cpu::HaveAvx512Vnni() && PrepareBlockTaps(plan)) {
        plan.avx512 = true;
        return;
    }
    int taps = 1;
    for (int x = 0; x < count; ++x)
        taps = std::max(taps, h.Count(x));
    plan.hTaps = taps;
    plan.hOffset.assign(std::size_t(count) * taps, 0);
    plan.hPairWeights.assign(std::size_t((count + 1) / 2) * taps * 8, 0);
    for (int x = 0; x < count; ++x) {
        const int n = h.Count(x);
        for (int k = 0; k < taps; ++k) {
            const int from = h.Start[x] + std::min(k, n - 1);
            const int weight = k < n ? h.Weight[std::size_t(from)] : 0;
            plan.hOffset[std::size_t(x) * taps + k] = h.Index[std::size_t(from)] * 4;
            std::int32_t* lanes =
                plan.hPairWeights.data() + (std::size_t(x / 2) * taps + k) * 8 + (x % 2) * 4;
            std::fill(lanes, lanes + 4, weight);
        }
    }
#else
    (void)plan;
#endif
}

void LanczosRows(const TBitmap32& src, TColor32* dst, int dstWidth, const LanczosPlan& plan,
                 int rowBegin, int rowEnd) {
#if LUMETTA_RESAMPLE_X86
    if (plan.avx512) {
        LanczosRowsAvx512(src, dst, dstWidth, plan, rowBegin, rowEnd);
        return;
    }
#endif
    const TTapTable& v = plan.v;
    std::vector<std::int32_t> colSums(std::size_t(src.Width()) * 4);
    std::vector<const std::uint8_t*> rows;
    for (int y = rowBegin; y < rowEnd; ++y) {
        const int first = v.Start[y], taps = v.Count(y);
        rows.resize(std::size_t(taps));
        for (int t = 0; t < taps; ++t)
            rows[t] = reinterpret_cast<const std::uint8_t*>(src.ConstScanLine(v.Index[first + t]));
        const int* weights = v.Weight.data() + first;
        TColor32* out = dst + std::size_t(y) * dstWidth;
#if LUMETTA_RESAMPLE_X86
        if (plan.avx2) {
            for (const ColumnRun& r : plan.runs)
                VerticalSumsAvx2(colSums.data(), rows.data(), weights, taps,
                                 std::size_t(r.begin) * 4, std::size_t(r.end) * 4);
            HorizontalPassAvx2(out, dstWidth, colSums.data(), plan);
            continue;
        }
#endif
        for (const ColumnRun& r : plan.runs)
            VerticalSums(colSums.data(), rows.data(), weights, taps, std::size_t(r.begin) * 4,
                         std::size_t(r.end) * 4);
        HorizontalPixels(out, 0, dstWidth, colSums.data(), plan.h);
    }
}

void ResampleLanczos(const TBitmap32& src, TBitmap32& dst) {
    const int sw = src.Width();
    const int dw = dst.Width(), dh = dst.Height();
    const int sh = src.Height();
    LanczosPlan plan;
    // The two tables take about a millisecond each on a photo: built side by side when the
    // kernel is evaluated often enough to pay for a thread (some ten thousand times).
    const auto kernelCalls = [](int from, int to) {
        return double(to) * (to < from ? 6.0 * from / to + 1 : 7.0);
    };
    const std::size_t tables = kernelCalls(sw, dw) > 2e4 && kernelCalls(sh, dh) > 2e4 ? 2 : 1;
    ForEachBand(tables, 1, 1, [&](std::size_t begin, std::size_t end) {
        if (begin == 0) plan.h = MergeRepeatedTaps(BuildLanczosTaps(sw, dw));
        if (end == tables) plan.v = MergeRepeatedTaps(BuildLanczosTaps(sh, dh));
    });

    // The source columns the horizontal taps refer to, as runs of neighbours.
    std::vector<char> used(std::size_t(sw), 0);
    for (int c : plan.h.Index)
        used[std::size_t(c)] = 1;
    for (int c = 0; c < sw;) {
        if (!used[std::size_t(c)]) {
            ++c;
            continue;
        }
        const int begin = c;
        while (c < sw && used[std::size_t(c)])
            ++c;
        plan.runs.push_back({begin, c});
    }
    PrepareVectorTaps(plan);

    TColor32* out = dst.Bits();
    // Big pictures are split into bands of rows, one per core; every row is computed exactly
    // as it would be on one thread. A band is worth a thread from about 2 million multiply-adds.
    const double work =
        double(plan.v.Index.size()) * double(sw) + double(dh) * double(plan.h.Index.size());
    const double perRow = std::max(1.0, work / double(dh));
    const auto minRows = std::size_t(std::ceil(2e6 / perRow));
    ForEachBand(std::size_t(dh), minRows, 1, [&](std::size_t begin, std::size_t end) {
        LanczosRows(src, out, dw, plan, int(begin), int(end));
    });
}

} // namespace

float LanczosKernel(float x) {
    if (!(std::fabs(x) < 3.0f)) return 0.0f;
    return Sinc(x) * Sinc(x / 3.0f);
}

TTapTable BuildLanczosTaps(int srcSize, int dstSize) {
    TTapTable t;
    t.Start.reserve(std::size_t(dstSize) + 1);
    t.Start.push_back(0);
    if (srcSize == 1) {
        for (int i = 0; i < dstSize; ++i) {
            t.Index.push_back(0);
            t.Weight.push_back(256);
            t.Start.push_back(int(t.Index.size()));
        }
        return t;
    }
    const float scale = float(dstSize) / float(srcSize);
    const float inv = 1.0f / scale;
    const bool shrinking = scale < 1.0f;
    const float radius = shrinking ? 3.0f * inv : 3.0f;
    // At most 2 radius + 2 taps an index, short of rounding.
    const std::size_t most = std::size_t(dstSize) * std::size_t(2.0f * radius + 3.0f);
    t.Index.reserve(most);
    t.Weight.reserve(most);
    for (int i = 0; i < dstSize; ++i) {
        const int first = int(t.Index.size());
        const float centre = (float(i) + 0.5f) * inv - 0.5f;
        const int lo = int(std::floor(centre - radius));
        const int hi = int(std::ceil(centre + radius));
        for (int j = lo; j <= hi; ++j) {
            const float d = centre - float(j);
            const float w =
                shrinking ? LanczosKernel(d * scale) * 256.0f * scale : LanczosKernel(d) * 256.0f;
            const int weight = int(std::lrint(w));
            if (weight == 0) continue;
            t.Index.push_back(std::clamp(j, 0, srcSize - 1));
            t.Weight.push_back(weight);
        }
        if (int(t.Index.size()) == first) {
            // Only when shrinking: every weight rounded to 0.
            t.Index.push_back(std::clamp(int(std::floor(centre)), 0, srcSize - 1));
            t.Weight.push_back(256);
        }
        int sum = 0;
        for (std::size_t k = std::size_t(first); k < t.Weight.size(); ++k)
            sum += t.Weight[k];
        if (sum != 256) {
            const int last = int(t.Index.size()) - 1 - first; // K, the index of the last tap
            t.Weight[std::size_t(first + last / 2)] -= sum - 256;
        }
        t.Start.push_back(int(t.Index.size()));
    }
    return t;
}

bool ResampleBitmap(TBitmap32& bitmap, int newWidth, int newHeight, TStretchFilter filter) {
    // One notification for the whole operation, also when it fails after resizing.
    struct UpdateGuard {
        TBitmap32& b;
        explicit UpdateGuard(TBitmap32& bm) : b(bm) { b.BeginUpdate(); }
        ~UpdateGuard() { b.EndUpdate(); }
    } guard(bitmap);

    // The copy shares the pixels; resizing the bitmap gives it fresh storage, so the source
    // costs nothing. Setting width then height in one step ends in the same state.
    TBitmap32 source;
    source.Assign(bitmap);
    // A new size is written pixel by pixel below, so its storage need not be cleared first.
    if (!source.Empty() && newWidth > 0 && newHeight > 0 &&
        (newWidth != source.Width() || newHeight != source.Height()))
        bitmap.SetSizeForOverwrite(newWidth, newHeight);
    else
        bitmap.SetSize(newWidth, newHeight);
    if (source.Empty()) return true;
    if (bitmap.Empty()) throw ETransformError("Destination bitmap is nil or empty");
    if (bitmap.Width() == source.Width() && bitmap.Height() == source.Height()) {
        // SetSize kept the pixels: they are the copy's already.
        return true;
    }
    if (filter == sfNearest) {
        source.DrawMode = dmOpaque; // every destination pixel is replaced
        bitmap.Draw(bitmap.BoundsRect(), source.BoundsRect(), source);
    } else {
        ResampleLanczos(source, bitmap);
        bitmap.Changed();
    }
    return true;
}

} // namespace lumetta
