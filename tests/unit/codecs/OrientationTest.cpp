// Photos with an orientation tag open upright: the eight orientations in JPEG (EXIF, both byte
// orders) and TIFF files the tests write, the switch that turns it off, saving, and the tag
// reader on damaged data.
#include "codecs/Orientation.h"
#include "codecs/Encoders.h"
#include "codecs/ImageIO.h"
#include "support/TestSupport.h"
#include "unit/codecs/Writers.h"

#include <tiffio.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace lumetta {
namespace {

using test::Bytes;
using test::TempDir;

// Six blocks of 16 x 16 pixels, three across and two down, each of its own colour: a picture
// that shows at once whether it was turned or mirrored.
constexpr int kBlock = 16, kCols = 3, kRows = 2;
const TColor32 kColours[kRows][kCols] = {{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu},
                                         {0xFFFFFF00u, 0xFF00FFFFu, 0xFFFF00FFu}};

TBitmap32 StoredPicture() {
    TBitmap32 b;
    b.SetSize(kCols * kBlock, kRows * kBlock);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, kColours[y / kBlock][x / kBlock]);
    return b;
}

// Where the pixel shown at (x, y) is stored, for a stored picture of w x h, by the tag's own
// definition (which stored row and column become the top row and left column of the view).
void StoredPoint(int orientation, int w, int h, int x, int y, int& sx, int& sy) {
    switch (orientation) {
    case 2:
        sx = w - 1 - x;
        sy = y;
        break;
    case 3:
        sx = w - 1 - x;
        sy = h - 1 - y;
        break;
    case 4:
        sx = x;
        sy = h - 1 - y;
        break;
    case 5:
        sx = y;
        sy = x;
        break;
    case 6:
        sx = y;
        sy = h - 1 - x;
        break;
    case 7:
        sx = w - 1 - y;
        sy = h - 1 - x;
        break;
    case 8:
        sx = w - 1 - y;
        sy = x;
        break;
    default:
        sx = x;
        sy = y;
        break;
    }
}

bool Near(TColor32 a, TColor32 b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

// The shown picture matches the stored one turned by the orientation, checked at the middle
// of every block (JPEG blurs the block edges).
void ExpectUpright(const TBitmap32& shown, int orientation, int tolerance) {
    const TBitmap32 stored = StoredPicture();
    const bool swapped = orientation >= 5;
    ASSERT_EQ(shown.Width(), swapped ? stored.Height() : stored.Width()) << orientation;
    ASSERT_EQ(shown.Height(), swapped ? stored.Width() : stored.Height()) << orientation;
    for (int y = kBlock / 2; y < shown.Height(); y += kBlock)
        for (int x = kBlock / 2; x < shown.Width(); x += kBlock) {
            int sx = 0, sy = 0;
            StoredPoint(orientation, stored.Width(), stored.Height(), x, y, sx, sy);
            EXPECT_TRUE(Near(shown.Pixel(x, y), stored.Pixel(sx, sy), tolerance))
                << "orientation " << orientation << " at " << x << "," << y;
        }
}

void Put16(Bytes& b, unsigned v, bool big) {
    if (big) {
        b.push_back((v >> 8) & 0xFF);
        b.push_back(v & 0xFF);
    } else {
        b.push_back(v & 0xFF);
        b.push_back((v >> 8) & 0xFF);
    }
}

void Put32(Bytes& b, std::uint32_t v, bool big) {
    if (big) {
        Put16(b, v >> 16, true);
        Put16(b, v & 0xFFFF, true);
    } else {
        Put16(b, v & 0xFFFF, false);
        Put16(b, v >> 16, false);
    }
}

// An EXIF block as cameras write it: the first directory holds the camera's make (a string
// stored after the directory) and then the orientation.
Bytes ExifBlock(int orientation, bool bigEndian) {
    Bytes tiff;
    tiff.push_back(bigEndian ? 'M' : 'I');
    tiff.push_back(bigEndian ? 'M' : 'I');
    Put16(tiff, 42, bigEndian);
    Put32(tiff, 8, bigEndian);
    Put16(tiff, 2, bigEndian); // two entries
    const std::uint32_t makeAt = 8 + 2 + 2 * 12 + 4;
    Put16(tiff, 0x010F, bigEndian); // Make, ASCII, 8 bytes at makeAt
    Put16(tiff, 2, bigEndian);
    Put32(tiff, 8, bigEndian);
    Put32(tiff, makeAt, bigEndian);
    Put16(tiff, 0x0112, bigEndian); // Orientation, SHORT, 1 value
    Put16(tiff, 3, bigEndian);
    Put32(tiff, 1, bigEndian);
    Put16(tiff, unsigned(orientation), bigEndian);
    Put16(tiff, 0, bigEndian);
    Put32(tiff, 0, bigEndian); // no further directory
    for (char c : std::string("Lumetta", 8))
        tiff.push_back(std::uint8_t(c));
    Bytes block = {'E', 'x', 'i', 'f', 0, 0};
    for (unsigned char byte : tiff)
        block.push_back(byte);
    return block;
}

// The JPEG with an APP1 segment holding the block right after its start marker.
Bytes WithApp1(const Bytes& jpeg, const Bytes& block) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.push_back(0xFF);
    out.push_back(0xE1);
    Put16(out, unsigned(block.size() + 2), true);
    out.insert(out.end(), block.begin(), block.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes OrientedJpeg(int orientation, bool bigEndian) {
    return WithApp1(test::EncodeJpeg(StoredPicture(), 100), ExifBlock(orientation, bigEndian));
}

void WriteOrientedTiff(const std::string& path, int orientation, bool bigTiff = false) {
    const TBitmap32 b = StoredPicture();
    TIFF* tif = TIFFOpen(path.c_str(), bigTiff ? "w8" : "w");
    if (!tif) throw std::runtime_error("cannot write " + path);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(b.Width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(b.Height()));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(3));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, std::uint16_t(orientation));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t(8));
    std::vector<std::uint8_t> row(std::size_t(b.Width()) * 3);
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const TColor32 c = b.Pixel(x, y);
            row[std::size_t(x) * 3] = std::uint8_t(RedComponent(c));
            row[std::size_t(x) * 3 + 1] = std::uint8_t(GreenComponent(c));
            row[std::size_t(x) * 3 + 2] = std::uint8_t(BlueComponent(c));
        }
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
    }
    TIFFClose(tif);
}

