// GIF: the colour reduction (a fixed 256-colour halftone palette, an exact nearest-entry rule and
// serpentine Floyd–Steinberg error diffusion) and the file itself, LZW included.
//
// The LZW coder is our own: an open-addressed table of (prefix, index) strings, 64 KB and kept
// at most a quarter full, so that nearly every lookup is one probe. It follows the classic GIF
// writer's rules exactly (a clear code first, code widths growing one code late, a clear code when
// the 4095th code would be defined, 255-byte sub-blocks), so the file is the same byte for byte as
// one written through giflib; the tests compare the two. For big pictures the error diffusion runs
// on a helper thread a few rows ahead of the coder, since both are strictly sequential on their
// own.
#include "base/Parallel.h"
#include "codecs/EncoderCommon.h"
#include "codecs/Encoders.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace lumetta {
namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51; // 255 / 5
constexpr int kCubeEntries = kCubeLevels * kCubeLevels * kCubeLevels;
// The grey axis is divided into 45 steps; every ninth step is one of the cube's greys.
constexpr int kGreySteps = 45;

// What the nearest-entry rule needs to know of one channel value v, for every v that the error
// diffusion can produce before clamping (-255..510): the clamped value, the nearest cube level,
// the distance to that level and its square, and the square of the clamped value.
// Eight bytes, so that an entry is found with one scaled index.
struct ChannelStep {
    std::int16_t toCube;    // clamped value minus the nearest level's value
    std::uint8_t value;     // clamped to 0..255
    std::uint8_t level;     // nearest cube level 0..5
    std::uint16_t cubeCost; // toCube², at most 25²
    std::uint16_t square;   // value², at most 255²
};
static_assert(sizeof(ChannelStep) == 8);

// Palette and the tables of the nearest-entry rule, built once.
//
// Why the rule is exact without a search: the palette is the cube plus extra greys. Within the
// cube the squared distance is a sum of independent per-channel terms, so the nearest cube entry
// is the nearest level in each channel. On the grey axis, the squared distance of (r, g, b) to
// (v, v, v) is r² + g² + b² - 2 v (r + g + b) + 3 v², so which grey is nearest depends only on
// the channel sum. The nearest entry overall is the nearer of these two candidates; on equal
// distance the lower index wins, as it does within each group (rising level = rising index).
//
// The error diffusion is one long chain of dependent steps from pixel to pixel, so the tables
// are laid out for it: one lookup by the unclamped channel value gives the clamped value and the
// difference to the cube candidate, which is what the next pixel waits on when the cube entry
// wins (as it mostly does); the distances that decide between cube and grey come from the same
// entries and the grey table and are checked alongside.
struct HalftoneTables {
    static constexpr int kLowest = -255, kHighest = 510;

    std::array<TColor32, 256> palette{};
    std::array<std::uint8_t, 256> red{}, green{}, blue{}; // palette channels by index
    std::array<ChannelStep, kHighest - kLowest + 1> steps{};
    std::array<std::uint8_t, 766> greyBySum{}; // r + g + b -> best grey-axis index
    std::array<std::int32_t, 766> greyCost{};  // r + g + b -> 3 v² - 2 v (r + g + b)

