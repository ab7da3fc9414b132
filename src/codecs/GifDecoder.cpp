// GIF through giflib: the first image, placed on its logical screen filled with the background
// colour and cut at the screen's edges. A GIF is an 8-bit picture, so every pixel is opaque (a
// transparent index shows its palette colour).
#include "codecs/CodecCommon.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumetta::codecs {
namespace {

struct GifInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* out, int count) {
    auto* in = static_cast<GifInput*>(gif->UserData);
    if (count <= 0) return 0;
    const std::size_t n = std::min(std::size_t(count), in->size - in->pos);
    if (n) std::memcpy(out, in->data + in->pos, n);
    in->pos += n;
    return int(n);
}

struct GifGuard {
    GifFileType* gif = nullptr;
    ~GifGuard() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return text ? text : "unknown error";
}

Palette ToPalette(const ColorMapObject* map) {
    Palette palette = BlackPalette();
    if (!map || !map->Colors) return palette;
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = map->Colors[i];
        palette[std::size_t(i)] = Color32(c.Red, c.Green, c.Blue);
    }
    return palette;
}

} // namespace

void DecodeGif(const DecodeContext& ctx, TBitmap32& out) {
    GifInput input{ctx.data, ctx.size, 0};
    GifGuard guard;
    int error = 0;
    guard.gif = DGifOpen(&input, ReadGif, &error);
    if (!guard.gif) ctx.Fail(GifError(error));
    GifFileType* gif = guard.gif;

    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) ctx.Fail(GifError(gif->Error));
        if (record == TERMINATE_RECORD_TYPE) ctx.Fail("it holds no image");
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) ctx.Fail(GifError(gif->Error));
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) ctx.Fail(GifError(gif->Error));
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR) ctx.Fail(GifError(gif->Error));
        break;
    }

    const GifImageDesc& desc = gif->Image;
    const std::int64_t w = desc.Width, h = desc.Height;
    if (desc.Left < 0 || desc.Top < 0) ctx.Fail("bad image position");
    // A screen side of no size is the image's own; its position on that side is then ignored
    // (otherwise a few bytes placing a small image far away would make a huge empty picture).
    const std::int64_t left = gif->SWidth > 0 ? desc.Left : 0;
    const std::int64_t top = gif->SHeight > 0 ? desc.Top : 0;
    ctx.CheckSize(w, h);
    // The picture is the logical screen; an image reaching past it is cut at its edges, as
    // other readers show it.
    const std::int64_t canvasW = gif->SWidth > 0 ? gif->SWidth : w;
    const std::int64_t canvasH = gif->SHeight > 0 ? gif->SHeight : h;
    TBitmap32 picture = ctx.NewPicture(canvasW, canvasH);

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map) ctx.Fail("it has no colour table");
    const Palette palette = ToPalette(map);
    const Palette screenPalette = ToPalette(gif->SColorMap);
    const TColor32 background =
        gif->SColorMap ? screenPalette[std::size_t(gif->SBackGroundColor & 0xFF)] : 0xFF000000u;
    TColor32* bits = picture.Bits();
    std::fill(bits, bits + picture.PixelCount(), background);

    // Interlaced images store rows in four passes: every 8th from 0, every 8th from 4, every
    // 4th from 2, every 2nd from 1.
    std::vector<int> order;
    order.reserve(std::size_t(h));
    if (desc.Interlace) {
        static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < h; y += kStep[pass])
                order.push_back(y);
    } else {
        for (int y = 0; y < h; ++y)
            order.push_back(y);
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(w));
    for (int y : order) {
        if (DGifGetLine(gif, line.data(), int(w)) == GIF_ERROR) ctx.Fail(GifError(gif->Error));
        if (top + y >= canvasH || left >= canvasW) continue;
        TColor32* row = bits + std::size_t(top + y) * std::size_t(canvasW) + std::size_t(left);
        const std::int64_t visible = std::min(w, canvasW - left);
        for (std::int64_t x = 0; x < visible; ++x)
            row[x] = palette[line[std::size_t(x)]];
    }
    out = std::move(picture);
}

} // namespace lumetta::codecs
