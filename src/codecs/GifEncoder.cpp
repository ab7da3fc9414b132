// GIF through giflib, and the colour reduction it needs: a fixed 256-colour halftone palette,
// an exact nearest-entry rule and serpentine Floyd–Steinberg error diffusion.
#include "codecs/EncoderCommon.h"
#include "codecs/Encoders.h"
#include "imaging/Transparency.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace lumetta {
namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51; // 255 / 5
constexpr int kCubeEntries = kCubeLevels * kCubeLevels * kCubeLevels;
// The grey axis is divided into 45 steps; every ninth step is one of the cube's greys.
constexpr int kGreySteps = 45;

// Palette and the tables of the nearest-entry rule, built once.
//
// Why the rule is exact without a search: the palette is the cube plus extra greys. Within the
// cube the squared distance is a sum of independent per-channel terms, so the nearest cube entry
// is the nearest level in each channel. On the grey axis, the squared distance of (r, g, b) to
// (v, v, v) is r² + g² + b² - 2 v (r + g + b) + 3 v², so which grey is nearest depends only on
// the channel sum. The nearest entry overall is the nearer of these two candidates; on equal
// distance the lower index wins, as it does within each group (rising level = rising index).
struct HalftoneTables {
    std::array<TColor32, 256> palette{};
    std::array<std::uint8_t, 256> red{}, green{}, blue{}; // palette channels by index
    std::array<std::uint8_t, 256> cubeLevel{};            // value -> nearest cube level 0..5
    std::array<std::uint8_t, 766> greyBySum{};            // r + g + b -> best grey-axis index

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
        for (int v = 0; v < 256; ++v) {
            int best = 0;
            for (int l = 1; l < kCubeLevels; ++l)
                if (std::abs(v - l * kCubeStep) < std::abs(v - best * kCubeStep)) best = l;
            cubeLevel[std::size_t(v)] = std::uint8_t(best);
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
        }
    }

    int Distance(int index, int r, int g, int b) const {
        const int dr = r - red[std::size_t(index)];
        const int dg = g - green[std::size_t(index)];
        const int db = b - blue[std::size_t(index)];
        return dr * dr + dg * dg + db * db;
    }

    int Nearest(int r, int g, int b) const {
        const int cube = cubeLevel[std::size_t(r)] * 36 + cubeLevel[std::size_t(g)] * 6 +
                         cubeLevel[std::size_t(b)];
        const int grey = greyBySum[std::size_t(r + g + b)];
        const int dc = Distance(cube, r, g, b);
        const int dg = Distance(grey, r, g, b);
        return (dg < dc || (dg == dc && grey < cube)) ? grey : cube;
    }
};

const HalftoneTables& Tables() {
    static const HalftoneTables tables;
    return tables;
}

// Serpentine Floyd–Steinberg, one row at a time, so that the GIF writer needs no index buffer
// for the whole picture. Errors are kept in sixteenths for the current and the next row, three
// channels per pixel, with one padding pixel at each end where error leaving the picture falls.
class HalftoneDitherer {
public:
    explicit HalftoneDitherer(const TBitmap32& picture)
        : picture_(picture), tables_(Tables()), stride_(3 * (std::size_t(picture.Width()) + 2)),
          errors_(2 * stride_, 0) {}

    // Rows must come in order from the top; `out` receives Width indices.
    void Row(int y, std::uint8_t* out) {
        const int width = picture_.Width();
        int* cur = errors_.data() + (y % 2) * stride_;
        int* next = errors_.data() + ((y + 1) % 2) * stride_;
        std::fill(next, next + stride_, 0);
        const auto* row = reinterpret_cast<const std::uint8_t*>(picture_.ConstScanLine(y));
        const bool leftToRight = y % 2 == 0;
        const int step = leftToRight ? 1 : -1;
        const std::ptrdiff_t ahead = 3 * step;
        int x = leftToRight ? 0 : width - 1;
        for (int i = 0; i < width; ++i, x += step) {
            const std::uint8_t* p = row + 4 * std::size_t(x); // B, G, R, A
            int* e = cur + 3 * (std::size_t(x) + 1);          // R, G, B errors
            const int r = std::clamp(p[2] + (e[0] + 8) / 16, 0, 255);
            const int g = std::clamp(p[1] + (e[1] + 8) / 16, 0, 255);
            const int b = std::clamp(p[0] + (e[2] + 8) / 16, 0, 255);
            const int index = tables_.Nearest(r, g, b);
            out[x] = std::uint8_t(index);
            const int d[3] = {r - tables_.red[std::size_t(index)],
                              g - tables_.green[std::size_t(index)],
                              b - tables_.blue[std::size_t(index)]};
            int* below = next + 3 * (std::size_t(x) + 1);
            for (int c = 0; c < 3; ++c) {
                e[ahead + c] += 7 * d[c];
                below[-ahead + c] += 3 * d[c];
                below[c] += 5 * d[c];
                below[ahead + c] += d[c];
            }
        }
    }

private:
    const TBitmap32& picture_;
    const HalftoneTables& tables_;
    std::size_t stride_;
    std::vector<int> errors_;
};

