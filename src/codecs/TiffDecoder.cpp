// TIFF through libtiff, read from the bytes in memory: the first directory.
//
// Grey, palette and RGB pictures - with or without alpha, 1 to 16 or 32 bits per integer sample,
// 32- or 64-bit floating-point samples, in strips (through the scanline interface) or tiles,
// samples interleaved or in separate planes - are read sample by sample and scaled to 8 bits.
// Every other kind (YCbCr, CMYK, CIE Lab, LogLuv, old-style JPEG) goes through libtiff's RGBA
// interface. Either way the rows come as stored: ImageIO turns the picture upright by its
// orientation tag (or leaves it, when the user asked for that).
#include "codecs/CodecCommon.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace lumetta::codecs {
namespace {

// No single allocation inside libtiff may exceed this, whatever a damaged header claims.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t(1) << 30;
// Nor one row or tile of ours.
constexpr std::uint64_t kMaxBufferBytes = std::uint64_t(256) << 20;

struct TiffInput {
    const std::uint8_t* data;
    std::size_t size;
    std::uint64_t pos;
    char message[512];
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t count) {
    auto* in = static_cast<TiffInput*>(handle);
    if (count <= 0 || in->pos >= in->size) return 0;
    const std::size_t n = std::min<std::uint64_t>(std::uint64_t(count), in->size - in->pos);
    if (n) std::memcpy(out, in->data + in->pos, n);
    in->pos += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* in = static_cast<TiffInput*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = in->pos;
    else if (whence == SEEK_END)
        base = in->size;
    if (offset > UINT64_MAX - base) return toff_t(-1);
    in->pos = base + offset;
    return in->pos;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<TiffInput*>(handle)->size;
}

// The bytes are already in memory: libtiff reads them in place as it would a mapped file (it
// only ever reads mapped data). Some of its paths work only on mapped files, among them
// uncompressed tiles whose size is not a multiple of 1 KB.
int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* in = static_cast<TiffInput*>(handle);
    *base = const_cast<std::uint8_t*>(in->data);
    *size = in->size;
    return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* in = static_cast<TiffInput*>(user);
    if (!in->message[0]) {
        int n = 0;
        if (module && *module) n = std::snprintf(in->message, sizeof in->message, "%s: ", module);
        if (n < 0 || std::size_t(n) >= sizeof in->message) n = 0;
        std::vsnprintf(in->message + n, sizeof in->message - std::size_t(n), format, args);
    }
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffGuard {
    TIFF* tif = nullptr;
    TIFFOpenOptions* options = nullptr;
    ~TiffGuard() {
        if (tif) TIFFClose(tif);
        if (options) TIFFOpenOptionsFree(options);
    }
};

struct RgbaGuard {
    TIFFRGBAImage* img = nullptr;
    ~RgbaGuard() {
        if (img) TIFFRGBAImageEnd(img);
    }
};

// What one sample of the file becomes in the picture.
enum class Role { Ignore, Grey, Red, Green, Blue, Index, Alpha };

// The layout of a picture this file reads itself.
struct SampleLayout {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, samples = 0, format = SAMPLEFORMAT_UINT, photometric = 0;
    bool separate = false;     // one plane per sample
    bool associated = false;   // colours premultiplied by alpha
    bool minIsWhite = false;   // grey 0 is white
    std::vector<Role> roles;   // per sample
    std::vector<TColor32> map; // palette, opaque
};

// Chooses the sample reader when it can read the picture; false sends it to the RGBA interface.
bool DescribeSamples(TIFF* tif, std::uint32_t width, std::uint32_t height, SampleLayout& s) {
    std::uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &s.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &s.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &s.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &s.photometric)) return false;
    if (compression == COMPRESSION_OJPEG) return false;
    s.width = width;
    s.height = height;
    s.separate = planar == PLANARCONFIG_SEPARATE;
    if (s.format == SAMPLEFORMAT_VOID) s.format = SAMPLEFORMAT_UINT;

    int colours = 0;
    switch (s.photometric) {
    case PHOTOMETRIC_MINISWHITE:
        s.minIsWhite = true;
        [[fallthrough]];
    case PHOTOMETRIC_MINISBLACK:
        colours = 1;
        break;
    case PHOTOMETRIC_RGB:
        colours = 3;
        break;
    case PHOTOMETRIC_PALETTE:
        colours = 1;
        break;
    default:
        return false;
    }
    const bool integer =
        s.format == SAMPLEFORMAT_UINT && ((s.bits >= 1 && s.bits <= 16) || s.bits == 32);
    const bool real = s.format == SAMPLEFORMAT_IEEEFP && (s.bits == 32 || s.bits == 64);
    if (!integer && !real) return false;
    if (s.photometric == PHOTOMETRIC_PALETTE && (!integer || s.bits > 16)) return false;
    if (s.samples < colours) return false;

    s.roles.assign(s.samples, Role::Ignore);
    if (s.photometric == PHOTOMETRIC_RGB) {
        s.roles[0] = Role::Red;
        s.roles[1] = Role::Green;
        s.roles[2] = Role::Blue;
    } else {
        s.roles[0] = s.photometric == PHOTOMETRIC_PALETTE ? Role::Index : Role::Grey;
    }
    // The first extra sample is alpha when the file says so. RGB with a fourth sample and no
    // word about it is taken as premultiplied alpha, the way libtiff's own reader takes it.
    std::uint16_t extraCount = 0;
    std::uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    if (extraCount > 0 && extraTypes && s.samples > colours) {
        if (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA) {
            s.roles[std::size_t(colours)] = Role::Alpha;
            s.associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
        }
    } else if (extraCount == 0 && colours == 3 && s.samples >= 4) {
        s.roles[3] = Role::Alpha;
        s.associated = true;
    }

    if (s.photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return false;
        const std::size_t n = std::size_t(1) << s.bits;
        // Some writers store 8-bit values in the 16-bit colour map.
        bool eightBit = true;
        for (std::size_t i = 0; i < n; ++i)
            eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
        s.map.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            s.map[i] =
                eightBit ? Color32(r[i], g[i], b[i]) : Color32(r[i] >> 8, g[i] >> 8, b[i] >> 8);
    }
    return true;
}

