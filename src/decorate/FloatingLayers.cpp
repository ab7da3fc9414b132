#include "decorate/FloatingLayers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumetta {

TBitmapLayer* AddPictureLayer(TImgView32& view, const TBitmap32& bitmap,
                              const TFloatRect& location) {
    auto* layer = view.Layers().Add<TBitmapLayer>();
    PlacePictureLayer(layer, bitmap, location);
    return layer;
}

void PlacePictureLayer(TBitmapLayer* layer, const TBitmap32& bitmap, const TFloatRect& location) {
    try {
        layer->Bitmap().Assign(bitmap);
        layer->Bitmap().DrawMode = dmBlend;
        layer->SetLocation(location);
        layer->SetScaled(true);
    } catch (...) {
        layer->Free();
        throw;
    }
}

void RenderWithLayers(TImgView32& view, TBitmap32& target) {
    const TBitmap32& picture = view.Picture();
    TBitmap32 flat(picture.Width(), picture.Height());
    view.PaintTo(flat, TRect{0, 0, picture.Width(), picture.Height()});
    target.Assign(flat);
}

void FitClipArtTo(TBitmap32& art, int pictureWidth, int pictureHeight) {
    const int largest = std::min(pictureWidth, pictureHeight) / 2;
    const int side = std::max(art.Width(), art.Height());
    if (largest <= 0 || side <= largest) return;
    const double scale = double(largest) / side;
    // Resampled with premultiplied colours: the colour of a transparent pixel (black) must not
    // bleed into the edges of the art as a dark rim.
    const std::size_t count = std::size_t(art.Width()) * art.Height();
    TColor32* p = art.Bits();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t a = p[i] >> 24;
        const auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        p[i] = (a << 24) | (mul((p[i] >> 16) & 0xFF) << 16) | (mul((p[i] >> 8) & 0xFF) << 8) |
               mul(p[i] & 0xFF);
    }
    ResampleBitmap(art, std::max(1, int(std::lround(art.Width() * scale))),
                   std::max(1, int(std::lround(art.Height() * scale))), sfLanczos);
    const std::size_t resized = std::size_t(art.Width()) * art.Height();
    p = art.Bits();
    for (std::size_t i = 0; i < resized; ++i) {
        const std::uint32_t a = p[i] >> 24;
        if (a == 0) {
            p[i] = 0;
            continue;
        }
        const auto div = [a](std::uint32_t c) {
            return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a);
        };
        p[i] = (a << 24) | (div((p[i] >> 16) & 0xFF) << 16) | (div((p[i] >> 8) & 0xFF) << 8) |
               div(p[i] & 0xFF);
    }
}

} // namespace lumetta
