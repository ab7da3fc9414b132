#include "ui/WelcomeView.h"

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
    update();
}

void WelcomeView::SetBackground(const QColor& color) {
    background_ = color;
    update();
}

void WelcomeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    if (picture_.Empty()) return;
    const QImage image = ImageOf(picture_);
    const QPoint topLeft((width() - image.width()) / 2, (height() - image.height()) / 2);
    painter.drawImage(topLeft, image);
}

} // namespace lumetta::ui
