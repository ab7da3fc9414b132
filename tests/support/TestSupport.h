#pragma once
// Helpers shared by the test programs: temporary folders and whole-file reading and writing.
#include "imaging/Bitmap32.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lumetta::test {

// A fresh, empty folder that is removed (with everything in it) when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);

// The bitmap as an 8-bit RGBA PNG file (alpha kept, colours not premultiplied).
std::vector<unsigned char> EncodePng(const TBitmap32& bitmap);

// The text of the lumetta::Error the call raises ("" when it raises none).
std::string ErrorText(const std::function<void()>& call);

// A bitmap filled with a deterministic pattern in all four channels.
TBitmap32 PatternBitmap(int width, int height, unsigned seed = 1);

} // namespace lumetta::test