    HalftoneTables() {
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b)
                    palette[std::size_t(r * 36 + g * 6 + b)] =
                        Color32(r * kCubeStep, g * kCubeStep, b * kCubeStep);
        // Every grey of the axis with its palette index, in rising order of level.
        struct Grey {
            int level, index;
        };
        std::array<Grey, kGreySteps + 1> greys{};
        int next = kCubeEntries;
        for (int k = 0; k <= kGreySteps; ++k) {
            // k * 255 / 45 = k * 17 / 3 is never halfway between integers: plain rounding.
            const int level = (k * 255 * 2 + kGreySteps) / (2 * kGreySteps);
            int index;
            if (k % 9 == 0) {
                index = (k / 9) * (36 + 6 + 1);
            } else {
                index = next++;
                palette[std::size_t(index)] = Color32(level, level, level);
            }
            greys[std::size_t(k)] = {level, index};
        }
        for (int i = 0; i < 256; ++i) {
            red[std::size_t(i)] = std::uint8_t(RedComponent(palette[std::size_t(i)]));
            green[std::size_t(i)] = std::uint8_t(GreenComponent(palette[std::size_t(i)]));
            blue[std::size_t(i)] = std::uint8_t(BlueComponent(palette[std::size_t(i)]));
        }
        for (int i = kLowest; i <= kHighest; ++i) {
            const int v = std::clamp(i, 0, 255);
            int best = 0;
            for (int l = 1; l < kCubeLevels; ++l)
                if (std::abs(v - l * kCubeStep) < std::abs(v - best * kCubeStep)) best = l;
            const int toCube = v - best * kCubeStep;
            steps[std::size_t(i - kLowest)] = {std::int16_t(toCube), std::uint8_t(v),
                                               std::uint8_t(best), std::uint16_t(toCube * toCube),
                                               std::uint16_t(v * v)};
        }
        for (int s = 0; s <= 765; ++s) {
            // Compare 3 v² - 2 v s, the part of the distance that varies with the grey.
            long bestCost = 0;
            int bestIndex = -1;
            for (const Grey& grey : greys) {
                const long cost = 3L * grey.level * grey.level - 2L * grey.level * s;
                if (bestIndex < 0 || cost < bestCost ||
                    (cost == bestCost && grey.index < bestIndex)) {
                    bestCost = cost;
                    bestIndex = grey.index;
                }
            }
            greyBySum[std::size_t(s)] = std::uint8_t(bestIndex);
            greyCost[std::size_t(s)] = int(bestCost);
        }
    }

    // The entry of a channel value from kLowest to kHighest (clamped to 0..255 on the way).
    const ChannelStep& Step(int v) const { return steps[std::size_t(v - kLowest)]; }

    // The grey entry when it is nearer to the clamped values of r, g and b than the cube entry
    // `cube` (or as near and of lower index); otherwise -1.
    int GreyWinning(const ChannelStep& r, const ChannelStep& g, const ChannelStep& b,
                    int cube) const {
        const int sum = r.value + g.value + b.value;
        const int dc = int(r.cubeCost) + int(g.cubeCost) + int(b.cubeCost);
        const int dg = int(r.square) + int(g.square) + int(b.square) + greyCost[std::size_t(sum)];
        const int grey = greyBySum[std::size_t(sum)];
        return dg < dc || (dg == dc && grey < cube) ? grey : -1;
    }

    // The nearest entry to the clamped values of r, g and b.
    int Nearest(const ChannelStep& r, const ChannelStep& g, const ChannelStep& b) const {
        const int cube = r.level * 36 + g.level * 6 + b.level;
        const int grey = GreyWinning(r, g, b, cube);
        return grey >= 0 ? grey : cube;
    }
};

const HalftoneTables& Tables() {
    static const HalftoneTables tables;
    return tables;
}

// Serpentine Floyd–Steinberg, one row at a time, so that the GIF writer needs no index buffer
// for the whole picture. Errors are kept in sixteenths for the next row, three channels per
// pixel. A row is worked in two passes: the pixels one after the other (each waits on the error
// of the one before it, carried in registers), keeping each pixel's differences; then the errors
// of the next row from those differences, a plain loop without that chain.
class HalftoneDitherer {
public:
    explicit HalftoneDitherer(const TBitmap32& picture)
        : picture_(picture), tables_(Tables()), width_(picture.Width()),
          errors_(3 * std::size_t(width_), 0), diffs_(3 * (std::size_t(width_) + 2), 0) {}

