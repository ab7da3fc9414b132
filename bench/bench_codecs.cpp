// Opening a photo: a 24-megapixel (6000 x 4000) JPEG decoded into a TBitmap32, the way Open
// File does it. bench/djpeg_compare.sh times libjpeg-turbo's own djpeg on the same file in the
// same run; the target is at most 1.5 times djpeg.
//
// The JPEG is made once per run and written to $LUMETTA_BENCH_JPEG (default
// /tmp/lumetta-bench-24mp.jpg) so that the script can hand the very same file to djpeg.
#include "codecs/ImageIO.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

std::string JpegPath() {
    const char* env = std::getenv("LUMETTA_BENCH_JPEG");
    return env && *env ? env : "/tmp/lumetta-bench-24mp.jpg";
}

// A photo-like picture: smooth shading with fine grain, so the file has a camera's size and
// its entropy-coded data is not trivially short. Quality 92, 4:2:0, like most cameras.
std::vector<unsigned char> MakeJpeg() {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 92, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(kWidth) * 3);
    std::uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double u = x / double(kWidth), v = y / double(kHeight);
            const int r = int(128 + 100 * std::sin(6.0 * u + 2.0 * v)) + grain;
            const int g = int(120 + 90 * std::cos(4.0 * v - 3.0 * u)) + grain;
            const int b = int(110 + 80 * std::sin(9.0 * u * v + 1.0)) + grain;
            JSAMPLE* p = row.data() + std::size_t(x) * 3;
            p[0] = JSAMPLE(r < 0 ? 0 : r > 255 ? 255 : r);
            p[1] = JSAMPLE(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = JSAMPLE(b < 0 ? 0 : b > 255 ? 255 : b);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

const std::vector<unsigned char>& Jpeg() {
    static const std::vector<unsigned char> jpeg = [] {
        std::vector<unsigned char> bytes = MakeJpeg();
        if (std::FILE* f = std::fopen(JpegPath().c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return bytes;
    }();
    return jpeg;
}

// Decoding from memory: the decoder alone.
void BM_DecodeJpeg24MP(benchmark::State& state) {
    const auto& jpeg = Jpeg();
    lumetta::TBitmap32 bitmap;
    for (auto _ : state) {
        lumetta::LoadPictureData(bitmap, jpeg.data(), jpeg.size(), "jpg", "bench.jpg");
        benchmark::DoNotOptimize(bitmap.ConstBits());
    }
    state.counters["MB"] = double(jpeg.size()) / 1e6;
}
BENCHMARK(BM_DecodeJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open File: test with LoadImageFile, keep the picture-file result, from the file on disk.
void BM_OpenPhotoJpeg24MP(benchmark::State& state) {
    Jpeg();
    const std::string path = JpegPath();
    lumetta::TBitmap32 image, picture;
    for (auto _ : state) {
        if (!lumetta::LoadImageFile(path, image, &picture)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.ConstBits());
    }
}
BENCHMARK(BM_OpenPhotoJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
