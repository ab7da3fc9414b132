// The four writers of Save File, each read back with Lumetta's own decoders, and the file
// layout details that other programs rely on.
#include "codecs/Encoders.h"
#include "codecs/ImageIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace lumetta;

namespace {

using Bytes = std::vector<std::uint8_t>;

TBitmap32 Decode(const Bytes& bytes, const std::string& extension) {
    TBitmap32 bitmap;
    LoadPictureData(bitmap, bytes.data(), bytes.size(), extension, "saved." + extension);
    return bitmap;
}

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           p[3];
}
std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
unsigned Le16(const std::uint8_t* p) {
    return unsigned(p[0]) | (unsigned(p[1]) << 8);
}

// A smooth picture (as photos are), with alpha varying over it.
TBitmap32 Gradient(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y,
                       Color32(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 127 / (w + h),
                               (x * 13 + y) & 0xFF));
    return b;
}

TColor32 Opaque(TColor32 c) {
    return c | 0xFF000000u;
}

// ---------------------------------------------------------------- PNG

struct Chunk {
    std::string type;
    Bytes data;
};

std::vector<Chunk> Chunks(const Bytes& png) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_GE(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);
    std::vector<Chunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = Be32(&png[at]);
        EXPECT_LE(at + 12 + length, png.size());
        if (at + 12 + length > png.size()) break;
        Chunk c{std::string(reinterpret_cast<const char*>(&png[at + 4]), 4),
                Bytes(png.begin() + std::ptrdiff_t(at + 8),
                      png.begin() + std::ptrdiff_t(at + 8 + length))};
        const std::uint32_t crc = crc32(0, &png[at + 4], uInt(4 + length)); // type and data
        EXPECT_EQ(Be32(&png[at + 8 + length]), crc) << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
    return chunks;
}

TEST(PngEncoder, RoundTripsColoursExactlyAndDropsAlpha) {
    TBitmap32 picture = test::PatternBitmap(37, 23, 5);
    picture.SetPixel(0, 0, 0x00123456); // fully transparent: the colour is still written
    const TBitmap32 back = Decode(EncodePng(picture), "png");
    ASSERT_EQ(back.Width(), 37);
    ASSERT_EQ(back.Height(), 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(back.Pixel(x, y), Opaque(picture.Pixel(x, y))) << x << "," << y;
}

TEST(PngEncoder, WritesOnlyHeaderDataAndEndWithSubFilteredRows) {
    // Noise does not compress, so the data needs many IDAT chunks.
    const int w = 301, h = 257;
    const TBitmap32 picture = test::PatternBitmap(w, h, 9);
    const Bytes png = EncodePng(picture);
    const std::vector<Chunk> chunks = Chunks(png);
    ASSERT_GE(chunks.size(), 4u);
    EXPECT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(chunks.back().type, "IEND");
    EXPECT_TRUE(chunks.back().data.empty());

    const Bytes& ihdr = chunks.front().data;
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(Be32(&ihdr[0]), std::uint32_t(w));
    EXPECT_EQ(Be32(&ihdr[4]), std::uint32_t(h));
    EXPECT_EQ(ihdr[8], 8);  // bits per channel
    EXPECT_EQ(ihdr[9], 2);  // RGB, no alpha
    EXPECT_EQ(ihdr[10], 0); // deflate
    EXPECT_EQ(ihdr[11], 0); // adaptive filtering
    EXPECT_EQ(ihdr[12], 0); // not interlaced

    Bytes stream;
    int idats = 0;
    for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].type, "IDAT");
        EXPECT_LE(chunks[i].data.size(), 65535u);
        stream.insert(stream.end(), chunks[i].data.begin(), chunks[i].data.end());
        ++idats;
    }
    EXPECT_GE(idats, 3);
    // The zlib header records the compression level class: 3 for levels 7 to 9.
    ASSERT_GE(stream.size(), 2u);
    EXPECT_EQ(stream[1] >> 6, 3);

    const std::size_t rowBytes = 1 + 3 * std::size_t(w);
    Bytes raw(rowBytes * h + 1);
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rawSize, stream.data(), uLong(stream.size())), Z_OK);
    ASSERT_EQ(rawSize, rowBytes * h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = &raw[rowBytes * y];
        ASSERT_EQ(row[0], 1) << "row " << y;
        // Undo the Sub filter on the first pixels and compare with the picture.
        for (int x = 0; x < 3; ++x) {
            const TColor32 c = picture.Pixel(x, y);
            const TColor32 left = x ? picture.Pixel(x - 1, y) : 0;
            EXPECT_EQ(row[1 + 3 * x], std::uint8_t(RedComponent(c) - RedComponent(left)));
            EXPECT_EQ(row[3 + 3 * x], std::uint8_t(BlueComponent(c) - BlueComponent(left)));
        }
    }
}

