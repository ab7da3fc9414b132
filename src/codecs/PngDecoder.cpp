// PNG through libpng. libpng reports errors by longjmp, so every stretch of libpng calls runs in
// a small function of its own that holds nothing with a destructor; C++ objects (the bitmap,
// the row table) are made between those stretches.
//
// libpng reads the chunks before the image data. For the common pictures (8 bits per sample,
// not interlaced) the image data is then read here instead: all of it inflated by libdeflate in
// one call into a buffer of exactly the size the header gives, and the rows unfiltered and
// turned into B, G, R, A here. That is several times faster than libpng's inflating row by row
// with zlib. It is taken only for a file that is sound throughout (every chunk whole with its
// CRC, the stream exactly the picture's size, every filter type known, the end chunk present);
// for anything else libpng reads the image data as before, from where it stopped, and gives
// its own result or message.
#include "base/PixelMemory.h"
#include "codecs/CodecCommon.h"

#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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
    int bitDepth = 0, colourType = 0, interlace = 0;
    bool hasTrns = false;
    png_color_16 trnsKey{}; // grey and RGB pictures: the transparent colour
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
    png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colourType, &h->interlace,
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
        if (trnsColour) h->trnsKey = *trnsColour;
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

// ---- the image data read in one piece ----

bool wholeReading = true; // tests and benchmarks turn it off to compare with libpng's reading
bool lastReadWhole = false;

// libpng's limit on a chunk's length (png_set_chunk_malloc_max below); for IDAT chunks libpng
// allows the larger of this and a little more than the picture's filtered size.
constexpr std::uint32_t kChunkLimit = 8u << 20;
constexpr std::uint32_t kIdat = 0x49444154u, kIend = 0x49454E44u;

struct Chunk {
    std::size_t at = 0; // offset of its length field
    std::uint32_t length = 0, type = 0;
    std::size_t End() const { return at + 12 + std::size_t(length); }
};

// The chunk at `at`, when it is whole, has a name and a length that libpng accepts and its
// CRC matches.
bool SoundChunk(const DecodeContext& ctx, std::size_t at, std::size_t idatLimit, Chunk* c) {
    if (at > ctx.size || ctx.size - at < 12) return false;
    const std::uint8_t* p = ctx.data + at;
    c->at = at;
    c->length = BigEndian32(p);
    c->type = BigEndian32(p + 4);
    if (c->length > 0x7FFFFFFFu || ctx.size - at - 12 < c->length) return false;
    for (int i = 4; i < 8; ++i)
        if (!((p[i] >= 'A' && p[i] <= 'Z') || (p[i] >= 'a' && p[i] <= 'z'))) return false;
    if (c->length >
        (c->type == kIdat ? std::max<std::size_t>(kChunkLimit, idatLimit) : kChunkLimit))
        return false;
    return libdeflate_crc32(0, p + 4, 4 + std::size_t(c->length)) == BigEndian32(p + 8 + c->length);
}

