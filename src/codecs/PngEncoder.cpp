// PNG: 8-bit RGB, the Sub filter on every row, deflate level 7, IDAT chunks of at most 65535
// bytes and no chunk other than IHDR, IDAT and IEND.
//
// The file is assembled here rather than through libpng so that the deflate work can be shared
// between cores: a 24-megapixel photo with its sensor grain is a lot of data to deflate at
// level 7. The deflating is libdeflate's (at its level 7), which is several times faster than
// zlib's level 7 and gives smaller files. The filtered rows are cut into blocks of a few
// megabytes; each block is deflated on its own into a complete raw deflate stream, and every
// stream but the last is then "unfinished": the final-block bit of its last block is cleared
// and an empty stored block follows it, which ends it on a byte boundary (what zlib's sync flush
// writes). The blocks joined in order are one valid deflate stream. The cut points depend only
// on the picture's size, so the file is the same byte for byte however many threads run.
#include "base/Parallel.h"
#include "codecs/EncoderCommon.h"
#include "codecs/Encoders.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace lumetta {
namespace {

constexpr std::size_t kIdatLimit = 65535;
constexpr int kDeflateLevel = 7;
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr std::size_t kWindow = 32768;
// Blocks that deflate this well, and small blocks, are deflated by zlib too, and the smaller
// result is kept (zlib's when both are the same size).
constexpr std::size_t kTryZlibBelowRatio = 8;
constexpr std::size_t kTryZlibBelowBytes = std::size_t(256) << 10;

using Bytes = std::vector<std::uint8_t>;

void PutBe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}

// The scanlines of rows [y0, y1) as PNG stores them: filter type 1 (Sub), then each R, G, B
// byte minus the same channel of the pixel to its left (modulo 256).
void FilterRows(const TBitmap32& picture, int y0, int y1, std::uint8_t* out) {
    const int width = picture.Width();
    for (int y = y0; y < y1; ++y) {
        const auto* s = reinterpret_cast<const std::uint8_t*>(picture.ConstScanLine(y));
        *out++ = 1;
        std::uint8_t r0 = 0, g0 = 0, b0 = 0;
        for (int x = 0; x < width; ++x, s += 4, out += 3) {
            const std::uint8_t b = s[0], g = s[1], r = s[2];
            out[0] = std::uint8_t(r - r0);
            out[1] = std::uint8_t(g - g0);
            out[2] = std::uint8_t(b - b0);
            r0 = r;
            g0 = g;
            b0 = b;
        }
    }
}

struct Block {
    int y0 = 0, y1 = 0;
    Bytes deflated;
    uLong adler = 1;
    std::size_t rawSize = 0;
};

// Turns a complete raw deflate stream into one that another stream may follow: finds the
// final block's header and the end of its data by inflating with zlib, which stops at every block
// boundary when asked (Z_BLOCK) and tells whether the block just ended was the final one; clears
// the final-block bit; and ends the data with an empty stored block (three zero bits, zero bits
// up to the byte boundary, then the lengths 0000 and FFFF).
class Unfinisher {
public:
    Unfinisher() {
        if (inflateInit2(&z_, -15) != Z_OK) throw std::bad_alloc();
    }
    ~Unfinisher() { inflateEnd(&z_); }
    Unfinisher(const Unfinisher&) = delete;
    Unfinisher& operator=(const Unfinisher&) = delete;

    bool Run(Bytes& stream) {
        if (inflateReset(&z_) != Z_OK) return false;
        z_.next_in = stream.data();
        z_.avail_in = uInt(stream.size());
        std::uint64_t header = 0; // bit position of the block being read
        std::uint64_t end = 0;
        bool found = false;
        while (!found) {
            z_.next_out = sink_.data();
            z_.avail_out = uInt(sink_.size());
            const int result = inflate(&z_, Z_BLOCK);
            if (result != Z_OK && result != Z_STREAM_END) return false;
            // 128: stopped at a block boundary; 64: the block just ended was the final one;
            // the low bits: how many bits of the last byte read are still unused.
            if (z_.data_type & 128) {
                const std::uint64_t bit = std::uint64_t(z_.total_in) * 8 - (z_.data_type & 7);
                if (z_.data_type & 64) {
                    end = bit;
                    found = true;
                } else {
                    header = bit;
                }
            } else if (result == Z_STREAM_END || (z_.avail_in == 0 && z_.avail_out > 0)) {
                return false; // ended without a final block boundary
            }
        }
        stream[std::size_t(header / 8)] &= std::uint8_t(~(1u << (header % 8)));
        stream.resize(std::size_t((end + 3 + 7) / 8), 0);
        if (end % 8) stream[std::size_t(end / 8)] &= std::uint8_t((1u << (end % 8)) - 1);
        if ((end + 3) % 8 && (end + 3) / 8 < stream.size())
            stream[std::size_t((end + 3) / 8)] &= std::uint8_t((1u << ((end + 3) % 8)) - 1);
        const std::uint8_t empty[4] = {0x00, 0x00, 0xFF, 0xFF};
        stream.insert(stream.end(), empty, empty + 4);
        return true;
    }

private:
    z_stream z_{};
    std::vector<std::uint8_t> sink_ = std::vector<std::uint8_t>(std::size_t(1) << 16);
};

