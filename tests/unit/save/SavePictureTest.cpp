// SavePicture: the file type decides the encoder, and a failed save never damages the file that
// was there before.
#include "codecs/Encoders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>

using namespace lumetta;
using lumetta::test::TempDir;

namespace {

std::string Head(const std::vector<unsigned char>& bytes, std::size_t n) {
    return std::string(bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(n, bytes.size())));
}

// Limits the size of files this process may write, as a full disk would; restored on exit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    bool Active() const { return active_; }

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
    bool active_ = false;
};

std::size_t FilesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

TEST(SavePicture, TheFileTypeChoosesTheEncoderWhateverTheName) {
    TempDir dir;
    const TBitmap32 picture = test::PatternBitmap(20, 10, 3);
    const struct {
        int type;
        const char* head;
    } cases[] = {{1, "\xFF\xD8\xFF"}, {2, "\x89PNG"},      {3, "BM"},           {4, "GIF8"},
                 {0, "\xFF\xD8\xFF"}, {5, "\xFF\xD8\xFF"}, {-1, "\xFF\xD8\xFF"}};
    for (const auto& c : cases) {
        // Built in steps: GCC 12 warns falsely about "x" + std::to_string(...).
        std::string name = std::to_string(c.type);
        name.insert(0, 1, 'x');
        name += ".png";
        const std::string path = dir.File(name);
        SavePicture(picture, path, c.type, 80);
        const auto bytes = test::ReadBytes(path);
        EXPECT_EQ(Head(bytes, std::strlen(c.head)), c.head) << c.type;
        EXPECT_EQ(bytes, EncodePicture(picture, c.type, 80)) << c.type;
    }
    // The quality reaches the JPEG encoder.
    SavePicture(picture, dir.File("q.jpg"), 1, 0);
    EXPECT_EQ(test::ReadBytes(dir.File("q.jpg")), EncodeJpeg(picture, 1));
}

TEST(SavePicture, ANamesExtensionTellsItsFileType) {
    EXPECT_EQ(FileTypeOfName("/a/b/card.jpg"), sftJpeg);
    EXPECT_EQ(FileTypeOfName("card.JPEG"), sftJpeg);
    EXPECT_EQ(FileTypeOfName("card.Png"), sftPng);
    EXPECT_EQ(FileTypeOfName("card.bmp"), sftBmp);
    EXPECT_EQ(FileTypeOfName("card.gif"), sftGif);
    EXPECT_EQ(FileTypeOfName("card.png.txt"), 0);
    EXPECT_EQ(FileTypeOfName("card"), 0);
    EXPECT_EQ(FileTypeOfName("/photos.png/card"), 0); // a folder's extension is not the file's
    EXPECT_EQ(FileTypeOfName(".png"), sftPng);
    EXPECT_EQ(FileTypeOfName("card."), 0);
    for (int type : {sftJpeg, sftPng, sftBmp, sftGif})
        EXPECT_EQ(FileTypeOfName(std::string("x.") + FileTypeExtension(type)), type);
    EXPECT_STREQ(FileTypeExtension(0), "jpg");
}

TEST(SavePicture, AFullDiskLeavesTheOldFileInPlace) {
    TempDir dir;
    const std::string path = dir.File("photo.bmp");
    test::WriteText(path, "the old picture");
    const TBitmap32 picture = test::PatternBitmap(100, 100, 4);
    std::string error;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Active());
        try {
            SavePicture(picture, path, sftBmp, 90);
        } catch (const EFileError& e) {
            error = e.what();
        }
    }
    EXPECT_EQ(error.rfind("Cannot create file \"" + path + "\". ", 0), 0u) << error;
    EXPECT_EQ(test::ReadText(path), "the old picture");
    EXPECT_EQ(FilesIn(dir.Path()), 1u) << "the temporary file is removed";
}

TEST(SavePicture, RefusalsAndMissingFoldersWriteNothing) {
    TempDir dir;
    const std::string path = dir.File("photo.png");
    test::WriteText(path, "the old picture");
    EXPECT_THROW(SavePicture(TBitmap32(), path, sftPng, 90), EImageError);
    EXPECT_EQ(test::ReadText(path), "the old picture");

    const std::string nowhere = dir.File("missing/photo.png");
    try {
        SavePicture(test::PatternBitmap(4, 4), nowhere, sftPng, 90);
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + nowhere + "\". No such file or directory");
    }
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

} // namespace