    // Rows must come in order from the top; `out` receives Width indices.
    void Row(int y, std::uint8_t* out) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(picture_.ConstScanLine(y));
        // diffs_ has one pixel of zeros at each end: what would fall outside is dropped.
        std::int16_t* d = diffs_.data() + 3;
        std::int16_t* e = errors_.data();
        const std::ptrdiff_t n = 3 * std::ptrdiff_t(width_);
        if (y % 2 == 0) {
            Run<1>(row, out);
            for (std::ptrdiff_t k = 0; k < n; ++k)
                e[k] = std::int16_t(d[k - 3] + 5 * d[k] + 3 * d[k + 3]);
        } else {
            Run<-1>(row, out);
            for (std::ptrdiff_t k = 0; k < n; ++k)
                e[k] = std::int16_t(3 * d[k - 3] + 5 * d[k] + d[k + 3]);
        }
    }

private:
    // The pixels of one row in direction Step (+1 left to right, -1 right to left): each gets
    // the error of the row above from errors_ and 7/16 of the last pixel's difference.
    template <int Step> void Run(const std::uint8_t* row, std::uint8_t* out) {
        const HalftoneTables& t = tables_;
        const ChannelStep* step = t.steps.data() - HalftoneTables::kLowest; // by value
        const std::int16_t* e = errors_.data();
        std::int16_t* d = diffs_.data() + 3;
        int x = Step > 0 ? 0 : width_ - 1;
        int aheadR = 0, aheadG = 0, aheadB = 0; // 7 x the last pixel's differences
        for (int i = 0; i < width_; ++i, x += Step) {
            const std::uint8_t* p = row + 4 * std::size_t(x); // B, G, R, A
            const std::size_t k = 3 * std::size_t(x);
            // The values before clamping; the table entries clamp them.
            const ChannelStep& sr = step[p[2] + (e[k] + aheadR + 8) / 16];
            const ChannelStep& sg = step[p[1] + (e[k + 1] + aheadG + 8) / 16];
            const ChannelStep& sb = step[p[0] + (e[k + 2] + aheadB + 8) / 16];
            // The cube entry wins mostly: its differences come straight from the entries.
            int dR = sr.toCube, dG = sg.toCube, dB = sb.toCube;
            int index = sr.level * 36 + sg.level * 6 + sb.level;
            const int grey = t.GreyWinning(sr, sg, sb, index);
            if (grey >= 0) [[unlikely]] {
                const int v = t.red[std::size_t(grey)];
                dR = sr.value - v;
                dG = sg.value - v;
                dB = sb.value - v;
                index = grey;
            }
            out[x] = std::uint8_t(index);
            d[k] = std::int16_t(dR);
            d[k + 1] = std::int16_t(dG);
            d[k + 2] = std::int16_t(dB);
            aheadR = 7 * dR;
            aheadG = 7 * dG;
            aheadB = 7 * dB;
        }
    }

    const TBitmap32& picture_;
    const HalftoneTables& tables_;
    int width_;
    std::vector<std::int16_t> errors_; // of the row being worked, from the rows above
    std::vector<std::int16_t> diffs_;  // of the row being worked
};

// The LZW codes of one image in GIF's sub-blocks, written straight into the file's buffer.
class LzwWriter {
public:
    // Appends the minimum code size and the first clear code to `file`.
    explicit LzwWriter(std::vector<std::uint8_t>& file) : file_(file), pos_(file.size()) {
        Room(32);
        file_[pos_++] = kIndexBits;
        blockStart_ = pos_++;
        ClearTable();
        Put(kClear);
    }

    void Add(const std::uint8_t* indices, std::size_t count) {
        // Each index ends at most one code and one clear code, 24 bits, plus block lengths.
        Room(3 * count + count / 64 + 16);
        std::size_t i = 0;
        std::uint32_t prefix = prefix_;
        if (prefix == kNone && count > 0) prefix = indices[i++];
        for (; i < count; ++i) {
            const std::uint32_t index = indices[i];
            const std::uint32_t key = (prefix << kIndexBits) | index;
            std::uint32_t slot = (key * 0x9E3779B1u) >> (32 - kTableBits);
            std::uint32_t entry;
            while ((entry = table_[slot]) != 0 && (entry >> kCodeBits) != key)
                slot = (slot + 1) & (kTableSize - 1);
            if (entry != 0) {
                prefix = entry & kCodeMask;
                continue;
            }
            Put(prefix);
            prefix = index;
            if (nextCode_ >= kMaxCode) {
                Put(kClear);
                ClearTable();
            } else {
                table_[slot] = (key << kCodeBits) | nextCode_++;
            }
        }
        prefix_ = prefix;
    }

