// The clipboard's alpha block: any bytes put onto a small picture either give exactly their
// alpha bytes to its pixels, colours untouched, or change nothing.
#include "../FuzzTarget.h"

#include "edit/AlphaBlock.h"

LUMETTA_FUZZ_TARGET(alphablock) {
    using namespace lumetta;
    fuzz::Input in(data, size);
    const int w = in.U8(), h = in.U8() % 64;
    TBitmap32 picture(w, h);
    TColor32* p = picture.Bits();
    for (std::size_t i = 0; i < picture.PixelCount(); ++i)
        p[i] = TColor32(i * 2654435761u);
    const TBitmap32 before = picture;
    const std::uint8_t* block = in.Rest();
    try {
        ApplyAlphaBlock(picture, block, in.RestSize());
        for (std::size_t i = 0; i < picture.PixelCount(); ++i) {
            const TColor32 c = picture.ConstBits()[i];
            FUZZ_CHECK((c & 0xFFFFFF) == (before.ConstBits()[i] & 0xFFFFFF));
            FUZZ_CHECK(c >> 24 == block[4 + i]);
        }
        FUZZ_CHECK(MakeAlphaBlock(picture) ==
                   std::vector<std::uint8_t>(block, block + 4 + picture.PixelCount()));
    } catch (const Error&) {
        FUZZ_CHECK(fuzz::Unchanged(picture, before));
    }
    return 0;
}
