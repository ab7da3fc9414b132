#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetta {
namespace {

using test::SetUpView;

// A positioned layer that records its destruction.
class ProbeLayer : public TPositionedLayer {
public:
    explicit ProbeLayer(TLayerCollection& c) : TPositionedLayer(c) {}
    ~ProbeLayer() override {
        if (destroyed) *destroyed = true;
    }
    bool* destroyed = nullptr;
    int moves = 0, ups = 0;
    void MouseMove(TMouseButtons, TShiftState, int, int) override { ++moves; }
    void MouseUp(TMouseButton, TMouseButtons, TShiftState, int, int) override { ++ups; }
};

struct Press {
    TMouseButton button;
    int x, y;
    TCustomLayer* layer;
};

// A 100 x 100 view at Scale 1 showing a 100 x 100 picture at (0, 0).
struct ViewFixture : ::testing::Test {
    TImgView32 view;
    std::vector<Press> viewPresses;
    void SetUp() override {
        SetUpView(view, 100, 100, TBitmap32(100, 100));
        view.OnMouseDown = [this](TMouseButton b, TShiftState, int x, int y, TCustomLayer* l) {
            viewPresses.push_back({b, x, y, l});
        };
    }
    ProbeLayer* AddAt(const TFloatRect& r) {
        auto* layer = view.Layers().Add<ProbeLayer>();
        layer->SetScaled(true);
        layer->SetLocation(r);
        return layer;
    }
};

TEST_F(ViewFixture, CollectionOwnsOrdersAndFreesLayers) {
    TLayerCollection& layers = view.Layers();
    bool aGone = false, bGone = false, cGone = false;
    ProbeLayer* a = AddAt({0, 0, 10, 10});
    ProbeLayer* b = AddAt({0, 0, 10, 10});
    ProbeLayer* c = AddAt({0, 0, 10, 10});
    a->destroyed = &aGone;
    b->destroyed = &bGone;
    c->destroyed = &cGone;
    EXPECT_EQ(layers.Count(), 3);
    EXPECT_EQ(a->Index(), 0);
    EXPECT_EQ(c->Index(), 2);
    EXPECT_EQ(a->LayerOptions(), LayerVisible | LayerMouseEvents);
    EXPECT_EQ(a->Location(), (TFloatRect{0, 0, 10, 10}));

    a->BringToFront();
    EXPECT_EQ(layers.Items(2), a);
    EXPECT_EQ(layers.IndexOf(b), 0);
    b->Free();
    EXPECT_TRUE(bGone);
    EXPECT_EQ(layers.Count(), 2);
    EXPECT_EQ(layers.IndexOf(b), -1);
    try {
        layers.Items(-1);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
    }
    EXPECT_THROW(layers.Items(2), EListError);
    layers.Clear();
    EXPECT_TRUE(aGone);
    EXPECT_TRUE(cGone);
    EXPECT_EQ(layers.Count(), 0);
}

TEST_F(ViewFixture, NewPositionedLayerHasTheDefaultLocation) {
    auto* layer = view.Layers().Add<TBitmapLayer>();
    EXPECT_EQ(layer->Location(), (TFloatRect{0, 0, 64, 64}));
    EXPECT_FALSE(layer->Scaled());
    EXPECT_EQ(layer->Bitmap().DrawMode, dmOpaque);
}

TEST_F(ViewFixture, RightPressReportsTheLayerWithoutMakingItHolder) {
    ProbeLayer* layer = AddAt({10, 10, 50, 50});
    int layerPresses = 0;
    layer->OnMouseDown = [&](TCustomLayer*, TMouseButton, TShiftState, int, int) {
        ++layerPresses;
    };
    view.MouseDown(mbRight, ssNone, 20, 20);
    ASSERT_EQ(viewPresses.size(), 1u);
    EXPECT_EQ(viewPresses[0].layer, layer);
    EXPECT_EQ(viewPresses[0].button, mbRight);
    EXPECT_EQ(layerPresses, 0);
    EXPECT_EQ(view.Layers().MouseListener(), nullptr);

    // A left press makes it the holder, which then gets every event, also away from it.
    view.MouseDown(mbLeft, ssShift, 20, 20);
    EXPECT_EQ(layerPresses, 1);
    EXPECT_EQ(view.Layers().MouseListener(), layer);
    EXPECT_EQ(viewPresses.back().layer, layer);
    view.MouseMove(mbsLeft, ssNone, 90, 90);
    EXPECT_EQ(layer->moves, 1);
    view.MouseUp(mbLeft, mbsRight, ssNone, 90, 90); // right still held: keeps the holder
    EXPECT_EQ(layer->ups, 1);
    EXPECT_EQ(view.Layers().MouseListener(), layer);
    view.MouseUp(mbRight, mbsNone, ssNone, 90, 90);
    EXPECT_EQ(layer->ups, 2);
    EXPECT_EQ(view.Layers().MouseListener(), nullptr);

    // Without a holder, moves and releases go to the layer under the pointer only.
    view.MouseMove(mbsNone, ssNone, 90, 90);
    view.MouseUp(mbLeft, mbsNone, ssNone, 90, 90);
    EXPECT_EQ(layer->moves, 1);
    EXPECT_EQ(layer->ups, 2);
    view.MouseMove(mbsNone, ssNone, 49, 49);
    EXPECT_EQ(layer->moves, 2);
}

TEST_F(ViewFixture, PressFindsTheTopmostLayerTakingMouseEvents) {
    ProbeLayer* bottom = AddAt({0, 0, 60, 60});
    ProbeLayer* top = AddAt({20, 20, 80, 80});
    view.MouseDown(mbRight, ssNone, 30, 30);
    EXPECT_EQ(viewPresses.back().layer, top);
    top->SetLayerOptions(LayerVisible); // visible but deaf
    view.MouseDown(mbRight, ssNone, 30, 30);
    EXPECT_EQ(viewPresses.back().layer, bottom);
    bottom->SetVisible(false); // hidden layers still hit when they take mouse events
    view.MouseDown(mbRight, ssNone, 30, 30);
    EXPECT_EQ(viewPresses.back().layer, bottom);
    // Right and bottom edges are exclusive.
    view.MouseDown(mbRight, ssNone, 60, 10);
    EXPECT_EQ(viewPresses.back().layer, nullptr);
    // A left press on nothing leaves no holder.
    view.MouseDown(mbLeft, ssNone, 95, 95);
    EXPECT_EQ(view.Layers().MouseListener(), nullptr);
    EXPECT_EQ(viewPresses.back().layer, nullptr);
}

TEST_F(ViewFixture, LayersMayBeFreedFromInsideEventHandlers) {
    bool gone = false;
    ProbeLayer* layer = AddAt({10, 10, 50, 50});
    layer->destroyed = &gone;
    layer->OnMouseDown = [&](TCustomLayer* sender, TMouseButton, TShiftState, int, int) {
        sender->Free();
        EXPECT_EQ(view.Layers().Count(), 0); // gone from the list at once
        EXPECT_FALSE(gone);                  // but alive until the event is handled
    };
    view.MouseDown(mbLeft, ssNone, 20, 20);
    EXPECT_TRUE(gone);
    EXPECT_EQ(viewPresses.back().layer, nullptr); // a freed layer is not reported
    EXPECT_EQ(view.Layers().MouseListener(), nullptr);
    view.MouseMove(mbsLeft, ssNone, 21, 21);
    view.MouseUp(mbLeft, mbsNone, ssNone, 21, 21);

    // The view's own handler clearing every layer, the holder included.
    AddAt({10, 10, 50, 50});
    AddAt({0, 0, 100, 100});
    view.OnMouseDown = [&](TMouseButton, TShiftState, int, int, TCustomLayer*) {
        view.Layers().Clear();
    };
    view.MouseDown(mbLeft, ssNone, 20, 20);
    EXPECT_EQ(view.Layers().Count(), 0);
    view.MouseMove(mbsLeft, ssNone, 30, 30);
    view.MouseUp(mbLeft, mbsNone, ssNone, 30, 30);

    // A move handler of the view freeing the layer that received the move.
    ProbeLayer* moved = AddAt({0, 0, 100, 100});
    view.OnMouseMove = [&](TMouseButtons, TShiftState, int, int, TCustomLayer* l) {
        if (l) l->Free();
    };
    view.MouseMove(mbsNone, ssNone, 5, 5);
    EXPECT_EQ(view.Layers().IndexOf(moved), -1);
}

TEST_F(ViewFixture, LayerChangesRepaintTheirOldAndNewArea) {
    ProbeLayer* layer = AddAt({10, 10, 20, 20});
    test::InvalidateLog log;
    log.Attach(view);
    layer->SetLocation({60, 60, 70, 70});
    ASSERT_EQ(log.calls.size(), 1u);
    ASSERT_TRUE(log.calls[0].has_value());
    EXPECT_TRUE(log.Covers(10, 10));
    EXPECT_TRUE(log.Covers(69, 69));
    log.calls.clear();
    layer->SetLocation({60, 60, 70, 70}); // unchanged: nothing to repaint
    EXPECT_TRUE(log.calls.empty());
    layer->SetLayerOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);
    layer->SetLocation({0, 0, 5, 5});
    EXPECT_TRUE(log.calls.empty());
    layer->SetLayerOptions(LayerVisible | LayerMouseEvents);
    EXPECT_FALSE(log.calls.empty());
    log.calls.clear();
    layer->SetVisible(false); // disappearing repaints
    EXPECT_TRUE(log.Covers(2, 2));
    log.calls.clear();
    layer->SetLocation({30, 30, 40, 40}); // hidden: nothing to repaint
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(ViewFixture, BitmapLayerRepaintsWhenItsBitmapChanges) {
    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().SetSize(4, 4);
    test::InvalidateLog log;
    log.Attach(view);
    layer->Bitmap().FlipHorz();
    EXPECT_FALSE(log.calls.empty());
}

} // namespace
} // namespace lumetta
