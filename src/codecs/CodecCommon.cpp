#include "codecs/CodecCommon.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

namespace lumetta::codecs {

void DecodeContext::Fail(const std::string& detail) const {
    throw EImageError(name + " is not a valid " + format + " picture (" + detail + ")");
}

void ThrowTooLarge(const std::string& name, std::int64_t width, std::int64_t height) {
    throw EImageError(name + " is too large to open (" + std::to_string(width) + " x " +
                      std::to_string(height) + " pixels)");
}

void DecodeContext::CheckSize(std::int64_t width, std::int64_t height) const {
    if (width <= 0 || height <= 0) Fail("it holds no pixels");
    if (!PictureSizeAllowed(width, height)) ThrowTooLarge(name, width, height);
}

TBitmap32 DecodeContext::NewPicture(std::int64_t width, std::int64_t height) const {
    CheckSize(width, height);
    return TBitmap32(int(width), int(height));
}

std::size_t CheckedMul(const DecodeContext& ctx, std::size_t a, std::size_t b) {
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) ctx.Fail("sizes overflow");
    return a * b;
}

std::size_t CheckedAdd(const DecodeContext& ctx, std::size_t a, std::size_t b) {
    if (b > std::numeric_limits<std::size_t>::max() - a) ctx.Fail("sizes overflow");
    return a + b;
}

void MendUnusedAlpha(TBitmap32& picture) {
    const TColor32* p = picture.ConstBits();
    const std::size_t n = picture.PixelCount();
    TColor32 any = 0;
    for (std::size_t i = 0; i < n; ++i)
        any |= p[i];
    if ((any & 0xFF000000u) == 0) picture.ResetAlpha();
}

std::string FileNameOf(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    return name.empty() ? path : name;
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
} // namespace

FileBytes ReadWholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    std::error_code ec;
    if (!file || std::filesystem::is_directory(path, ec))
        throw EFileError("Cannot open file \"" + path + "\"");
    if (std::fseek(file.get(), 0, SEEK_END) != 0) throw EFileError("Cannot read \"" + path + "\"");
    const long end = std::ftell(file.get());
    if (end < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
        throw EFileError("Cannot read \"" + path + "\"");
    // Nothing we can decode is larger; refusing early keeps a stray huge file from filling
    // memory.
    constexpr long kMaxFileBytes = 0x7FFFFFFFL;
    if (end > kMaxFileBytes)
        throw EImageError(FileNameOf(path) + " is too large to open (" + std::to_string(end) +
                          " bytes)");
    FileBytes bytes;
    bytes.size = std::size_t(end);
    bytes.data = std::make_unique_for_overwrite<std::uint8_t[]>(bytes.size ? bytes.size : 1);
    if (bytes.size && std::fread(bytes.data.get(), 1, bytes.size, file.get()) != bytes.size)
        throw EReadError("Stream read error");
    return bytes;
}

} // namespace lumetta::codecs
