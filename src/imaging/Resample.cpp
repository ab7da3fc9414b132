// ResampleBitmap: nearest-neighbour and Lanczos-3 resizing in place.
//
// The Lanczos filter runs as two integer passes per destination row: the vertical taps of the
// row fold the source rows into one signed 32-bit sum per channel for every source column the
// horizontal taps use, then the horizontal taps fold those column sums into the destination
// pixels. Both tap tables are built once per call; the hot loops are plain integer loops over
// whole rows, compiled once more for AVX2 and picked at run time.
#include "imaging/Resample.h"

#include "imaging/Bitmap32.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <thread>

namespace lumetta {

namespace {

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define LUMETTA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define LUMETTA_VECTOR_CLONES
#endif

constexpr float kPi = 3.14159265358979323846f;

float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    const float px = kPi * x;
    return std::sin(px) / px;
}

// Edge taps clamp to the same source index; consecutive taps of one index are merged for the
// passes. The sums are linear in the weights, so the integer results do not change.
TTapTable MergeRepeatedTaps(const TTapTable& t) {
    TTapTable m;
    m.Start.reserve(t.Start.size());
    m.Index.reserve(t.Index.size());
    m.Weight.reserve(t.Weight.size());
    m.Start.push_back(0);
    for (int i = 0; i < t.Size(); ++i) {
        const int first = int(m.Index.size());
        for (int k = t.Start[i]; k < t.Start[i + 1]; ++k) {
            if (int(m.Index.size()) > first && m.Index.back() == t.Index[k])
                m.Weight.back() += t.Weight[k];
            else {
                m.Index.push_back(t.Index[k]);
                m.Weight.push_back(t.Weight[k]);
            }
        }
        m.Start.push_back(int(m.Index.size()));
    }
    return m;
}

// acc[k] = sum over the taps of weight * rows[tap][k], for the bytes k in [begin, end) of a
// row (each byte one channel of one pixel). Worked in chunks that stay in the first-level
// cache while every tap row is added in.
LUMETTA_VECTOR_CLONES
void VerticalSums(std::int32_t* acc, const std::uint8_t* const* rows, const int* weights, int taps,
                  std::size_t begin, std::size_t end) {
    constexpr std::size_t kChunk = 1024;
    for (std::size_t c0 = begin; c0 < end; c0 += kChunk) {
        const std::size_t c1 = std::min(c0 + kChunk, end);
        std::int32_t* __restrict a = acc;
        {
            const std::uint8_t* __restrict s = rows[0];
            const std::int32_t w = weights[0];
            for (std::size_t k = c0; k < c1; ++k)
                a[k] = w * std::int32_t(s[k]);
        }
        int t = 1;
        for (; t + 1 < taps; t += 2) {
            const std::uint8_t* __restrict s0 = rows[t];
            const std::uint8_t* __restrict s1 = rows[t + 1];
            const std::int32_t w0 = weights[t], w1 = weights[t + 1];
            for (std::size_t k = c0; k < c1; ++k)
                a[k] += w0 * std::int32_t(s0[k]) + w1 * std::int32_t(s1[k]);
        }
        if (t < taps) {
            const std::uint8_t* __restrict s = rows[t];
            const std::int32_t w = weights[t];
            for (std::size_t k = c0; k < c1; ++k)
                a[k] += w * std::int32_t(s[k]);
        }
    }
}

inline std::uint32_t ClampChannel(std::int32_t s) {
    if (s < 0) return 0;
    if (s > 0xFF0000) return 255;
    return std::uint32_t(s) >> 16;
}

// One destination row from the column sums (four channels per column, in memory order).
LUMETTA_VECTOR_CLONES
void HorizontalPass(TColor32* out, int count, const std::int32_t* colSums, const TTapTable& h) {
    const int* start = h.Start.data();
    const int* index = h.Index.data();
    const int* weight = h.Weight.data();
    for (int x = 0; x < count; ++x) {
        std::int32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (int k = start[x]; k < start[x + 1]; ++k) {
            const std::int32_t* c = colSums + std::size_t(index[k]) * 4;
            const std::int32_t w = weight[k];
            s0 += w * c[0];
            s1 += w * c[1];
            s2 += w * c[2];
            s3 += w * c[3];
        }
        out[x] = ClampChannel(s0) | (ClampChannel(s1) << 8) | (ClampChannel(s2) << 16) |
                 (ClampChannel(s3) << 24);
    }
}

struct ColumnRun {
    int begin, end;
};

void LanczosRows(const TBitmap32& src, TColor32* dst, int dstWidth, const TTapTable& v,
                 const TTapTable& h, const std::vector<ColumnRun>& runs, int rowBegin, int rowEnd) {
    std::vector<std::int32_t> colSums(std::size_t(src.Width()) * 4);
    std::vector<const std::uint8_t*> rows;
    for (int y = rowBegin; y < rowEnd; ++y) {
        const int first = v.Start[y], taps = v.Count(y);
        rows.resize(std::size_t(taps));
        for (int t = 0; t < taps; ++t)
            rows[t] = reinterpret_cast<const std::uint8_t*>(src.ConstScanLine(v.Index[first + t]));
        for (const ColumnRun& r : runs)
            VerticalSums(colSums.data(), rows.data(), v.Weight.data() + first, taps,
                         std::size_t(r.begin) * 4, std::size_t(r.end) * 4);
        HorizontalPass(dst + std::size_t(y) * dstWidth, dstWidth, colSums.data(), h);
    }
}

void ResampleLanczos(const TBitmap32& src, TBitmap32& dst) {
    const int sw = src.Width(), sh = src.Height();
    const int dw = dst.Width(), dh = dst.Height();
    const TTapTable h = MergeRepeatedTaps(BuildLanczosTaps(sw, dw));
    const TTapTable v = MergeRepeatedTaps(BuildLanczosTaps(sh, dh));

    // The source columns the horizontal taps refer to, as runs of neighbours.
    std::vector<char> used(std::size_t(sw), 0);
    for (int c : h.Index)
        used[std::size_t(c)] = 1;
    std::vector<ColumnRun> runs;
    for (int c = 0; c < sw;) {
        if (!used[std::size_t(c)]) {
            ++c;
            continue;
        }
        const int begin = c;
        while (c < sw && used[std::size_t(c)])
            ++c;
        runs.push_back({begin, c});
    }

    TColor32* out = dst.Bits();
    // Big pictures are split into two bands of rows on two threads; every row is computed
    // exactly as it would be on one thread.
    const double work = double(v.Index.size()) * double(sw) + double(dh) * double(h.Index.size());
    if (work > 4e6 && dh >= 2 && std::thread::hardware_concurrency() >= 2) {
        const int mid = dh / 2;
        std::exception_ptr helperError;
        std::thread helper([&] {
            try {
                LanczosRows(src, out, dw, v, h, runs, mid, dh);
            } catch (...) {
                helperError = std::current_exception();
            }
        });
        try {
            LanczosRows(src, out, dw, v, h, runs, 0, mid);
        } catch (...) {
            helper.join();
            throw;
        }
        helper.join();
        if (helperError) std::rethrow_exception(helperError);
    } else {
        LanczosRows(src, out, dw, v, h, runs, 0, dh);
    }
}

} // namespace

