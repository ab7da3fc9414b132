// PNG through libpng. libpng reports errors by longjmp, so every stretch of libpng calls runs in
// a small function of its own that holds nothing with a destructor; C++ objects (the bitmap,
// the row table) are made between those stretches.
#include "codecs/CodecCommon.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace lumetta::codecs {

bool HasPngSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 4 && data[0] == 0x89 && data[1] == 0x50 && data[2] == 0x4E && data[3] == 0x47;
}

namespace {

struct PngState {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
    char message[256];
};

void ReadData(png_structp png, png_bytep out, std::size_t count) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (count > state->size - state->pos) png_error(png, "the data ends too early");
    std::memcpy(out, state->data + state->pos, count);
    state->pos += count;
}

void OnError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    bool hasTrns = false;
    png_color_16 trnsColour{};
    int numTrans = 0;
    png_byte trnsAlpha[256]{};
    int numPalette = 0;
    png_color palette[256]{};
    std::size_t rowBytes = 0;
};

// Reads the chunks before the image data and sets up the transforms that turn every kind of
// PNG into B, G, R, A bytes (TColor32 in memory) at 8 bits per channel.
bool ReadHeader(png_structp png, png_infop info, PngHeader* h) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int interlace = 0;
    png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colourType, &interlace,
                 nullptr, nullptr);
    png_bytep trnsAlpha = nullptr;
    png_color_16p trnsColour = nullptr;
    if (png_get_valid(png, info, PNG_INFO_tRNS) &&
        png_get_tRNS(png, info, &trnsAlpha, &h->numTrans, &trnsColour)) {
        h->hasTrns = true;
        if (trnsColour) h->trnsColour = *trnsColour;
        if (trnsAlpha && h->numTrans > 0) {
            h->numTrans = std::min(h->numTrans, 256);
            std::memcpy(h->trnsAlpha, trnsAlpha, std::size_t(h->numTrans));
        } else {
            h->numTrans = 0;
        }
    }
    png_colorp palette = nullptr;
    if (png_get_PLTE(png, info, &palette, &h->numPalette) && palette) {
        h->numPalette = std::clamp(h->numPalette, 0, 256);
        std::memcpy(h->palette, palette, sizeof(png_color) * std::size_t(h->numPalette));
    } else {
        h->numPalette = 0;
    }

    if (h->colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (h->colourType == PNG_COLOR_TYPE_GRAY && h->bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (h->hasTrns) png_set_tRNS_to_alpha(png);
    if (h->bitDepth == 16) png_set_strip_16(png);
    if (!(h->colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!(h->colourType & PNG_COLOR_MASK_ALPHA) && !h->hasTrns)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    h->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool ReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

bool ReadEnd(png_structp png) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_end(png, nullptr);
    return true;
}

struct PngReadGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReadGuard() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

// A grey sample of the given depth widened to 8 bits the way the decoder widens pixels.
std::uint32_t GreyTo8(unsigned value, int depth) {
    switch (depth) {
    case 1:
        return (value & 1) * 255;
    case 2:
        return (value & 3) * 85;
    case 4:
        return (value & 15) * 17;
    case 8:
        return value & 0xFF;
    default:
        return (value >> 8) & 0xFF;
    }
}

std::uint32_t SampleTo8(unsigned value, int depth) {
    return depth == 16 ? (value >> 8) & 0xFF : value & 0xFF;
}

void ClassifyTransparency(const PngHeader& h, PngPicture& out) {
    out.transparentCount = 0;
    if (h.colourType & PNG_COLOR_MASK_ALPHA) {
        out.transparency = PngTransparency::AlphaChannel;
    } else if (!h.hasTrns) {
        out.transparency = PngTransparency::None;
    } else if (h.colourType == PNG_COLOR_TYPE_PALETTE) {
        bool partial = false;
        for (int i = 0; i < h.numTrans; ++i)
            partial = partial || (h.trnsAlpha[i] != 0 && h.trnsAlpha[i] != 255);
        out.transparency =
            partial ? PngTransparency::PartialPalette : PngTransparency::SingleColour;
        if (!partial) {
            // Every entry whose transparency is 0 names a transparent colour.
            for (int i = 0; i < h.numTrans && i < h.numPalette; ++i) {
                if (h.trnsAlpha[i] != 0) continue;
                const png_color& c = h.palette[i];
                out.transparentColours[std::size_t(out.transparentCount++)] =
                    (std::uint32_t(c.red) << 16) | (std::uint32_t(c.green) << 8) | c.blue;
            }
        }
    } else {
        out.transparency = PngTransparency::SingleColour;
        std::uint32_t rgb;
        if (h.colourType & PNG_COLOR_MASK_COLOR) {
            rgb = (SampleTo8(h.trnsColour.red, h.bitDepth) << 16) |
                  (SampleTo8(h.trnsColour.green, h.bitDepth) << 8) |
                  SampleTo8(h.trnsColour.blue, h.bitDepth);
        } else {
            const std::uint32_t g = GreyTo8(h.trnsColour.gray, h.bitDepth);
            rgb = (g << 16) | (g << 8) | g;
        }
        out.transparentColours[0] = rgb;
        out.transparentCount = 1;
    }
}

} // namespace

void DecodePng(const DecodeContext& ctx, PngPicture& out) {
    if (ctx.size < 8 || png_sig_cmp(ctx.data, 0, 8) != 0) ctx.Fail("Invalid PNG signature");
    // The header chunk must come first; its size is checked here so that an oversized picture
    // is refused with our own message before libpng allocates anything for it.
    if (ctx.size >= 24 && std::memcmp(ctx.data + 12, "IHDR", 4) == 0) {
        const std::uint32_t w = BigEndian32(ctx.data + 16), h = BigEndian32(ctx.data + 20);
        if (w > 0 && h > 0 && w <= 0x7FFFFFFFu && h <= 0x7FFFFFFFu) ctx.CheckSize(w, h);
    }

    PngState state{ctx.data, ctx.size, 0, {}};
    PngReadGuard guard;
    guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
    if (!guard.png) throw EOutOfResources("Can't allocate the DIB handle");
    guard.info = png_create_info_struct(guard.png);
    if (!guard.info) throw EOutOfResources("Can't allocate the DIB handle");
    png_set_read_fn(guard.png, &state, ReadData);
    png_set_user_limits(guard.png, kMaxPictureSide, kMaxPictureSide);
    // Ancillary chunks (text, profiles) are not ours to keep; cap what libpng holds for them.
    png_set_chunk_cache_max(guard.png, 1000);
    png_set_chunk_malloc_max(guard.png, 8u << 20);

    PngHeader header;
    if (!ReadHeader(guard.png, guard.info, &header)) ctx.Fail(state.message);
    ctx.CheckSize(header.width, header.height);
    if (header.rowBytes != std::size_t(header.width) * 4) ctx.Fail("unexpected row layout");

    TBitmap32 pixels(int(header.width), int(header.height));
    std::vector<png_bytep> rows(header.height);
    TColor32* bits = pixels.Bits();
    for (png_uint_32 y = 0; y < header.height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(bits + std::size_t(y) * header.width);
    if (!ReadRows(guard.png, rows.data())) ctx.Fail(state.message);
    // What follows the pixels (text, time, the end chunk) does not change them: a file cut
    // short after its image data still gives the complete picture.
    std::size_t consumed = state.pos;
    if (ReadEnd(guard.png)) consumed = state.pos;

    ClassifyTransparency(header, out);
    out.pixels = std::move(pixels);
    out.consumed = consumed;
}

void ApplyPngObjectRules(const PngPicture& png, TBitmap32& pixels) {
    switch (png.transparency) {
    case PngTransparency::None:
    case PngTransparency::AlphaChannel:
        return;
    case PngTransparency::PartialPalette:
        pixels.ResetAlpha();
        return;
    case PngTransparency::SingleColour:
        break;
    }
    TColor32* p = pixels.Bits();
    const std::size_t n = pixels.PixelCount();
    const int count = png.transparentCount;
    if (count == 0) {
        pixels.ResetAlpha();
        return;
    }
    if (count == 1) {
        const TColor32 key = png.transparentColours[0];
        for (std::size_t i = 0; i < n; ++i) {
            const TColor32 rgb = p[i] & 0x00FFFFFFu;
            p[i] = rgb == key ? rgb : rgb | 0xFF000000u;
        }
    } else {
        std::array<TColor32, 257> keys = png.transparentColours;
        std::sort(keys.begin(), keys.begin() + count);
        for (std::size_t i = 0; i < n; ++i) {
            const TColor32 rgb = p[i] & 0x00FFFFFFu;
            const bool hit = std::binary_search(keys.begin(), keys.begin() + count, rgb);
            p[i] = hit ? rgb : rgb | 0xFF000000u;
        }
    }
    pixels.Changed();
}

} // namespace lumetta::codecs
