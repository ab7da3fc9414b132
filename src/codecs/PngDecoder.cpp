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

// libpng's own allocations (row buffers, chunk data, zlib state; never the picture, which is
// ours) go through here. No legitimate request comes near the cap: a row of the widest picture
// at 16 bits per sample is 512 KB. A damaged length that slips past the chunk rules is refused
// here instead of reserving gigabytes.
constexpr png_alloc_size_t kMaxLibpngAllocation = png_alloc_size_t(16) << 20;
std::size_t gLargestRequest = 0;

png_voidp Allocate(png_structp, png_alloc_size_t size) {
    gLargestRequest = std::max<std::size_t>(gLargestRequest, size);
    return size <= kMaxLibpngAllocation ? std::malloc(size) : nullptr;
}

void Release(png_structp, png_voidp p) {
    std::free(p);
}

// The ancillary chunks we never use. Marked as never kept, libpng skips their data as it reads
// it, so a chunk claiming a huge length costs nothing (libpng's own handlers would first
// allocate the claimed length, and only warn when the chunk is over the limit).
constexpr png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
                                      "sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
constexpr int kIgnoredChunkCount = 17;

struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    bool hasTrns = false;
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
        // A grey or RGB key: libpng compares it with the samples at their own depth.
        out.transparency = PngTransparency::SingleColour;
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
    gLargestRequest = 0;
    guard.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning, nullptr,
                                         Allocate, Release);
    if (!guard.png) throw EOutOfResources("Can't allocate the DIB handle");
    guard.info = png_create_info_struct(guard.png);
    if (!guard.info) throw EOutOfResources("Can't allocate the DIB handle");
    png_set_read_fn(guard.png, &state, ReadData);
    png_set_user_limits(guard.png, kMaxPictureSide, kMaxPictureSide);
    // Ancillary chunks (text, profiles) are not ours to keep; unknown ones are dropped too.
    png_set_keep_unknown_chunks(guard.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(guard.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                kIgnoredChunkCount);
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
    out.indexed = header.colourType == PNG_COLOR_TYPE_PALETTE;
    out.pixels = std::move(pixels);
    out.consumed = consumed;
}

std::size_t PngLargestLibraryRequest() {
    return gLargestRequest;
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
    // A grey or RGB key: libpng has already given alpha 0 to exactly the pixels of that colour,
    // compared at the file's own depth (16-bit samples in full), and 255 to every other one.
    if (!png.indexed) return;

    // A palette: every pixel whose colour is that of an entry with transparency 0 becomes
    // transparent, also where another entry of the same colour is opaque. The pixels are
    // written (and so copied, when shared) only when that changes one of them.
    std::array<TColor32, 257> keys = png.transparentColours;
    const int count = png.transparentCount;
    std::sort(keys.begin(), keys.begin() + count);
    auto rule = [&](TColor32 c) {
        const TColor32 rgb = c & 0x00FFFFFFu;
        const bool hit = count > 0 && std::binary_search(keys.begin(), keys.begin() + count, rgb);
        return hit ? rgb : rgb | 0xFF000000u;
    };
    const TColor32* in = pixels.ConstBits();
    const std::size_t n = pixels.PixelCount();
    std::size_t first = 0;
    while (first < n && rule(in[first]) == in[first])
        ++first;
    if (first == n) return;
    TColor32* p = pixels.Bits();
    for (std::size_t i = first; i < n; ++i)
        p[i] = rule(p[i]);
    pixels.Changed();
}

} // namespace lumetta::codecs
