// Portable maps (ppm, pgm, pbm): ASCII P1-P3 and binary P4-P6, samples up to 16 bits. The
// magic number decides the layout, whichever of the three extensions the file carries.
#include "codecs/CodecCommon.h"

#include <vector>

namespace lumetta::codecs {
namespace {

class PnmReader {
public:
    explicit PnmReader(const DecodeContext& ctx) : ctx_(ctx) {}

    std::size_t pos = 0;

    bool IsSpace(std::uint8_t c) const {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    // Skips white space and comments (from '#' to the end of the line).
    void SkipSpace() {
        while (pos < ctx_.size) {
            const std::uint8_t c = ctx_.data[pos];
            if (c == '#') {
                while (pos < ctx_.size && ctx_.data[pos] != '\n' && ctx_.data[pos] != '\r')
                    ++pos;
            } else if (IsSpace(c)) {
                ++pos;
            } else {
                return;
            }
        }
    }
    // A decimal number of at most `max`.
    std::uint32_t Number(std::uint32_t max) {
        SkipSpace();
        if (pos >= ctx_.size) ctx_.Truncated();
        if (ctx_.data[pos] < '0' || ctx_.data[pos] > '9') ctx_.Fail("a number was expected");
        std::uint64_t v = 0;
        while (pos < ctx_.size && ctx_.data[pos] >= '0' && ctx_.data[pos] <= '9') {
            v = v * 10 + (ctx_.data[pos++] - '0');
            if (v > max) ctx_.Fail("a number is out of range");
        }
        return std::uint32_t(v);
    }
    // One '0' or '1' of a plain bitmap; digits need not be separated.
    unsigned Bit() {
        SkipSpace();
        if (pos >= ctx_.size) ctx_.Truncated();
        const std::uint8_t c = ctx_.data[pos++];
        if (c != '0' && c != '1') ctx_.Fail("a bit was expected");
        return c - '0';
    }

private:
    const DecodeContext& ctx_;
};

} // namespace

void DecodePnm(const DecodeContext& ctx, TBitmap32& out) {
    if (ctx.size < 2 || ctx.data[0] != 'P' || ctx.data[1] < '1' || ctx.data[1] > '6')
        ctx.Fail("bad magic number");
    const int type = ctx.data[1] - '0';
    const bool bitmap = type == 1 || type == 4, colour = type == 3 || type == 6;
    const bool ascii = type <= 3;
    PnmReader in(ctx);
    in.pos = 2;
    const std::int64_t w = in.Number(1u << 30), h = in.Number(1u << 30);
    const std::uint32_t maxval = bitmap ? 1 : in.Number(65535);
    if (maxval == 0) ctx.Fail("the maximum value is 0");
    ctx.CheckSize(w, h);
    if (!ascii) {
        // Exactly one white-space character separates the header from the samples.
        if (in.pos >= ctx.size) ctx.Truncated();
        if (!in.IsSpace(ctx.data[in.pos])) ctx.Fail("bad header end");
        ++in.pos;
    }
    const int channels = colour ? 3 : 1;
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    const std::uint64_t samples = std::uint64_t(w) * std::uint64_t(h) * std::uint64_t(channels);
    if (type == 4)
        ctx.Need(ctx.size - in.pos, std::uint64_t(w + 7) / 8 * std::uint64_t(h));
    else if (!ascii)
        ctx.Need(ctx.size - in.pos, samples * sampleBytes);
    else // one character per bit; numbers need a separator
        ctx.Need(ctx.size - in.pos, type == 1 ? samples : 2 * samples - 1);
    TBitmap32 picture = ctx.NewPicture(w, h);

    // Samples widened to 8 bits, rounded; values above the maximum count as the maximum.
    std::vector<std::uint8_t> scale(std::size_t(maxval) + 1);
    for (std::uint32_t v = 0; v <= maxval; ++v)
        scale[v] = std::uint8_t((std::uint64_t(v) * 255 + maxval / 2) / maxval);
    auto widen = [&](std::uint32_t v) { return scale[v > maxval ? maxval : v]; };

    TColor32* bits = picture.Bits();
    const std::size_t wide = std::size_t(w);
    ByteReader r(ctx, in.pos);
    for (std::int64_t y = 0; y < h; ++y) {
        TColor32* row = bits + std::size_t(y) * wide;
        if (type == 1) {
            for (std::size_t x = 0; x < wide; ++x)
                row[x] = in.Bit() ? 0xFF000000u : 0xFFFFFFFFu;
        } else if (type == 4) {
            const std::uint8_t* src = r.Take((wide + 7) / 8);
            for (std::size_t x = 0; x < wide; ++x)
                row[x] = (src[x / 8] >> (7 - x % 8)) & 1 ? 0xFF000000u : 0xFFFFFFFFu;
        } else if (ascii) {
            for (std::size_t x = 0; x < wide; ++x) {
                std::uint32_t s[3];
                for (int c = 0; c < channels; ++c)
                    s[c] = widen(in.Number(65535));
                row[x] = colour ? Color32(int(s[0]), int(s[1]), int(s[2]))
                                : Color32(int(s[0]), int(s[0]), int(s[0]));
            }
        } else {
            const std::uint8_t* src = r.Take(wide * std::size_t(channels) * sampleBytes);
            auto sample = [&](std::size_t i) -> std::uint32_t {
                return sampleBytes == 1 ? src[i] : (src[2 * i] << 8) | src[2 * i + 1];
            };
            for (std::size_t x = 0; x < wide; ++x) {
                if (colour) {
                    row[x] = Color32(widen(sample(3 * x)), widen(sample(3 * x + 1)),
                                     widen(sample(3 * x + 2)));
                } else {
                    const int g = widen(sample(x));
                    row[x] = Color32(g, g, g);
                }
            }
        }
    }
    out = std::move(picture);
}

} // namespace lumetta::codecs
