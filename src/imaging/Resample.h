#pragma once
// Windowed-sinc resampling of TBitmap32 (ResampleBitmap is declared in Bitmap32.h).
//
// The exact arithmetic is fixed: the Lanczos-3 kernel is evaluated in single precision, every
// destination index gets a list of integer taps summing to 256, and the picture is filtered
// by two integer passes whose sums are clamped to 0..255 after a shift by 16.
#include <vector>

namespace lumetta {

// L(x) = sinc(x) * sinc(x / 3) for |x| < 3, else 0; sinc(0) = 1. Single precision.
float LanczosKernel(float x);

// Taps of every destination index, stored one list after the other: the taps of index i are
// Index[k], Weight[k] for k in [Start[i], Start[i + 1]).
struct TTapTable {
    std::vector<int> Start;
    std::vector<int> Index;
    std::vector<int> Weight;

    int Size() const { return int(Start.size()) - 1; }
    int Count(int i) const { return Start[i + 1] - Start[i]; }
};

// The tap lists for one axis of srcSize pixels resampled to dstSize pixels (both > 0), in
// increasing source position, edge taps repeated as they come (not merged).
TTapTable BuildLanczosTaps(int srcSize, int dstSize);

} // namespace lumetta