// Undoes one row's filter: `raw` holds the filtered bytes, `prior` the row above unfiltered
// (zeros above the first row), `cur` receives the row. Bpp is the bytes per pixel. False for a
// filter type that does not exist.
template <int Bpp>
bool UnfilterRow(unsigned type, const std::uint8_t* __restrict raw,
                 const std::uint8_t* __restrict prior, std::uint8_t* __restrict cur,
                 std::size_t n) {
    switch (type) {
    case 0:
        std::memcpy(cur, raw, n);
        return true;
    case 1: { // Sub: the byte to the left
        std::uint8_t a[Bpp] = {};
        for (std::size_t i = 0; i < n; i += Bpp)
            for (int k = 0; k < Bpp; ++k)
                cur[i + k] = a[k] = std::uint8_t(raw[i + k] + a[k]);
        return true;
    }
    case 2: // Up: the byte above
        for (std::size_t i = 0; i < n; ++i)
            cur[i] = std::uint8_t(raw[i] + prior[i]);
        return true;
    case 3: { // Average of left and above
        std::uint8_t a[Bpp] = {};
        for (std::size_t i = 0; i < n; i += Bpp)
            for (int k = 0; k < Bpp; ++k)
                cur[i + k] = a[k] = std::uint8_t(raw[i + k] + ((a[k] + prior[i + k]) >> 1));
        return true;
    }
    case 4: { // Paeth: whichever of left, above and above-left is nearest to left + above -
              // above-left
        int a[Bpp] = {}, c[Bpp] = {};
        for (std::size_t i = 0; i < n; i += Bpp)
            for (int k = 0; k < Bpp; ++k) {
                const int b = prior[i + k];
                const int pa = std::abs(b - c[k]), pb = std::abs(a[k] - c[k]),
                          pc = std::abs(a[k] + b - 2 * c[k]);
                const int predicted = pa <= pb && pa <= pc ? a[k] : pb <= pc ? b : c[k];
                a[k] = std::uint8_t(raw[i + k] + predicted);
                cur[i + k] = std::uint8_t(a[k]);
                c[k] = b;
            }
        return true;
    }
    default:
        return false;
    }
}

bool UnfilterRow(int bpp, unsigned type, const std::uint8_t* raw, const std::uint8_t* prior,
                 std::uint8_t* cur, std::size_t n) {
    switch (bpp) {
    case 1:
        return UnfilterRow<1>(type, raw, prior, cur, n);
    case 2:
        return UnfilterRow<2>(type, raw, prior, cur, n);
    case 3:
        return UnfilterRow<3>(type, raw, prior, cur, n);
    default:
        return UnfilterRow<4>(type, raw, prior, cur, n);
    }
}

// How the unfiltered samples of one 8-bit colour type become B, G, R, A, as libpng's
// transforms set up in ReadHeader make them.
struct SampleLayout {
    int colourType = 0;
    bool keyed = false; // grey or RGB with a transparent colour
    std::uint8_t keyGrey = 0, keyR = 0, keyG = 0, keyB = 0;
    TColor32 palette[256]{}; // colour type 3: entries past the palette are black
};

void ToBgra(const SampleLayout& f, const std::uint8_t* __restrict s, TColor32* __restrict d,
            std::size_t w) {
    switch (f.colourType) {
    case PNG_COLOR_TYPE_GRAY:
        for (std::size_t x = 0; x < w; ++x) {
            const TColor32 alpha = f.keyed && s[x] == f.keyGrey ? 0u : 0xFF000000u;
            d[x] = alpha | TColor32(s[x]) * 0x010101u;
        }
        return;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        for (std::size_t x = 0; x < w; ++x, s += 2)
            d[x] = (TColor32(s[1]) << 24) | TColor32(s[0]) * 0x010101u;
        return;
    case PNG_COLOR_TYPE_PALETTE:
        for (std::size_t x = 0; x < w; ++x)
            d[x] = f.palette[s[x]];
        return;
    case PNG_COLOR_TYPE_RGB:
        if (f.keyed) {
            for (std::size_t x = 0; x < w; ++x, s += 3) {
                const bool key = s[0] == f.keyR && s[1] == f.keyG && s[2] == f.keyB;
                d[x] = (key ? 0u : 0xFF000000u) | (TColor32(s[0]) << 16) | (TColor32(s[1]) << 8) |
                       s[2];
            }
        } else {
            for (std::size_t x = 0; x < w; ++x, s += 3)
                d[x] = 0xFF000000u | (TColor32(s[0]) << 16) | (TColor32(s[1]) << 8) | s[2];
        }
        return;
    default: // RGB with alpha
        for (std::size_t x = 0; x < w; ++x, s += 4)
            d[x] = (TColor32(s[3]) << 24) | (TColor32(s[0]) << 16) | (TColor32(s[1]) << 8) | s[2];
        return;
    }
}

struct BlockReleaser {
    std::size_t bytes = 0;
    void operator()(std::uint8_t* p) const { PixelMemory::Release(p, bytes); }
};
using Block = std::unique_ptr<std::uint8_t, BlockReleaser>;

