#pragma once
#include "Writers.h"
#include "codecs/ImageIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace lumetta::test {

// Decodes bytes as a file with the given extension would be.
inline TBitmap32 Decode(const Bytes& bytes, const std::string& extension) {
    TBitmap32 bitmap;
    LoadPictureData(bitmap, bytes.data(), bytes.size(), extension, "test." + extension);
    return bitmap;
}

// Every pixel of the bitmap against expected(x, y); stops at the first difference.
inline ::testing::AssertionResult PixelsAre(const TBitmap32& b, int w, int h,
                                            const std::function<TColor32(int, int)>& expected) {
    if (b.Width() != w || b.Height() != h)
        return ::testing::AssertionFailure() << "size " << b.Width() << "x" << b.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (b.Pixel(x, y) != expected(x, y))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << "," << y << ") is " << std::hex << b.Pixel(x, y)
                       << " not " << expected(x, y);
    return ::testing::AssertionSuccess();
}

} // namespace lumetta::test
