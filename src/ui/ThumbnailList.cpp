#include "ui/ThumbnailList.h"

#include "codecs/ImageIO.h"
#include "library/ObjectCatalog.h"
#include "library/ObjectLibrary.h"
#include "ui/WelcomeView.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace lumetta::ui {

TThumbnailList::TThumbnailList(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(kScrollStep);
    verticalScrollBar()->setTracking(true); // the list follows the bar while it is dragged
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
}

void TThumbnailList::SetFolders(const QStringList& folders) {
    if (folders == folders_) return;
    folders_ = folders;
    Reload();
}

void TThumbnailList::SetFileMask(const QString& mask) {
    if (mask == mask_) return;
    mask_ = mask;
    Reload();
}

void TThumbnailList::Reload() {
    items_.clear();
    selected_ = -1;
    hot_ = -1;
    std::vector<std::string> folders;
    for (const QString& folder : folders_)
        if (!folder.isEmpty()) folders.push_back(folder.toStdString());
    for (const std::string& path : ListLibraryThumbnails(folders, mask_.toStdString()))
        items_.push_back({QString::fromStdString(path), QImage(), false});
    verticalScrollBar()->setValue(0);
    UpdateScrollBar();
    viewport()->update();
}

QString TThumbnailList::ItemPath(int index) const {
    return index >= 0 && index < Count() ? items_[std::size_t(index)].path : QString();
}

void TThumbnailList::SetSelectedIndex(int index) {
    if (index < -1 || index >= Count()) index = -1;
    if (index == selected_) return;
    selected_ = index;
    viewport()->update();
}

int TThumbnailList::Columns() const {
    return std::max(1, (viewport()->width() - kGap) / (kCellWidth + kGap));
}

QRect TThumbnailList::CellRect(int index) const {
    const int columns = Columns();
    const int row = index / columns, column = index % columns;
    // Cells are centred as a block in the width available.
    const int used = columns * kCellWidth + (columns - 1) * kGap;
    const int left = std::max(kGap, (viewport()->width() - used) / 2);
    return QRect(left + column * (kCellWidth + kGap),
                 kGap + row * (kCellHeight + kGap) - verticalScrollBar()->value(), kCellWidth,
                 kCellHeight);
}

int TThumbnailList::IndexAt(const QPoint& p) const {
    for (int i = 0; i < Count(); ++i)
        if (CellRect(i).contains(p)) return i;
    return -1;
}

void TThumbnailList::UpdateScrollBar() {
    const int rows = (Count() + Columns() - 1) / Columns();
    const int content = rows > 0 ? kGap + rows * (kCellHeight + kGap) : 0;
    verticalScrollBar()->setRange(0, std::max(0, content - viewport()->height()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
}

bool TThumbnailList::Decode(Item& item) {
    if (item.decoded) return !item.picture.isNull();
    item.decoded = true;
    try {
        TBitmap32 bitmap;
        LoadPictureFile(bitmap, item.path.toStdString());
        QImage image = ImageOf(bitmap).copy();
        const QSize room(kCellWidth - 2 * kMargin, kCellHeight - 2 * kMargin);
        if (image.width() > room.width() || image.height() > room.height())
            image = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        item.picture = image;
    } catch (const std::exception&) {
        item.picture = QImage();
    }
    return !item.picture.isNull();
}

QImage TThumbnailList::Thumbnail(int index) {
    if (index < 0 || index >= Count()) return {};
    Decode(items_[std::size_t(index)]);
    return items_[std::size_t(index)].picture;
}

void TThumbnailList::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().base());
    for (int i = 0; i < Count(); ++i) {
        const QRect cell = CellRect(i);
        if (cell.bottom() < event->rect().top()) continue;
        if (cell.top() > event->rect().bottom()) break;
        Item& item = items_[std::size_t(i)];
        if (!Decode(item)) {
            // A thumbnail that cannot be decoded leaves the list when first drawn.
            items_.erase(items_.begin() + i);
            if (selected_ == i)
                selected_ = -1;
            else if (selected_ > i)
                --selected_;
            hot_ = -1;
            UpdateScrollBar();
            viewport()->update();
            return;
        }
        if (i == selected_) {
            painter.fillRect(cell, palette().highlight());
        } else if (i == hot_) {
            QColor hover = palette().highlight().color();
            hover.setAlpha(60);
            painter.fillRect(cell, hover);
        }
        painter.setPen(QColor(0, 0, 0, 40));
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
        const QImage& picture = item.picture;
        const QPoint topLeft(cell.left() + (cell.width() - picture.width()) / 2,
                             cell.top() + (cell.height() - picture.height()) / 2);
        painter.drawImage(topLeft, picture);
    }
}

void TThumbnailList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

void TThumbnailList::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        SetSelectedIndex(IndexAt(p));
        setFocus(Qt::MouseFocusReason);
    }
    pressPending_ = false;
    if (event->button() != Qt::LeftButton || selected_ < 0) return;
    pressPending_ = true;
    pressPoint_ = p;
    emit itemPressed(selected_);
}

void TThumbnailList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    const int hot = IndexAt(p);
    if (hot != hot_) {
        hot_ = hot;
        viewport()->update();
    }
    if (pressPending_ && (event->buttons() & Qt::LeftButton) &&
        (p - pressPoint_).manhattanLength() > QApplication::startDragDistance()) {
        pressPending_ = false;
        StartDrag(selected_);
    }
}

void TThumbnailList::mouseReleaseEvent(QMouseEvent*) {
    pressPending_ = false;
}

void TThumbnailList::mouseDoubleClickEvent(QMouseEvent* event) {
    pressPending_ = false;
    if (event->button() != Qt::LeftButton) return;
    // The second press of a double click selects like any press.
    SetSelectedIndex(IndexAt(event->position().toPoint()));
    emit itemDoubleClicked(selected_);
}

void TThumbnailList::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (hot_ != -1) {
        hot_ = -1;
        viewport()->update();
    }
}

void TThumbnailList::StartDrag(int index) {
    if (index < 0) return;
    emit dragStarting(index);
    auto* data = new QMimeData;
    data->setImageData(Thumbnail(index));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

} // namespace lumetta::ui