TEST(Orientation, EveryOrientationOfJpegAndTiffOpensUpright) {
    TempDir dir;
    for (int o = 1; o <= 8; ++o) {
        const Bytes jpeg = OrientedJpeg(o, o % 2 == 1);
        EXPECT_EQ(ReadPictureOrientation(jpeg.data(), jpeg.size()), o);
        const std::string jpegPath = dir.File("photo" + std::to_string(o) + ".jpg");
        test::WriteBytes(jpegPath, jpeg);
        TBitmap32 shown;
        LoadPictureFile(shown, jpegPath);
        ExpectUpright(shown, o, 12);

        // Open File's loader gives the same, for both of its pictures.
        TBitmap32 image, asPicture;
        ASSERT_TRUE(LoadImageFile(jpegPath, image, &asPicture));
        ExpectUpright(image, o, 12);
        EXPECT_TRUE(SamePixels(image, asPicture));

        const std::string tiffPath = dir.File("photo" + std::to_string(o) + ".tif");
        WriteOrientedTiff(tiffPath, o);
        const Bytes tiff = test::ReadBytes(tiffPath);
        EXPECT_EQ(ReadPictureOrientation(tiff.data(), tiff.size()), o);
        TBitmap32 tiffShown;
        LoadPictureFile(tiffShown, tiffPath);
        ExpectUpright(tiffShown, o, 0);

        // BigTIFF keeps its directory at a 64-bit offset, with 20-byte entries.
        const std::string bigPath = dir.File("big" + std::to_string(o) + ".tif");
        WriteOrientedTiff(bigPath, o, true);
        const Bytes big = test::ReadBytes(bigPath);
        ASSERT_EQ(big[2] | big[3], 43);
        EXPECT_EQ(ReadPictureOrientation(big.data(), big.size()), o);
        TBitmap32 bigShown;
        LoadPictureFile(bigShown, bigPath);
        ExpectUpright(bigShown, o, 0);
        if (o == 6)
            for (std::size_t n = 0; n < big.size(); ++n) // every cut reads only what is there
                ReadPictureOrientation(big.data(), n);
    }
}

TEST(Orientation, SwitchedOffThePixelsComeAsStored) {
    TempDir dir;
    const std::string jpegPath = dir.File("turned.jpg");
    test::WriteBytes(jpegPath, OrientedJpeg(6, false));
    const std::string tiffPath = dir.File("turned.tif");
    WriteOrientedTiff(tiffPath, 7);
    ASSERT_TRUE(UprightPhotos());
    SetUprightPhotos(false);
    TBitmap32 jpeg, tiff;
    LoadPictureFile(jpeg, jpegPath);
    LoadPictureFile(tiff, tiffPath);
    SetUprightPhotos(true);
    ExpectUpright(jpeg, 1, 12);
    ExpectUpright(tiff, 1, 0);
}

