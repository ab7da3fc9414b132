#include "BenchPictures.h"

#include "base/SafeFile.h"
#include "codecs/Encoders.h"

#include <cmath>
#include <cstdlib>

#include <jpeglib.h>

namespace bench {

using lumetta::TBitmap32;
using lumetta::TColor32;

namespace {

int Clamp(int c) {
    return c < 0 ? 0 : c > 255 ? 255 : c;
}

// The shading of the photos: three slow waves, one per channel.
void Shade(int x, int y, int w, int h, int grain, int rgb[3]) {
    const double u = x / double(w), v = y / double(h);
    rgb[0] = Clamp(int(128 + 100 * std::sin(6.0 * u + 2.0 * v)) + grain);
    rgb[1] = Clamp(int(120 + 90 * std::cos(4.0 * v - 3.0 * u)) + grain);
    rgb[2] = Clamp(int(110 + 80 * std::sin(9.0 * u * v + 1.0)) + grain);
}

bool WriteFile(const std::string& path, const void* data, std::size_t size) {
    try {
        lumetta::WriteFileAtomically(path, data, size);
        return true;
    } catch (const lumetta::Error&) {
        return false;
    }
}

bool WriteRgba(const std::string& path, const TBitmap32& b) {
    std::vector<unsigned char> bytes(b.PixelCount() * 4);
    for (std::size_t i = 0; i < b.PixelCount(); ++i) {
        const TColor32 c = b.ConstBits()[i];
        bytes[4 * i] = std::uint8_t(lumetta::RedComponent(c));
        bytes[4 * i + 1] = std::uint8_t(lumetta::GreenComponent(c));
        bytes[4 * i + 2] = std::uint8_t(lumetta::BlueComponent(c));
        bytes[4 * i + 3] = std::uint8_t(lumetta::AlphaComponent(c));
    }
    return WriteFile(path, bytes.data(), bytes.size());
}

std::vector<unsigned char> MakeJpeg(int w, int h) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 92, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(w) * 3);
    std::uint32_t seed = 0x9E3779B9u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int rgb[3];
            Shade(x, y, w, h, int(seed >> 28) - 8, rgb);
            for (int c = 0; c < 3; ++c)
                row[std::size_t(x) * 3 + std::size_t(c)] = JSAMPLE(rgb[c]);
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

} // namespace

TBitmap32 NoisyPicture(int w, int h, bool spreadAlpha) {
    TBitmap32 b(w, h);
    TColor32* p = b.Bits();
    std::uint32_t s = 0x9E3779B9u;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const std::uint32_t noise = s >> 27;
            const std::uint32_t r = (x * 255 / w + noise) & 0xFF;
            const std::uint32_t g = (y * 255 / h + noise) & 0xFF;
            const std::uint32_t bl = ((x + y) & 0xFF) ^ noise;
            const std::uint32_t a = spreadAlpha ? (s >> 8) & 0xFF : 0xFF;
            p[std::size_t(y) * w + x] = (a << 24) | (r << 16) | (g << 8) | bl;
        }
    return b;
}

TBitmap32 ShadedPhoto(int w, int h) {
    TBitmap32 b(w, h);
    std::uint32_t seed = 0x2545F491u;
    for (int y = 0; y < h; ++y) {
        TColor32* row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int rgb[3];
            Shade(x, y, w, h, int(seed >> 28) - 8, rgb);
            row[x] = lumetta::Color32(rgb[0], rgb[1], rgb[2]);
        }
    }
    return b;
}

const TBitmap32& Photo24MP() {
    static const TBitmap32 photo = ShadedPhoto(6000, 4000);
    return photo;
}

const TBitmap32& Photo12MP() {
    static const TBitmap32 photo = ShadedPhoto(4000, 3000);
    return photo;
}

std::string Jpeg24MPPath() {
    const char* env = std::getenv("LUMETTA_BENCH_JPEG");
    return env && *env ? env : "/tmp/lumetta-bench-24mp.jpg";
}

const std::vector<unsigned char>& Jpeg24MP() {
    static const std::vector<unsigned char> jpeg = [] {
        std::vector<unsigned char> bytes = MakeJpeg(6000, 4000);
        WriteFile(Jpeg24MPPath(), bytes.data(), bytes.size());
        return bytes;
    }();
    return jpeg;
}

const std::vector<std::uint8_t>& Png24MP() {
    static const std::vector<std::uint8_t> png = lumetta::EncodePng(Photo24MP());
    return png;
}

bool WritePictures(const std::string& folder) {
    const std::string at = folder + "/";
    return WriteRgba(at + "photo24.rgba", Photo24MP()) &&
           WriteRgba(at + "photo12.rgba", Photo12MP()) &&
           WriteRgba(at + "noisy6000x4000.rgba", NoisyPicture(6000, 4000, true)) &&
           WriteRgba(at + "noisy1500x1000.rgba", NoisyPicture(1500, 1000, true)) &&
           WriteFile(at + "photo24.jpg", Jpeg24MP().data(), Jpeg24MP().size()) &&
           WriteFile(at + "photo24.png", Png24MP().data(), Png24MP().size());
}

} // namespace bench