struct GifOutput {
    std::vector<std::uint8_t>* file;
};

int WriteGif(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* out = static_cast<GifOutput*>(gif->UserData);
    try {
        out->file->insert(out->file->end(), bytes, bytes + count);
    } catch (...) {
        return 0; // giflib reports a failed write
    }
    return count;
}

class GifWriter {
public:
    explicit GifWriter(GifOutput* output) {
        int error = 0;
        gif_ = EGifOpen(output, WriteGif, &error);
        if (!gif_) Fail(error);
    }
    ~GifWriter() {
        int error = 0;
        if (gif_) EGifCloseFile(gif_, &error);
    }
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;

    GifFileType* operator->() const { return gif_; }
    GifFileType* Get() const { return gif_; }
    void Check(int result) const {
        if (result == GIF_ERROR) Fail(gif_->Error);
    }
    // Writes the trailer and frees the handle.
    void Close() {
        int error = 0;
        GifFileType* gif = gif_;
        gif_ = nullptr;
        if (EGifCloseFile(gif, &error) == GIF_ERROR) Fail(error);
    }
    [[noreturn]] static void Fail(int error) {
        const char* text = GifErrorString(error);
        codecs::FailEncode("GIF", text ? text : "giflib error");
    }

private:
    GifFileType* gif_ = nullptr;
};

} // namespace

const std::array<TColor32, 256>& HalftonePalette() {
    return Tables().palette;
}

int NearestHalftoneIndex(int r, int g, int b) {
    return Tables().Nearest(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

std::vector<std::uint8_t> DitherToHalftone(const TBitmap32& picture) {
    std::vector<std::uint8_t> indices(picture.PixelCount());
    HalftoneDitherer ditherer(picture);
    for (int y = 0; y < picture.Height(); ++y)
        ditherer.Row(y, indices.data() + std::size_t(y) * picture.Width());
    return indices;
}

std::vector<std::uint8_t> EncodeGif(const TBitmap32& input) {
    codecs::RequirePicture(input);
    // The file keeps no alpha: transparent pixels are written flattened onto white.
    const TBitmap32 picture = FlattenedOnto(input);
    codecs::RequireSides(picture, "GIF", 65535);

    const HalftoneTables& tables = Tables();
    std::array<GifColorType, 256> colours{};
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = {tables.red[i], tables.green[i], tables.blue[i]};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    if (!map) codecs::FailEncode("GIF", "out of memory");

    std::vector<std::uint8_t> file;
    GifOutput output{&file};
    try {
        GifWriter gif(&output);
        EGifSetGifVersion(gif.Get(), false); // GIF87a: one image, no extensions
        // The screen description copies the colour map.
        gif.Check(EGifPutScreenDesc(gif.Get(), picture.Width(), picture.Height(), 8, 0, map));
        GifFreeMapObject(map);
        map = nullptr;
        gif.Check(
            EGifPutImageDesc(gif.Get(), 0, 0, picture.Width(), picture.Height(), false, nullptr));
        HalftoneDitherer ditherer(picture);
        std::vector<GifPixelType> row(std::size_t(picture.Width()));
        for (int y = 0; y < picture.Height(); ++y) {
            ditherer.Row(y, row.data());
            gif.Check(EGifPutLine(gif.Get(), row.data(), picture.Width()));
        }
        gif.Close();
    } catch (...) {
        if (map) GifFreeMapObject(map);
        throw;
    }
    return file;
}

} // namespace lumetta