    // The last code, the end code, the last bits and the empty block that ends the data.
    void Finish() {
        Room(16);
        if (prefix_ != kNone) Put(prefix_);
        Put(kEnd);
        while (bitCount_ > 0) {
            Byte(std::uint8_t(bits_));
            bits_ >>= 8;
            bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
        }
        if (blockFill_ > 0)
            file_[blockStart_] = std::uint8_t(blockFill_);
        else
            pos_ = blockStart_;
        file_[pos_++] = 0;
        file_.resize(pos_);
    }

private:
    static constexpr std::uint32_t kIndexBits = 8;
    static constexpr std::uint32_t kClear = 1u << kIndexBits, kEnd = kClear + 1;
    static constexpr std::uint32_t kFirstFree = kClear + 2;
    // When the next code to define reaches this, the table is cleared instead.
    static constexpr std::uint32_t kMaxCode = 4095;
    static constexpr std::uint32_t kCodeBits = 12, kCodeMask = (1u << kCodeBits) - 1;
    static constexpr std::uint32_t kNone = ~0u;
    // Entries (prefix, index) << 12 | code; 0 is free (no code below 258 is ever defined).
    static constexpr int kTableBits = 14;
    static constexpr std::uint32_t kTableSize = 1u << kTableBits;

    void ClearTable() {
        std::fill(table_.begin(), table_.end(), 0u);
        nextCode_ = kFirstFree;
        codeBits_ = kIndexBits + 1;
        codeLimit_ = 1u << codeBits_;
    }

    void Put(std::uint32_t code) {
        bits_ |= std::uint64_t(code) << bitCount_;
        bitCount_ += codeBits_;
        for (; bitCount_ >= 8; bitCount_ -= 8, bits_ >>= 8)
            Byte(std::uint8_t(bits_));
        // The width grows once the code about to be defined no longer fits.
        if (nextCode_ >= codeLimit_) codeLimit_ = 1u << ++codeBits_;
    }

    void Byte(std::uint8_t b) {
        if (blockFill_ == 255) {
            file_[blockStart_] = 255;
            blockStart_ = pos_++;
            blockFill_ = 0;
        }
        file_[pos_++] = b;
        ++blockFill_;
    }

    // Makes room for `bytes` more bytes after pos_; the file grows in large steps.
    void Room(std::size_t bytes) {
        if (file_.size() - pos_ >= bytes) return;
        file_.resize(std::max(pos_ + bytes, std::max<std::size_t>(2 * file_.size(), 1 << 16)));
    }

    std::vector<std::uint8_t>& file_;
    std::size_t pos_;
    std::size_t blockStart_ = 0; // where the length of the open sub-block goes
    std::uint32_t blockFill_ = 0;
    std::uint64_t bits_ = 0;
    std::uint32_t bitCount_ = 0;
    std::uint32_t prefix_ = kNone;
    std::uint32_t nextCode_ = kFirstFree, codeBits_ = kIndexBits + 1, codeLimit_ = 512;
    std::vector<std::uint32_t> table_ = std::vector<std::uint32_t>(kTableSize);
};

void PutLe16(std::vector<std::uint8_t>& file, int v) {
    file.push_back(std::uint8_t(v));
    file.push_back(std::uint8_t(v >> 8));
}

