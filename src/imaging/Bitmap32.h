#pragma once
// TBitmap32: the one in-memory picture of Lumetta.
//
// Pixels are TColor32 values 0xAARRGGBB (not premultiplied), row-major, top row first, with no
// gaps between rows. The pixel buffer is shared copy-on-write: Assign and snapshots share it
// until one side writes, so a copy costs nothing until an edit. Every mutating accessor
// (Bits, ScanLine, SetPixel ...) detaches first; the const accessors never do.
#include "base/Error.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lumetta {

using TColor32 = std::uint32_t;

enum TDrawMode : int { dmOpaque = 0, dmBlend = 1, dmCustom = 2 };

enum TStretchFilter : int {
    sfNearest = 0,
    sfDraft = 1,
    sfLinear = 2,
    sfCosine = 3,
    sfSpline = 4,
    sfLanczos = 5,
    sfMitchell = 6
};

enum TCombineMode : int { cmBlend = 0, cmMerge = 1 };

// Left/top inclusive, right/bottom exclusive.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TColor32 Color32(int r, int g, int b, int a = 255) {
    return (TColor32(a & 0xFF) << 24) | (TColor32(r & 0xFF) << 16) | (TColor32(g & 0xFF) << 8) |
           TColor32(b & 0xFF);
}
constexpr int AlphaComponent(TColor32 c) {
    return int(c >> 24);
}
constexpr int RedComponent(TColor32 c) {
    return int((c >> 16) & 0xFF);
}
constexpr int GreenComponent(TColor32 c) {
    return int((c >> 8) & 0xFF);
}
constexpr int BlueComponent(TColor32 c) {
    return int(c & 0xFF);
}

// A window-system colour value: red in the low byte, then green, then blue (0x00BBGGRR).
using TWinColor = std::uint32_t;

// Font description used by the text operations. Size is in points.
struct TFontDesc {
    std::string Name = "Arial";
    int Size = 8;
    TWinColor Color = 0;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    int Charset = 1; // default character set
    friend bool operator==(const TFontDesc&, const TFontDesc&) = default;
};

// The largest picture the program makes or opens: at most kMaxPictureSide pixels a side and
// kMaxPicturePixels in all (a 100-megapixel picture takes 400 MB). Every operation that builds
// a picture of a size it computed or was given checks it first with CheckPictureSize, and
// pixel storage beyond kMaxPicturePixels is never obtained.
inline constexpr std::int64_t kMaxPicturePixels = 100'000'000;
inline constexpr int kMaxPictureSide = 65535;

// True when a picture of width x height keeps to the limits; a size of 0 or less in either
// direction holds no pixels and always does.
bool PictureSizeAllowed(std::int64_t width, std::int64_t height);
// Throws EOutOfResources "A picture of W x H pixels is too large: Lumetta holds pictures of at
// most 65535 pixels a side and 100 megapixels" when the size does not keep to the limits.
void CheckPictureSize(std::int64_t width, std::int64_t height);

class TBitmap32;

// Measures and draws text for the core. The core has no font engine of its own: the interface
// layer installs an implementation (Qt fonts) with SetTextRasterizer at start-up; the tests
// install their own.
class ITextRasterizer {
public:
    virtual ~ITextRasterizer() = default;
    // Horizontal advance and line height (ascent + descent) of the UTF-8 text in the font.
    virtual int TextWidth(const TFontDesc& font, const std::string& text, bool antialiased) = 0;
    virtual int TextHeight(const TFontDesc& font, const std::string& text, bool antialiased) = 0;
    // Draws the text with its top-left corner at (x, y) into target in the given colour over a
    // transparent background, writing the glyph pixels only. Without anti-aliasing every glyph
    // pixel is fully covered or untouched.
    virtual void DrawText(TBitmap32& target, int x, int y, const TFontDesc& font,
                          const std::string& text, TColor32 color, bool antialiased) = 0;
};

void SetTextRasterizer(ITextRasterizer* rasterizer);
ITextRasterizer* GetTextRasterizer();

class TBitmap32 {
public:
    TBitmap32();
    TBitmap32(int width, int height);
    TBitmap32(const TBitmap32& other);            // shares the pixels, copies every property
    TBitmap32& operator=(const TBitmap32& other); // same; the change handler is not copied
    TBitmap32(TBitmap32&& other) noexcept;
    TBitmap32& operator=(TBitmap32&& other) noexcept;
    ~TBitmap32();