// zlib at level 7, primed with the 32 KB before the block as the dictionary (so that matches
// reach back across the cut as in one stream), ending with a sync flush or, for the last block,
// the end of the stream.
class ZlibDeflater {
public:
    ZlibDeflater() {
        if (deflateInit2(&z_, kDeflateLevel, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK)
            throw std::bad_alloc();
    }
    ~ZlibDeflater() { deflateEnd(&z_); }
    ZlibDeflater(const ZlibDeflater&) = delete;
    ZlibDeflater& operator=(const ZlibDeflater&) = delete;

    void Run(const std::uint8_t* dictionary, std::size_t dictionarySize, const std::uint8_t* data,
             std::size_t size, bool last, Bytes& out) {
        if (deflateReset(&z_) != Z_OK) throw std::bad_alloc();
        if (dictionarySize && deflateSetDictionary(&z_, dictionary, uInt(dictionarySize)) != Z_OK)
            throw std::bad_alloc();
        out.resize(deflateBound(&z_, uLong(size)) + 64);
        z_.next_in = const_cast<Bytef*>(data); // zlib only reads its input
        z_.avail_in = uInt(size);
        std::size_t used = 0;
        for (;;) {
            z_.next_out = out.data() + used;
            z_.avail_out = uInt(out.size() - used);
            const int result = deflate(&z_, last ? Z_FINISH : Z_SYNC_FLUSH);
            used = out.size() - z_.avail_out;
            if (result == Z_STREAM_END || (!last && result == Z_OK && z_.avail_out > 0)) break;
            if (result != Z_OK && result != Z_BUF_ERROR) throw std::bad_alloc();
            out.resize(out.size() * 2);
        }
        out.resize(used);
    }

private:
    z_stream z_{};
};

// One worker's tools and scratch space.
struct Deflater {
    Deflater() : compressor(libdeflate_alloc_compressor(kDeflateLevel)) {
        if (!compressor) throw std::bad_alloc();
    }
    ~Deflater() { libdeflate_free_compressor(compressor); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    libdeflate_compressor* compressor;
    Unfinisher unfinisher;
    ZlibDeflater zlib;
    Bytes rows, other;
};

// Filters and deflates one block: with libdeflate, and for small or very compressible blocks
// (where zlib can be the better of the two) with zlib as well, keeping the smaller. The zlib
// dictionary is refiltered from the rows before the block.
void CompressBlock(const TBitmap32& picture, std::size_t rowBytes, bool last, Deflater& d,
                   Block& block) {
    const int prefixRows = block.y0 == 0
                               ? 0
                               : int(std::min<std::size_t>(std::size_t(block.y0),
                                                           (kWindow + rowBytes - 1) / rowBytes));
    const int from = block.y0 - prefixRows;
    d.rows.resize(rowBytes * std::size_t(block.y1 - from));
    FilterRows(picture, from, block.y1, d.rows.data());
    const std::size_t prefix = rowBytes * std::size_t(prefixRows);
    const std::uint8_t* data = d.rows.data() + prefix;
    const std::size_t size = d.rows.size() - prefix;
    block.rawSize = size;
    block.adler = libdeflate_adler32(1, data, size);

    Bytes& out = block.deflated;
    out.resize(libdeflate_deflate_compress_bound(d.compressor, size));
    const std::size_t used =
        libdeflate_deflate_compress(d.compressor, data, size, out.data(), out.size());
    if (used == 0) throw std::bad_alloc(); // cannot happen with the bound's room
    out.resize(used);
    if (!last && !d.unfinisher.Run(out))
        codecs::FailEncode("PNG", "the compressed blocks could not be joined");

    if (size < kTryZlibBelowBytes || out.size() < size / kTryZlibBelowRatio) {
        const std::size_t dictionary = std::min(prefix, kWindow);
        d.zlib.Run(data - dictionary, dictionary, data, size, last, d.other);
        if (d.other.size() <= out.size()) out.swap(d.other);
    }
}

// Splits the zlib stream (header, blocks, checksum) into IDAT chunks.
class IdatWriter {
public:
    explicit IdatWriter(Bytes& file) : file_(file) {}
    void Add(const std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            if (fill_ == kIdatLimit) Flush();
            if (start_ == npos) Begin();
            const std::size_t n = std::min(size, kIdatLimit - fill_);
            file_.insert(file_.end(), data, data + n);
            fill_ += n;
            data += n;
            size -= n;
        }
    }
    void Finish() {
        if (start_ != npos) Flush();
    }

private:
    static constexpr std::size_t npos = std::size_t(-1);
    void Begin() {
        start_ = file_.size();
        const std::uint8_t head[8] = {0, 0, 0, 0, 'I', 'D', 'A', 'T'};
        file_.insert(file_.end(), head, head + 8);
        fill_ = 0;
    }
    void Flush() {
        PutBe32(&file_[start_], std::uint32_t(fill_));
        std::uint8_t crc[4];
        PutBe32(crc, libdeflate_crc32(0, &file_[start_ + 4], 4 + fill_));
        file_.insert(file_.end(), crc, crc + 4);
        start_ = npos;
        fill_ = 0;
    }
    Bytes& file_;
    std::size_t start_ = npos;
    std::size_t fill_ = 0;
};

void PutChunk(Bytes& file, const char* type, const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8];
    PutBe32(head, std::uint32_t(size));
    std::memcpy(head + 4, type, 4);
    file.insert(file.end(), head, head + 8);
    const std::size_t at = file.size() - 4;
    if (size) file.insert(file.end(), data, data + size);
    std::uint8_t crc[4];
    PutBe32(crc, libdeflate_crc32(0, &file[at], 4 + size));
    file.insert(file.end(), crc, crc + 4);
}

} // namespace

