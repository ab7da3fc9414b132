// ComposeFrame with any placement record, on small templates and photos in either draw mode:
// it either builds the canvas the record asks for or fails cleanly, leaving the photo alone.
#include "../FuzzTarget.h"

#include "decorate/Compose.h"

#include <algorithm>

LUMETTA_FUZZ_TARGET(compose) {
    using namespace lumetta;
    fuzz::Input in(data, size);
    const int fw = in.U8() % 48, fh = in.U8() % 48, pw = in.U8() % 48, ph = in.U8() % 48;
    const std::uint8_t flags = in.U8();
    TFrameSpec record;
    for (int i = 0; i < 21; ++i)
        record.Fields[std::size_t(i)] = in.I32();
    const std::int64_t cw = std::max<std::int64_t>(std::int64_t(pw) + record.ExtraWidth(), 0);
    const std::int64_t ch = std::max<std::int64_t>(std::int64_t(ph) + record.ExtraHeight(), 0);
    // Allowed canvases beyond a megapixel only make the fuzzer slow.
    if (PictureSizeAllowed(cw, ch) && cw * ch > 1'000'000) return 0;

    TBitmap32 frame(fw, fh), photo(pw, ph);
    TColor32* f = frame.Bits();
    for (std::size_t i = 0; i < frame.PixelCount(); ++i)
        f[i] = TColor32(i * 2654435761u) ^ in.U8();
    TColor32* p = photo.Bits();
    for (std::size_t i = 0; i < photo.PixelCount(); ++i)
        p[i] = TColor32(i * 40503u) | 0xFF000000u;
    frame.DrawMode = flags & 1 ? dmBlend : dmOpaque;
    photo.DrawMode = flags & 2 ? dmBlend : dmOpaque;

    const TBitmap32 before = photo;
    try {
        ComposeFrame(photo, frame, record);
        const bool empty = cw == 0 || ch == 0; // a canvas without pixels is 0 x 0
        FUZZ_CHECK(photo.Width() == (empty ? 0 : cw) && photo.Height() == (empty ? 0 : ch));
    } catch (const Error&) {
        FUZZ_CHECK(fuzz::Unchanged(photo, before));
    }
    return 0;
}