// Reads the samples of packed rows: 8, 16, 32 and 64 bits in the machine's byte order (libtiff
// has swapped them), other depths as a bit stream, most significant bit first.
class SampleReader {
public:
    explicit SampleReader(const SampleLayout& s)
        : bits_(s.bits), real_(s.format == SAMPLEFORMAT_IEEEFP),
          max_(s.bits >= 32 ? 0xFFFFFFFFull : (1ull << s.bits) - 1) {}

    std::uint64_t Raw(const std::uint8_t* row, std::size_t index) const {
        switch (bits_) {
        case 8:
            return row[index];
        case 16: {
            std::uint16_t v;
            std::memcpy(&v, row + 2 * index, 2);
            return v;
        }
        case 32: {
            std::uint32_t v;
            std::memcpy(&v, row + 4 * index, 4);
            return v;
        }
        default:
            break;
        }
        const std::uint64_t bit = std::uint64_t(index) * bits_;
        std::uint32_t v = 0;
        // At most 16 bits: they lie within three bytes.
        for (std::uint64_t b = bit / 8, end = (bit + bits_ + 7) / 8; b < end; ++b)
            v = (v << 8) | row[b];
        const unsigned spare = unsigned((bit + bits_ + 7) / 8 * 8 - (bit + bits_));
        return (v >> spare) & std::uint32_t(max_);
    }

    // The sample scaled to 0..255 (floating point: 0..1, clamped).
    std::uint32_t Level(const std::uint8_t* row, std::size_t index) const {
        if (real_) {
            double v;
            if (bits_ == 32) {
                float f;
                std::memcpy(&f, row + 4 * index, 4);
                v = f;
            } else {
                std::memcpy(&v, row + 8 * index, 8);
            }
            if (!(v > 0)) return 0; // also NaN
            if (v >= 1) return 255;
            return std::uint32_t(v * 255 + 0.5);
        }
        return std::uint32_t((Raw(row, index) * 255 + max_ / 2) / max_);
    }

private:
    unsigned bits_;
    bool real_;
    std::uint64_t max_;
};

