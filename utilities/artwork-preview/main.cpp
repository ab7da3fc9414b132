// Contact sheet of every drawn picture at its real size and magnified three times (pixel for
// pixel, so blur and misalignment show), on the backgrounds the program shows them on.
#include "ui/Artwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <vector>

using namespace lumetta::ui;

namespace {

constexpr int kZoom = 3;

struct Row {
    QString title;
    std::vector<QImage> images;
    QColor background; // invalid: the tool windows' blue gradient
};

QImage Magnified(const QImage& image) {
    return image.scaled(image.size() * kZoom, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void Backdrop(QPainter& p, const QRect& r, const QColor& colour) {
    if (colour.isValid()) {
        p.fillRect(r, colour);
        return;
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(224, 228, 254));
    g.setColorAt(1, QColor(166, 179, 253));
    p.fillRect(r, g);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "artwork-preview.png";

    std::vector<Row> rows;
    Row normal{"Toolbar", {}, QColor(0xF0, 0xF0, 0xF0)},
        greyed{"Toolbar, greyed", {}, normal.background};
    for (int i = 0; i < kToolbarIconCount; ++i) {
        normal.images.push_back(ToolbarPixmap(ToolbarIcon(i), false).toImage());
        greyed.images.push_back(ToolbarPixmap(ToolbarIcon(i), true).toImage());
    }
    rows.push_back(normal);
    rows.push_back(greyed);
    Row edit{"Edit tools", {}, QColor(0xF0, 0xF0, 0xF0)},
        editGrey{"Edit tools, greyed", {}, edit.background};
    for (int i = 0; i < kEditToolGlyphCount; ++i) {
        edit.images.push_back(EditToolPixmap(EditToolGlyph(i)).toImage());
        editGrey.images.push_back(EditToolPixmap(EditToolGlyph(i), true).toImage());
    }
    rows.push_back(edit);
    rows.push_back(editGrey);
    Row small{"Clip-art tools | text input", {}, QColor()};
    for (int i = 0; i < kClipArtToolGlyphCount; ++i)
        small.images.push_back(ClipArtToolPixmap(ClipArtToolGlyph(i)).toImage());
    for (int i = 0; i < kTextInputGlyphCount; ++i)
        small.images.push_back(TextInputPixmap(TextInputGlyph(i)).toImage());
    rows.push_back(small);
    Row icons{"Application icon", {}, QColor(0xF0, 0xF0, 0xF0)};
    for (int size : {16, 24, 32, 48, 64})
        icons.images.push_back(AppIconImage(size));
    rows.push_back(icons);

    const int margin = 16, gap = 10, titleHeight = 18;
    const QImage panel = LeftPanelImage();
    const QImage big = AppIconImage(256);

    // Lay out: each row once at 1x then at 3x.
    int width = 0, height = margin;
    for (const Row& row : rows) {
        int w1 = 0, w3 = 0, h1 = 0;
        for (const QImage& img : row.images) {
            w1 += img.width() + gap;
            w3 += img.width() * kZoom + gap;
            h1 = std::max(h1, img.height());
        }
        width = std::max({width, w1, w3});
        height += titleHeight + h1 + gap + h1 * kZoom + gap * 2;
    }
    const int gridWidth = width + margin * 2;
    width = gridWidth + panel.width() * (1 + kZoom) + big.width() + margin * 4;
    height = std::max(height, panel.height() * kZoom + margin * 2 + titleHeight);

    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);

    int y = margin;
    for (const Row& row : rows) {
        p.setPen(Qt::black);
        p.drawText(margin, y + 12, row.title);
        y += titleHeight;
        int h1 = 0;
        for (const QImage& img : row.images)
            h1 = std::max(h1, img.height());
        int x = margin;
        for (const QImage& img : row.images) {
            Backdrop(p, QRect(x - 2, y - 2, img.width() + 4, img.height() + 4), row.background);
            p.drawImage(x, y, img);
            x += img.width() + gap;
        }
        y += h1 + gap;
        x = margin;
        for (const QImage& img : row.images) {
            const QImage m = Magnified(img);
            Backdrop(p, QRect(x, y, m.width(), m.height()), row.background);
            p.drawImage(x, y, m);
            x += m.width() + gap;
        }
        y += h1 * kZoom + gap * 2;
    }

    int x = gridWidth + margin;
    p.setPen(Qt::black);
    p.drawText(x, margin + 12, "Left panel 1x / 3x, icon 256");
    p.drawImage(x, margin + titleHeight, panel);
    x += panel.width() + margin;
    p.drawImage(x, margin + titleHeight, Magnified(panel));
    x += panel.width() * kZoom + margin;
    p.fillRect(QRect(x, margin + titleHeight, big.width(), big.height()), QColor(0xF0, 0xF0, 0xF0));
    p.drawImage(x, margin + titleHeight, big);
    p.end();

    if (!sheet.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
