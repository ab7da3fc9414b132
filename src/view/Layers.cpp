#include "view/Layers.h"

#include "view/ImgView32.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace lumetta {

namespace {

TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

std::optional<TRect> UnionArea(const std::optional<TRect>& a, const std::optional<TRect>& b) {
    if (!a || !b) return std::nullopt;
    return UnionRect(*a, *b);
}

} // namespace

// ---------------------------------------------------------------------------- TCustomLayer

TCustomLayer::TCustomLayer(TLayerCollection& collection, TLayerOptions options)
    : collection_(&collection), options_(options) {}

TCustomLayer::~TCustomLayer() {
    NotifyFreed();
}

TImgView32* TCustomLayer::View() const {
    return collection_ ? &collection_->View() : nullptr;
}

int TCustomLayer::Index() const {
    return collection_ ? collection_->IndexOf(this) : -1;
}

void TCustomLayer::BringToFront() {
    if (collection_) collection_->BringToFront(this);
}

void TCustomLayer::Free() {
    if (collection_) collection_->Delete(this);
}

void TCustomLayer::SetLayerOptions(TLayerOptions options) {
    if (options == options_) return;
    const bool wasVisible = Visible();
    options_ = options;
    // A layer that disappears must be painted over, so a change of visibility counts as well.
    if (!(options_ & LayerNoUpdate) && (wasVisible || Visible()) && collection_)
        collection_->RequestRepaint(PaintArea());
}

void TCustomLayer::SetVisible(bool visible) {
    SetLayerOptions(visible ? (options_ | LayerVisible) : (options_ & ~LayerVisible));
}

void TCustomLayer::Paint(TBitmap32&, TPoint) {}

bool TCustomLayer::HitTest(int, int) const {
    return false;
}

void TCustomLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TCustomLayer::MouseMove(TMouseButtons, TShiftState, int, int) {}

void TCustomLayer::MouseUp(TMouseButton, TMouseButtons, TShiftState, int, int) {}

void TCustomLayer::AddFreeNotification(TCustomLayer* other) {
    if (!other || other == this) return;
    if (std::find(freeLinks_.begin(), freeLinks_.end(), other) == freeLinks_.end())
        freeLinks_.push_back(other);
    if (std::find(other->freeLinks_.begin(), other->freeLinks_.end(), this) ==
        other->freeLinks_.end())
        other->freeLinks_.push_back(this);
}

void TCustomLayer::RemoveFreeNotification(TCustomLayer* other) {
    if (!other) return;
    std::erase(freeLinks_, other);
    std::erase(other->freeLinks_, this);
}

void TCustomLayer::Notification(TCustomLayer*) {}

void TCustomLayer::NotifyFreed() {
    // Unlink first, so a handler that touches the links again cannot revisit this layer.
    while (!freeLinks_.empty()) {
        TCustomLayer* other = freeLinks_.back();
        freeLinks_.pop_back();
        std::erase(other->freeLinks_, this);
        other->Notification(this);
    }
}

void TCustomLayer::Changed() {
    Changed(PaintArea());
}

void TCustomLayer::Changed(const std::optional<TRect>& area) {
    if (!collection_ || (options_ & LayerNoUpdate) || !Visible()) return;
    collection_->RequestRepaint(area);
}

// ------------------------------------------------------------------------ TPositionedLayer

TPositionedLayer::TPositionedLayer(TLayerCollection& collection)
    : TCustomLayer(collection, LayerVisible | LayerMouseEvents) {}

void TPositionedLayer::SetLocation(const TFloatRect& location) {
    StoreLocation(location);
}

void TPositionedLayer::StoreLocation(const TFloatRect& location) {
    if (location == location_) return;
    const auto before = PaintArea();
    location_ = location;
    Changed(UnionArea(before, PaintArea()));
}

void TPositionedLayer::SetScaled(bool scaled) {
    if (scaled == scaled_) return;
    const auto before = PaintArea();
    scaled_ = scaled;
    Changed(UnionArea(before, PaintArea()));
}

TFloatRect TPositionedLayer::AdjustedLocation() const {
    const TImgView32* view = View();
    if (!scaled_ || !view) return location_;
    const TViewTransform& t = view->Transform();
    const double sx = double(t.ScaleX) / 65536.0, sy = double(t.ScaleY) / 65536.0;
    return {float(location_.Left * sx + t.ShiftX), float(location_.Top * sy + t.ShiftY),
            float(location_.Right * sx + t.ShiftX), float(location_.Bottom * sy + t.ShiftY)};
}

