// TIFF through libtiff, read from memory: the first directory, through libtiff's RGBA
// interface, which understands every photometric interpretation and compression it supports.
#include "codecs/CodecCommon.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace lumetta::codecs {
namespace {

// No single allocation inside libtiff may exceed this, whatever a damaged header claims.
constexpr tmsize_t kMaxTiffAllocation = tmsize_t(1) << 30;

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

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
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
    // "m": never map the data, read it through ReadProc.
    guard.tif = TIFFClientOpenExt(ctx.name.c_str(), "rm", &input, ReadProc, WriteProc, SeekProc,
                                  CloseProc, SizeProc, MapProc, UnmapProc, guard.options);
    if (!guard.tif) fail("not a TIFF file");

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(guard.tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(guard.tif, TIFFTAG_IMAGELENGTH, &height))
        fail("no image size");
    ctx.CheckSize(width, height);

    char why[1024] = {};
    TIFFRGBAImage img;
    std::memset(&img, 0, sizeof img);
    if (!TIFFRGBAImageOK(guard.tif, why) || !TIFFRGBAImageBegin(&img, guard.tif, 1, why))
        ctx.Fail(input.message[0] ? input.message : why);
    RgbaGuard rgbaGuard{&img};
    // Rows as stored, whatever the orientation tag says: ImageIO turns the picture upright.
    img.req_orientation = img.orientation;

    TBitmap32 picture = ctx.NewPicture(width, height);
    auto* raster = reinterpret_cast<std::uint32_t*>(picture.Bits());
    if (!TIFFRGBAImageGet(&img, raster, width, height)) fail("the image data is damaged");
    const bool hasAlpha =
        img.alpha == EXTRASAMPLE_ASSOCALPHA || img.alpha == EXTRASAMPLE_UNASSALPHA;

    // libtiff gives R, G, B, A bytes, premultiplied where there is alpha; we keep B, G, R, A
    // unpremultiplied.
    const std::size_t n = picture.PixelCount();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t v = raster[i];
        std::uint32_t r = TIFFGetR(v), g = TIFFGetG(v), b = TIFFGetB(v), a = TIFFGetA(v);
        if (!hasAlpha) {
            a = 255;
        } else if (a != 255) {
            if (a == 0) {
                r = g = b = 0;
            } else {
                r = std::min<std::uint32_t>(255, (r * 255 + a / 2) / a);
                g = std::min<std::uint32_t>(255, (g * 255 + a / 2) / a);
                b = std::min<std::uint32_t>(255, (b * 255 + a / 2) / a);
            }
        }
        raster[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    out = std::move(picture);
}

} // namespace lumetta::codecs
