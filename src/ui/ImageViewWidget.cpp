#include "ui/ImageViewWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace lumetta::ui {

namespace {

TMouseButton ToButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

TMouseButtons ToButtons(Qt::MouseButtons b) {
    TMouseButtons result = mbsNone;
    if (b & Qt::LeftButton) result |= mbsLeft;
    if (b & Qt::RightButton) result |= mbsRight;
    if (b & Qt::MiddleButton) result |= mbsMiddle;
    return result;
}

TShiftState ToShift(Qt::KeyboardModifiers m) {
    TShiftState s = ssNone;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    if (m & Qt::AltModifier) s |= ssAlt;
    return s;
}

Qt::CursorShape ToCursor(TCursorShape shape) {
    switch (shape) {
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

} // namespace

ImageViewWidget::ImageViewWidget(QWidget* parent) : QAbstractScrollArea(parent) {
    // The viewport is always the control less the scroll bars, so both bars stay present.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    model_.OnInvalidate = [this](const std::optional<TRect>& area) {
        if (area) {
            // Device pixels to the logical pixels that cover them.
            const int left = int(std::floor(area->Left / ratio_));
            const int top = int(std::floor(area->Top / ratio_));
            const int right = int(std::ceil(area->Right / ratio_));
            const int bottom = int(std::ceil(area->Bottom / ratio_));
            viewport()->update(QRect(left, top, right - left, bottom - top));
        } else {
            viewport()->update();
        }
    };
    model_.OnGeometryChanged = [this] { SyncScrollBars(); };
    SyncGeometry();
}

ImageViewWidget::~ImageViewWidget() {
    model_.OnInvalidate = nullptr;
    model_.OnGeometryChanged = nullptr;
}

void ImageViewWidget::SyncGeometry() {
    ratio_ = viewport()->devicePixelRatioF();
    const int bar = DeviceLength(style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    model_.SetScrollBarSize(bar);
    model_.SetControlSize(DeviceLength(viewport()->width()) + bar,
                          DeviceLength(viewport()->height()) + bar);
    SyncScrollBars();
}

int ImageViewWidget::DeviceLength(int logical) const {
    return int(std::ceil(logical * ratio_ - 1e-6));
}

void ImageViewWidget::SyncScrollBars() {
    if (syncing_) return;
    syncing_ = true;
    const TRect vp = model_.ViewportRect();
    horizontalScrollBar()->setRange(0, model_.ScrollRangeX());
    horizontalScrollBar()->setPageStep(std::max(1, vp.Width()));
    horizontalScrollBar()->setSingleStep(std::max(1, vp.Width() / 20));
    horizontalScrollBar()->setValue(model_.ScrollX());
    verticalScrollBar()->setRange(0, model_.ScrollRangeY());
    verticalScrollBar()->setPageStep(std::max(1, vp.Height()));
    verticalScrollBar()->setSingleStep(std::max(1, vp.Height() / 20));
    verticalScrollBar()->setValue(model_.ScrollY());
    syncing_ = false;
    viewport()->update();
}

void ImageViewWidget::scrollContentsBy(int, int) {
    if (syncing_) return;
    model_.SetScroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->update();
}

void ImageViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SyncGeometry();
}

void ImageViewWidget::paintEvent(QPaintEvent* event) {
    // The window went to a screen of another resolution: lay the model out again first.
    if (viewport()->devicePixelRatioF() != ratio_) SyncGeometry();
    const QRect r = event->rect().intersected(viewport()->rect());
    if (r.isEmpty()) return;
    if (buffer_.Width() != model_.ControlWidth() || buffer_.Height() != model_.ControlHeight())
        buffer_.SetSize(model_.ControlWidth(), model_.ControlHeight());
    const TRect area{int(std::floor(r.left() * ratio_)), int(std::floor(r.top() * ratio_)),
                     std::min(DeviceLength(r.right() + 1), model_.ControlWidth()),
                     std::min(DeviceLength(r.bottom() + 1), model_.ControlHeight())};
    model_.Paint(buffer_, area);
    // Shown without its alpha channel, one buffer pixel per device pixel: the painter clips the
    // whole buffer to the region being repainted.
    QImage image(reinterpret_cast<const uchar*>(buffer_.ConstBits()), buffer_.Width(),
                 buffer_.Height(), buffer_.Width() * 4, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio_);
    QPainter painter(viewport());
    painter.setClipRect(r);
    painter.drawImage(QPointF(0, 0), image);
}

QPoint ImageViewWidget::ControlPoint(const QPointF& p) const {
    // Positions are logical and may carry fractions of a pixel; the small allowance keeps a
    // device pixel's own position, divided by a ratio like 1.5 and multiplied back, in place.
    return QPoint(int(std::floor(p.x() * ratio_ + 1e-6)), int(std::floor(p.y() * ratio_ + 1e-6)));
}

void ImageViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = ControlPoint(event->position());
    TCustomLayer* found = nullptr;
    auto previous = model_.OnMouseDown;
    model_.OnMouseDown = [&found, &previous](TMouseButton b, TShiftState s, int x, int y,
                                             TCustomLayer* layer) {
        found = layer;
        if (previous) previous(b, s, x, y, layer);
    };
    model_.MouseDown(ToButton(event->button()), ToShift(event->modifiers()), p.x(), p.y());
    model_.OnMouseDown = previous;
    emit mousePressed(int(ToButton(event->button())), p.x(), p.y(), found != nullptr);
}

void ImageViewWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = ControlPoint(event->position());
    model_.MouseMove(ToButtons(event->buttons()), ToShift(event->modifiers()), p.x(), p.y());
    viewport()->setCursor(ToCursor(model_.CursorShape()));
}

void ImageViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = ControlPoint(event->position());
    model_.MouseUp(ToButton(event->button()), ToButtons(event->buttons()),
                   ToShift(event->modifiers()), p.x(), p.y());
    emit mouseReleased();
}

void ImageViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click is a press like any other.
    mousePressEvent(event);
    const QPoint p = ControlPoint(event->position().toPoint());
    if (event->button() == Qt::LeftButton) emit mouseDoubleClicked(p.x(), p.y());
}

void ImageViewWidget::wheelEvent(QWheelEvent* event) {
    if (!wheelZoom_) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0) emit wheelTurned(delta);
    event->accept();
}

void ImageViewWidget::ReleaseMouseCapture() {
    model_.Layers().SetMouseListener(nullptr);
    if (QWidget::mouseGrabber() == viewport()) viewport()->releaseMouse();
}

} // namespace lumetta::ui

namespace lumetta::ui {

void ImageViewWidget::SetAcceptPictureDrops(bool on) {
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
}

namespace {

// A picture to apply as the object last pressed: picture data that is not a file of the
// user's (files are opened by the window).
bool IsPictureDrag(const QMimeData* data) {
    if (!data || !data->hasImage()) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return false;
    return true;
}

} // namespace

void ImageViewWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (IsPictureDrag(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ImageViewWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (IsPictureDrag(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ImageViewWidget::dropEvent(QDropEvent* event) {
    if (!IsPictureDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pictureDropped();
}

} // namespace lumetta::ui