TEST(PngEncoder, BlocksDeflatedApartJoinIntoOneStream) {
    // A few megabytes of rows go into each separately deflated block: this picture spans
    // several, and its rows repeat every seven (within deflate's 32 KB reach), so the data
    // compresses well within each block.
    const int w = 1500, h = 2400;
    TBitmap32 picture(w, h);
    const TBitmap32 noise = test::PatternBitmap(w, 7, 11);
    for (int y = 0; y < h; ++y)
        std::memcpy(picture.ScanLine(y), noise.ConstScanLine(y % 7), std::size_t(w) * 4);
    const Bytes png = EncodePng(picture);
    EXPECT_LT(png.size(), std::size_t(w) * 3 * h / 20) << "the repeats are found";
    const TBitmap32 back = Decode(png, "png");
    ASSERT_EQ(back.Height(), h);
    const TBitmap32 rows = Decode(EncodePng(noise), "png");
    for (int y = 0; y < h; ++y)
        ASSERT_EQ(std::memcmp(back.ConstScanLine(y), rows.ConstScanLine(y % 7), std::size_t(w) * 4),
                  0)
            << "row " << y;
    // zlib reads the joined stream to its end, checksum included.
    Bytes stream;
    for (const Chunk& c : Chunks(png))
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    const std::size_t rowBytes = 1 + 3 * std::size_t(w);
    Bytes raw(rowBytes * h);
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rawSize, stream.data(), uLong(stream.size())), Z_OK);
    EXPECT_EQ(rawSize, raw.size());
}

TEST(PngEncoder, GrainyAndNoisyBlocksJoinIntoOneStream) {
    // Pictures that do not compress well keep the fast deflater's blocks, each one a complete
    // stream made open-ended before the next is appended.
    TBitmap32 grainy(900, 1000);
    std::uint32_t seed = 7;
    for (int y = 0; y < grainy.Height(); ++y)
        for (int x = 0; x < grainy.Width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28);
            grainy.SetPixel(x, y, Color32(x / 4 + grain, y / 4 + grain, (x + y) / 8 + grain));
        }
    for (const TBitmap32& picture : {grainy, test::PatternBitmap(700, 800, 3)}) {
        const Bytes png = EncodePng(picture);
        const TBitmap32 back = Decode(png, "png");
        ASSERT_EQ(back.Width(), picture.Width());
        ASSERT_EQ(back.Height(), picture.Height());
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                ASSERT_EQ(back.Pixel(x, y), Opaque(picture.Pixel(x, y))) << x << "," << y;
        Bytes stream;
        for (const Chunk& c : Chunks(png))
            if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
        Bytes raw((1 + 3 * std::size_t(picture.Width())) * picture.Height());
        uLongf rawSize = uLongf(raw.size());
        ASSERT_EQ(uncompress(raw.data(), &rawSize, stream.data(), uLong(stream.size())), Z_OK);
        EXPECT_EQ(rawSize, raw.size());
    }
}

