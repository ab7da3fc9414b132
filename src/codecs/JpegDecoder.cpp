// JPEG through libjpeg-turbo, decoded straight into the bitmap's rows as B, G, R, A bytes
// (JCS_EXT_BGRA is TColor32 in memory). libjpeg reports errors by longjmp, so every stretch of
// libjpeg calls runs in a function of its own that holds nothing with a destructor.
#include "codecs/CodecCommon.h"
#include "codecs/JpegErrors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>
// After jpeglib.h: the message codes of its warnings.
#include <jerror.h>

namespace lumetta::codecs {
namespace {

// A damaged or hostile progressive file can hold thousands of tiny scans, each costing a pass
// over the whole coefficient buffer.
constexpr int kMaxScans = 1000;

using jpeg::JpegErrors;
using jpeg::OnErrorExit;

struct JpegJob {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    bool created = false;
    bool cmyk = false;
    bool cutShort = false; // the data ended before the picture did
};

// Warnings about corrupt data mean damaged pixels: fail on them. Two kinds are accepted, as
// other readers accept them: stray bytes between markers (many cameras and editors write them;
// the picture itself is whole), and a file that ends early - libjpeg then finishes the picture
// with grey (a progressive file: without its finer detail), and every warning after that is a
// consequence of the missing data.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* job = static_cast<JpegJob*>(cinfo->client_data);
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF) job->cutShort = true;
    if (code == JWRN_EXTRANEOUS_DATA || job->cutShort) return;
    OnErrorExit(cinfo);
}

void OnProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<JpegErrors*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "too many scans");
        std::longjmp(err->jump, 1);
    }
}

bool ReadHeader(JpegJob* job, const std::uint8_t* data, std::size_t size) {
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->errors.pub);
    job->errors.pub.error_exit = OnErrorExit;
    job->errors.pub.emit_message = OnMessage;
    job->errors.message[0] = 0;
    if (setjmp(job->errors.jump)) return false;
    jpeg_create_decompress(cinfo);
    job->created = true;
    cinfo->client_data = job;
    job->progress.progress_monitor = OnProgress;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    job->cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = job->cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_calc_output_dimensions(cinfo);
    return true;
}

// C, M, Y, K bytes to B, G, R, 255 in place. Files with an Adobe marker store the inks
// inverted (255 = no ink), which is what nearly every CMYK JPEG in the wild carries.
void CmykRowToBgra(std::uint8_t* p, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, p += 4) {
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = std::uint8_t((y * k + 127) / 255);
        p[1] = std::uint8_t((m * k + 127) / 255);
        p[2] = std::uint8_t((c * k + 127) / 255);
        p[3] = 255;
    }
}

bool DecodeRows(JpegJob* job, std::uint8_t* bits, std::size_t stride) {
    j_decompress_ptr cinfo = &job->cinfo;
    if (setjmp(job->errors.jump)) return false;
    jpeg_start_decompress(cinfo);
    JSAMPROW rows[16];
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION want = std::min<JDIMENSION>(16, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < want; ++i)
            rows[i] = bits + (first + i) * stride;
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, want);
        if (got == 0) {
            std::snprintf(job->errors.message, sizeof job->errors.message,
                          "the data ends too early");
            return false;
        }
        if (job->cmyk)
            for (JDIMENSION i = 0; i < got; ++i)
                CmykRowToBgra(rows[i], cinfo->output_width, cinfo->saw_Adobe_marker);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

struct JpegGuard {
    JpegJob* job;
    ~JpegGuard() {
        if (job->created) jpeg_destroy_decompress(&job->cinfo);
    }
};

} // namespace

void DecodeJpeg(const DecodeContext& ctx, TBitmap32& out) {
    auto job = std::make_unique<JpegJob>();
    JpegGuard guard{job.get()};
    if (!ReadHeader(job.get(), ctx.data, ctx.size)) ctx.Fail(job->errors.message);
    ctx.CheckSize(job->cinfo.output_width, job->cinfo.output_height);
    if (job->cinfo.output_components != 4) ctx.Fail("unexpected colour layout");

    TBitmap32 picture(int(job->cinfo.output_width), int(job->cinfo.output_height));
    auto* bits = reinterpret_cast<std::uint8_t*>(picture.Bits());
    if (!DecodeRows(job.get(), bits, std::size_t(picture.Width()) * 4))
        ctx.Fail(job->errors.message);
    if (job->cutShort) ctx.Notice(ctx.name + " ends early: what it lacks is shown grey or blurred");
    out = std::move(picture);
}

} // namespace lumetta::codecs
