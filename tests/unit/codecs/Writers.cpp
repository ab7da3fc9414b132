#include "Writers.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace lumetta::test {

void PutLe16(Bytes& b, unsigned v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void PutLe32(Bytes& b, std::uint32_t v) {
    PutLe16(b, v & 0xFFFF);
    PutLe16(b, v >> 16);
}
void PutBe32(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        b.push_back(std::uint8_t(v >> s));
}

// ---------------------------------------------------------------- PNG

namespace {
void PngWrite(png_structp png, png_bytep data, std::size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}
[[noreturn]] void PngAbort(png_structp, png_const_charp msg) {
    std::fprintf(stderr, "test PNG writer: %s\n", msg);
    std::abort();
}
int PngChannels(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}
} // namespace

Bytes EncodePng(const PngDesc& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngAbort, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (TColor32 c : s.palette)
        palette.push_back(
            {png_byte(RedComponent(c)), png_byte(GreenComponent(c)), png_byte(BlueComponent(c))});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_color_16 colour{};
    colour.red = png_uint_16(s.trnsR);
    colour.green = png_uint_16(s.trnsG);
    colour.blue = png_uint_16(s.trnsB);
    colour.gray = png_uint_16(s.trnsGrey);
    if (!s.trns.empty())
        png_set_tRNS(png, info, s.trns.data(), int(s.trns.size()), nullptr);
    else if (s.trnsColour)
        png_set_tRNS(png, info, nullptr, 0, &colour);
    png_write_info(png, info);
    if (s.bitDepth < 8) png_set_packing(png);

    const int channels = PngChannels(s.colourType);
    const int sampleBytes = s.bitDepth == 16 ? 2 : 1;
    const std::size_t rowBytes = std::size_t(s.width) * channels * sampleBytes;
    std::vector<png_byte> data(rowBytes * s.height);
    for (std::size_t i = 0; i < std::size_t(s.width) * s.height * channels; ++i) {
        if (sampleBytes == 2) {
            data[2 * i] = png_byte(s.samples[i] >> 8);
            data[2 * i + 1] = png_byte(s.samples[i]);
        } else {
            data[i] = png_byte(s.samples[i]);
        }
    }
    std::vector<png_bytep> rows(s.height);
    for (int y = 0; y < s.height; ++y)
        rows[y] = data.data() + y * rowBytes;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes EncodePngRgba(const TBitmap32& b) {
    PngDesc s;
    s.width = b.Width();
    s.height = b.Height();
    s.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (std::size_t i = 0; i < b.PixelCount(); ++i) {
        const TColor32 c = b.ConstBits()[i];
        s.samples.insert(s.samples.end(),
                         {unsigned(RedComponent(c)), unsigned(GreenComponent(c)),
                          unsigned(BlueComponent(c)), unsigned(AlphaComponent(c))});
    }
    return EncodePng(s);
}

// ---------------------------------------------------------------- JPEG

Bytes EncodeJpeg(const TBitmap32& b, int quality, int components, bool progressive) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(b.Width());
    cinfo.image_height = JDIMENSION(b.Height());
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(b.Width()) * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        const TColor32* src = b.ConstScanLine(int(cinfo.next_scanline));
        for (int x = 0; x < b.Width(); ++x) {
            const TColor32 c = src[x];
            JSAMPLE* d = row.data() + std::size_t(x) * components;
            if (components == 1) {
                d[0] = JSAMPLE(RedComponent(c));
            } else if (components == 3) {
                d[0] = JSAMPLE(RedComponent(c));
                d[1] = JSAMPLE(GreenComponent(c));
                d[2] = JSAMPLE(BlueComponent(c));
            } else {
                // Adobe CMYK stores inverted inks: with K stored as 255 (no black ink) the
                // stored C, M, Y are the red, green and blue.
                d[0] = JSAMPLE(RedComponent(c));
                d[1] = JSAMPLE(GreenComponent(c));
                d[2] = JSAMPLE(BlueComponent(c));
                d[3] = 255;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// ---------------------------------------------------------------- GIF

namespace {
int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}
ColorMapObject* MakeMap(const std::vector<TColor32>& colours) {
    if (colours.empty()) return nullptr;
    int size = 2;
    while (size < int(colours.size()))
        size *= 2;
    std::vector<GifColorType> entries(std::size_t(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        entries[i] = {GifByteType(RedComponent(colours[i])),
                      GifByteType(GreenComponent(colours[i])),
                      GifByteType(BlueComponent(colours[i]))};
    return GifMakeMapObject(size, entries.data());
}
void Check(int result) {
    if (result == GIF_ERROR) throw std::runtime_error("test GIF writer failed");
}
} // namespace

Bytes EncodeGif(int screenWidth, int screenHeight, const std::vector<TColor32>& globalPalette,
                int background, const std::vector<GifFrame>& frames) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    ColorMapObject* global = MakeMap(globalPalette);
    Check(EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, background, global));
    for (const GifFrame& f : frames) {
        ColorMapObject* local = MakeMap(f.localPalette);
        Check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local));
        std::vector<int> order;
        if (f.interlace) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < f.height; y += step[p])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(f.indices.begin() + std::ptrdiff_t(y) * f.width,
                                           f.indices.begin() + std::ptrdiff_t(y + 1) * f.width);
            Check(EGifPutLine(gif, line.data(), f.width));
        }
        if (local) GifFreeMapObject(local);
    }
    Check(EGifCloseFile(gif, &error));
    if (global) GifFreeMapObject(global);
    return out;
}