float LanczosKernel(float x) {
    if (!(std::fabs(x) < 3.0f)) return 0.0f;
    return Sinc(x) * Sinc(x / 3.0f);
}

TTapTable BuildLanczosTaps(int srcSize, int dstSize) {
    TTapTable t;
    t.Start.reserve(std::size_t(dstSize) + 1);
    t.Start.push_back(0);
    if (srcSize == 1) {
        for (int i = 0; i < dstSize; ++i) {
            t.Index.push_back(0);
            t.Weight.push_back(256);
            t.Start.push_back(int(t.Index.size()));
        }
        return t;
    }
    const float scale = float(dstSize) / float(srcSize);
    const float inv = 1.0f / scale;
    const bool shrinking = scale < 1.0f;
    const float radius = shrinking ? 3.0f * inv : 3.0f;
    for (int i = 0; i < dstSize; ++i) {
        const int first = int(t.Index.size());
        const float centre = (float(i) + 0.5f) * inv - 0.5f;
        const int lo = int(std::floor(centre - radius));
        const int hi = int(std::ceil(centre + radius));
        for (int j = lo; j <= hi; ++j) {
            const float d = centre - float(j);
            const float w =
                shrinking ? LanczosKernel(d * scale) * 256.0f * scale : LanczosKernel(d) * 256.0f;
            const int weight = int(std::lrint(w));
            if (weight == 0) continue;
            t.Index.push_back(std::clamp(j, 0, srcSize - 1));
            t.Weight.push_back(weight);
        }
        if (int(t.Index.size()) == first) {
            // Only when shrinking: every weight rounded to 0.
            t.Index.push_back(std::clamp(int(std::floor(centre)), 0, srcSize - 1));
            t.Weight.push_back(256);
        }
        int sum = 0;
        for (std::size_t k = std::size_t(first); k < t.Weight.size(); ++k)
            sum += t.Weight[k];
        if (sum != 256) {
            const int last = int(t.Index.size()) - 1 - first; // K, the index of the last tap
            t.Weight[std::size_t(first + last / 2)] -= sum - 256;
        }
        t.Start.push_back(int(t.Index.size()));
    }
    return t;
}

bool ResampleBitmap(TBitmap32& bitmap, int newWidth, int newHeight, TStretchFilter filter) {
    // One notification for the whole operation, also when it fails after resizing.
    struct UpdateGuard {
        TBitmap32& b;
        explicit UpdateGuard(TBitmap32& bm) : b(bm) { b.BeginUpdate(); }
        ~UpdateGuard() { b.EndUpdate(); }
    } guard(bitmap);

    // The copy shares the pixels; resizing the bitmap gives it fresh storage, so the source
    // costs nothing. Setting width then height in one step ends in the same state.
    TBitmap32 source;
    source.Assign(bitmap);
    bitmap.SetSize(newWidth, newHeight);
    if (source.Empty()) return true;
    if (bitmap.Empty()) throw ETransformError("Destination bitmap is nil or empty");
    if (bitmap.Width() == source.Width() && bitmap.Height() == source.Height()) {
        // SetSize kept the pixels: they are the copy's already.
        return true;
    }
    if (filter == sfNearest) {
        source.DrawMode = dmOpaque; // every destination pixel is replaced
        bitmap.Draw(bitmap.BoundsRect(), source.BoundsRect(), source);
    } else {
        ResampleLanczos(source, bitmap);
        bitmap.Changed();
    }
    return true;
}

} // namespace lumetta
