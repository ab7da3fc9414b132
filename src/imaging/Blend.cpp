#include "imaging/Blend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumetta {

void BlendRow(TColor32* dst, const TColor32* src, std::size_t count) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Four pixels at a time with the channels widened to 16 bits; every intermediate
    // (at most 255 * 256 + 128) fits an unsigned 16-bit lane, so the result is exact.
    const __m128i zero = _mm_setzero_si128();
    const __m128i w256 = _mm_set1_epi16(256);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    for (; i + 4 <= count; i += 4) {
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i fa = _mm_and_si128(f, alphaMask);
        const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(fa, alphaMask));
        if (opaque == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), f);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(fa, zero)) == 0xFFFF) continue;
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));

        const __m128i fLo = _mm_unpacklo_epi8(f, zero);
        const __m128i fHi = _mm_unpackhi_epi8(f, zero);
        const __m128i bLo = _mm_unpacklo_epi8(b, zero);
        const __m128i bHi = _mm_unpackhi_epi8(b, zero);
        // Broadcast each pixel's alpha (lane 3 of its four) over its four lanes.
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
        // Alpha 255 takes the source as it is (the formula would not give it back exactly);
        // alpha 0 gives the destination back through the formula itself.
        const __m128i keepSrc = _mm_cmpeq_epi32(fa, alphaMask);
        const __m128i out =
            _mm_or_si128(_mm_and_si128(keepSrc, f), _mm_andnot_si128(keepSrc, blended));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
    }
#endif
    for (; i < count; ++i)
        dst[i] = BlendPixel(src[i], dst[i]);
}

} // namespace lumetta