TEST(PngEncoder, OnePixelPicture) {
    TBitmap32 picture(1, 1);
    picture.SetPixel(0, 0, 0x80FF0102);
    const Bytes png = EncodePng(picture);
    EXPECT_EQ(Chunks(png).size(), 3u);
    EXPECT_EQ(Decode(png, "png").Pixel(0, 0), 0xFFFF0102u);
}

// ---------------------------------------------------------------- BMP

TEST(BmpEncoder, HeadersDescribeAnUncompressedBottomUp32BitPicture) {
    const TBitmap32 picture = test::PatternBitmap(5, 3, 2);
    const Bytes bmp = EncodeBmp(picture);
    ASSERT_EQ(bmp.size(), 54u + 5 * 3 * 4);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(&bmp[2]), bmp.size());
    EXPECT_EQ(Le32(&bmp[6]), 0u); // reserved
    EXPECT_EQ(Le32(&bmp[10]), 54u);
    EXPECT_EQ(Le32(&bmp[14]), 40u);
    EXPECT_EQ(Le32(&bmp[18]), 5u);
    EXPECT_EQ(Le32(&bmp[22]), 3u); // positive height: bottom-up
    EXPECT_EQ(Le16(&bmp[26]), 1u);
    EXPECT_EQ(Le16(&bmp[28]), 32u);
    EXPECT_EQ(Le32(&bmp[30]), 0u); // no compression
    EXPECT_EQ(Le32(&bmp[34]), 5u * 3 * 4);
    EXPECT_EQ(Le32(&bmp[46]), 0u); // colours used
    // The first stored row is the bottom one, each pixel B, G, R, A.
    EXPECT_EQ(Le32(&bmp[54]), picture.Pixel(0, 2));
    EXPECT_EQ(Le32(&bmp[54 + 4 * 5 * 2 + 4 * 4]), picture.Pixel(4, 0));
}

TEST(BmpEncoder, RoundTripsEveryChannelIncludingAlpha) {
    const TBitmap32 picture = Gradient(64, 33);
    const TBitmap32 back = Decode(EncodeBmp(picture), "bmp");
    ASSERT_EQ(back.Width(), 64);
    ASSERT_EQ(back.Height(), 33);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(back.Pixel(x, y), picture.Pixel(x, y)) << x << "," << y;
}

// ---------------------------------------------------------------- JPEG

struct JpegMarkers {
    std::vector<int> codes;      // every marker up to the first scan
    std::vector<int> quantisers; // every DQT value
    int components = 0;          // from the frame header
    bool jfif = false;
};

JpegMarkers Markers(const Bytes& jpg) {
    JpegMarkers m;
    EXPECT_GE(jpg.size(), 4u);
    EXPECT_EQ(jpg[0], 0xFF);
    EXPECT_EQ(jpg[1], 0xD8);
    std::size_t at = 2;
    while (at + 4 <= jpg.size()) {
        EXPECT_EQ(jpg[at], 0xFF);
        const int code = jpg[at + 1];
        const std::size_t length = (std::size_t(jpg[at + 2]) << 8) | jpg[at + 3];
        const std::uint8_t* body = &jpg[at + 4];
        m.codes.push_back(code);
        if (code == 0xE0) m.jfif = length >= 7 && std::memcmp(body, "JFIF", 5) == 0;
        if (code == 0xC0 || code == 0xC2) m.components = body[5];
        if (code == 0xDB) {
            for (std::size_t i = 0; i + 65 <= length - 2; i += 65) {
                EXPECT_EQ(body[i] >> 4, 0) << "8-bit tables only in baseline";
                for (int k = 1; k <= 64; ++k)
                    m.quantisers.push_back(body[i + k]);
            }
        }
        if (code == 0xDA) break;
        at += 2 + length;
    }
    EXPECT_EQ(jpg[jpg.size() - 2], 0xFF);
    EXPECT_EQ(jpg[jpg.size() - 1], 0xD9);
    return m;
}

