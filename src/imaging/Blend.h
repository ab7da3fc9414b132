#pragma once
// Row helpers for the two transfer rules of TBitmap32.
//
// Copy rule: the destination pixel becomes the source pixel, alpha included.
// Blend rule (source alpha Fa, MasterAlpha 255): Fa = 0 leaves the destination untouched,
// Fa = 255 replaces it, otherwise every channel c, alpha included, becomes
//     (Fc * Fa + Bc * (256 - Fa) + 128) >> 8.
// The background weight is 256 - Fa on purpose: Fa = 0 then gives Bc back exactly.
#include "imaging/Bitmap32.h"

#include <cstddef>
#include <cstring>

namespace lumetta {

constexpr TColor32 BlendPixel(TColor32 f, TColor32 b) {
    const TColor32 a = f >> 24;
    if (a == 0) return b;
    if (a == 255) return f;
    const TColor32 na = 256 - a;
    // Two channels per 32-bit lane: each result fits in 16 bits (at most 255 * 256 + 128).
    const TColor32 rb =
        (((f & 0x00FF00FFu) * a + (b & 0x00FF00FFu) * na + 0x00800080u) >> 8) & 0x00FF00FFu;
    const TColor32 ag =
        ((((f >> 8) & 0x00FF00FFu) * a + ((b >> 8) & 0x00FF00FFu) * na + 0x00800080u)) &
        0xFF00FF00u;
    return ag | rb;
}

// dst and src may be the same row but must not overlap otherwise.
void BlendRow(TColor32* dst, const TColor32* src, std::size_t count);

// For tests: true keeps BlendRow to the form every x86-64 processor has (or plain code), so
// that the wider form can be checked against it on one machine.
void UseBaselineBlend(bool enable);

inline void CopyRow(TColor32* dst, const TColor32* src, std::size_t count) {
    if (count) std::memmove(dst, src, count * sizeof(TColor32));
}

// Puts a row by the rule of the source's draw mode (dmBlend blends, anything else copies).
inline void TransferRow(TDrawMode mode, TColor32* dst, const TColor32* src, std::size_t count) {
    if (mode == dmBlend)
        BlendRow(dst, src, count);
    else
        CopyRow(dst, src, count);
}

} // namespace lumetta
