#pragma once
// Shared set-up for the view tests: a view with a given control size and picture, and a record
// of the repaint requests it makes.
#include "support/TestSupport.h"
#include "view/ImgView32.h"

#include <optional>
#include <vector>

namespace lumetta::test {

// Control of width x height without scroll bars, so the viewport is the whole control.
inline void SetUpView(TImgView32& view, int width, int height, const TBitmap32& picture,
                      float scale = 1.0f) {
    view.SetControlSize(width, height);
    view.Picture().Assign(picture);
    view.SetScale(scale);
}

struct InvalidateLog {
    std::vector<std::optional<TRect>> calls;
    void Attach(TImgView32& view) {
        view.OnInvalidate = [this](const std::optional<TRect>& r) { calls.push_back(r); };
    }
    // Whether some request covers the control pixel (x, y).
    bool Covers(int x, int y) const {
        for (const auto& r : calls)
            if (!r || (r->Left <= x && x < r->Right && r->Top <= y && y < r->Bottom)) return true;
        return false;
    }
};

inline TColor32 ReferenceBlend(TColor32 f, TColor32 b) {
    const int a = int(f >> 24);
    if (a == 0) return b;
    if (a == 255) return f;
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int fc = int((f >> shift) & 0xFF), bc = int((b >> shift) & 0xFF);
        out |= TColor32((fc * a + bc * (256 - a) + 128) >> 8) << shift;
    }
    return out;
}

} // namespace lumetta::test
