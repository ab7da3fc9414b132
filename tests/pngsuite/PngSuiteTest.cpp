// The PngSuite: every damaged x*.png is refused, every other picture decodes to its reference
// rendering (scripts/fetch-pngsuite.sh makes both). Skipped (exit code 77) when the suite has
// not been fetched.
//   pngsuite_test FOLDER
#include "codecs/ImageIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace lumetta {
namespace {

fs::path gFolder;

std::vector<fs::path> Pictures(bool damaged) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(gFolder)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".png" && (name[0] == 'x') == damaged)
            found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(PngSuite, EveryDamagedFileIsRefused) {
    const std::vector<fs::path> files = Pictures(true);
    EXPECT_GE(files.size(), 14u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        TBitmap32 picture;
        EXPECT_THROW(LoadPictureFile(picture, file.string()), EImageError);
        EXPECT_TRUE(picture.Empty());
        TBitmap32 tested;
        EXPECT_FALSE(LoadImageFile(file.string(), tested));
        EXPECT_THROW(LoadPngIntoBitmap(tested, file.string()), EImageError);
    }
}

// The reference: width and height (32-bit little-endian), then B, G, R, A bytes.
TEST(PngSuite, EveryOtherFileDecodesToItsReferenceRendering) {
    const std::vector<fs::path> files = Pictures(false);
    EXPECT_GE(files.size(), 150u);
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        SCOPED_TRACE(name);
        fs::path referencePath = file;
        referencePath.replace_extension(".bgra");
        const std::vector<unsigned char> reference = test::ReadBytes(referencePath.string());
        ASSERT_GE(reference.size(), 8u);
        std::uint32_t w, h;
        std::memcpy(&w, reference.data(), 4);
        std::memcpy(&h, reference.data() + 4, 4);
        ASSERT_EQ(reference.size(), 8 + std::size_t(w) * h * 4);

        TBitmap32 picture;
        ASSERT_NO_THROW(LoadPictureFile(picture, file.string()));
        ASSERT_EQ(picture.Width(), int(w));
        ASSERT_EQ(picture.Height(), int(h));
        int wrong = 0;
        for (std::size_t i = 0; i < picture.PixelCount() && wrong < 3; ++i) {
            TColor32 want;
            std::memcpy(&want, reference.data() + 8 + 4 * i, 4);
            if (picture.ConstBits()[i] != want) {
                ++wrong;
                ADD_FAILURE() << "pixel " << i % w << "," << i / w << " is " << std::hex
                              << picture.ConstBits()[i] << " not " << want;
            }
        }

        // A grey or RGB picture with a transparent colour gives the same alpha both ways.
        TBitmap32 object;
        ASSERT_NO_THROW(LoadPngIntoBitmap(object, file.string()));
        const bool keyed = name[0] == 't' && (name.find("n0g") == 4 || name.find("n2c") == 4);
        if (keyed) {
            for (std::size_t i = 0; i < picture.PixelCount(); ++i)
                ASSERT_EQ(object.ConstBits()[i], picture.ConstBits()[i]) << i;
        }
        for (std::size_t i = 0; i < picture.PixelCount(); ++i)
            ASSERT_EQ(object.ConstBits()[i] & 0xFFFFFF, picture.ConstBits()[i] & 0xFFFFFF) << i;
    }
}

} // namespace
} // namespace lumetta

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2 || !fs::exists(fs::path(argv[1]) / "complete")) {
        std::printf("The PngSuite has not been fetched (scripts/fetch-pngsuite.sh): skipped\n");
        return 77;
    }
    lumetta::gFolder = argv[1];
    return RUN_ALL_TESTS();
}
