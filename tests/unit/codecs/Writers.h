#pragma once
// Small picture writers for the decoder tests: the library formats through their own
// libraries, the simple formats byte by byte.
#include "imaging/Bitmap32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumetta::test {

using Bytes = std::vector<unsigned char>;

void PutLe16(Bytes& b, unsigned v);
void PutLe32(Bytes& b, std::uint32_t v);
void PutBe32(Bytes& b, std::uint32_t v);

// ---- PNG (libpng) ----
struct PngDesc {
    int width = 0, height = 0;
    int colourType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlace = false;
    // Raw samples, row-major, channel by channel (palette index for colour type 3).
    std::vector<unsigned> samples;
    std::vector<TColor32> palette;  // colour type 3
    std::vector<std::uint8_t> trns; // palette transparency
    bool trnsColour = false;        // grey / RGB transparent colour
    unsigned trnsR = 0, trnsG = 0, trnsB = 0, trnsGrey = 0;
};
Bytes EncodePng(const PngDesc& desc);
// An 8-bit RGBA PNG of the bitmap's pixels.
Bytes EncodePngRgba(const TBitmap32& bitmap);

// ---- JPEG (libjpeg); components 1 (grey from red), 3 (RGB) or 4 (Adobe CMYK) ----
Bytes EncodeJpeg(const TBitmap32& bitmap, int quality = 90, int components = 3,
                 bool progressive = false);

// ---- GIF (giflib): one or more frames of palette indices ----
struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlace = false;
    std::vector<std::uint8_t> indices; // row-major, in display order
    std::vector<TColor32> localPalette;
};
Bytes EncodeGif(int screenWidth, int screenHeight, const std::vector<TColor32>& globalPalette,
                int background, const std::vector<GifFrame>& frames);

// ---- TIFF (libtiff, written to a file) ----
// samples 1 (grey), 3 (RGB) or 4 (RGB + unassociated alpha); 8 bits; optional LZW.
void WriteTiff(const std::string& path, const TBitmap32& bitmap, int samples, bool lzw = false);

// Any layout libtiff writes: samples given as numbers (integers, or values for floating-point
// samples), packed at the given depth, in strips of two rows or in tiles, interleaved or in
// separate planes.
struct TiffDesc {
    int width = 0, height = 0;
    int bits = 8, samples = 1;
    int photometric = 1;                     // PHOTOMETRIC_*: 1 grey, 2 RGB, 3 palette
    int sampleFormat = 1;                    // SAMPLEFORMAT_*: 1 unsigned, 3 floating point
    std::vector<std::uint16_t> extraSamples; // EXTRASAMPLE_* of the samples after the colours
    int orientation = 1;
    bool separate = false;
    int tileWidth = 0, tileHeight = 0; // 0: strips
    int compression = 1;               // COMPRESSION_*
    std::vector<std::uint16_t> mapRed, mapGreen, mapBlue;
    std::function<double(int x, int y, int sample)> sample;
};
void WriteTiff(const std::string& path, const TiffDesc& desc);

// ---- BMP ----
struct BmpDesc {
    int width = 0, height = 0; // negative height: top-down
    int bitCount = 24;
    std::uint32_t compression = 0;
    int headerSize = 40; // 12 (OS/2 core), 40, 108, 124
    bool fileHeader = true;
    std::vector<TColor32> palette;
    std::vector<std::uint32_t> masks; // after a 40-byte header, or inside a V4/V5 header
    Bytes pixels;                     // as stored
};
Bytes EncodeBmp(const BmpDesc& desc);
// Rows as stored (padded to 4 bytes), file row 0 first; value(x, fileRow) is an index (<= 8
// bits), a 16- or 32-bit word, or 0xRRGGBB for 24 bits.
Bytes BmpRows(int width, int rows, int bitCount,
              const std::function<std::uint32_t(int, int)>& value);

// ---- Targa ----
struct TgaDesc {
    int width = 0, height = 0;
    int imageType = 2; // 1 mapped, 2 true colour, 3 grey; +8 for RLE
    int depth = 24;
    std::uint8_t descriptor = 0;
    int mapFirst = 0, mapBits = 0;
    Bytes map;    // colour map entries as stored
    Bytes pixels; // pixel data as stored (already run-length encoded for RLE types)
    std::string id;
};
Bytes EncodeTga(const TgaDesc& desc);
// Run-length packs pixels of `bytesPerPixel` bytes, letting packets run across rows.
Bytes TgaRle(const Bytes& raw, int bytesPerPixel);

// ---- PCX ----
struct PcxDesc {
    int width = 0, height = 0;
    int bitsPerPixel = 8, planes = 1;
    int bytesPerLine = 0; // 0: the smallest even length
    bool rle = true;
    TColor32 egaPalette[16] = {};
    std::vector<TColor32> vgaPalette; // 256 entries for 8-bit pictures
    std::vector<Bytes> lines;         // each line: planes * bytesPerLine bytes, unencoded
};
Bytes EncodePcx(const PcxDesc& desc);
int PcxBytesPerLine(const PcxDesc& desc);

} // namespace lumetta::test
