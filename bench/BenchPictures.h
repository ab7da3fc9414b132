#pragma once
// The pictures the benchmarks work on, made by the benchmarks themselves, and the files that
// the peer comparison (bench/peers.py) hands to the other programs, so that every program
// measures the very same pixels.
#include "imaging/Bitmap32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Gradients with noise in every channel; alpha spread over 0..255 when asked, else opaque.
lumetta::TBitmap32 NoisyPicture(int w, int h, bool spreadAlpha);

// A camera-like photo: smooth shading with a grain of ±8 per channel, opaque.
lumetta::TBitmap32 ShadedPhoto(int w, int h);

// The shaded photo at 24 megapixels (6000 x 4000) and at 12 (4000 x 3000), each made once.
const lumetta::TBitmap32& Photo24MP();
const lumetta::TBitmap32& Photo12MP();

// A 24-megapixel camera JPEG (shaded with grain, quality 92, 4:2:0), made once and written to
// $LUMETTA_BENCH_JPEG (default /tmp/lumetta-bench-24mp.jpg) for bench/djpeg_compare.sh.
const std::vector<unsigned char>& Jpeg24MP();
std::string Jpeg24MPPath();

// Photo24MP as Save File writes it in PNG, made once.
const std::vector<std::uint8_t>& Png24MP();

// Writes into `folder`: photo24.rgba, photo12.rgba, noisy6000x4000.rgba and noisy1500x1000.rgba
// (R, G, B, A bytes, rows top first), photo24.jpg and photo24.png. Returns false when a file
// cannot be written.
bool WritePictures(const std::string& folder);

} // namespace bench