// ---------------------------------------------------------------- TIFF

void WriteTiff(const std::string& path, const TBitmap32& b, int samples, bool lzw) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) throw std::runtime_error("cannot write " + path);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(b.Width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(b.Height()));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t(2));
    if (samples == 4) {
        const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, std::uint16_t(1), extra);
    }
    std::vector<std::uint8_t> row(std::size_t(b.Width()) * samples);
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            const TColor32 c = b.Pixel(x, y);
            std::uint8_t* d = row.data() + std::size_t(x) * samples;
            d[0] = std::uint8_t(RedComponent(c));
            if (samples >= 3) {
                d[1] = std::uint8_t(GreenComponent(c));
                d[2] = std::uint8_t(BlueComponent(c));
            }
            if (samples == 4) d[3] = std::uint8_t(AlphaComponent(c));
        }
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
    }
    TIFFClose(tif);
}

namespace {

// One row of samples (a whole row, or one tile's row, of one plane) packed at the depth.
void PackSamples(const TiffDesc& d, int x0, int count, int y, int firstSample, int perPixel,
                 std::vector<std::uint8_t>& out) {
    const std::size_t values = std::size_t(count) * std::size_t(perPixel);
    out.assign((values * std::size_t(d.bits) + 7) / 8, 0);
    for (std::size_t i = 0; i < values; ++i) {
        const int x = x0 + int(i / std::size_t(perPixel));
        const int s = firstSample + int(i % std::size_t(perPixel));
        const double v = x < d.width && y < d.height ? d.sample(x, y, s) : 0.0;
        if (d.sampleFormat == SAMPLEFORMAT_IEEEFP) {
            if (d.bits == 32) {
                const float f = float(v);
                std::memcpy(out.data() + 4 * i, &f, 4);
            } else {
                std::memcpy(out.data() + 8 * i, &v, 8);
            }
            continue;
        }
        const auto raw = std::uint64_t(v);
        if (d.bits == 8) {
            out[i] = std::uint8_t(raw);
        } else if (d.bits == 16) {
            const auto w = std::uint16_t(raw);
            std::memcpy(out.data() + 2 * i, &w, 2);
        } else if (d.bits == 32) {
            const auto w = std::uint32_t(raw);
            std::memcpy(out.data() + 4 * i, &w, 4);
        } else {
            for (int b = 0; b < d.bits; ++b)
                if ((raw >> (d.bits - 1 - b)) & 1) {
                    const std::size_t bit = i * std::size_t(d.bits) + std::size_t(b);
                    out[bit / 8] |= std::uint8_t(0x80 >> (bit % 8));
                }
        }
    }
}

} // namespace

