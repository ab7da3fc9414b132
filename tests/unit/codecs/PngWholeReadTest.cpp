// The one-piece reading of PNG image data (libdeflate, our own unfiltering) against libpng's
// row-by-row reading of the same files: same pixels, transparency and bytes consumed for sound
// files, and for damaged ones the very result libpng gives.
#include "Helpers.h"
#include "codecs/CodecCommon.h"

#include "support/TestSupport.h"

#include <png.h>
#include <zlib.h>

#include <cstdlib>
#include <random>

namespace lumetta::test {
namespace {

struct Outcome {
    std::string error;
    codecs::PngPicture png;
    bool whole = false;
};

Outcome Read(const Bytes& bytes, bool wholeReading) {
    Outcome o;
    codecs::SetPngWholeReading(wholeReading);
    try {
        codecs::DecodePng(codecs::DecodeContext(bytes.data(), bytes.size(), "t.png", "PNG"), o.png);
        o.whole = codecs::PngReadWhole();
    } catch (const Error& e) {
        o.error = e.what();
    }
    codecs::SetPngWholeReading(true);
    return o;
}

::testing::AssertionResult SameOutcome(const Outcome& a, const Outcome& b) {
    if (a.error != b.error)
        return ::testing::AssertionFailure() << "\"" << a.error << "\" vs \"" << b.error << "\"";
    if (!a.error.empty()) return ::testing::AssertionSuccess();
    const TBitmap32& p = a.png.pixels;
    const TBitmap32& q = b.png.pixels;
    if (p.Width() != q.Width() || p.Height() != q.Height())
        return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < p.PixelCount(); ++i)
        if (p.ConstBits()[i] != q.ConstBits()[i])
            return ::testing::AssertionFailure() << "pixel " << i << ": " << std::hex
                                                 << p.ConstBits()[i] << " vs " << q.ConstBits()[i];
    if (a.png.consumed != b.png.consumed)
        return ::testing::AssertionFailure()
               << "consumed " << a.png.consumed << " vs " << b.png.consumed;
    if (a.png.transparency != b.png.transparency || a.png.indexed != b.png.indexed ||
        a.png.transparentCount != b.png.transparentCount ||
        a.png.transparentColours != b.png.transparentColours)
        return ::testing::AssertionFailure() << "transparency differs";
    return ::testing::AssertionSuccess();
}

// ---- a PNG writer with every choice in the test's hands ----

void PutChunk(Bytes& png, const char* type, const Bytes& data) {
    PutBe32(png, std::uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBe32(png, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

int Channels(int colourType) {
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

struct Picture {
    int width = 0, height = 0, colourType = 2;
    Bytes samples;            // 8-bit, row-major
    std::vector<int> filters; // one per row
    Bytes plte, trns;         // chunk contents, when present
};

// The filtered rows, each with its filter type byte first.
Bytes Filtered(const Picture& p) {
    const int bpp = Channels(p.colourType);
    const std::size_t n = std::size_t(p.width) * bpp;
    Bytes out;
    for (int y = 0; y < p.height; ++y) {
        const std::uint8_t* row = &p.samples[y * n];
        const std::uint8_t* up = y ? row - n : nullptr;
        const int type = p.filters[std::size_t(y)];
        out.push_back(std::uint8_t(type));
        for (std::size_t i = 0; i < n; ++i) {
            const int a = i >= std::size_t(bpp) ? row[i - bpp] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= std::size_t(bpp) ? up[i - bpp] : 0;
            const int predicted = type == 1   ? a
                                  : type == 2 ? b
                                  : type == 3 ? (a + b) / 2
                                  : type == 4 ? Paeth(a, b, c)
                                              : 0;
            out.push_back(std::uint8_t(row[i] - predicted));
        }
    }
    return out;
}

Bytes Compress(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), uLong(data.size()), 6);
    out.resize(size);
    return out;
}

// The file: header, palette and transparency when given, the stream cut into IDAT chunks of
// at most `piece` bytes, then `tail` chunks' bytes and the end chunk.
Bytes Assemble(const Picture& p, const Bytes& stream, std::size_t piece = 1 << 20,
               const Bytes& tail = {}) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBe32(ihdr, std::uint32_t(p.width));
    PutBe32(ihdr, std::uint32_t(p.height));
    ihdr.insert(ihdr.end(), {8, std::uint8_t(p.colourType), 0, 0, 0});
    PutChunk(png, "IHDR", ihdr);
    if (!p.plte.empty()) PutChunk(png, "PLTE", p.plte);
    if (!p.trns.empty()) PutChunk(png, "tRNS", p.trns);
    for (std::size_t at = 0; at < stream.size(); at += piece)
        PutChunk(png, "IDAT",
                 Bytes(stream.begin() + std::ptrdiff_t(at),
                       stream.begin() + std::ptrdiff_t(std::min(stream.size(), at + piece))));
    png.insert(png.end(), tail.begin(), tail.end());
    PutChunk(png, "IEND", {});
    return png;
}

Picture Sample(int colourType, int width, int height, unsigned seed) {
    Picture p;
    p.width = width;
    p.height = height;
    p.colourType = colourType;
    std::mt19937 random(seed);
    // Smooth runs with steps, so that every predictor is sometimes right and sometimes wrong,
    // and the extremes 0 and 255 next to each other.
    const std::size_t n = std::size_t(width) * height * Channels(colourType);
    for (std::size_t i = 0; i < n; ++i)
        p.samples.push_back(random() % 4 == 0 ? std::uint8_t(random() % 2 ? 255 : 0)
                                              : std::uint8_t(i * 7 + random() % 9));
    for (int y = 0; y < height; ++y)
        p.filters.push_back(int(random() % 5));
    if (colourType == 3) {
        for (int i = 0; i < 200; ++i) // fewer entries than indices: the rest read as black
            p.plte.insert(p.plte.end(),
                          {std::uint8_t(i * 3), std::uint8_t(255 - i), std::uint8_t(i * 11)});
        p.trns = {0, 128, 255, 7};
    }
    return p;
}

Bytes FileOf(const Picture& p, std::size_t piece = 1 << 20) {
    return Assemble(p, Compress(Filtered(p)), piece);
}

// Each filter type on its own and mixed, on odd widths, for every 8-bit colour type, with and
// without transparency, the stream in one chunk and in many (some empty).
TEST(PngWholeReading, EveryFilterAndLayoutMatchesLibpng) {
    for (int type : {0, 2, 3, 4, 6})
        for (int width : {1, 2, 5, 33})
            for (int filter = 0; filter <= 5; ++filter) { // 5: a different one on every row
                SCOPED_TRACE(testing::Message()
                             << "type " << type << " width " << width << " filter " << filter);
                Picture p = Sample(type, width, 9, unsigned(type * 100 + width * 10 + filter));
                if (filter < 5) p.filters.assign(std::size_t(p.height), filter);
                for (bool keyed : {false, true}) {
                    if (keyed && type != 0 && type != 2) continue;
                    if (keyed) { // the colour of the first pixel is transparent
                        p.trns = type == 0
                                     ? Bytes{0, p.samples[0]}
                                     : Bytes{0, p.samples[0], 0, p.samples[1], 0, p.samples[2]};
                    }
                    const Bytes stream = Compress(Filtered(p));
                    for (std::size_t piece : {std::size_t(1) << 20, std::size_t(7)}) {
                        const Bytes png = Assemble(p, stream, piece);
                        const Outcome whole = Read(png, true);
                        ASSERT_TRUE(whole.whole) << whole.error;
                        EXPECT_TRUE(SameOutcome(whole, Read(png, false)));
                    }
                }
            }
    // The samples themselves, not only agreement: a row of each filter gives the samples back.
    Picture rgb = Sample(2, 5, 5, 42);
    rgb.filters = {0, 1, 2, 3, 4};
    const Outcome o = Read(FileOf(rgb), true);
    ASSERT_TRUE(o.whole);
    for (std::size_t i = 0; i < 25; ++i)
        EXPECT_EQ(o.png.pixels.ConstBits()[i],
                  Color32(rgb.samples[3 * i], rgb.samples[3 * i + 1], rgb.samples[3 * i + 2]));
}

// Streams and files that are not plainly sound are left to libpng, which then gives what it
// always gave: the same message, or the same picture where it accepts the fault.
TEST(PngWholeReading, DamagedFilesGiveLibpngsResult) {
    const Picture p = Sample(2, 13, 11, 7);
    const Bytes rows = Filtered(p);
    auto check = [&](const Bytes& png, const char* what, bool readWhole = false) {
        SCOPED_TRACE(what);
        const Outcome whole = Read(png, true);
        EXPECT_EQ(whole.whole, readWhole);
        EXPECT_TRUE(SameOutcome(whole, Read(png, false)));
    };
    check(Assemble(p, Compress(Bytes(rows.begin(), rows.end() - 1))), "inflates one byte short");
    Bytes longer = rows;
    longer.insert(longer.end(), 40, 0);
    check(Assemble(p, Compress(longer)), "inflates long");
    Bytes badFilter = rows;
    badFilter[std::size_t(5) * (13 * 3 + 1)] = 5;
    check(Assemble(p, Compress(badFilter)), "filter type 5");
    Bytes badCheck = Compress(rows);
    badCheck.back() ^= 1;
    check(Assemble(p, badCheck), "wrong Adler-32");
    Bytes badCrc = FileOf(p, 50);
    badCrc[33 + 12 + 60] ^= 0x10; // inside the second IDAT chunk
    check(badCrc, "IDAT chunk with a wrong CRC");
    Bytes tail;
    PutChunk(tail, "tEXt", Bytes{'a', 0, 'b'});
    const Bytes withEnd = Assemble(p, Compress(rows), 1 << 20, tail);
    check(Bytes(withEnd.begin(), withEnd.end() - 12), "no end chunk");
    Bytes critical;
    PutChunk(critical, "PLTE", Bytes(6, 1));
    check(Assemble(p, Compress(rows), 1 << 20, critical), "palette after the image data");
    Bytes extra = Compress(rows);
    extra.insert(extra.end(), {1, 2, 3});
    check(Assemble(p, extra), "bytes after the stream", true); // libpng only warns

    // Every cut of the file, and bytes changed at random: never a different outcome.
    const Bytes good = FileOf(p, 40);
    for (std::size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        ASSERT_TRUE(SameOutcome(Read(cut, true), Read(cut, false))) << "cut at " << n;
    }
    std::mt19937 random(99);
    for (int round = 0; round < 2000; ++round) {
        Bytes bad = good;
        for (int i = 1 + int(random() % 3); i > 0; --i)
            bad[33 + random() % (bad.size() - 33)] = std::uint8_t(random());
        ASSERT_TRUE(SameOutcome(Read(bad, true), Read(bad, false))) << "round " << round;
    }
}

// Trailing chunks after the image data, sound ones and a second end chunk's worth of other
// data: the picture stops after its end chunk, as libpng counts it.
TEST(PngWholeReading, StopsAfterTheEndChunk) {
    const Picture p = Sample(6, 4, 3, 5);
    Bytes tail;
    PutChunk(tail, "tEXt", Bytes{'k', 0, 'v'});
    PutChunk(tail, "IDAT", {}); // an empty one after the stream is allowed
    Bytes png = Assemble(p, Compress(Filtered(p)), 1 << 20, tail);
    const std::size_t size = png.size();
    png.insert(png.end(), {'n', 'e', 'x', 't'});
    const Outcome whole = Read(png, true);
    ASSERT_TRUE(whole.whole);
    EXPECT_EQ(whole.png.consumed, size);
    EXPECT_TRUE(SameOutcome(whole, Read(png, false)));
}

} // namespace
} // namespace lumetta::test