TEST(Orientation, SavingWritesThePixelsAsShownAndNoTag) {
    TempDir dir;
    const std::string source = dir.File("camera.jpg");
    test::WriteBytes(source, OrientedJpeg(8, true));
    TBitmap32 shown;
    LoadPictureFile(shown, source);
    for (int type : {int(sftJpeg), int(sftPng), int(sftBmp)}) {
        const std::string saved = dir.File("saved" + std::to_string(type) +
                                           (type == sftJpeg  ? ".jpg"
                                            : type == sftPng ? ".png"
                                                             : ".bmp"));
        SavePicture(shown, saved, type, 100);
        const Bytes bytes = test::ReadBytes(saved);
        EXPECT_EQ(ReadPictureOrientation(bytes.data(), bytes.size()), 1) << saved;
        TBitmap32 again;
        LoadPictureFile(again, saved);
        ExpectUpright(again, 8, 16); // still the upright picture: nothing turns it a second time
    }
}

TEST(Orientation, TagReaderTakesOnlyWhatIsThere) {
    const Bytes good = OrientedJpeg(6, true);
    // Every shortened copy reads without touching bytes beyond its end (the sanitizer build
    // checks that), giving the tag only while the tag itself is still there.
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        const int o = ReadPictureOrientation(cut.empty() ? nullptr : cut.data(), cut.size());
        EXPECT_TRUE(o == 1 || o == 6) << n;
    }
    EXPECT_EQ(ReadPictureOrientation(nullptr, 0), 1);

    auto withBlock = [](const Bytes& block) {
        return WithApp1(test::EncodeJpeg(StoredPicture(), 90), block);
    };
    // Values outside 1..8, a tag of the wrong type, a directory offset past the end.
    for (int bad : {0, 9, 65535}) {
        const Bytes j = withBlock(ExifBlock(bad, false));
        EXPECT_EQ(ReadPictureOrientation(j.data(), j.size()), 1) << bad;
    }
    Bytes wrongType = ExifBlock(3, false);
    wrongType[6 + 8 + 2 + 12 + 2] = 4; // LONG instead of SHORT
    Bytes j = withBlock(wrongType);
    EXPECT_EQ(ReadPictureOrientation(j.data(), j.size()), 1);
    Bytes farDirectory = ExifBlock(3, false);
    farDirectory[6 + 4] = 0xF0;
    j = withBlock(farDirectory);
    EXPECT_EQ(ReadPictureOrientation(j.data(), j.size()), 1);
    Bytes manyEntries = ExifBlock(3, true);
    manyEntries[6 + 8] = 0xFF;  // 65000-odd entries claimed in a block of a few dozen bytes,
    manyEntries[6 + 23] = 0x13; // and no orientation among those that are there
    j = withBlock(manyEntries);
    EXPECT_EQ(ReadPictureOrientation(j.data(), j.size()), 1);

    // A segment length reaching past the end of the file.
    Bytes longSegment = OrientedJpeg(3, false);
    longSegment[4] = 0xFF;
    longSegment[5] = 0xFF;
    EXPECT_EQ(ReadPictureOrientation(longSegment.data(), longSegment.size()), 1);

    // An EXIF block placed after the image data has begun is not the photo's.
    const Bytes plain = test::EncodeJpeg(StoredPicture(), 90);
    Bytes late(plain.begin(), plain.end() - 2);
    late.push_back(0xFF);
    late.push_back(0xE1);
    const Bytes block = ExifBlock(6, false);
    Put16(late, unsigned(block.size() + 2), true);
    late.insert(late.end(), block.begin(), block.end());
    EXPECT_EQ(ReadPictureOrientation(late.data(), late.size()), 1);

    // Random bytes after a start marker never fail.
    std::srand(7);
    for (int round = 0; round < 200; ++round) {
        Bytes noise = {0xFF, 0xD8};
        const int n = std::rand() % 200;
        for (int i = 0; i < n; ++i)
            noise.push_back(std::uint8_t(std::rand() % 4 == 0 ? 0xFF : std::rand()));
        const int o = ReadPictureOrientation(noise.data(), noise.size());
        EXPECT_TRUE(o >= 1 && o <= 8);
    }
}

TEST(Orientation, TurningABitmapFollowsTheTag) {
    for (int o = 0; o <= 9; ++o) {
        TBitmap32 b = StoredPicture();
        OrientUpright(b, o);
        ExpectUpright(b, o >= 1 && o <= 8 ? o : 1, 0);
    }
}

} // namespace
} // namespace lumetta
