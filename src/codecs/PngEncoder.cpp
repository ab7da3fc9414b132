// PNG through libpng: 8-bit RGB, the Sub filter on every row, deflate level 7, IDAT chunks of
// at most 65535 bytes and no chunk other than IHDR, IDAT and IEND. The rows go to libpng as they
// are in memory (B, G, R, A): png_set_bgr swaps red and blue, png_set_filler drops the fourth
// byte. libpng reports errors by longjmp, so its calls run in a function that holds nothing with
// a destructor.
#include "codecs/EncoderCommon.h"
#include "codecs/Encoders.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace lumetta {
namespace {

// libpng keeps compressed data in a buffer of this size and writes it out as one IDAT chunk
// whenever it fills.
constexpr std::size_t kIdatLimit = 65535;
constexpr int kDeflateLevel = 7;

struct PngJob {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t>* file = nullptr; // owned by the caller of Compress
    char message[200] = {};
};

void OnError(png_structp png, png_const_charp text) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", text ? text : "libpng error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnWrite(png_structp png, png_bytep bytes, png_size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    bool full = false;
    try {
        job->file->insert(job->file->end(), bytes, bytes + length);
    } catch (...) {
        full = true;
    }
    // Outside the handler: png_error leaves by longjmp.
    if (full) png_error(png, "out of memory");
}

void OnFlush(png_structp) {}

bool Compress(PngJob* job, const TBitmap32* picture) {
    job->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, OnError, OnWarning);
    if (!job->png) {
        std::snprintf(job->message, sizeof job->message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(job->png))) return false;
    job->info = png_create_info_struct(job->png);
    if (!job->info) png_error(job->png, "out of memory");
    png_set_write_fn(job->png, job, OnWrite, OnFlush);

    png_set_IHDR(job->png, job->info, png_uint_32(picture->Width()), png_uint_32(picture->Height()),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(job->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(job->png, kDeflateLevel);
    png_set_compression_buffer_size(job->png, kIdatLimit);
    png_write_info(job->png, job->info);
    png_set_bgr(job->png);
    png_set_filler(job->png, 0, PNG_FILLER_AFTER);

    for (int y = 0; y < picture->Height(); ++y)
        // libpng only reads input rows; its interface is not const-correct.
        png_write_row(job->png, reinterpret_cast<png_const_bytep>(picture->ConstScanLine(y)));
    png_write_end(job->png, nullptr);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodePng(const TBitmap32& picture) {
    codecs::RequirePicture(picture);
    std::vector<std::uint8_t> file;
    PngJob job;
    job.file = &file;
    const bool ok = Compress(&job, &picture);
    if (job.png) png_destroy_write_struct(&job.png, job.info ? &job.info : nullptr);
    if (!ok) codecs::FailEncode("PNG", job.message[0] ? job.message : "libpng error");
    return file;
}

} // namespace lumetta
