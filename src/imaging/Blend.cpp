#include "imaging/Blend.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define LUMETTA_BLEND_X86 1
#endif

namespace lumetta {

namespace {

bool gBaselineBlend = false;

void BlendTail(TColor32* dst, const TColor32* src, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < count; ++i)
        dst[i] = BlendPixel(src[i], dst[i]);
}

#if LUMETTA_BLEND_X86
// The channels are widened to 16 bits; every intermediate (at most 255 * 256 + 128) fits an
// unsigned 16-bit lane, so the vector result equals BlendPixel exactly. Alpha 255 takes the
// source as it is (the formula would not give it back); alpha 0 gives the destination back
// through the formula itself.

void BlendRowSse2(TColor32* dst, const TColor32* src, std::size_t count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i w256 = _mm_set1_epi16(256);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i fLo = _mm_unpacklo_epi8(f, zero);
        const __m128i fHi = _mm_unpackhi_epi8(f, zero);
        const __m128i bLo = _mm_unpacklo_epi8(b, zero);
        const __m128i bHi = _mm_unpackhi_epi8(b, zero);
        // Each pixel's alpha (lane 3 of its four) broadcast over its four lanes.
        const __m128i aLo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(fLo, 0xFF), 0xFF);
        const __m128i aHi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(fHi, 0xFF), 0xFF);
        const __m128i rLo = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(fLo, aLo),
                                        _mm_mullo_epi16(bLo, _mm_sub_epi16(w256, aLo))),
                          half),
            8);
        const __m128i rHi = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(fHi, aHi),
                                        _mm_mullo_epi16(bHi, _mm_sub_epi16(w256, aHi))),
                          half),
            8);
        const __m128i blended = _mm_packus_epi16(rLo, rHi);
        const __m128i keepSrc = _mm_cmpeq_epi32(_mm_and_si128(f, alphaMask), alphaMask);
        const __m128i out =
            _mm_or_si128(_mm_and_si128(keepSrc, f), _mm_andnot_si128(keepSrc, blended));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
    }
    BlendTail(dst, src, i, count);
}

// The same eight pixels at a time (the unpack and pack work within each 128-bit half, so the
// pixel order is kept).
__attribute__((target("avx2"))) void BlendRowAvx2(TColor32* dst, const TColor32* src,
                                                  std::size_t count) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i w256 = _mm256_set1_epi16(256);
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    // Per 16-bit lane, the index of its pixel's alpha byte: bytes 6,7 for lanes 0-3 and
    // 14,15 for lanes 4-7 of each half; the high byte is known zero.
    const __m256i alphaShuffle =
        _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7, 6, 7,
                         6, 7, 14, 15, 14, 15, 14, 15, 14, 15);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        const __m256i fLo = _mm256_unpacklo_epi8(f, zero);
        const __m256i fHi = _mm256_unpackhi_epi8(f, zero);
        const __m256i bLo = _mm256_unpacklo_epi8(b, zero);
        const __m256i bHi = _mm256_unpackhi_epi8(b, zero);
        const __m256i aLo = _mm256_shuffle_epi8(fLo, alphaShuffle);
        const __m256i aHi = _mm256_shuffle_epi8(fHi, alphaShuffle);
        const __m256i rLo = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(fLo, aLo),
                                              _mm256_mullo_epi16(bLo, _mm256_sub_epi16(w256, aLo))),
                             half),
            8);
        const __m256i rHi = _mm256_srli_epi16(
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(fHi, aHi),
                                              _mm256_mullo_epi16(bHi, _mm256_sub_epi16(w256, aHi))),
                             half),
            8);
        const __m256i blended = _mm256_packus_epi16(rLo, rHi);
        const __m256i keepSrc = _mm256_cmpeq_epi32(_mm256_and_si256(f, alphaMask), alphaMask);
        const __m256i out = _mm256_blendv_epi8(blended, f, keepSrc);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), out);
    }
    BlendTail(dst, src, i, count);
}

using BlendRowFn = void (*)(TColor32*, const TColor32*, std::size_t);

BlendRowFn PickBlendRow() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? BlendRowAvx2 : BlendRowSse2;
}
#endif

} // namespace

void UseBaselineBlend(bool enable) {
    gBaselineBlend = enable;
}

void BlendRow(TColor32* dst, const TColor32* src, std::size_t count) {
#if LUMETTA_BLEND_X86
    static const BlendRowFn impl = PickBlendRow();
    (gBaselineBlend ? BlendRowSse2 : impl)(dst, src, count);
#else
    BlendTail(dst, src, 0, count);
#endif
}

} // namespace lumetta
