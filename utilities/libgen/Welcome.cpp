// The three welcome pictures. The welcome page shows one centred over white, and a small window
// may clip its edges, so each is white at the border and keeps its content near the middle.
#include "Common.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace libgen {
namespace {

constexpr int W = 640, H = 480;

QFont TitleFont(int pixels, QFont::Weight weight) {
    QFont font;
    font.setFamilies({"DejaVu Sans", "Liberation Sans", "Arial"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void Title(QPainter& p, double baseline) {
    QFont name = TitleFont(58, QFont::Light);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(name);
    p.setPen(QColor(0x2E, 0x3F, 0x55));
    const double nameWidth = QFontMetricsF(name).horizontalAdvance("Lumetta");
    p.drawText(QPointF((W - nameWidth) / 2, baseline), "Lumetta");

    QFont tag = TitleFont(17, QFont::Normal);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    tag.setCapitalization(QFont::AllUppercase);
    p.setFont(tag);
    p.setPen(QColor(0x2F, 0x7B, 0xD0));
    const QString line = "Decorate your photos";
    const double tagWidth = QFontMetricsF(tag).horizontalAdvance(line);
    p.drawText(QPointF((W - tagWidth) / 2, baseline + 38), line);
    // Two short rules either side of the tagline.
    p.setPen(QPen(QColor(0x2F, 0x7B, 0xD0, 120), 1.2));
    const double y = baseline + 32;
    p.drawLine(QPointF((W - tagWidth) / 2 - 44, y), QPointF((W - tagWidth) / 2 - 14, y));
    p.drawLine(QPointF((W + tagWidth) / 2 + 12, y), QPointF((W + tagWidth) / 2 + 42, y));
}

// Soft pastel light behind the scene, fading to white well inside the edges.
void Haze(QPainter& p, std::initializer_list<std::tuple<QPointF, double, QColor>> blobs) {
    p.setPen(Qt::NoPen);
    for (const auto& [c, r, colour] : blobs) {
        QRadialGradient g(c, r);
        QColor inner = colour, outer = colour;
        outer.setAlpha(0);
        g.setColorAt(0, inner);
        g.setColorAt(1, outer);
        p.setBrush(g);
        p.drawEllipse(c, r, r);
    }
}

void SoftShadow(QPainter& p, const QRectF& r, double spread, int alpha) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 6; ++i) {
        const double grow = spread * i / 6;
        p.setBrush(QColor(0x1A, 0x22, 0x30, alpha / (i + 2)));
        p.drawRoundedRect(r.adjusted(-grow, -grow, grow, grow), 2 + grow, 2 + grow);
    }
}

// A print with a white border (thicker at the bottom for an instant photo).
void Print(QPainter& p, QPointF centre, double angle, const QImage& photo, double w, double h,
           double border, double bottom) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF card(-w / 2 - border, -h / 2 - border, w + 2 * border, h + border + bottom);
    SoftShadow(p, card.translated(3, 6), 8, 60);
    p.setPen(QPen(QColor(0xDD, 0xDA, 0xD2), 1));
    p.setBrush(QColor(0xFD, 0xFC, 0xF8));
    p.drawRect(card);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(-w / 2, -h / 2, w, h), photo);
    p.restore();
}

void Sticker(QPainter& p, const QImage& art, QPointF centre, double size, double angle = 0) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(-size / 2, -size / 2, size, size), art);
    p.restore();
}

QImage Fan(const std::vector<PictureObject>& art) {
    QImage image(W, H, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, W, H), Qt::white);
    p.translate(0, 28);
    Haze(p, {{QPointF(220, 170), 190, QColor(0xD6, 0xE8, 0xFA)},
             {QPointF(430, 150), 170, QColor(0xFC, 0xE4, 0xD6)},
             {QPointF(330, 250), 150, QColor(0xE0, 0xF3, 0xE6)}});
    Print(p, {222, 182}, -11, SamplePhoto(320, 240, 1), 138, 104, 8, 8);
    Print(p, {418, 180}, 10, SamplePhoto(320, 240, 2), 138, 104, 8, 8);
    Print(p, {320, 168}, -1.5, SamplePhoto(320, 240, 0), 158, 118, 10, 30);
    Sticker(p, FindImage(art, "ClipArtHeart"), {392, 104}, 46, 14);
    Sticker(p, FindImage(art, "ClipArtSparkles"), {168, 96}, 52, -8);
    Sticker(p, FindImage(art, "ClipArtStar"), {480, 250}, 38, 12);
    Title(p, 346);
    p.end();
    return image;
}

