#pragma once
// The welcome page: its picture centred at its natural size, alpha-blended over the background
// colour (white at start-up).
#include "imaging/Bitmap32.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace lumetta::ui {

// A QImage that shares the bitmap's pixels (TColor32 is laid out as Format_ARGB32). The image
// is valid while the bitmap keeps those pixels unchanged.
QImage ImageOf(const TBitmap32& bitmap);
// A bitmap holding a copy of the image's pixels, alpha included.
TBitmap32 BitmapOf(const QImage& image);

class WelcomeView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeView(QWidget* parent = nullptr);

    void SetPicture(const TBitmap32& picture);
    const TBitmap32& Picture() const { return picture_; }
    void SetBackground(const QColor& color);
    QColor Background() const { return background_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBitmap32 picture_;
    // The picture in the form the painter draws fastest: the bitmap's own pixels read as RGB32
    // when it is opaque, else a premultiplied copy.
    QImage shown_;
    QColor background_ = Qt::white;
};

} // namespace lumetta::ui
