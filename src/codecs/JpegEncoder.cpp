// JPEG through libjpeg-turbo, read straight from the bitmap's rows: TColor32 is B, G, R, A in
// memory, which is libjpeg's JCS_EXT_BGRX with the fourth byte ignored. libjpeg reports errors
// by longjmp, so the libjpeg calls run in a function that holds nothing with a destructor.
#include "codecs/EncoderCommon.h"
#include "codecs/Encoders.h"
#include "codecs/JpegErrors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

namespace lumetta {
namespace {

using jpeg::JpegErrors;
using jpeg::OnErrorExit;

// Compression emits no warnings worth stopping for.
void OnMessage(j_common_ptr, int) {}

// The compressed data goes straight into the vector that is returned and written to the file.
// It grows by doubling; a failure to grow is reported to libjpeg as running out of memory, which
// ends the job by longjmp, so the growing happens in a function of its own whose C++ exception
// ends there.
struct JpegOutput {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* file = nullptr;
};

struct JpegJob {
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    JpegOutput output;
    bool created = false;
};

bool Grow(JpegOutput* out, std::size_t size) noexcept {
    try {
        out->file->resize(size);
        return true;
    } catch (...) {
        return false;
    }
}

void InitDestination(j_compress_ptr cinfo) {
    auto* out = reinterpret_cast<JpegOutput*>(cinfo->dest);
    // A first guess of a tenth of the raw size rarely needs growing for photos.
    const std::size_t guess = std::max<std::size_t>(65536, std::size_t(cinfo->image_width) *
                                                               cinfo->image_height * 3 / 10);
    if (!Grow(out, guess)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    out->pub.next_output_byte = out->file->data();
    out->pub.free_in_buffer = out->file->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    // Called only when the whole buffer is full.
    auto* out = reinterpret_cast<JpegOutput*>(cinfo->dest);
    const std::size_t used = out->file->size();
    if (!Grow(out, 2 * used)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    out->pub.next_output_byte = out->file->data() + used;
    out->pub.free_in_buffer = out->file->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    // Cut the vector to what was written (no copy: the capacity stays).
    auto* out = reinterpret_cast<JpegOutput*>(cinfo->dest);
    out->file->resize(out->file->size() - out->pub.free_in_buffer);
}

constexpr int kRowsPerCall = 16;

bool Compress(JpegJob* job, const TBitmap32* picture, int quality) {
    j_compress_ptr cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->errors.pub);
    job->errors.pub.error_exit = OnErrorExit;
    job->errors.pub.emit_message = OnMessage;
    job->errors.message[0] = 0;
    if (setjmp(job->errors.jump)) return false;
    jpeg_create_compress(cinfo);
    job->created = true;
    job->output.pub.init_destination = InitDestination;
    job->output.pub.empty_output_buffer = EmptyOutputBuffer;
    job->output.pub.term_destination = TermDestination;
    cinfo->dest = &job->output.pub;

    cinfo->image_width = JDIMENSION(picture->Width());
    cinfo->image_height = JDIMENSION(picture->Height());
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_BGRX;
    // The library's standard settings: YCbCr with a JFIF header, standard Huffman tables,
    // sequential (not progressive) scans.
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE); // TRUE: quantisers fit baseline (8-bit) tables
    jpeg_start_compress(cinfo, TRUE);

    JSAMPROW rows[kRowsPerCall];
    const int height = picture->Height();
    int y = 0;
    while (y < height) {
        const int n = std::min(kRowsPerCall, height - y);
        for (int i = 0; i < n; ++i)
            // libjpeg only reads input rows; its interface is not const-correct.
            rows[i] =
                reinterpret_cast<JSAMPROW>(const_cast<TColor32*>(picture->ConstScanLine(y + i)));
        y += int(jpeg_write_scanlines(cinfo, rows, JDIMENSION(n)));
    }
    jpeg_finish_compress(cinfo);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& picture, int quality) {
    codecs::RequirePicture(picture);
    codecs::RequireSides(picture, "JPEG", JPEG_MAX_DIMENSION);
    quality = std::clamp(quality, 1, 100);

    std::vector<std::uint8_t> file;
    JpegJob job;
    job.output.file = &file;
    const bool ok = Compress(&job, &picture, quality);
    if (job.created) jpeg_destroy_compress(&job.cinfo);
    if (!ok) codecs::FailEncode("JPEG", job.errors.message);
    return file;
}

} // namespace lumetta