// Converts `count` pixels of one row (or one tile row) of a plane holding the samples
// `first` .. `first + perPixel - 1` into the picture from column x0 on.
void ConvertRun(const SampleLayout& s, const SampleReader& read, const std::uint8_t* row, int first,
                int perPixel, TColor32* out, std::size_t count) {
    for (std::size_t x = 0; x < count; ++x) {
        std::uint8_t* px = reinterpret_cast<std::uint8_t*>(out + x); // B, G, R, A
        for (int k = 0; k < perPixel; ++k) {
            const std::size_t index = x * std::size_t(perPixel) + std::size_t(k);
            switch (s.roles[std::size_t(first + k)]) {
            case Role::Ignore:
                break;
            case Role::Grey: {
                std::uint32_t g = read.Level(row, index);
                if (s.minIsWhite) g = 255 - g;
                px[0] = px[1] = px[2] = std::uint8_t(g);
                break;
            }
            case Role::Red:
                px[2] = std::uint8_t(read.Level(row, index));
                break;
            case Role::Green:
                px[1] = std::uint8_t(read.Level(row, index));
                break;
            case Role::Blue:
                px[0] = std::uint8_t(read.Level(row, index));
                break;
            case Role::Index: {
                const std::uint64_t i = read.Raw(row, index);
                const TColor32 c = i < s.map.size() ? s.map[std::size_t(i)] : 0xFF000000u;
                px[0] = std::uint8_t(c);
                px[1] = std::uint8_t(c >> 8);
                px[2] = std::uint8_t(c >> 16);
                break;
            }
            case Role::Alpha:
                px[3] = std::uint8_t(read.Level(row, index));
                break;
            }
        }
    }
}

// Reads every plane of the picture into `picture` (opaque black to start with).
bool ReadSamples(TIFF* tif, const SampleLayout& s, TBitmap32& picture) {
    const SampleReader read(s);
    const int planes = s.separate ? s.samples : 1;
    const int perPixel = s.separate ? 1 : s.samples;
    TColor32* bits = picture.Bits();
    std::fill(bits, bits + picture.PixelCount(), 0xFF000000u);

    if (TIFFIsTiled(tif)) {
        std::uint32_t tw = 0, th = 0;
        if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) ||
            !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) || tw == 0 || th == 0)
            return false;
        const std::uint64_t tileBytes = TIFFTileSize64(tif);
        const std::uint64_t rowBytes = TIFFTileRowSize64(tif);
        if (tileBytes == 0 || tileBytes > kMaxBufferBytes || rowBytes * th > tileBytes)
            return false;
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileBytes));
        for (int plane = 0; plane < planes; ++plane)
            for (std::uint32_t y = 0; y < s.height; y += th)
                for (std::uint32_t x = 0; x < s.width; x += tw) {
                    const ttile_t index = TIFFComputeTile(tif, x, y, 0, tsample_t(plane));
                    if (TIFFReadEncodedTile(tif, index, tile.data(), tmsize_t(tileBytes)) < 0)
                        return false;
                    const std::uint32_t rows = std::min(th, s.height - y);
                    const std::uint32_t cols = std::min(tw, s.width - x);
                    for (std::uint32_t r = 0; r < rows; ++r)
                        ConvertRun(s, read, tile.data() + r * rowBytes, plane, perPixel,
                                   bits + std::size_t(y + r) * s.width + x, cols);
                }
        return true;
    }

    const std::uint64_t lineBytes = TIFFScanlineSize64(tif);
    if (lineBytes == 0 || lineBytes > kMaxBufferBytes) return false;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
    // Plane after plane, each read top to bottom, so that no strip is decoded twice.
    for (int plane = 0; plane < planes; ++plane)
        for (std::uint32_t y = 0; y < s.height; ++y) {
            if (TIFFReadScanline(tif, line.data(), y, std::uint16_t(plane)) < 0) return false;
            ConvertRun(s, read, line.data(), plane, perPixel, bits + std::size_t(y) * s.width,
                       s.width);
        }
    return true;
}

