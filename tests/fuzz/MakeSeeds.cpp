// Writes the small seed corpus of every fuzz target: a few valid inputs of each kind, made with
// the test suite's writers, from which the fuzzer starts and which the replay tests run.
//   fuzz_seeds FOLDER     (FOLDER/<target>/<n> for every target)
#include "Writers.h"
#include "edit/AlphaBlock.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"
#include "tools/ObjectPack.h"

#include <png.h>
#include <tiffio.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lumetta;
using namespace lumetta::test;

namespace {

fs::path gOut;

void Seed(const std::string& target, const Bytes& bytes) {
    const fs::path folder = gOut / target;
    fs::create_directories(folder);
    std::size_t n = 0;
    while (fs::exists(folder / std::to_string(n)))
        ++n;
    WriteBytes((folder / std::to_string(n)).string(), bytes);
}

void SeedText(const std::string& target, const std::string& text) {
    Seed(target, Bytes(text.begin(), text.end()));
}

Bytes FromFile(const std::string& path) {
    return ReadBytes(path);
}

void Le32(Bytes& b, std::int32_t v) {
    PutLe32(b, std::uint32_t(v));
}

void Pictures(const TBitmap32& small, const TempDir& dir) {
    // PNG: every colour type, a transparent colour, a palette with transparency, interlacing.
    Seed("png", EncodePngRgba(small));
    {
        PngDesc d;
        d.width = 5;
        d.height = 4;
        d.colourType = PNG_COLOR_TYPE_PALETTE;
        d.bitDepth = 2;
        d.interlace = true;
        d.palette = {Color32(1, 2, 3), Color32(200, 0, 0), Color32(0, 200, 0), Color32(9, 9, 9)};
        d.trns = {0, 255, 128};
        for (int i = 0; i < 20; ++i)
            d.samples.push_back(unsigned(i % 4));
        Seed("png", EncodePng(d));
        PngDesc g;
        g.width = 3;
        g.height = 2;
        g.colourType = PNG_COLOR_TYPE_GRAY;
        g.bitDepth = 16;
        g.trnsColour = true;
        g.trnsGrey = 0x1234;
        g.samples = {0x1234, 0x1235, 0, 65535, 0x8000, 0x1234};
        Seed("png", EncodePng(g));
    }
    // JPEG: baseline, progressive, grey and CMYK.
    Seed("jpeg", EncodeJpeg(small, 80));
    Seed("jpeg", EncodeJpeg(small, 60, 3, true));
    Seed("jpeg", EncodeJpeg(small, 90, 1));
    Seed("jpeg", EncodeJpeg(small, 70, 4));
    // GIF: an interlaced image placed on a larger screen.
    {
        GifFrame f;
        f.left = 1;
        f.top = 1;
        f.width = 6;
        f.height = 5;
        f.interlace = true;
        for (int i = 0; i < 30; ++i)
            f.indices.push_back(std::uint8_t(i % 4));
        Seed("gif", EncodeGif(8, 7, {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}, 2, {f}));
    }
    // TIFF: RGB with LZW, alpha, deep and floating-point samples, tiles, palette with alpha,
    // a turned orientation.
    WriteTiff(dir.File("a.tif"), small, 3, true);
    Seed("tiff", FromFile(dir.File("a.tif")));
    WriteTiff(dir.File("b.tif"), small, 4);
    Seed("tiff", FromFile(dir.File("b.tif")));
    {
        TiffDesc d;
        d.width = 20;
        d.height = 18;
        d.bits = 12;
        d.samples = 2;
        d.extraSamples = {EXTRASAMPLE_UNASSALPHA};
        d.orientation = 6;
        d.sample = [](int x, int y, int s) { return double((x * 97 + y * 31 + s * 1000) % 4096); };
        WriteTiff(dir.File("c.tif"), d);
        Seed("tiff", FromFile(dir.File("c.tif")));
        d.bits = 8;
        d.samples = 3;
        d.photometric = PHOTOMETRIC_RGB;
        d.extraSamples.clear();
        d.tileWidth = d.tileHeight = 16;
        d.separate = true;
        d.sample = [](int x, int y, int s) { return double((x * 7 + y * 3 + s * 50) % 256); };
        WriteTiff(dir.File("d.tif"), d);
        Seed("tiff", FromFile(dir.File("d.tif")));
        TiffDesc f;
        f.width = 4;
        f.height = 3;
        f.bits = 32;
        f.sampleFormat = SAMPLEFORMAT_IEEEFP;
        f.sample = [](int x, int y, int) { return (x + y) / 5.0; };
        WriteTiff(dir.File("e.tif"), f);
        Seed("tiff", FromFile(dir.File("e.tif")));
        TiffDesc p;
        p.width = 6;
        p.height = 2;
        p.bits = 4;
        p.samples = 2;
        p.photometric = PHOTOMETRIC_PALETTE;
        p.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
        p.mapRed.assign(16, 0x8000);
        p.mapGreen.assign(16, 0x100);
        p.mapBlue.assign(16, 0xFFFF);
        p.sample = [](int x, int y, int s) { return double((x + y + s) % 16); };
        WriteTiff(dir.File("f.tif"), p);
        Seed("tiff", FromFile(dir.File("f.tif")));
    }
    // BMP: 24 bits, a palette, RLE8, bit fields.
    {
        BmpDesc s;
        s.width = 5;
        s.height = 3;
        s.pixels = BmpRows(5, 3, 24, [](int x, int y) { return std::uint32_t(x * 40 + y * 9000); });
        Seed("bmp", EncodeBmp(s));
        s.bitCount = 8;
        s.palette = {Color32(1, 2, 3), Color32(4, 5, 6), Color32(7, 8, 9)};
        s.pixels = BmpRows(5, 3, 8, [](int x, int y) { return std::uint32_t((x + y) % 3); });
        Seed("bmp", EncodeBmp(s));
        s.compression = 1;
        s.pixels = {3, 1, 2, 2, 0, 0, 0, 3, 1, 2, 0, 0, 5, 0, 0, 1};
        Seed("bmp", EncodeBmp(s));
        s.compression = 3;
        s.bitCount = 32;
        s.headerSize = 124;
        s.palette.clear();
        s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
        s.pixels =
            BmpRows(5, 3, 32, [](int x, int y) { return std::uint32_t(x * 0x01020304 + y); });
        Seed("bmp", EncodeBmp(s));
    }
    // Targa: RLE colour, 16-bit grey with alpha, colour-mapped.
    {
        TgaDesc t;
        t.width = 4;
        t.height = 3;
        t.imageType = 10;
        t.depth = 24;
        Bytes raw;
        for (int i = 0; i < 12; ++i)
            raw.insert(raw.end(), {std::uint8_t(i / 3), std::uint8_t(i * 9), 7});
        t.pixels = TgaRle(raw, 3);
        Seed("tga", EncodeTga(t));
        TgaDesc g;
        g.width = 2;
        g.height = 2;
        g.imageType = 3;
        g.depth = 16;
        g.descriptor = 0x28;
        g.pixels = {10, 255, 20, 128, 30, 0, 40, 64};
        Seed("tga", EncodeTga(g));
        TgaDesc m;
        m.width = 3;
        m.height = 1;
        m.imageType = 1;
        m.depth = 8;
        m.mapBits = 24;
        m.map = {1, 2, 3, 4, 5, 6};
        m.pixels = {0, 1, 0};
        Seed("tga", EncodeTga(m));
    }
    // Portable maps of every kind.
    SeedText("pnm", "P1\n# c\n3 2\n0 1 0\n1 0 1\n");
    SeedText("pnm", "P2 2 2 15\n0 5 10 15\n");
    SeedText("pnm", "P3 1 1 255 1 2 3\n");
    {
        Bytes p6 = {'P', '6', ' ', '2', ' ', '1', ' ', '6', '5', '5', '3', '5', '\n'};
        for (int i = 0; i < 12; ++i)
            p6.push_back(std::uint8_t(i * 20));
        Seed("pnm", p6);
        Bytes p4 = {'P', '4', ' ', '9', ' ', '2', '\n', 0xA5, 0x80, 0x5A, 0x00};
        Seed("pnm", p4);
    }
    // PCX: 8 bits with a palette, RLE.
    {
        PcxDesc p;
        p.width = 5;
        p.height = 2;
        for (int i = 0; i < 256; ++i)
            p.vgaPalette.push_back(Color32(i, 255 - i, i / 2));
        p.lines = {Bytes{1, 1, 1, 200, 3, 0}, Bytes{9, 9, 250, 250, 250, 0}};
        Seed("pcx", EncodePcx(p));
    }
}

void Library(const TBitmap32& small) {
    TPackWriter container;
    container.Add("frameoak.png", EncodePngRgba(small));
    container.Add("maskstar.png", EncodePngRgba(PatternBitmap(3, 2, 7)));
    Seed("container", container.Build());
    TPackWriter empty;
    Seed("container", empty.Build());

    // Object packs: the first byte chooses import, overwrite and keep-folders.
    TObjectPackWriter pack;
    pack.Add("Data", "FrameOak.jpg", EncodeJpeg(small, 50));
    pack.Add("", "library.phi", {'[', 'F', ']', '\n'});
    pack.Add("Desktop", "MainBg2.bmp", {});
    pack.Add("Data\\Deep\\Er", "x.bin", Bytes(3000, 7));
    for (std::uint8_t mode : {0, 1, 6, 7}) {
        Bytes seed = pack.Bytes();
        seed.insert(seed.begin(), mode);
        Seed("objectpack", seed);
    }

    SeedText("ini", "[Setup]\r\nJpgCompressVar=90\r\nJpgCompress=1\r\nScrIniPath=/home\r\n"
                    "WinWidth=0x300\r\n\r\n[Other]\r\nKeep=yes\r\n");
    SeedText("ini", "\xEF\xBB\xBF; library\n[Frames]\nframeoak=0,10,10,20,20,10,10,5,5,10,10,10,5,"
                    "10,5,10,10,0,0,10,10\n[Shadows]\r\r\nsoft=1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"
                    "0,0,0\nbad=1,,x\n");
    SeedText("eventlog", "junk[12:00]A>>B>C>D\r\n[t]only title\r\n[t]x>>y>desc\r\n[t]a>>>>b>\r\n"
                         "[t no closing bracket\nno bracket at all\r[time]title>desc");

    // ComposeFrame: template and photo sizes, draw modes, then the 21 fields.
    auto record = [](std::initializer_list<int> head, std::initializer_list<std::int32_t> fields) {
        Bytes b;
        for (int v : head)
            b.push_back(std::uint8_t(v));
        for (std::int32_t f : fields)
            Le32(b, f);
        return b;
    };
    Seed("compose", record({30, 30, 20, 16, 0},
                           {0, 5, 5, 10, 10, 5, 5, 10, 5, 5, 5, 5, 10, 5, 10, 5, 5, 0, 0, 5, 5}));
    Seed("compose", record({12, 9, 7, 7, 3},
                           {0, -3, 40, 9, -2, 4, 3, 2, 2, 6, 9, 1, 3, 5, 2, 3, 3, 0, 0, 2, 2}));
    Seed("compose", record({6, 6, 0, 0, 1}, {0, 0, 0, 9, 2,           2, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, -2000000000, 2, 0, 0, 2, 2}));

    // The alpha block: width, height, then the block.
    Bytes block = {3, 2};
    const std::vector<std::uint8_t> made = MakeAlphaBlock(PatternBitmap(3, 2));
    block.insert(block.end(), made.begin(), made.end());
    Seed("alphablock", block);
    Seed("alphablock", Bytes{0, 0, 0, 0, 0, 0});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    gOut = argv[1];
    fs::remove_all(gOut);
    fs::create_directories(gOut);
    TempDir dir;
    TBitmap32 small = PatternBitmap(9, 7);
    Pictures(small, dir);
    small.ResetAlpha();
    Library(small);
    std::printf("Seeds written to %s\n", gOut.string().c_str());
    return 0;
}