void WriteTiff(const std::string& path, const TiffDesc& d) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) throw std::runtime_error("cannot write " + path);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, std::uint32_t(d.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(d.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(d.samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, std::uint16_t(d.bits));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, std::uint16_t(d.sampleFormat));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG,
                 d.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, std::uint16_t(d.photometric));
    TIFFSetField(tif, TIFFTAG_COMPRESSION, std::uint16_t(d.compression));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, std::uint16_t(d.orientation));
    if (!d.extraSamples.empty())
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, std::uint16_t(d.extraSamples.size()),
                     d.extraSamples.data());
    if (!d.mapRed.empty())
        TIFFSetField(tif, TIFFTAG_COLORMAP, d.mapRed.data(), d.mapGreen.data(), d.mapBlue.data());
    const int planes = d.separate ? d.samples : 1;
    const int perPixel = d.separate ? 1 : d.samples;
    std::vector<std::uint8_t> row;
    if (d.tileWidth > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, std::uint32_t(d.tileWidth));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, std::uint32_t(d.tileHeight));
        std::vector<std::uint8_t> tile;
        for (int plane = 0; plane < planes; ++plane)
            for (int y = 0; y < d.height; y += d.tileHeight)
                for (int x = 0; x < d.width; x += d.tileWidth) {
                    tile.clear();
                    for (int r = 0; r < d.tileHeight; ++r) {
                        PackSamples(d, x, d.tileWidth, y + r, plane, perPixel, row);
                        tile.insert(tile.end(), row.begin(), row.end());
                    }
                    TIFFWriteEncodedTile(tif,
                                         TIFFComputeTile(tif, std::uint32_t(x), std::uint32_t(y), 0,
                                                         std::uint16_t(plane)),
                                         tile.data(), tmsize_t(tile.size()));
                }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, std::uint32_t(2));
        for (int plane = 0; plane < planes; ++plane)
            for (int y = 0; y < d.height; ++y) {
                PackSamples(d, 0, d.width, y, plane, perPixel, row);
                TIFFWriteScanline(tif, row.data(), std::uint32_t(y), std::uint16_t(plane));
            }
    }
    TIFFClose(tif);
}

// ---------------------------------------------------------------- BMP

Bytes BmpRows(int width, int rows, int bitCount,
              const std::function<std::uint32_t(int, int)>& value) {
    const std::size_t stride = std::size_t((width * bitCount + 31) / 32 * 4);
    Bytes out(stride * rows, 0);
    for (int r = 0; r < rows; ++r) {
        unsigned char* p = out.data() + stride * r;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, r);
            switch (bitCount) {
            case 1:
            case 2:
            case 4: {
                const int perByte = 8 / bitCount;
                p[x / perByte] |= std::uint8_t(v << (8 - bitCount * (x % perByte + 1)));
                break;
            }
            case 8:
                p[x] = std::uint8_t(v);
                break;
            case 16:
                p[2 * x] = std::uint8_t(v);
                p[2 * x + 1] = std::uint8_t(v >> 8);
                break;
            case 24:
                p[3 * x] = std::uint8_t(v);
                p[3 * x + 1] = std::uint8_t(v >> 8);
                p[3 * x + 2] = std::uint8_t(v >> 16);
                break;
            default:
                for (int i = 0; i < 4; ++i)
                    p[4 * x + i] = std::uint8_t(v >> (8 * i));
            }
        }
    }
    return out;
}

