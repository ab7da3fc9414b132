#include "ui/WelcomeView.h"

#include "imaging/Transparency.h"

#include <QPainter>

#include <cstring>

namespace lumetta::ui {

QImage ImageOf(const TBitmap32& bitmap) {
    if (bitmap.Empty()) return {};
    return QImage(reinterpret_cast<const uchar*>(bitmap.ConstBits()), bitmap.Width(),
                  bitmap.Height(), bitmap.Width() * 4, QImage::Format_ARGB32);
}

TBitmap32 BitmapOf(const QImage& image) {
    TBitmap32 bitmap;
    if (image.isNull()) return bitmap;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    bitmap.SetSize(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(bitmap.ScanLine(y), argb.constScanLine(y), std::size_t(argb.width()) * 4);
    }
    return bitmap;
}

WelcomeView::WelcomeView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WelcomeView::SetPicture(const TBitmap32& picture) {
    picture_.Assign(picture);
    shown_ = QImage();
    if (!picture_.Empty()) {
        const bool opaque = !HasTransparency(picture_);
        const QImage image = ImageOf(picture_);
        shown_ = opaque ? QImage(image.constBits(), image.width(), image.height(),
                                 image.bytesPerLine(), QImage::Format_RGB32)
                        : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    update();
}

void WelcomeView::SetBackground(const QColor& color) {
    background_ = color;
    update();
}

void WelcomeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (shown_.isNull()) {
        painter.fillRect(rect(), background_);
        return;
    }
    // The background only where an opaque picture leaves it visible.
    const QRect picture(QPoint((width() - shown_.width()) / 2, (height() - shown_.height()) / 2),
                        shown_.size());
    if (shown_.format() == QImage::Format_RGB32) {
        QRegion around(rect());
        around -= picture;
        for (const QRect& r : around)
            painter.fillRect(r, background_);
    } else {
        painter.fillRect(rect(), background_);
    }
    painter.drawImage(picture.topLeft(), shown_);
}

} // namespace lumetta::ui
