#pragma once
// Tone adjustment of the edit picture: 256-entry lookup tables on the red, green and blue
// channels. Every routine that maps a picture leaves each of its pixels fully opaque.
#include "imaging/Bitmap32.h"

#include <array>
#include <cstdint>

namespace lumetta {

// Index = input channel value, entry = output value.
using TLookupTable = std::array<std::uint8_t, 256>;

// The table that maps every value to itself.
TLookupTable IdentityTable();

// A 16.16 fixed-point ramp from (low, outLow) to (high, outHigh). The step is
// (outHigh - outLow + 1) * 65536 / (high - low), truncated, so a 0..255 ramp climbs by 256/n,
// not 255/n, and the top entry is set to outHigh on its own. Entries below low and above high
// are left as they were; with low == high nothing at all is written.
void BuildRampTable(TLookupTable& t, std::uint8_t low, std::uint8_t outLow, std::uint8_t high,
                    std::uint8_t outHigh);

// Every pixel (a, r, g, b) becomes (255, red[r], green[g], blue[b]). Notifies once.
void ApplyChannelTables(TBitmap32& bitmap, const TLookupTable& red, const TLookupTable& green,
                        const TLookupTable& blue);

// Destination takes the source's size; every source pixel (a, r, g, b) becomes
// (255, L[r], L[g], L[b]) in it. The two may be the same bitmap. Throws Error "The source is
// nil" / "Destination is nil" for a missing bitmap. Notifies the destination once.
void ApplyLookupTable(TBitmap32* destination, const TBitmap32* source, const TLookupTable& L);

// Stretches each colour channel on its own to the full 0..255 range. A picture whose three
// channels already span 0..255 is left untouched, alpha included; otherwise every pixel comes
// out opaque. A channel holding one value only is left as it is.
void AutoContrast(TBitmap32& bitmap);

// The tables of the three tone controls. Each entry is 255 * u rounded to the nearest (ties to
// even) and held in 0..255, with t = i / 255 and u in single precision:
//   contrast x (-1..1):    u = (1 + x) * (t - 0.5) + 0.5
//   brightness x (-1..1):  u = t + x
//   gamma e (held in 0..5): u = t ^ e (e = 1 is the identity; larger e darkens)
TLookupTable ContrastTable(double contrast);
TLookupTable BrightnessTable(double brightness);
TLookupTable GammaTable(double exponent);

// The three controls as one table: contrast, then brightness, then gamma, each rounded to bytes
// before the next, exactly as three passes one after the other would give.
TLookupTable ToneTable(double contrast, double brightness, double exponent);

// The table of the contrast panel's sliders: positions contrast and brightness in -100..100 and
// gamma in 0..500, each in hundredths of the control's value (gamma 100 is the exponent 1).
TLookupTable SliderToneTable(double contrast, double brightness, double gamma);

// One pass each with the table above, in place.
void AdjustContrast(TBitmap32& bitmap, double contrast);
void AdjustBrightness(TBitmap32& bitmap, double brightness);
void AdjustGamma(TBitmap32& bitmap, double exponent);

} // namespace lumetta
