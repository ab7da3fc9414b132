#include "FuzzTarget.h"

#include "base/Stream.h"
#include "codecs/ImageIO.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace lumetta::fuzz {

const std::string& ScratchFolder() {
    // Never destroyed: the exit handler below still needs it after static destructors ran.
    static const std::string* folder = [] {
        const char* base = std::getenv("LUMETTA_FUZZ_SCRATCH");
        std::filesystem::path path = base && *base ? base : std::filesystem::temp_directory_path();
        path /= "lumetta-fuzz-" + std::to_string(::getpid());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolder(), ec);
        });
        return new std::string(path.string());
    }();
    return *folder;
}

std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    out.close();
    FUZZ_CHECK(bool(out));
    return path;
}

bool Unchanged(const TBitmap32& after, const TBitmap32& before) {
    if (after.Width() != before.Width() || after.Height() != before.Height()) return false;
    return after.Empty() || after.SharesPixelsWith(before);
}

int FuzzDecoder(const char* extension, const std::uint8_t* data, std::size_t size) {
    TBitmap32 picture;
    try {
        LoadPictureData(picture, data, size, extension, "fuzz");
        FUZZ_CHECK(!picture.Empty());
        FUZZ_CHECK(PictureSizeAllowed(picture.Width(), picture.Height()));
    } catch (const Error&) {
        FUZZ_CHECK(picture.Empty()); // a failed load changes nothing
    }
    if (std::string(extension) == "png") {
        TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
        TBitmap32 object;
        try {
            LoadPngIntoBitmap(object, stream);
            FUZZ_CHECK(stream.Position() <= size);
            // The object image and the picture file differ in alpha only.
            FUZZ_CHECK(object.Width() == picture.Width() && object.Height() == picture.Height());
            for (std::size_t i = 0; i < object.PixelCount(); ++i)
                FUZZ_CHECK(((object.ConstBits()[i] ^ picture.ConstBits()[i]) & 0xFFFFFF) == 0);
        } catch (const Error&) {
            FUZZ_CHECK(object.Empty());
        }
    }
    return 0;
}

} // namespace lumetta::fuzz
