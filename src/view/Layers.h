#pragma once
// Layers floating over the picture of a TImgView32, and the collection that owns them.
//
// A layer is created inside a collection (TLayerCollection::Add<T>, appended on top) and lives
// until it is freed (TCustomLayer::Free or TLayerCollection::Delete) or the collection is
// cleared. Freeing is safe from inside the layer's own event handlers: while the view routes a
// mouse event the collection only unlinks freed layers (they vanish from the list, the hit
// tests and the painting at once) and destroys them when the event has been handled.
#include "imaging/Bitmap32.h"
#include "view/ViewTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumetta {

class TImgView32;
class TLayerCollection;

using TLayerOptions = std::uint32_t;
constexpr TLayerOptions LayerVisible = 0x80000000u;     // the layer is painted
constexpr TLayerOptions LayerMouseEvents = 0x20000000u; // hit testing and mouse input
constexpr TLayerOptions LayerNoUpdate = 0x10000000u;    // its changes alone do not repaint the view

class TCustomLayer;

using TLayerMouseEvent =
    std::function<void(TCustomLayer* sender, TMouseButton button, TShiftState shift, int x, int y)>;

class TCustomLayer {
public:
    explicit TCustomLayer(TLayerCollection& collection, TLayerOptions options = LayerVisible);
    virtual ~TCustomLayer();
    TCustomLayer(const TCustomLayer&) = delete;
    TCustomLayer& operator=(const TCustomLayer&) = delete;

    // The collection holding the layer; null once the layer has been freed.
    TLayerCollection* Collection() const { return collection_; }
    TImgView32* View() const;
    // Position in the collection, 0 at the bottom; -1 once freed.
    int Index() const;
    void BringToFront();
    // Removes the layer from its collection and destroys it (deferred while the view is routing
    // a mouse event, see the file comment).
    void Free();

    TLayerOptions LayerOptions() const { return options_; }
    void SetLayerOptions(TLayerOptions options);
    bool Visible() const { return (options_ & LayerVisible) != 0; }
    void SetVisible(bool visible);

    // Raised by the layer when it receives a press.
    TLayerMouseEvent OnMouseDown;

    // ---- used by the view ----
    virtual void Paint(TBitmap32& target, TPoint origin);
    virtual bool HitTest(int x, int y) const;
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TMouseButtons buttons, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TMouseButtons buttons, TShiftState shift, int x,
                         int y);
    // Pointer shape while the pointer is routed to this layer.
    virtual TCursorShape Cursor() const { return crDefault; }
    // The control area the layer paints on; nullopt means the whole control.
    virtual std::optional<TRect> PaintArea() const { return std::nullopt; }

    // ---- free notification ----
    // Links two layers so that each hears of the other's removal (Notification) and neither is
    // left holding a dangling pointer. The link is removed again by RemoveFreeNotification or
    // when either layer goes away.
    void AddFreeNotification(TCustomLayer* other);
    void RemoveFreeNotification(TCustomLayer* other);

protected:
    // Another layer linked by AddFreeNotification is being freed.
    virtual void Notification(TCustomLayer* freed);
    // This layer has just been taken out of its collection (it may live on briefly, see the
    // file comment).
    virtual void Removed() {}
    // The layer changed: asks the view to repaint its area unless it has LayerNoUpdate or is
    // hidden.
    void Changed();
    void Changed(const std::optional<TRect>& area);

private:
    friend class TLayerCollection;
    void NotifyFreed();

    TLayerCollection* collection_;
    TLayerOptions options_;
    std::vector<TCustomLayer*> freeLinks_;
};

class TPositionedLayer : public TCustomLayer {
public:
    explicit TPositionedLayer(TLayerCollection& collection);

    // Picture coordinates when Scaled, control coordinates otherwise.
    const TFloatRect& Location() const { return location_; }
    virtual void SetLocation(const TFloatRect& location);
    bool Scaled() const { return scaled_; }
    void SetScaled(bool scaled);
    // Location in control coordinates through the view's current transform.
    TFloatRect AdjustedLocation() const;

    bool HitTest(int x, int y) const override;
    std::optional<TRect> PaintArea() const override;

protected:
    // Covers the rounded adjusted location plus this many pixels on each side. Wide enough for
    // a selection frame's handles: a frame attached to a child moves with LayerNoUpdate and
    // relies on the child's repaint to clear its old handles.
    static constexpr int kRepaintMargin = 8;
    void StoreLocation(const TFloatRect& location); // sets and repaints, nothing else

private:
    TFloatRect location_{0, 0, 64, 64};
    bool scaled_ = false;
};

class TBitmapLayer : public TPositionedLayer {
public:
    explicit TBitmapLayer(TLayerCollection& collection);
    ~TBitmapLayer() override;

    // The layer's own bitmap; changing it repaints the layer.
    TBitmap32& Bitmap() { return bitmap_; }
    const TBitmap32& Bitmap() const { return bitmap_; }

    void Paint(TBitmap32& target, TPoint origin) override;

private:
    TBitmap32 bitmap_;
};

class TLayerCollection {
public:
    explicit TLayerCollection(TImgView32& view);
    ~TLayerCollection();
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    // Creates a layer on top of the others.
    template <class T> T* Add() {
        auto layer = std::make_unique<T>(*this);
        T* raw = layer.get();
        Insert(std::move(layer));
        return raw;
    }

    int Count() const { return int(items_.size()); }
    // EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
    TCustomLayer* Items(int index) const;
    int IndexOf(const TCustomLayer* layer) const;
    // Frees one layer (removes it and destroys it, deferred while locked).
    void Delete(TCustomLayer* layer);
    // Frees every layer.
    void Clear();
    void BringToFront(TCustomLayer* layer);

    // The layer that receives every mouse event until no button is held.
    TCustomLayer* MouseListener() const { return mouseListener_; }
    void SetMouseListener(TCustomLayer* layer) { mouseListener_ = layer; }
    // Topmost layer with LayerMouseEvents whose hit test passes at (x, y), or null.
    TCustomLayer* FindLayerAt(int x, int y) const;

    TImgView32& View() const { return view_; }

    // While locked, freed layers are unlinked at once but destroyed only when the outermost
    // lock ends. The view locks around every mouse event it routes.
    void Lock() { ++lockCount_; }
    void Unlock();
    struct TLockGuard {
        explicit TLockGuard(TLayerCollection& c) : collection(c) { c.Lock(); }
        ~TLockGuard() { collection.Unlock(); }
        TLockGuard(const TLockGuard&) = delete;
        TLockGuard& operator=(const TLockGuard&) = delete;
        TLayerCollection& collection;
    };

    // Paints every visible layer, bottom first.
    void Paint(TBitmap32& target, TPoint origin);

private:
    friend class TCustomLayer;
    void Insert(std::unique_ptr<TCustomLayer> layer);
    void RequestRepaint(const std::optional<TRect>& area);

    TImgView32& view_;
    std::vector<std::unique_ptr<TCustomLayer>> items_;
    std::vector<std::unique_ptr<TCustomLayer>> freed_; // unlinked, awaiting destruction
    TCustomLayer* mouseListener_ = nullptr;
    int lockCount_ = 0;
    bool destroying_ = false;
};

} // namespace lumetta