QImage Clothesline(const std::vector<PictureObject>& art) {
    QImage image(W, H, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, W, H), Qt::white);
    p.translate(0, 28);
    Haze(p, {{QPointF(320, 150), 250, QColor(0xE3, 0xEF, 0xFB)},
             {QPointF(170, 240), 140, QColor(0xFD, 0xEB, 0xDF)},
             {QPointF(480, 230), 140, QColor(0xE6, 0xF4, 0xE8)}});
    // The line sags between two points; prints hang from it on pegs.
    auto lineY = [](double x) {
        const double t = (x - 320) / 260;
        return 62 + 44 * (1 - t * t);
    };
    QPainterPath line;
    for (int x = 60; x <= 580; x += 4) {
        const double y = lineY(x);
        if (x == 60)
            line.moveTo(x, y);
        else
            line.lineTo(x, y);
    }
    p.setPen(QPen(QColor(0x8A, 0x7A, 0x66), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    struct Hung {
        double x, angle;
        int variant;
    };
    for (const Hung& h : {Hung{178, -5, 2}, Hung{320, 3, 0}, Hung{462, -3, 1}}) {
        const double top = lineY(h.x);
        p.save();
        p.translate(h.x, top);
        p.rotate(h.angle);
        Print(p, {0, 72}, 0, SamplePhoto(320, 240, h.variant), 110, 92, 8, 26);
        // A wooden peg.
        p.setPen(QPen(QColor(0x9A, 0x6B, 0x3E), 1.2));
        p.setBrush(QColor(0xD9, 0xA8, 0x6C));
        p.drawRoundedRect(QRectF(-5, -10, 10, 30), 3, 3);
        p.setPen(QPen(QColor(0x9A, 0x6B, 0x3E), 1));
        p.drawLine(QPointF(0, -8), QPointF(0, 18));
        p.restore();
    }
    Sticker(p, FindImage(art, "ClipArtButterfly"), {548, 170}, 54, 18);
    Sticker(p, FindImage(art, "ClipArtFlower"), {96, 214}, 54, -10);
    Title(p, 352);
    p.end();
    return image;
}

QImage Gallery(const std::vector<PictureObject>& art, const std::vector<FrameObject>& frames) {
    QImage image(W, H, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, 0, W, H), Qt::white);
    p.translate(0, 28);
    Haze(p, {{QPointF(320, 160), 260, QColor(0xF6, 0xEE, 0xDD)},
             {QPointF(320, 140), 150, QColor(0xFB, 0xF4, 0xE6)}});
    const FrameObject* gilded = nullptr;
    for (const FrameObject& f : frames)
        if (f.file == "FrameGilded") gilded = &f;
    const QImage framed = ComposeNinePiece(SamplePhoto(236, 160, 0), gilded->image, gilded->record);
    const double scale = 0.86;
    const QRectF target((W - framed.width() * scale) / 2, 26, framed.width() * scale,
                        framed.height() * scale);
    SoftShadow(p, target.translated(4, 8), 12, 70);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, framed);
    Sticker(p, FindImage(art, "ClipArtRibbon"), target.bottomRight() + QPointF(-14, -20), 66, 12);
    Sticker(p, FindImage(art, "ClipArtSparkles"), target.topLeft() + QPointF(-18, 8), 48, -6);
    Title(p, 352);
    p.end();
    return image;
}

} // namespace

std::vector<QImage> MakeWelcomePictures(const std::vector<PictureObject>& clipArt,
                                        const std::vector<FrameObject>& frames) {
    return {Fan(clipArt), Clothesline(clipArt), Gallery(clipArt, frames)};
}

} // namespace libgen
