#include "decorate/FloatingLayers.h"

namespace lumetta {

TBitmapLayer* AddPictureLayer(TImgView32& view, const TBitmap32& bitmap,
                              const TFloatRect& location) {
    auto* layer = view.Layers().Add<TBitmapLayer>();
    try {
        layer->Bitmap().Assign(bitmap);
        layer->Bitmap().DrawMode = dmBlend;
        layer->SetLocation(location);
        layer->SetScaled(true);
    } catch (...) {
        layer->Free();
        throw;
    }
    return layer;
}

void RenderWithLayers(TImgView32& view, TBitmap32& target) {
    const TBitmap32& picture = view.Picture();
    TBitmap32 flat(picture.Width(), picture.Height());
    view.PaintTo(flat, TRect{0, 0, picture.Width(), picture.Height()});
    target.Assign(flat);
}

} // namespace lumetta