Bytes EncodeBmp(const BmpDesc& s) {
    Bytes info;
    const bool core = s.headerSize == 12;
    PutLe32(info, std::uint32_t(s.headerSize));
    if (core) {
        PutLe16(info, unsigned(s.width));
        PutLe16(info, unsigned(s.height));
        PutLe16(info, 1);
        PutLe16(info, unsigned(s.bitCount));
    } else {
        PutLe32(info, std::uint32_t(s.width));
        PutLe32(info, std::uint32_t(s.height));
        PutLe16(info, 1);
        PutLe16(info, unsigned(s.bitCount));
        PutLe32(info, s.compression);
        PutLe32(info, std::uint32_t(s.pixels.size()));
        PutLe32(info, 2835);
        PutLe32(info, 2835);
        PutLe32(info, std::uint32_t(s.palette.size()));
        PutLe32(info, 0);
        if (s.headerSize > 40) {
            for (int i = 0; i < 4; ++i)
                PutLe32(info, i < int(s.masks.size()) ? s.masks[std::size_t(i)] : 0);
        }
        info.resize(std::size_t(s.headerSize), 0);
        if (s.headerSize == 40)
            for (std::uint32_t m : s.masks)
                PutLe32(info, m);
    }
    for (TColor32 c : s.palette) {
        info.push_back(std::uint8_t(BlueComponent(c)));
        info.push_back(std::uint8_t(GreenComponent(c)));
        info.push_back(std::uint8_t(RedComponent(c)));
        if (!core) info.push_back(0);
    }
    Bytes out;
    if (s.fileHeader) {
        out = {'B', 'M'};
        PutLe32(out, std::uint32_t(14 + info.size() + s.pixels.size()));
        PutLe32(out, 0);
        PutLe32(out, std::uint32_t(14 + info.size()));
    }
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

// ---------------------------------------------------------------- Targa

Bytes EncodeTga(const TgaDesc& s) {
    Bytes out;
    out.push_back(std::uint8_t(s.id.size()));
    out.push_back(s.map.empty() ? 0 : 1);
    out.push_back(std::uint8_t(s.imageType));
    PutLe16(out, unsigned(s.mapFirst));
    const int entryBytes = (s.mapBits + 7) / 8;
    PutLe16(out, s.map.empty() ? 0 : unsigned(s.map.size() / std::size_t(entryBytes)));
    out.push_back(std::uint8_t(s.mapBits));
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe16(out, unsigned(s.width));
    PutLe16(out, unsigned(s.height));
    out.push_back(std::uint8_t(s.depth));
    out.push_back(s.descriptor);
    out.insert(out.end(), s.id.begin(), s.id.end());
    out.insert(out.end(), s.map.begin(), s.map.end());
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

Bytes TgaRle(const Bytes& raw, int bpp) {
    Bytes out;
    const std::size_t n = raw.size() / std::size_t(bpp);
    auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(&raw[a * bpp], &raw[b * bpp], std::size_t(bpp)) == 0;
    };
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(std::uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), raw.begin() + std::ptrdiff_t(i * bpp),
                       raw.begin() + std::ptrdiff_t((i + 1) * bpp));
            i += run;
            continue;
        }
        std::size_t lit = 1;
        while (i + lit < n && lit < 128 && !(i + lit + 1 < n && same(i + lit, i + lit + 1)))
            ++lit;
        out.push_back(std::uint8_t(lit - 1));
        out.insert(out.end(), raw.begin() + std::ptrdiff_t(i * bpp),
                   raw.begin() + std::ptrdiff_t((i + lit) * bpp));
        i += lit;
    }
    return out;
}

// ---------------------------------------------------------------- PCX

int PcxBytesPerLine(const PcxDesc& s) {
    if (s.bytesPerLine) return s.bytesPerLine;
    const int bytes = (s.width * s.bitsPerPixel + 7) / 8;
    return bytes + (bytes & 1);
}

Bytes EncodePcx(const PcxDesc& s) {
    Bytes out(128, 0);
    out[0] = 0x0A;
    out[1] = 5;
    out[2] = s.rle ? 1 : 0;
    out[3] = std::uint8_t(s.bitsPerPixel);
    auto put16 = [&](std::size_t at, unsigned v) {
        out[at] = std::uint8_t(v);
        out[at + 1] = std::uint8_t(v >> 8);
    };
    put16(8, unsigned(s.width - 1));
    put16(10, unsigned(s.height - 1));
    put16(12, 72);
    put16(14, 72);
    for (int i = 0; i < 16; ++i) {
        out[16 + 3 * i] = std::uint8_t(RedComponent(s.egaPalette[i]));
        out[17 + 3 * i] = std::uint8_t(GreenComponent(s.egaPalette[i]));
        out[18 + 3 * i] = std::uint8_t(BlueComponent(s.egaPalette[i]));
    }
    out[65] = std::uint8_t(s.planes);
    put16(66, unsigned(PcxBytesPerLine(s)));
    put16(68, 1);
    for (const Bytes& line : s.lines) {
        if (!s.rle) {
            out.insert(out.end(), line.begin(), line.end());
            continue;
        }
        for (std::size_t i = 0; i < line.size();) {
            std::size_t run = 1;
            while (i + run < line.size() && run < 63 && line[i + run] == line[i])
                ++run;
            if (run > 1 || (line[i] & 0xC0) == 0xC0) out.push_back(std::uint8_t(0xC0 | run));
            out.push_back(line[i]);
            i += run;
        }
    }
    if (!s.vgaPalette.empty()) {
        out.push_back(0x0C);
        for (TColor32 c : s.vgaPalette) {
            out.push_back(std::uint8_t(RedComponent(c)));
            out.push_back(std::uint8_t(GreenComponent(c)));
            out.push_back(std::uint8_t(BlueComponent(c)));
        }
    }
    return out;
}

} // namespace lumetta::test
