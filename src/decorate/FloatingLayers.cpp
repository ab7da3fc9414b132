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

TBitmap32 TextLayerBitmap(const TFontDesc& font, const std::string& text) {
    TBitmap32 scratch;
    scratch.Font = font;
    scratch.DrawMode = dmBlend;
    scratch.SetWidth(scratch.TextWidth(text) + 20);
    scratch.SetHeight(scratch.TextHeight(text) + 20);
    scratch.RenderText(10, 10, text, 0, WinColorToColor32(font.Color));
    return scratch;
}

void FlattenLayers(TImgView32& view, TBitmap32& target) {
    const TBitmap32& picture = view.Picture();
    TBitmap32 flat(picture.Width(), picture.Height());
    view.PaintTo(flat, TRect{0, 0, picture.Width(), picture.Height()});
    view.Layers().Clear();
    target.Assign(flat);
}

} // namespace lumetta