// Dithers and codes every row. On big pictures with a second core the dithering runs on a
// helper thread, at most kRing rows ahead of the coder.
void CodeRows(const TBitmap32& picture, LzwWriter& lzw) {
    const int width = picture.Width(), height = picture.Height();
    HalftoneDitherer ditherer(picture);
    constexpr int kRing = 64;
    constexpr std::size_t kThreadedPixels = std::size_t(1) << 20;
    std::vector<std::uint8_t> ring(std::size_t(width) * kRing);
    // Both on this thread, a row at a time.
    auto alone = [&] {
        for (int y = 0; y < height; ++y) {
            ditherer.Row(y, ring.data());
            lzw.Add(ring.data(), std::size_t(width));
        }
    };
    if (WorkerLimit() < 2 || picture.PixelCount() < kThreadedPixels) {
        alone();
        return;
    }
    std::atomic<int> dithered{0}, coded{0};
    std::atomic<bool> stop{false};
    std::thread helper;
    try {
        helper = std::thread([&] {
            for (int y = 0; y < height; ++y) {
                for (int c = coded.load(); y - c >= kRing; c = coded.load())
                    coded.wait(c);
                if (stop.load()) return;
                ditherer.Row(y, ring.data() + std::size_t(y % kRing) * width);
                dithered.store(y + 1);
                dithered.notify_one();
            }
        });
    } catch (const std::system_error&) {
        alone(); // no second thread to be had
        return;
    }
    try {
        for (int y = 0; y < height;) {
            int ready = dithered.load();
            while (ready <= y) {
                dithered.wait(ready);
                ready = dithered.load();
            }
            for (; y < ready; ++y) {
                lzw.Add(ring.data() + std::size_t(y % kRing) * width, std::size_t(width));
                coded.store(y + 1);
            }
            coded.notify_one();
        }
    } catch (...) {
        stop.store(true);
        coded.store(height); // wakes the helper, which then sees the stop
        coded.notify_one();
        helper.join();
        throw;
    }
    helper.join();
}

} // namespace

const std::array<TColor32, 256>& HalftonePalette() {
    return Tables().palette;
}

int NearestHalftoneIndex(int r, int g, int b) {
    const HalftoneTables& t = Tables();
    auto step = [&t](int v) -> const ChannelStep& { return t.Step(std::clamp(v, 0, 255)); };
    return t.Nearest(step(r), step(g), step(b));
}

std::vector<std::uint8_t> DitherToHalftone(const TBitmap32& picture) {
    std::vector<std::uint8_t> indices(picture.PixelCount());
    HalftoneDitherer ditherer(picture);
    for (int y = 0; y < picture.Height(); ++y)
        ditherer.Row(y, indices.data() + std::size_t(y) * picture.Width());
    return indices;
}

std::vector<std::uint8_t> EncodeGif(const TBitmap32& picture) {
    codecs::RequirePicture(picture);
    codecs::RequireSides(picture, "GIF", 65535);
    try {
        std::vector<std::uint8_t> file;
        // Dithered photos rarely need more than a byte per pixel; the rest grows on demand.
        file.reserve(13 + 768 + 10 + picture.PixelCount() + (1 << 16));
        const char* signature = "GIF87a"; // one image, no extensions
        file.insert(file.end(), signature, signature + 6);
        // Screen: a global table of 256 entries and 8 bits of colour resolution.
        PutLe16(file, picture.Width());
        PutLe16(file, picture.Height());
        file.insert(file.end(), {0xF7, 0, 0});
        const HalftoneTables& tables = Tables();
        for (std::size_t i = 0; i < 256; ++i)
            file.insert(file.end(), {tables.red[i], tables.green[i], tables.blue[i]});
        // The image: the whole screen, no table of its own, not interlaced.
        file.push_back(0x2C);
        PutLe16(file, 0);
        PutLe16(file, 0);
        PutLe16(file, picture.Width());
        PutLe16(file, picture.Height());
        file.push_back(0);
        {
            LzwWriter lzw(file);
            CodeRows(picture, lzw);
            lzw.Finish();
        }
        file.push_back(0x3B); // the trailer
        return file;
    } catch (const std::bad_alloc&) {
        codecs::FailEncode("GIF", "out of memory");
    }
}

} // namespace lumetta