    // ---- size ----
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    TRect BoundsRect() const { return {0, 0, width_, height_}; }
    // Negative values become 0. Same size: nothing happens. Otherwise every pixel of the new
    // size is transparent black. Throws EOutOfResources "Can't allocate the DIB handle", or
    // CheckPictureSize's error for more than kMaxPicturePixels (the bitmap is then left empty).
    void SetSize(int width, int height);
    // SetSize for a caller that writes every pixel of the new size itself: the new pixels are
    // left unspecified instead of cleared (a big picture is not written twice).
    void SetSizeForOverwrite(int width, int height);
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }

    // ---- whole-bitmap operations ----
    void Clear(TColor32 color);
    // Takes size, pixels, DrawMode, MasterAlpha, OuterColor and StretchFilter of a non-empty
    // source (CombineMode is not copied). An empty source empties this bitmap and keeps its
    // own properties.
    void Assign(const TBitmap32& source);
    // Takes only size and pixels of a decoded picture; properties stay. A picture without
    // alpha gives alpha 255 everywhere.
    void AssignPicture(const TBitmap32& pixels, bool hasAlpha);
    // No source: the bitmap becomes empty.
    void AssignNil();

    // ---- transfers (the source's DrawMode decides copy or blend) ----
    // dmBlend blends by the source alpha (row helpers in imaging/Blend.h); dmOpaque and
    // dmCustom copy. MasterAlpha is taken as 255 (nothing changes it). Nothing happens when
    // either bitmap is empty. The source may be this bitmap: it is read as it was before.
    void Draw(int x, int y, const TBitmap32& source);
    // srcRect must lie inside the source (ETransformError "Source rectangle is invalid");
    // dstRect is clipped to this bitmap; different sizes stretch by nearest neighbour.
    void Draw(const TRect& dstRect, const TRect& srcRect, const TBitmap32& source);

    // ---- in-place geometry ----
    void ResetAlpha();
    void FlipHorz();
    void FlipVert();
    void Rotate90();  // clockwise: (x, y) -> (Height-1-y, x)
    void Rotate270(); // counter-clockwise: (x, y) -> (y, Width-1-x)

    // ---- pixel access ----
    TColor32 Pixel(int x, int y) const { return cbits_[std::size_t(y) * width_ + x]; }
    TColor32 PixelS(int x, int y) const; // OuterColor outside the bitmap
    void SetPixel(int x, int y, TColor32 c);
    void SetPixelS(int x, int y, TColor32 c); // ignored outside
    const TColor32* ConstBits() const { return cbits_; }
    const TColor32* ConstScanLine(int y) const { return cbits_ + std::size_t(y) * width_; }
    TColor32* Bits();          // detaches from shared storage
    TColor32* ScanLine(int y); // detaches from shared storage
    bool SharesPixelsWith(const TBitmap32& other) const;
    // Identifies the pixel buffer (null for an empty bitmap): bitmaps that share pixels give
    // the same value. Used to count shared memory once.
    const void* PixelBufferId() const { return storage_.get(); }
    std::size_t PixelCount() const { return std::size_t(width_) * height_; }

    // ---- properties ----
    TDrawMode DrawMode = dmOpaque;
    TStretchFilter StretchFilter = sfNearest;
    int MasterAlpha = 255;
    TCombineMode CombineMode = cmBlend;
    TColor32 OuterColor = 0;
    TFontDesc Font{"Sans Serif", 8};

    // ---- change notification ----
    // Called after every modifying operation, unless an update is under way; EndUpdate of the
    // outermost update notifies once.
    std::function<void()> OnChange;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Changed();

    // ---- text ----
    int TextWidth(const std::string& text) const;
    int TextHeight(const std::string& text) const;
    void RenderText(int x, int y, const std::string& text, int aaLevel, TColor32 color);

private:
    struct Storage;
    void Detach();
    // Takes the other bitmap's size and shares its pixel buffer; properties stay.
    void SharePixels(const TBitmap32& other);
    void Allocate(int width, int height, bool zeroed = true);
    std::shared_ptr<Storage> storage_;
    const TColor32* cbits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int updateCount_ = 0;
};

// The text drawn white without anti-aliasing on a transparent bitmap that reaches `pad` pixels
// beyond the text box (advance x line height) on every side, so that glyphs overhanging their
// advance are drawn whole; the text box starts at (pad, pad). The blue byte of a pixel is its
// coverage. Empty when no text rasteriser is installed.
TBitmap32 RenderTextCoverage(const TFontDesc& font, const std::string& text, int& pad);

// Same size and the same pixel values in all four channels (shared pixels are compared
// without reading them).
bool SamePixels(const TBitmap32& a, const TBitmap32& b);

// Resizes the bitmap in place with the filter (sfNearest, or Lanczos-3 for any other value).
// Returns true whenever it returns; throws ETransformError "Destination bitmap is nil or
// empty" for a zero (or negative) size, after the bitmap has taken that size. An empty bitmap
// is only resized. Notifies once. Tap tables and test hooks: imaging/Resample.h.
bool ResampleBitmap(TBitmap32& bitmap, int newWidth, int newHeight, TStretchFilter filter);

// 0x00BBGGRR -> opaque 0xFFRRGGBB.
constexpr TColor32 WinColorToColor32(TWinColor c) {
    return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

} // namespace lumetta
