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
            viewport()->update(QRect(area->Left, area->Top, area->Width(), area->Height()));
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
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    model_.SetScrollBarSize(bar);
    model_.SetControlSize(viewport()->width() + bar, viewport()->height() + bar);
    SyncScrollBars();
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
    const QRect r = event->rect().intersected(viewport()->rect());
    if (r.isEmpty()) return;
    if (buffer_.Width() != model_.ControlWidth() || buffer_.Height() != model_.ControlHeight())
        buffer_.SetSize(model_.ControlWidth(), model_.ControlHeight());
    model_.Paint(buffer_, TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    // Shown without its alpha channel.
    const QImage image(reinterpret_cast<const uchar*>(buffer_.ConstBits()), buffer_.Width(),
                       buffer_.Height(), buffer_.Width() * 4, QImage::Format_RGB32);
    QPainter painter(viewport());
    painter.drawImage(r.topLeft(), image, r);
}

QPoint ImageViewWidget::ControlPoint(const QPoint& p) const {
    return p;
}

void ImageViewWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint p = ControlPoint(event->position().toPoint());
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
    const QPoint p = ControlPoint(event->position().toPoint());
    model_.MouseMove(ToButtons(event->buttons()), ToShift(event->modifiers()), p.x(), p.y());
    viewport()->setCursor(ToCursor(model_.CursorShape()));
}

void ImageViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = ControlPoint(event->position().toPoint());
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