double Psnr(const TBitmap32& a, const TBitmap32& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const TColor32 p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int shift : {0, 8, 16}) {
                const double d = double((p >> shift) & 0xFF) - double((q >> shift) & 0xFF);
                sum += d * d;
            }
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

TEST(JpegEncoder, IsBaselineJfifWithThreeComponentsAndDecodesClose) {
    const TBitmap32 picture = Gradient(120, 80);
    const Bytes jpg = EncodeJpeg(picture, 90);
    const JpegMarkers m = Markers(jpg);
    ASSERT_FALSE(m.codes.empty());
    EXPECT_EQ(m.codes.front(), 0xE0);
    EXPECT_TRUE(m.jfif);
    EXPECT_NE(std::find(m.codes.begin(), m.codes.end(), 0xC0), m.codes.end());
    EXPECT_EQ(std::find(m.codes.begin(), m.codes.end(), 0xC2), m.codes.end());
    EXPECT_EQ(m.components, 3);
    EXPECT_EQ(std::count(m.codes.begin(), m.codes.end(), 0xDA), 1);

    const TBitmap32 back = Decode(jpg, "jpg");
    ASSERT_EQ(back.Width(), 120);
    ASSERT_EQ(back.Height(), 80);
    EXPECT_EQ(AlphaComponent(back.Pixel(7, 7)), 255);
    EXPECT_GT(Psnr(picture, back), 35.0);
}

TEST(JpegEncoder, QualityIsClampedToOneToHundred) {
    const TBitmap32 picture = Gradient(40, 24);
    const Bytes q1 = EncodeJpeg(picture, 1);
    EXPECT_EQ(EncodeJpeg(picture, 0), q1);
    EXPECT_EQ(EncodeJpeg(picture, -20), q1);
    const Bytes q100 = EncodeJpeg(picture, 100);
    EXPECT_EQ(EncodeJpeg(picture, 250), q100);
    // Quality 1 gives the coarsest tables baseline allows; 100 the finest.
    for (int q : Markers(q1).quantisers)
        EXPECT_EQ(q, 255);
    const std::vector<int> fine = Markers(q100).quantisers;
    ASSERT_EQ(fine.size(), 128u);
    for (int q : fine)
        EXPECT_EQ(q, 1);
    EXPECT_GT(Psnr(picture, Decode(q100, "jpg")), 45.0);
    EXPECT_LT(Psnr(picture, Decode(q1, "jpg")),
              Psnr(picture, Decode(EncodeJpeg(picture, 50), "jpg")));
}

TEST(JpegEncoder, IgnoresAlpha) {
    TBitmap32 a = Gradient(16, 16);
    TBitmap32 b = a;
    b.ResetAlpha();
    a.SetPixel(3, 3, a.Pixel(3, 3) & 0x00FFFFFF);
    EXPECT_EQ(EncodeJpeg(a, 75), EncodeJpeg(b, 75));
    EXPECT_EQ(EncodePng(a), EncodePng(b));
}

// ---------------------------------------------------------------- limits

TEST(Encoders, RefuseAnEmptyPictureAndSidesTheFormatCannotHold) {
    const TBitmap32 empty;
    for (int type : {1, 2, 3, 4, 0})
        EXPECT_EQ(ErrorOf([&] { EncodePicture(empty, type, 90); }), "Cannot save an empty picture");
    const TBitmap32 wide(65536, 1);
    EXPECT_NE(ErrorOf([&] { EncodeGif(wide); }).find("GIF allows at most 65535 pixels"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] {
                  EncodeJpeg(TBitmap32(1, 65501), 90);
              }).find("JPEG allows at most 65500 pixels"),
              std::string::npos);
    // PNG and BMP have no such limit.
    EXPECT_EQ(Be32(&EncodePng(wide)[16]), 65536u);
    EXPECT_EQ(Le32(&EncodeBmp(wide)[18]), 65536u);
}

} // namespace