// Colours premultiplied by alpha back to straight colours.
void Unpremultiply(TBitmap32& picture) {
    TColor32* p = picture.Bits();
    const std::size_t n = picture.PixelCount();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t a = p[i] >> 24;
        if (a == 255) continue;
        if (a == 0) {
            p[i] = 0;
            continue;
        }
        auto up = [a](std::uint32_t c) {
            return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
        };
        p[i] = (a << 24) | (up((p[i] >> 16) & 0xFF) << 16) | (up((p[i] >> 8) & 0xFF) << 8) |
               up(p[i] & 0xFF);
    }
}

// Everything else through libtiff's RGBA interface, in the stored row order.
void ReadRgba(const DecodeContext& ctx, TIFF* tif, const TiffInput& input, TBitmap32& picture) {
    char why[1024] = {};
    TIFFRGBAImage img;
    std::memset(&img, 0, sizeof img);
    if (!TIFFRGBAImageOK(tif, why) || !TIFFRGBAImageBegin(&img, tif, 1, why))
        ctx.Fail(input.message[0] ? input.message : why);
    RgbaGuard rgbaGuard{&img};
    // Asking for the file's own orientation makes libtiff flip nothing.
    img.req_orientation = img.orientation;
    auto* raster = reinterpret_cast<std::uint32_t*>(picture.Bits());
    if (!TIFFRGBAImageGet(&img, raster, picture.Width(), picture.Height()))
        ctx.Fail(input.message[0] ? input.message : "the image data is damaged");
    const bool hasAlpha =
        img.alpha == EXTRASAMPLE_ASSOCALPHA || img.alpha == EXTRASAMPLE_UNASSALPHA;
    // libtiff gives R, G, B, A bytes, premultiplied where there is alpha.
    const std::size_t n = picture.PixelCount();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = raster[i];
        raster[i] = ((hasAlpha ? TIFFGetA(v) : 255u) << 24) | (TIFFGetR(v) << 16) |
                    (TIFFGetG(v) << 8) | TIFFGetB(v);
    }
    if (hasAlpha) Unpremultiply(picture);
}

} // namespace

void DecodeTiff(const DecodeContext& ctx, TBitmap32& out) {
    TiffInput input{ctx.data, ctx.size, 0, {}};
    auto fail = [&](const char* fallback) {
        ctx.Fail(input.message[0] ? input.message : fallback);
    };
    TiffGuard guard;
    guard.options = TIFFOpenOptionsAlloc();
    if (!guard.options) throw EOutOfResources("Can't allocate the DIB handle");
    TIFFOpenOptionsSetMaxSingleMemAlloc(guard.options, kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(guard.options, OnError, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(guard.options, OnWarning, &input);
    guard.tif = TIFFClientOpenExt(ctx.name.c_str(), "r", &input, ReadProc, WriteProc, SeekProc,
                                  CloseProc, SizeProc, MapProc, UnmapProc, guard.options);
    if (!guard.tif) fail("not a TIFF file");

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(guard.tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(guard.tif, TIFFTAG_IMAGELENGTH, &height))
        fail("no image size");
    ctx.CheckSize(width, height);

    SampleLayout layout;
    TBitmap32 picture;
    if (DescribeSamples(guard.tif, width, height, layout)) {
        picture = ctx.NewPicture(width, height);
        if (!ReadSamples(guard.tif, layout, picture)) fail("the image data is damaged");
        if (layout.associated) Unpremultiply(picture);
    } else {
        picture = ctx.NewPicture(width, height);
        ReadRgba(ctx, guard.tif, input, picture);
    }
    out = std::move(picture);
}

} // namespace lumetta::codecs
