#pragma once
// Shows a TImgView32 on screen: scroll bars, painting of the model's off-screen buffer, mouse
// and wheel input forwarded in control coordinates. All behaviour lives in the model.
//
// Control coordinates are device pixels: on a screen with a device pixel ratio above 1 (a
// high-DPI screen, or QT_SCALE_FACTOR) the model is laid out at the screen's own resolution,
// so a picture at scale 1 shows one picture pixel per screen pixel, and pointer positions are
// mapped to the device pixel under the pointer.
#include "view/ImgView32.h"

#include <QAbstractScrollArea>

namespace lumetta::ui {

class ImageViewWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ImageViewWidget(QWidget* parent = nullptr);
    ~ImageViewWidget() override;

    TImgView32& Model() { return model_; }
    TBitmap32& Picture() { return model_.Picture(); }
    float Scale() const { return model_.Scale(); }
    void SetScale(float scale) { model_.SetScale(scale); }
    int LayerCount() const { return model_.Layers().Count(); }
    void ClearLayers() { model_.Layers().Clear(); }
    // Wheel turns are reported through wheelTurned instead of scrolling the view.
    void SetWheelZoom(bool on) { wheelZoom_ = on; }
    void ReleaseMouseCapture();
    // Accepts picture drags (from the thumbnail list or any other program). Drags of files are
    // left to the window (they open the file).
    void SetAcceptPictureDrops(bool on);

signals:
    // A press, after the layers have seen it; layerHit tells whether one was under the pointer.
    void mousePressed(int button, int x, int y, bool layerHit);
    // A release, after the layers have seen it.
    void mouseReleased();
    // Wheel turned: negative towards the user.
    void wheelTurned(int delta);
    // A picture was dropped on the view.
    void pictureDropped();
    // A double-click, after the press it also is has been handled.
    void mouseDoubleClicked(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SyncGeometry();
    void SyncScrollBars();
    // The device pixel under a point of the viewport (logical coordinates).
    QPoint ControlPoint(const QPointF& viewportPoint) const;
    // A length of the viewport in device pixels, covering every pixel it touches.
    int DeviceLength(int logical) const;

    TImgView32 model_;
    TBitmap32 buffer_;
    qreal ratio_ = 1.0; // device pixels per logical pixel that the model is laid out for
    bool wheelZoom_ = false;
    bool syncing_ = false;
};

} // namespace lumetta::ui
