// PNG: 8-bit RGB, the Sub filter on every row, deflate level 7, IDAT chunks of at most 65535
// bytes and no chunk other than IHDR, IDAT and IEND.
//
// The file is assembled here with zlib rather than through libpng so that the deflate work can
// be shared between cores: a 24-megapixel photo with its sensor grain takes seconds to deflate
// at level 7. The filtered rows are cut into blocks of about a megabyte; each block is deflated
// on its own, primed with the 32 KB of filtered data before it as the dictionary (so matches
// reach back across the cut as in one stream), and ends with a sync flush, which closes it on a
// byte boundary. The blocks joined in order are one valid deflate stream. The cut points depend
// only on the picture's size, so the file is the same byte for byte however many threads run.
#include "codecs/EncoderCommon.h"
#include "codecs/Encoders.h"
#include "imaging/Transparency.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

namespace lumetta {
namespace {

constexpr std::size_t kIdatLimit = 65535;
constexpr int kDeflateLevel = 7;
constexpr std::size_t kWindow = 32768;
constexpr std::size_t kBlockBytes = std::size_t(1) << 20;
constexpr int kMaxThreads = 4;

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

class Deflater {
public:
    Deflater() {
        if (deflateInit2(&z_, kDeflateLevel, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK)
            throw std::bad_alloc();
    }
    ~Deflater() { deflateEnd(&z_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Deflates `data` (after `dictionary`) into `out`, ending with a sync flush or, for the
    // last block, the end of the stream.
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

// Filters and deflates one block; the dictionary is refiltered from the rows before it.
void CompressBlock(const TBitmap32& picture, std::size_t rowBytes, bool last, Deflater& deflater,
                   Bytes& scratch, Block& block) {
    const int prefixRows = block.y0 == 0
                               ? 0
                               : int(std::min<std::size_t>(std::size_t(block.y0),
                                                           (kWindow + rowBytes - 1) / rowBytes));
    const int from = block.y0 - prefixRows;
    scratch.resize(rowBytes * std::size_t(block.y1 - from));
    FilterRows(picture, from, block.y1, scratch.data());
    const std::size_t prefix = rowBytes * std::size_t(prefixRows);
    const std::size_t dictionary = std::min(prefix, kWindow);
    block.rawSize = scratch.size() - prefix;
    block.adler = adler32(1, scratch.data() + prefix, uInt(block.rawSize));
    deflater.Run(scratch.data() + prefix - dictionary, dictionary, scratch.data() + prefix,
                 block.rawSize, last, block.deflated);
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
        PutBe32(crc, std::uint32_t(crc32(0, &file_[start_ + 4], uInt(4 + fill_))));
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
    PutBe32(crc, std::uint32_t(crc32(0, &file[at], uInt(4 + size))));
    file.insert(file.end(), crc, crc + 4);
}

} // namespace

std::vector<std::uint8_t> EncodePng(const TBitmap32& input) {
    codecs::RequirePicture(input);
    // The file keeps no alpha: transparent pixels are written flattened onto white.
    const TBitmap32 picture = FlattenedOnto(input);
    const std::size_t rowBytes = 1 + 3 * std::size_t(picture.Width());
    const int height = picture.Height();
    const int rowsPerBlock = int(std::max<std::size_t>(1, kBlockBytes / rowBytes));

    std::vector<Block> blocks;
    for (int y = 0; y < height; y += rowsPerBlock)
        blocks.push_back({y, std::min(height, y + rowsPerBlock), {}, 1, 0});

    try {
        // Workers take blocks in turn; each keeps its own deflate state and scratch rows.
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            Deflater deflater;
            Bytes scratch;
            for (std::size_t i; (i = next.fetch_add(1)) < blocks.size();)
                CompressBlock(picture, rowBytes, i + 1 == blocks.size(), deflater, scratch,
                              blocks[i]);
        };
        const int threads = int(std::min<std::size_t>(
            {std::size_t(kMaxThreads), std::max(1u, std::thread::hardware_concurrency()),
             blocks.size()}));
        std::vector<std::thread> helpers;
        std::vector<std::exception_ptr> errors(static_cast<std::size_t>(threads));
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back([&, t] {
                try {
                    work();
                } catch (...) {
                    errors[std::size_t(t)] = std::current_exception();
                    next = blocks.size(); // the others stop early
                }
            });
        try {
            work();
        } catch (...) {
            errors[0] = std::current_exception();
            next = blocks.size();
        }
        for (std::thread& helper : helpers)
            helper.join();
        for (const std::exception_ptr& error : errors)
            if (error) std::rethrow_exception(error);

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
        // (levels 7 to 9), check bits making the pair a multiple of 31.
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
