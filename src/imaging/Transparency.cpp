#include "imaging/Transparency.h"

#include "imaging/Blend.h"

namespace lumetta {

bool HasTransparency(const TBitmap32& picture) {
    const TColor32* p = picture.ConstBits();
    const std::size_t n = picture.PixelCount();
    // AND every pixel together, a row's worth at a time: the alpha byte stays 0xFF only when
    // every pixel is opaque, and the loop vectorises.
    constexpr std::size_t kChunk = 4096;
    for (std::size_t start = 0; start < n; start += kChunk) {
        const std::size_t end = start + kChunk < n ? start + kChunk : n;
        TColor32 all = 0xFFFFFFFFu;
        for (std::size_t i = start; i < end; ++i)
            all &= p[i];
        if ((all >> 24) != 0xFFu) return true;
    }
    return false;
}

void FlattenRowOnto(TColor32* dst, const TColor32* src, std::size_t count, TColor32 ground) {
    ground |= 0xFF000000u;
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = BlendPixel(src[i], ground) | 0xFF000000u;
}

TBitmap32 FlattenedOnto(const TBitmap32& picture, TColor32 ground) {
    if (!HasTransparency(picture)) return picture;
    TBitmap32 flat(picture.Width(), picture.Height());
    flat.DrawMode = picture.DrawMode;
    for (int y = 0; y < picture.Height(); ++y)
        FlattenRowOnto(flat.ScanLine(y), picture.ConstScanLine(y), std::size_t(picture.Width()),
                       ground);
    return flat;
}

} // namespace lumetta