bool TPositionedLayer::HitTest(int x, int y) const {
    const TFloatRect r = AdjustedLocation();
    return r.Left <= float(x) && float(x) < r.Right && r.Top <= float(y) && float(y) < r.Bottom;
}

std::optional<TRect> TPositionedLayer::PaintArea() const {
    const TFloatRect r = AdjustedLocation();
    // Rounding to nearest keeps every edge inside [floor, ceil].
    return TRect{RoundCoord(std::floor(r.Left)) - kRepaintMargin,
                 RoundCoord(std::floor(r.Top)) - kRepaintMargin,
                 RoundCoord(std::ceil(r.Right)) + kRepaintMargin,
                 RoundCoord(std::ceil(r.Bottom)) + kRepaintMargin};
}

// ---------------------------------------------------------------------------- TBitmapLayer

TBitmapLayer::TBitmapLayer(TLayerCollection& collection) : TPositionedLayer(collection) {
    bitmap_.OnChange = [this] { Changed(); };
}

TBitmapLayer::~TBitmapLayer() {
    bitmap_.OnChange = nullptr;
}

void TBitmapLayer::Paint(TBitmap32& target, TPoint origin) {
    if (bitmap_.Empty()) return;
    TRect r = RoundRect(AdjustedLocation());
    if (r.IsEmpty()) return;
    r = {r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y};
    target.Draw(r, bitmap_.BoundsRect(), bitmap_);
}

// ------------------------------------------------------------------------ TLayerCollection

TLayerCollection::TLayerCollection(TImgView32& view) : view_(view) {}

TLayerCollection::~TLayerCollection() {
    destroying_ = true;
    lockCount_ = 0;
    Clear();
    freed_.clear();
}

void TLayerCollection::Insert(std::unique_ptr<TCustomLayer> layer) {
    items_.push_back(std::move(layer));
    items_.back()->Changed();
}

TCustomLayer* TLayerCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[std::size_t(index)].get();
}

int TLayerCollection::IndexOf(const TCustomLayer* layer) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == layer) return int(i);
    return -1;
}

void TLayerCollection::Delete(TCustomLayer* layer) {
    const int index = IndexOf(layer);
    if (index < 0) return;
    const bool repaint = layer->Visible() && !(layer->LayerOptions() & LayerNoUpdate);
    const auto area = layer->PaintArea();
    std::unique_ptr<TCustomLayer> owned = std::move(items_[std::size_t(index)]);
    items_.erase(items_.begin() + index);
    if (mouseListener_ == layer) mouseListener_ = nullptr;
    layer->collection_ = nullptr;
    layer->Removed();
    // Linked layers (a frame and its child) hear of it now, while the layer is still whole.
    layer->NotifyFreed();
    if (repaint) RequestRepaint(area);
    if (lockCount_ > 0)
        freed_.push_back(std::move(owned));
    else
        owned.reset();
}

void TLayerCollection::Clear() {
    while (!items_.empty())
        Delete(items_.back().get());
}

void TLayerCollection::BringToFront(TCustomLayer* layer) {
    const int index = IndexOf(layer);
    if (index < 0 || index == Count() - 1) return;
    std::unique_ptr<TCustomLayer> owned = std::move(items_[std::size_t(index)]);
    items_.erase(items_.begin() + index);
    items_.push_back(std::move(owned));
    layer->Changed();
}

TCustomLayer* TLayerCollection::FindLayerAt(int x, int y) const {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        TCustomLayer* layer = it->get();
        if ((layer->LayerOptions() & LayerMouseEvents) && layer->HitTest(x, y)) return layer;
    }
    return nullptr;
}

void TLayerCollection::Unlock() {
    if (lockCount_ > 0 && --lockCount_ == 0) {
        // Destroying a layer can free others through its links: take the list out first.
        while (!freed_.empty()) {
            auto batch = std::move(freed_);
            freed_.clear();
            batch.clear();
        }
    }
}

void TLayerCollection::Paint(TBitmap32& target, TPoint origin) {
    for (auto& layer : items_)
        if (layer->Visible()) layer->Paint(target, origin);
}

void TLayerCollection::RequestRepaint(const std::optional<TRect>& area) {
    if (destroying_) return;
    if (area)
        view_.InvalidateRect(*area);
    else
        view_.Invalidate();
}

} // namespace lumetta
