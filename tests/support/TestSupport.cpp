#include "support/TestSupport.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <png.h>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace lumetta::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const char* root = std::getenv("LUMETTA_TEST_TMP");
    std::filesystem::path base = root && *root ? root : std::filesystem::temp_directory_path();
    path_ = base / ("lumetta-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<unsigned char> EncodePng(const TBitmap32& bitmap) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(bitmap.Width());
    image.height = png_uint_32(bitmap.Height());
    image.format = PNG_FORMAT_BGRA; // TColor32 in memory order
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, bitmap.ConstBits(), 0, nullptr))
        throw std::runtime_error("cannot encode PNG");
    std::vector<unsigned char> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, bitmap.ConstBits(), 0, nullptr))
        throw std::runtime_error("cannot encode PNG");
    bytes.resize(size);
    return bytes;
}

std::string ErrorText(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

TBitmap32 PatternBitmap(int width, int height, unsigned seed) {
    TBitmap32 b(width, height);
    TColor32* p = b.Bits();
    unsigned s = seed * 2654435761u + 12345u;
    for (std::size_t i = 0; i < b.PixelCount(); ++i) {
        s = s * 1664525u + 1013904223u;
        p[i] = s ^ (s >> 16);
    }
    return b;
}

} // namespace lumetta::test