std::vector<std::uint8_t> EncodePng(const TBitmap32& picture) {
    codecs::RequirePicture(picture);
    const std::size_t rowBytes = 1 + 3 * std::size_t(picture.Width());
    const int height = picture.Height();
    const int rowsPerBlock = int(std::max<std::size_t>(1, kBlockBytes / rowBytes));

    std::vector<Block> blocks;
    for (int y = 0; y < height; y += rowsPerBlock)
        blocks.push_back({y, std::min(height, y + rowsPerBlock), {}, 1, 0});

    try {
        // Workers take blocks in turn; each keeps its own deflate state and scratch rows. A
        // failing worker makes the others stop early; ForEachBand passes its error on.
        std::atomic<std::size_t> next{0};
        ForEachBand(std::min<std::size_t>(std::size_t(WorkerLimit()), blocks.size()), 1, 1,
                    [&](std::size_t begin, std::size_t end) {
                        for (std::size_t worker = begin; worker < end; ++worker) {
                            try {
                                Deflater deflater;
                                for (std::size_t i; (i = next.fetch_add(1)) < blocks.size();)
                                    CompressBlock(picture, rowBytes, i + 1 == blocks.size(),
                                                  deflater, blocks[i]);
                            } catch (...) {
                                next = blocks.size();
                                throw;
                            }
                        }
                    });

        std::size_t deflatedSize = 0;
        for (const Block& block : blocks)
            deflatedSize += block.deflated.size();
        Bytes file;
        file.reserve(8 + 25 + 12 + deflatedSize + 6 + 12 * (deflatedSize / kIdatLimit + 1) + 12);
        const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        file.insert(file.end(), signature, signature + 8);
        std::uint8_t ihdr[13] = {};
        PutBe32(ihdr, std::uint32_t(picture.Width()));
        PutBe32(ihdr + 4, std::uint32_t(height));
        ihdr[8] = 8; // bits per channel
        ihdr[9] = 2; // RGB; compression, filter method and interlace stay 0
        PutChunk(file, "IHDR", ihdr, sizeof ihdr);

        IdatWriter idat(file);
        // zlib header: deflate with a 32 KB window, no preset dictionary, level class 3
        // (levels 7 and up), check bits making the pair a multiple of 31.
        const std::uint8_t zlibHeader[2] = {0x78, 0xDA};
        idat.Add(zlibHeader, 2);
        uLong adler = 1;
        for (Block& block : blocks) {
            idat.Add(block.deflated.data(), block.deflated.size());
            adler = adler32_combine(adler, block.adler, z_off_t(block.rawSize));
            Bytes().swap(block.deflated);
        }
        std::uint8_t checksum[4];
        PutBe32(checksum, std::uint32_t(adler));
        idat.Add(checksum, 4);
        idat.Finish();
        PutChunk(file, "IEND", nullptr, 0);
        return file;
    } catch (const std::bad_alloc&) {
        codecs::FailEncode("PNG", "out of memory");
    }
}

} // namespace lumetta
