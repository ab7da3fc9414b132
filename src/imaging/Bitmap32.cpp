#include "imaging/Bitmap32.h"

#include "base/PixelMemory.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace lumetta {

namespace {
ITextRasterizer* gTextRasterizer = nullptr;
} // namespace

void SetTextRasterizer(ITextRasterizer* rasterizer) {
    gTextRasterizer = rasterizer;
}
ITextRasterizer* GetTextRasterizer() {
    return gTextRasterizer;
}

// One pixel buffer, shared by every bitmap that holds a copy of it.
struct TBitmap32::Storage {
    TColor32* data = nullptr;
    std::size_t bytes = 0;

    explicit Storage(std::size_t count, bool zeroed = true) : bytes(count * sizeof(TColor32)) {
        data = static_cast<TColor32*>(PixelMemory::Acquire(bytes, zeroed));
        if (!data) throw EOutOfResources("Can't allocate the DIB handle");
    }
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    ~Storage() { PixelMemory::Release(data, bytes); }
};

bool PictureSizeAllowed(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) return true;
    return width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

void CheckPictureSize(std::int64_t width, std::int64_t height) {
    if (PictureSizeAllowed(width, height)) return;
    throw EOutOfResources("A picture of " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels is too large: Lumetta holds pictures of at most " +
                          std::to_string(kMaxPictureSide) + " pixels a side and " +
                          std::to_string(kMaxPicturePixels / 1'000'000) + " megapixels");
}

TBitmap32::TBitmap32() = default;

TBitmap32::TBitmap32(int width, int height) {
    SetSize(width, height);
}

TBitmap32::TBitmap32(const TBitmap32& other)
    : DrawMode(other.DrawMode), StretchFilter(other.StretchFilter), MasterAlpha(other.MasterAlpha),
      CombineMode(other.CombineMode), OuterColor(other.OuterColor), Font(other.Font),
      storage_(other.storage_), cbits_(other.cbits_), width_(other.width_), height_(other.height_) {
}

TBitmap32& TBitmap32::operator=(const TBitmap32& other) {
    if (this == &other) return *this;
    SharePixels(other);
    DrawMode = other.DrawMode;
    StretchFilter = other.StretchFilter;
    MasterAlpha = other.MasterAlpha;
    CombineMode = other.CombineMode;
    OuterColor = other.OuterColor;
    Font = other.Font;
    Changed();
    return *this;
}

TBitmap32::TBitmap32(TBitmap32&& other) noexcept
    : DrawMode(other.DrawMode), StretchFilter(other.StretchFilter), MasterAlpha(other.MasterAlpha),
      CombineMode(other.CombineMode), OuterColor(other.OuterColor), Font(std::move(other.Font)),
      storage_(std::move(other.storage_)), cbits_(other.cbits_), width_(other.width_),
      height_(other.height_) {
    other.cbits_ = nullptr;
    other.width_ = other.height_ = 0;
}

TBitmap32& TBitmap32::operator=(TBitmap32&& other) noexcept {
    if (this == &other) return *this;
    storage_ = std::move(other.storage_);
    cbits_ = other.cbits_;
    width_ = other.width_;
    height_ = other.height_;
    other.cbits_ = nullptr;
    other.width_ = other.height_ = 0;
    DrawMode = other.DrawMode;
    StretchFilter = other.StretchFilter;
    MasterAlpha = other.MasterAlpha;
    CombineMode = other.CombineMode;
    OuterColor = other.OuterColor;
    Font = std::move(other.Font);
    try {
        Changed();
    } catch (...) {}
    return *this;
}

TBitmap32::~TBitmap32() = default;

void TBitmap32::SharePixels(const TBitmap32& other) {
    storage_ = other.storage_;
    cbits_ = other.cbits_;
    width_ = other.width_;
    height_ = other.height_;
}

void TBitmap32::Allocate(int width, int height, bool zeroed) {
    storage_.reset();
    cbits_ = nullptr;
    width_ = height_ = 0;
    if (width <= 0 || height <= 0) {
        // A bitmap with one dimension 0 keeps the other, as its Width/Height report it.
        width_ = std::max(width, 0);
        height_ = std::max(height, 0);
        return;
    }
    // The last line of defence of the memory bound: callers check the whole limit (sides
    // included) with their own message before they get here.
    if (std::int64_t(width) * height > kMaxPicturePixels) CheckPictureSize(width, height);
    const auto count = std::size_t(width) * std::size_t(height);
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(TColor32))
        throw EOutOfResources("Can't allocate the DIB handle");
    storage_ = std::make_shared<Storage>(count, zeroed);
    cbits_ = storage_->data;
    width_ = width;
    height_ = height;
}

void TBitmap32::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    Allocate(width, height);
    Changed();
}

void TBitmap32::SetSizeForOverwrite(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_) return;
    Allocate(width, height, false);
    Changed();
}

void TBitmap32::Detach() {
    if (!storage_ || storage_.use_count() == 1) return;
    auto fresh = std::make_shared<Storage>(PixelCount(), false); // every byte is copied
    std::memcpy(fresh->data, cbits_, PixelCount() * sizeof(TColor32));
    storage_ = std::move(fresh);
    cbits_ = storage_->data;
}

TColor32* TBitmap32::Bits() {
    Detach();
    return storage_ ? storage_->data : nullptr;
}

TColor32* TBitmap32::ScanLine(int y) {
    return Bits() + std::size_t(y) * width_;
}

bool TBitmap32::SharesPixelsWith(const TBitmap32& other) const {
    return storage_ && storage_ == other.storage_;
}

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    if (a.Empty() || a.SharesPixelsWith(b)) return true;
    return std::memcmp(a.ConstBits(), b.ConstBits(), a.PixelCount() * sizeof(TColor32)) == 0;
}

void TBitmap32::Clear(TColor32 color) {
    if (Empty()) return;
    if (storage_.use_count() > 1) {
        // Every pixel is overwritten: take fresh storage instead of copying the old pixels.
        storage_ = std::make_shared<Storage>(PixelCount(), false);
        cbits_ = storage_->data;
    }
    TColor32* p = storage_->data;
    if (color == 0) {
        std::memset(p, 0, PixelCount() * sizeof(TColor32));
    } else {
        std::fill(p, p + PixelCount(), color);
    }
    Changed();
}

void TBitmap32::Assign(const TBitmap32& source) {
    if (&source == this) return;
    if (source.Empty()) {
        Allocate(source.width_, source.height_);
        Changed();
        return;
    }
    SharePixels(source);
    DrawMode = source.DrawMode;
    MasterAlpha = source.MasterAlpha;
    OuterColor = source.OuterColor;
    StretchFilter = source.StretchFilter;
    Changed();
}

void TBitmap32::AssignPicture(const TBitmap32& pixels, bool hasAlpha) {
    if (&pixels != this) {
        if (pixels.Empty()) {
            Allocate(pixels.width_, pixels.height_);
        } else {
            SharePixels(pixels);
        }
    }
    if (!hasAlpha && !Empty()) {
        BeginUpdate();
        ResetAlpha();
        updateCount_--;
    }
    Changed();
}

void TBitmap32::AssignNil() {
    Allocate(0, 0);
    Changed();
}

TColor32 TBitmap32::PixelS(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return OuterColor;
    return Pixel(x, y);
}

void TBitmap32::SetPixel(int x, int y, TColor32 c) {
    Bits()[std::size_t(y) * width_ + x] = c;
    Changed();
}

void TBitmap32::SetPixelS(int x, int y, TColor32 c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    SetPixel(x, y, c);
}

void TBitmap32::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TBitmap32::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange();
}

} // namespace lumetta
