#include "edit/AlphaBlock.h"

#include <string>
#include <string_view>

namespace lumetta {

namespace {

constexpr std::size_t kCountSize = 4;

// "message (file, line n)", the file without its folders. (The builtins rather than
// std::source_location, which not every compiler we build with provides yet.)
[[noreturn]] void AssertionFailed(std::string_view message, const char* fileName = __builtin_FILE(),
                                  int line = __builtin_LINE()) {
    std::string_view file = fileName;
    if (const auto slash = file.find_last_of("/\\"); slash != std::string_view::npos)
        file.remove_prefix(slash + 1);
    throw EAssertionFailed(std::string(message) + " (" + std::string(file) + ", line " +
                           std::to_string(line) + ")");
}

} // namespace

std::vector<std::uint8_t> MakeAlphaBlock(const TBitmap32& bitmap) {
    const std::size_t n = bitmap.PixelCount();
    if (n > 0xFFFFFFFFu)
        throw EOutOfResources("Not enough storage is available to process this command");
    std::vector<std::uint8_t> block(kCountSize + n);
    for (std::size_t i = 0; i < kCountSize; ++i)
        block[i] = std::uint8_t(n >> (8 * i));
    const TColor32* pixels = bitmap.ConstBits();
    std::uint8_t* alpha = block.data() + kCountSize;
    for (std::size_t i = 0; i < n; ++i)
        alpha[i] = std::uint8_t(pixels[i] >> 24);
    return block;
}

void ApplyAlphaBlock(TBitmap32& bitmap, const std::uint8_t* block, std::size_t size) {
    if (size < kCountSize) throw EReadError("Stream read error");
    const std::uint32_t count = std::uint32_t(block[0]) | std::uint32_t(block[1]) << 8 |
                                std::uint32_t(block[2]) << 16 | std::uint32_t(block[3]) << 24;
    // The picture on the clipboard was made within the limits of every picture; a block for
    // one beyond them is refused before anything is touched.
    CheckPictureSize(bitmap.Width(), bitmap.Height());
    const std::size_t n = bitmap.PixelCount();
    if (count != n)
        AssertionFailed("Alpha count does not match Bitmap pixel count, "
                        "PasteBitmap32FromClipboard(const Dest: TBitmap32);");
    // The block's length is not bound to its count: never read past its end.
    if (size - kCountSize < n) throw EReadError("Stream read error");
    if (n == 0) return;
    const std::uint8_t* alpha = block + kCountSize;
    TColor32* pixels = bitmap.Bits();
    for (std::size_t i = 0; i < n; ++i)
        pixels[i] = (pixels[i] & 0x00FFFFFFu) | (TColor32(alpha[i]) << 24);
    bitmap.Changed();
}

} // namespace lumetta
