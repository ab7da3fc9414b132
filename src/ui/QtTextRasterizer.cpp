#include "ui/QtTextRasterizer.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace lumetta::ui {
namespace {

constexpr int kDotsPerMeter96Dpi = 3780; // 96 dots per inch

// A tiny 96-dpi image that fonts are measured against.
QImage& MetricsDevice() {
    static QImage image = [] {
        QImage im(1, 1, QImage::Format_ARGB32);
        im.setDotsPerMeterX(kDotsPerMeter96Dpi);
        im.setDotsPerMeterY(kDotsPerMeter96Dpi);
        return im;
    }();
    return image;
}

} // namespace

QFont ToQFont(const TFontDesc& desc, bool antialiased) {
    QFont font(QString::fromStdString(desc.Name));
    font.setPointSize(desc.Size > 0 ? desc.Size : 8);
    font.setBold(desc.Bold);
    font.setItalic(desc.Italic);
    font.setUnderline(desc.Underline);
    font.setStrikeOut(desc.StrikeOut);
    // Hinting changes metrics between platforms; full hinting matches a desktop's text extents.
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(antialiased ? QFont::PreferDefault : QFont::NoAntialias);
    return font;
}

int QtTextRasterizer::TextWidth(const TFontDesc& font, const std::string& text, bool antialiased) {
    QFontMetrics fm(ToQFont(font, antialiased), &MetricsDevice());
    return fm.horizontalAdvance(QString::fromStdString(text));
}

int QtTextRasterizer::TextHeight(const TFontDesc& font, const std::string&, bool antialiased) {
    QFontMetrics fm(ToQFont(font, antialiased), &MetricsDevice());
    return fm.ascent() + fm.descent();
}

void QtTextRasterizer::DrawText(TBitmap32& target, int x, int y, const TFontDesc& font,
                                const std::string& text, TColor32 color, bool antialiased) {
    if (target.Empty()) return;
    // TColor32 is laid out exactly like QImage::Format_ARGB32, so Qt paints into our pixels.
    QImage image(reinterpret_cast<uchar*>(target.Bits()), target.Width(), target.Height(),
                 target.Width() * 4, QImage::Format_ARGB32);
    image.setDotsPerMeterX(kDotsPerMeter96Dpi);
    image.setDotsPerMeterY(kDotsPerMeter96Dpi);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, antialiased);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        QFont qf = ToQFont(font, antialiased);
        painter.setFont(qf);
        painter.setPen(QColor::fromRgba(color));
        QFontMetrics fm(qf, &image);
        painter.drawText(QPoint(x, y + fm.ascent()), QString::fromStdString(text));
    }
    target.Changed();
}

} // namespace lumetta::ui