Block AcquireBlock(std::size_t bytes) {
    return Block(static_cast<std::uint8_t*>(PixelMemory::Acquire(bytes, false)),
                 BlockReleaser{bytes});
}

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// Reads the image data of an 8-bit, non-interlaced picture into `pixels` (already of the
// picture's size) in one piece, starting at the first IDAT chunk whose header libpng has just
// read, and checks the chunks after it up to the end chunk. Returns false, with nothing read
// that libpng's own reading needs, for anything but a plainly sound file; libpng then reads the
// image data itself and gives the result or the message it always gave.
bool ReadImageDataWhole(const DecodeContext& ctx, std::size_t firstIdat, const PngHeader& h,
                        TBitmap32& pixels, std::size_t* consumed) {
    if (h.bitDepth != 8 || h.interlace != PNG_INTERLACE_NONE) return false;
    SampleLayout layout;
    layout.colourType = h.colourType;
    int channels = 0;
    switch (h.colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        channels = 1;
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        channels = 2;
        break;
    case PNG_COLOR_TYPE_RGB:
        channels = 3;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        channels = 4;
        break;
    default:
        return false;
    }
    if (h.hasTrns && (h.colourType == PNG_COLOR_TYPE_GRAY || h.colourType == PNG_COLOR_TYPE_RGB)) {
        const png_color_16& k = h.trnsKey;
        if (std::max({k.gray, k.red, k.green, k.blue}) > 255) return false;
        layout.keyed = true;
        layout.keyGrey = std::uint8_t(k.gray);
        layout.keyR = std::uint8_t(k.red);
        layout.keyG = std::uint8_t(k.green);
        layout.keyB = std::uint8_t(k.blue);
    }
    if (h.colourType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < 256; ++i) {
            const png_color c = i < h.numPalette ? h.palette[i] : png_color{0, 0, 0};
            const TColor32 alpha = h.hasTrns && i < h.numTrans ? h.trnsAlpha[i] : 255;
            layout.palette[i] =
                (alpha << 24) | (TColor32(c.red) << 16) | (TColor32(c.green) << 8) | c.blue;
        }
    }

    const std::size_t w = h.width, rowBytes = w * std::size_t(channels), stride = rowBytes + 1;
    const std::size_t filtered = std::size_t(h.height) * stride;

    // The run of IDAT chunks, then every chunk up to and including the end chunk.
    Chunk c;
    std::size_t at = firstIdat, compressed = 0, chunks = 0;
    if (!SoundChunk(ctx, at, filtered, &c) || c.type != kIdat) return false;
    for (; SoundChunk(ctx, at, filtered, &c) && c.type == kIdat; at = c.End()) {
        compressed += c.length;
        ++chunks;
    }
    const std::size_t runEnd = at;
    for (;; at = c.End()) {
        if (!SoundChunk(ctx, at, filtered, &c)) return false;
        if (c.type == kIend) break;
        // Critical chunks other than IDAT (a second header, a palette) are libpng's to judge.
        if (c.type != kIdat && !(ctx.data[at + 4] & 0x20)) return false;
    }
    const std::size_t end = c.End();

    try {
        // The filtered rows go into the end of the picture's own storage when they fit there
        // (every layout but RGB with alpha): row y is written as B, G, R, A only after the
        // filtered rows up to y have been read. Fresh memory is costly to touch first, so the
        // picture's storage is all the memory the common files need.
        TColor32* bits = pixels.Bits();
        std::uint8_t* const storage = reinterpret_cast<std::uint8_t*>(bits);
        const std::size_t pictureBytes = w * h.height * sizeof(TColor32);
        const bool rowsInPicture = stride <= w * sizeof(TColor32);
        Block separate;
        std::uint8_t* rows;
        if (rowsInPicture) {
            rows = storage + (pictureBytes - filtered);
        } else {
            separate = AcquireBlock(filtered);
            if (!separate) return false;
            rows = separate.get();
        }
        // The compressed stream: where it is when it lies in one chunk, else gathered, into the
        // start of the picture's storage when it fits before the filtered rows.
        const std::uint8_t* stream = ctx.data + firstIdat + 8;
        Block gathered;
        if (chunks > 1) {
            std::uint8_t* out;
            if (rowsInPicture && compressed <= pictureBytes - filtered) {
                out = storage;
            } else {
                gathered = AcquireBlock(compressed);
                if (!gathered) return false;
                out = gathered.get();
            }
            stream = out;
            for (std::size_t p = firstIdat; p < runEnd;) {
                const std::size_t length = BigEndian32(ctx.data + p);
                std::memcpy(out, ctx.data + p + 8, length);
                out += length;
                p += 12 + length;
            }
        }
        // libpng inflates with the window the stream declares; libdeflate always allows 32 KB.
        // A smaller declared window only matters when the picture's data is larger than it.
        if (compressed < 2) return false;
        const int windowBits = (stream[0] >> 4) + 8;
        if (windowBits < 15 && filtered > (std::size_t(1) << windowBits)) return false;

        std::unique_ptr<libdeflate_decompressor, DecompressorFree> inflater(
            libdeflate_alloc_decompressor());
        if (!inflater) return false;
        // Exactly the picture's bytes with a matching Adler-32 checksum, or libpng judges. (Bytes
        // after the stream are ignored, as libpng does; libdeflate also lets pass a few invalid
        // codes that zlib refuses, where the bytes and checksum still come out right.)
        if (libdeflate_zlib_decompress(inflater.get(), stream, compressed, rows, filtered,
                                       nullptr) != LIBDEFLATE_SUCCESS)
            return false;
        gathered.reset();

        std::vector<std::uint8_t> scratch(2 * rowBytes);
        std::uint8_t* cur = scratch.data();
        std::uint8_t* prior = cur + rowBytes;
        for (std::size_t y = 0; y < h.height; ++y) {
            const std::uint8_t* row = rows + y * stride;
            if (!UnfilterRow(channels, row[0], row + 1, prior, cur, rowBytes)) return false;
            ToBgra(layout, cur, bits + y * w, w);
            std::swap(cur, prior);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    *consumed = end;
    return true;
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
    png_set_chunk_malloc_max(guard.png, kChunkLimit);

    PngHeader header;
    if (!ReadHeader(guard.png, guard.info, &header)) ctx.Fail(state.message);
    ctx.CheckSize(header.width, header.height);
    if (header.rowBytes != std::size_t(header.width) * 4) ctx.Fail("unexpected row layout");

    // Every row is written by either reading below.
    TBitmap32 pixels;
    pixels.SetSizeForOverwrite(int(header.width), int(header.height));
    std::size_t consumed = 0;
    lastReadWhole = wholeReading && state.pos >= 8 &&
                    ReadImageDataWhole(ctx, state.pos - 8, header, pixels, &consumed);
    if (!lastReadWhole) {
        std::vector<png_bytep> rows(header.height);
        TColor32* bits = pixels.Bits();
        for (png_uint_32 y = 0; y < header.height; ++y)
            rows[y] = reinterpret_cast<png_bytep>(bits + std::size_t(y) * header.width);
        if (!ReadRows(guard.png, rows.data())) ctx.Fail(state.message);
        // What follows the pixels (text, time, the end chunk) does not change them: a file cut
        // short after its image data still gives the complete picture.
        consumed = state.pos;
        if (ReadEnd(guard.png)) consumed = state.pos;
    }

    ClassifyTransparency(header, out);
    out.indexed = header.colourType == PNG_COLOR_TYPE_PALETTE;
    out.pixels = std::move(pixels);
    out.consumed = consumed;
}

std::size_t PngLargestLibraryRequest() {
    return gLargestRequest;
}

void SetPngWholeReading(bool on) {
    wholeReading = on;
}

bool PngReadWhole() {
    return lastReadWhole;
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
