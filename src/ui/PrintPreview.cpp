#include "ui/PrintPreview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace lumetta::ui {

namespace {
QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

QColor ToQColor(TColor32 c) {
    return QColor(RedComponent(c), GreenComponent(c), BlueComponent(c), AlphaComponent(c));
}
} // namespace

// ---------------------------------------------------------------- recorded page

void TRecordedPage::StretchDraw(const QRect& dest, const QImage& picture) {
    items_.push_back({dest, picture});
}

void TRecordedPage::PlayAt(QPainter& painter, const QPoint& origin) const {
    for (const Item& item : items_)
        painter.drawImage(item.dest.translated(origin), item.picture);
}

QImage TRecordedPage::Render(const QSize& size) const {
    // A page beyond the picture limits (a huge paper size at a large scale) is not rendered:
    // the preview then shows it empty rather than exhausting memory while painting.
    if (!PictureSizeAllowed(size.width(), size.height())) return {};
    QImage page(size, QImage::Format_ARGB32_Premultiplied);
    page.fill(Qt::transparent);
    if (width_ <= 0 || height_ <= 0 || size.isEmpty()) return page;
    QPainter painter(&page);
    const double sx = double(size.width()) / width_;
    const double sy = double(size.height()) / height_;
    for (const Item& item : items_) {
        const QRectF dest(item.dest.left() * sx, item.dest.top() * sy, item.dest.width() * sx,
                          item.dest.height() * sy);
        const QSize scaled = dest.toAlignedRect().size();
        if (scaled.isEmpty()) continue;
        // Scaling once, smoothly, keeps a large photo readable at preview size.
        painter.drawImage(
            dest, item.picture.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return page;
}

// ---------------------------------------------------------------- preview control

TJvPreviewControl::TJvPreviewControl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    // Page mode snaps a dragged thumb to whole rows.
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, [this](int value) {
        if (!layout_.PageMode()) return;
        const int step = layout_.VertStep();
        verticalScrollBar()->setValue(value / step * step);
    });
}

void TJvPreviewControl::SetDeviceInfo(const TJvDeviceInfo& info) {
    layout_.DeviceInfo = info;
    UpdateLayout();
}

void TJvPreviewControl::Clear() {
    pages_.clear();
    rendered_.clear();
    UpdateLayout();
}

void TJvPreviewControl::AddPage(TRecordedPage page) {
    pages_.push_back(std::move(page));
    rendered_.resize(pages_.size());
    UpdateLayout();
}

void TJvPreviewControl::UpdateLayout() {
    const QSize client = viewport()->size();
    layout_.ClientWidth = client.width();
    layout_.ClientHeight = client.height();
    layout_.ScreenDpiX = logicalDpiX();
    layout_.ScreenDpiY = logicalDpiY();
    layout_.ScrollBarHeight = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    layout_.PageCount = PageCount();
    layout_.Update();
    UpdateScrollBars();
    viewport()->update();
}

void TJvPreviewControl::UpdateScrollBars() {
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const bool pageMode = layout_.PageMode();
    // Page mode never scrolls sideways: its bar has no range and shows disabled.
    h->setRange(0, pageMode ? 0 : layout_.HorzRange());
    h->setSingleStep(layout_.HorzStep());
    h->setPageStep(layout_.HorzStep());
    v->setRange(0, layout_.VertRange());
    v->setSingleStep(layout_.VertStep());
    v->setPageStep(layout_.VertStep());
}

const QImage& TJvPreviewControl::RenderedPage(int i) {
    QImage& cached = rendered_.at(std::size_t(i));
    const QSize size(layout_.PageWidth, layout_.PageHeight);
    if (cached.size() != size) cached = pages_.at(std::size_t(i)).Render(size);
    return cached;
}

void TJvPreviewControl::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QRect client = viewport()->rect();
    painter.fillRect(client, palette().color(QPalette::Dark));

    const TPreviewLayout& l = layout_;
    const int hScroll = l.PageMode() ? 0 : horizontalScrollBar()->value();
    const int vScroll = verticalScrollBar()->value();
    const int P = PageCount();
    const bool pageMode = l.PageMode();
    const auto& shadow = l.Options.Shadow;
    for (int k = 0; k <= std::max(0, P - 1); ++k) {
        for (int c = 0; c < l.ShownCols; ++c) {
            const int i = k * l.ShownCols + c;
            if (i >= P && P != 0) return;
            const QRect page = ToQRect(l.SlotPageRect(i, hScroll, vScroll));
            const bool shown = pageMode ? client.contains(page) : client.intersects(page);
            if (shown) {
                if (shadow.Offset != 0)
                    painter.fillRect(page.translated(shadow.Offset, shadow.Offset),
                                     ToQColor(shadow.Color));
                painter.fillRect(page, ToQColor(l.Options.Color));
                if (i < P) painter.drawImage(page.topLeft(), RenderedPage(i));
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
                painter.drawRect(page.adjusted(0, 0, -1, -1));
                if (i == selectedPage_ && Selection.Visible) {
                    painter.setPen(QPen(Selection.Color, Selection.Width));
                    painter.drawRect(page.adjusted(0, 0, -1, -1));
                }
                const QRect print = ToQRect(l.SlotPrintRect(i, hScroll, vScroll));
                if (l.Options.DrawMargins && print != page) {
                    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
                    painter.drawRect(print.adjusted(0, 0, -1, -1));
                }
            }
            if (P == 0) return; // one empty page
        }
    }
}

void TJvPreviewControl::resizeEvent(QResizeEvent* event) {
    // Page mode keeps the row that was at the top.
    const bool pageMode = layout_.PageMode();
    const int topRow = verticalScrollBar()->value() / layout_.VertStep();
    QAbstractScrollArea::resizeEvent(event);
    UpdateLayout();
    if (pageMode && layout_.PageMode()) verticalScrollBar()->setValue(topRow * layout_.VertStep());
}

void TJvPreviewControl::scrollContentsBy(int, int) {
    viewport()->update();
}

void TJvPreviewControl::wheelEvent(QWheelEvent* event) {
    QScrollBar* v = verticalScrollBar();
    if (v->maximum() > v->minimum()) {
        const int step = layout_.VertStep();
        v->setValue(v->value() + (event->angleDelta().y() > 0 ? -step : step));
    }
    event->accept();
}

void TJvPreviewControl::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    const int hScroll = layout_.PageMode() ? 0 : horizontalScrollBar()->value();
    const int page = layout_.PageAt(p.x(), p.y(), hScroll, verticalScrollBar()->value());
    if (page >= 0 && page != selectedPage_) {
        selectedPage_ = page;
        viewport()->update();
    }
}

void TJvPreviewControl::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Home:
        v->setValue(0);
        break;
    case Qt::Key_End:
        v->setValue(v->maximum());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace lumetta::ui
