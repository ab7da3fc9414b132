#include "ui/Artwork.h"

#include <QBuffer>
#include <QFont>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>

namespace lumetta::ui {
namespace {

// One restrained palette for every glyph: slate ink for outlines, a blue accent, and a few
// warm and natural tones for the things the pictures show.
namespace pal {
const QColor Ink(0x34, 0x44, 0x56);
const QColor InkSoft(0x7D, 0x8B, 0x99);
const QColor Slate(0x6B, 0x7F, 0x94);
const QColor Steel(0xB8, 0xC2, 0xCC);
const QColor Blue(0x2F, 0x7B, 0xD0);
const QColor BlueDark(0x1F, 0x5A, 0x9E);
const QColor BlueLight(0xA8, 0xCF, 0xF2);
const QColor BluePale(0xDD, 0xEC, 0xFA);
const QColor Amber(0xF2, 0xB6, 0x3D);
const QColor AmberDeep(0xE0, 0x9B, 0x2A);
const QColor AmberDark(0xB7, 0x7B, 0x16);
const QColor Green(0x3E, 0xA8, 0x6B);
const QColor GreenDark(0x2A, 0x7D, 0x4E);
const QColor Red(0xDB, 0x4F, 0x4A);
const QColor RedDark(0xA8, 0x35, 0x32);
const QColor Pink(0xF2, 0x9A, 0x96);
const QColor Violet(0xC9, 0xBC, 0xEE);
const QColor VioletDark(0x62, 0x51, 0x9E);
const QColor Wood(0xB9, 0x7A, 0x44);
const QColor WoodLight(0xD4, 0x9A, 0x62);
const QColor WoodDark(0x7E, 0x4E, 0x27);
const QColor Paper(0xFF, 0xFF, 0xFF);
const QColor PaperShade(0xE6, 0xEC, 0xF3);
const QColor Sky(0x9F, 0xD3, 0xF5);
const QColor Hill(0x5C, 0xB0, 0x6C);
const QColor HillDark(0x3F, 0x8F, 0x52);
const QColor Sun(0xF7, 0xC5, 0x3F);
} // namespace pal

using GlyphPainter = void (*)(QPainter&);

// Draws a glyph designed on a grid x grid square into a transparent size x size picture.
QImage RenderGlyph(GlyphPainter paint, int grid, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(size) / grid, double(size) / grid);
    paint(p);
    p.end();
    return image;
}

QPen Line(const QColor& color, qreal width = 1.0) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPen SharpLine(const QColor& color, qreal width = 1.0) {
    return QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
}

void Shape(QPainter& p, const QPainterPath& path, const QColor& fill, const QColor& edge,
           qreal width = 1.0) {
    p.setPen(Line(edge, width));
    p.setBrush(fill);
    p.drawPath(path);
}

void Shape(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge) {
    p.setPen(SharpLine(edge));
    p.setBrush(fill);
    p.drawRect(r);
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath StarPath(QPointF c, qreal outer, qreal inner, int points, qreal turnDeg = -90) {
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const qreal r = (i % 2 == 0) ? outer : inner;
        const qreal a = (turnDeg + i * 180.0 / points) * std::numbers::pi / 180.0;
        poly << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

QPainterPath HeartPath(const QRectF& r) {
    auto at = [&](qreal x, qreal y) {
        return QPointF(r.left() + x * r.width(), r.top() + y * r.height());
    };
    QPainterPath path;
    path.moveTo(at(0.5, 0.96));
    path.cubicTo(at(0.2, 0.74), at(0.0, 0.54), at(0.0, 0.31));
    path.cubicTo(at(0.0, 0.13), at(0.13, 0.02), at(0.28, 0.02));
    path.cubicTo(at(0.38, 0.02), at(0.46, 0.08), at(0.5, 0.19));
    path.cubicTo(at(0.54, 0.08), at(0.62, 0.02), at(0.72, 0.02));
    path.cubicTo(at(0.87, 0.02), at(1.0, 0.13), at(1.0, 0.31));
    path.cubicTo(at(1.0, 0.54), at(0.8, 0.74), at(0.5, 0.96));
    path.closeSubpath();
    return path;
}

// A small landscape (sky, sun, two hills): the "photo" inside frames, masks and cards.
void Landscape(QPainter& p, const QRectF& r) {
    p.save();
    p.setClipRect(r);
    p.setPen(Qt::NoPen);
    p.fillRect(r, pal::Sky);
    const qreal w = r.width(), h = r.height();
    p.setBrush(pal::Sun);
    p.drawEllipse(QPointF(r.left() + w * 0.72, r.top() + h * 0.3), w * 0.13, w * 0.13);
    QPainterPath back;
    back.moveTo(r.left(), r.top() + h * 0.7);
    back.quadTo(r.left() + w * 0.3, r.top() + h * 0.38, r.left() + w * 0.62, r.top() + h * 0.72);
    back.lineTo(r.left(), r.bottom() + 1);
    back.closeSubpath();
    p.setBrush(pal::HillDark);
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(r.left() + w * 0.25, r.bottom() + 1);
    front.quadTo(r.left() + w * 0.65, r.top() + h * 0.45, r.right() + 1, r.top() + h * 0.66);
    front.lineTo(r.right() + 1, r.bottom() + 1);
    front.closeSubpath();
    p.setBrush(pal::Hill);
    p.drawPath(front);
    p.restore();
}

// An arrow along a circular arc; sweep < 0 runs clockwise. The head sits at the arc's end.
void CircularArrow(QPainter& p, QPointF c, qreal r, qreal startDeg, qreal sweepDeg,
                   const QColor& color, qreal width, qreal head) {
    QPainterPath arc;
    arc.arcMoveTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), startDeg);
    arc.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), startDeg, sweepDeg);
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    const qreal end = (startDeg + sweepDeg) * std::numbers::pi / 180.0;
    const QPointF tip(c.x() + r * std::cos(end), c.y() - r * std::sin(end));
    // Tangent in the direction of travel (screen y grows downwards).
    const qreal dir = sweepDeg < 0 ? -1.0 : 1.0;
    const QPointF t(-std::sin(end) * dir, -std::cos(end) * dir);
    const QPointF n(-t.y(), t.x());
    p.setPen(Line(color, 0.8));
    p.setBrush(color);
    p.drawPath(Polygon({tip + t * head, tip - n * head * 0.95, tip + n * head * 0.95}));
}

// A letter A as an outline with its counter cut out, filling the rectangle.
QPainterPath LetterA(const QRectF& r) {
    auto at = [&](qreal x, qreal y) {
        return QPointF(r.left() + x * r.width(), r.top() + y * r.height());
    };
    QPainterPath path = Polygon({at(0.38, 0), at(0.62, 0), at(1, 1), at(0.76, 1), at(0.67, 0.76),
                                 at(0.33, 0.76), at(0.24, 1), at(0, 1)});
    path.addPath(Polygon({at(0.5, 0.25), at(0.6, 0.56), at(0.4, 0.56)}));
    path.setFillRule(Qt::OddEvenFill);
    return path;
}

// ---- toolbar, 24 x 24 ----

void DrawOpen(QPainter& p) {
    QPainterPath back;
    back.moveTo(2.5, 4.5);
    back.lineTo(8.5, 4.5);
    back.lineTo(10.5, 6.5);
    back.lineTo(19.5, 6.5);
    back.lineTo(19.5, 19.5);
    back.lineTo(2.5, 19.5);
    back.closeSubpath();
    Shape(p, back, pal::AmberDeep, pal::AmberDark);
    Shape(p, QRectF(5.5, 8.5, 12, 8), pal::Paper, pal::InkSoft);
    Shape(p, Polygon({{6.5, 11.5}, {22.5, 11.5}, {19.5, 19.5}, {2.5, 19.5}}), pal::Amber,
          pal::AmberDark);
}

void DrawSave(QPainter& p) {
    Shape(p, Polygon({{3.5, 3.5}, {17.5, 3.5}, {20.5, 6.5}, {20.5, 20.5}, {3.5, 20.5}}), pal::Blue,
          pal::BlueDark);
    Shape(p, QRectF(7.5, 3.5, 9, 6), pal::BlueLight, pal::BlueDark);
    p.fillRect(QRectF(13, 5, 2, 3), pal::BlueDark);
    Shape(p, QRectF(6.5, 12.5, 11, 8), pal::Paper, pal::BlueDark);
    p.setPen(SharpLine(pal::BlueLight));
    p.drawLine(QPointF(8.5, 15.5), QPointF(15.5, 15.5));
    p.drawLine(QPointF(8.5, 17.5), QPointF(15.5, 17.5));
}

void DrawUndo(QPainter& p) {
    QPainterPath curve;
    curve.moveTo(8, 9.5);
    curve.lineTo(13.5, 9.5);
    curve.cubicTo(17.8, 9.5, 20.5, 12.2, 20.5, 15.2);
    curve.cubicTo(20.5, 18.4, 17.8, 20.5, 14.5, 20.5);
    curve.lineTo(10.5, 20.5);
    p.setPen(QPen(pal::Blue, 2.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(Line(pal::BlueDark, 1));
    p.setBrush(pal::Blue);
    p.drawPath(Polygon({{2.5, 9.5}, {9.5, 3.5}, {9.5, 15.5}}));
}

void DrawRedo(QPainter& p) {
    p.translate(24, 0);
    p.scale(-1, 1);
    DrawUndo(p);
}

void DrawEdit(QPainter& p) {
    // A pencil at 45 degrees, the point to the lower left, with a stroke it has drawn.
    p.setPen(QPen(pal::BlueLight, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 21), QPointF(20, 21));
    p.save();
    p.translate(12.5, 11);
    p.rotate(-45);
    Shape(p, Polygon({{-5, -3}, {-11.5, 0}, {-5, 3}}), QColor(0xF4, 0xDD, 0xB5), pal::AmberDark);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Ink);
    p.drawPath(Polygon({{-9.4, -1}, {-11.5, 0}, {-9.4, 1}}));
    Shape(p, QRectF(-5, -3, 12, 6), pal::Amber, pal::AmberDark);
    p.setPen(Line(pal::AmberDark, 0.7));
    p.drawLine(QPointF(-5, 0), QPointF(7, 0));
    Shape(p, QRectF(7, -3, 2.2, 6), pal::Steel, pal::Ink);
    QPainterPath eraser;
    eraser.addRoundedRect(QRectF(9.2, -3, 3, 6), 1.2, 1.2);
    Shape(p, eraser, pal::Pink, pal::RedDark);
    p.restore();
}

void DrawMask(QPainter& p) {
    Landscape(p, QRectF(3, 4, 18, 16));
    QPainterPath mask;
    mask.addRect(QRectF(3, 4, 18, 16));
    mask.addEllipse(QRectF(7, 6.5, 10, 11));
    mask.setFillRule(Qt::OddEvenFill);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Violet);
    p.drawPath(mask);
    p.setBrush(Qt::NoBrush);
    p.setPen(SharpLine(pal::VioletDark));
    p.drawRect(QRectF(3.5, 4.5, 17, 15));
    p.setPen(Line(pal::VioletDark, 0.9));
    p.drawEllipse(QRectF(7, 6.5, 10, 11));
}

void DrawClipArt(QPainter& p) {
    Shape(p, StarPath({10, 10.5}, 8.8, 3.8, 5), pal::Sun, pal::AmberDark);
    Shape(p, HeartPath(QRectF(12.5, 12.5, 10, 9.5)), pal::Red, pal::RedDark);
}

void DrawFrame(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Wood);
    p.drawRect(QRectF(2, 2, 20, 20));
    // Lit top and left sides, shaded right and bottom, mitred at the corners.
    p.setBrush(pal::WoodLight);
    p.drawPath(Polygon({{2, 2}, {22, 2}, {18, 6}, {6, 6}, {6, 18}, {2, 22}}));
    p.setPen(SharpLine(pal::WoodDark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 2.5, 19, 19));
    Landscape(p, QRectF(6, 6, 12, 12));
    p.drawRect(QRectF(5.5, 5.5, 13, 13));
}

void DrawShadow(QPainter& p) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        QPainterPath blur;
        blur.addRoundedRect(
            QRectF(6.5 - i * 0.7, 6.5 - i * 0.7, 16 + i * 1.4 - 1, 16 + i * 1.4 - 1), 1.5 + i,
            1.5 + i);
        p.setBrush(QColor(0x20, 0x2C, 0x3A, 46 - i * 9));
        p.drawPath(blur);
    }
    Shape(p, QRectF(2.5, 2.5, 15, 15), pal::Paper, pal::InkSoft);
    Landscape(p, QRectF(5, 5, 10, 10));
}

void DrawText(QPainter& p) {
    p.setPen(Line(pal::Ink, 0.6));
    p.setBrush(pal::Ink);
    p.drawPath(LetterA(QRectF(3, 2, 18, 16)));
    p.fillRect(QRectF(3, 20, 18, 2.5), pal::Blue);
}

void DrawPrint(QPainter& p) {
    Shape(p, QRectF(6.5, 2.5, 11, 8), pal::Paper, pal::InkSoft);
    QPainterPath body;
    body.addRoundedRect(QRectF(2.5, 8.5, 19, 9), 2, 2);
    Shape(p, body, pal::Slate, pal::Ink);
    p.fillRect(QRectF(5, 14, 14, 2), pal::Ink);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Green);
    p.drawEllipse(QPointF(18.5, 11.5), 1.1, 1.1);
    Shape(p, QRectF(6.5, 14.5, 11, 7), pal::Paper, pal::InkSoft);
    p.setPen(SharpLine(pal::BlueLight));
    p.drawLine(QPointF(8.5, 17.5), QPointF(15.5, 17.5));
    p.drawLine(QPointF(8.5, 19.5), QPointF(13.5, 19.5));
}

void DrawGetMore(QPainter& p) {
    Shape(p,
          Polygon({{2.5, 13.5},
                   {7.5, 13.5},
                   {9, 16.5},
                   {15, 16.5},
                   {16.5, 13.5},
                   {21.5, 13.5},
                   {21.5, 21.5},
                   {2.5, 21.5}}),
          pal::Blue, pal::BlueDark);
    Shape(
        p,
        Polygon(
            {{9.5, 2.5}, {14.5, 2.5}, {14.5, 8.5}, {18.5, 8.5}, {12, 15}, {5.5, 8.5}, {9.5, 8.5}}),
        pal::Green, pal::GreenDark);
}

void DrawExit(QPainter& p) {
    Shape(p, QRectF(3.5, 2.5, 11, 19), QColor(0x3E, 0x4C, 0x5C), pal::Ink);
    Shape(p, Polygon({{3.5, 2.5}, {10.5, 4.5}, {10.5, 22.5}, {3.5, 21.5}}), pal::Wood,
          pal::WoodDark);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Amber);
    p.drawEllipse(QPointF(8.8, 13), 0.9, 0.9);
    p.setPen(QPen(pal::Red, 2.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(12.5, 12), QPointF(18, 12));
    p.setPen(Line(pal::RedDark, 0.8));
    p.setBrush(pal::Red);
    p.drawPath(Polygon({{17, 7.5}, {22, 12}, {17, 16.5}}));
}

constexpr std::array<GlyphPainter, kToolbarIconCount> kToolbarPainters = {
    DrawOpen,  DrawSave,   DrawUndo, DrawRedo,  DrawEdit,    DrawMask, DrawClipArt,
    DrawFrame, DrawShadow, DrawText, DrawPrint, DrawGetMore, DrawExit};

// ---- edit tools, 20 x 20 ----

void DrawArrow(QPainter& p) {
    p.setPen(SharpLine(pal::Ink));
    p.setBrush(pal::Paper);
    p.drawPath(Polygon({{5.5, 2.5},
                        {5.5, 16.5},
                        {9, 13.2},
                        {11.3, 18.2},
                        {13.4, 17.3},
                        {11.2, 12.4},
                        {15.6, 12.4}}));
}

void DrawSelect(QPainter& p) {
    p.fillRect(QRectF(3, 4, 14, 12),
               QColor(pal::BlueLight.red(), pal::BlueLight.green(), pal::BlueLight.blue(), 110));
    QPen dash(pal::Blue, 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dash.setDashPattern({2, 2});
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2.5, 3.5, 15, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(pal::BlueDark);
    for (QPointF c :
         {QPointF(2.5, 3.5), QPointF(17.5, 3.5), QPointF(2.5, 16.5), QPointF(17.5, 16.5)})
        p.drawRect(QRectF(c.x() - 1.5, c.y() - 1.5, 3, 3));
}

void DrawCrop(QPainter& p) {
    p.fillRect(QRectF(6, 6, 8, 8), pal::BlueLight);
    QPen pen(pal::Ink, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{6, 2}, {6, 14}, {18, 14}}));
    p.drawPolyline(QPolygonF({{2, 6}, {14, 6}, {14, 18}}));
}

void DrawCopy(QPainter& p) {
    Shape(p, QRectF(3.5, 2.5, 9, 11), pal::Paper, pal::InkSoft);
    Shape(p, QRectF(7.5, 6.5, 9, 11), pal::Paper, pal::Blue);
    p.setPen(SharpLine(pal::BlueLight));
    for (qreal y : {9.5, 11.5, 13.5})
        p.drawLine(QPointF(9.5, y), QPointF(14.5, y));
}

void DrawPaste(QPainter& p) {
    QPainterPath board;
    board.addRoundedRect(QRectF(3.5, 3.5, 13, 15), 1.5, 1.5);
    Shape(p, board, pal::Wood, pal::WoodDark);
    Shape(p, QRectF(5.5, 6.5, 9, 10), pal::Paper, pal::WoodDark);
    Shape(p, QRectF(7.5, 1.5, 5, 3), pal::Steel, pal::Ink);
    p.setPen(SharpLine(pal::BlueLight));
    for (qreal y : {9.5, 11.5, 13.5})
        p.drawLine(QPointF(7.5, y), QPointF(12.5, y));
}

// Two mirrored triangles about an axis; vertical = mirrored top to bottom. The grid is n x n.
void DrawMirror(QPainter& p, qreal n, bool vertical) {
    if (!vertical) {
        // Draw the vertical design transposed.
        QTransform t(0, 1, 1, 0, 0, 0);
        p.setTransform(t, true);
    }
    const qreal mid = n / 2, gap = n * 0.1, edge = n * 0.1, half = n * 0.32;
    QPen axis(pal::InkSoft, 1, Qt::CustomDashLine, Qt::FlatCap);
    axis.setDashPattern({1.5, 1.5});
    p.setPen(axis);
    p.drawLine(QPointF(1, mid), QPointF(n - 1, mid));
    Shape(p, Polygon({{mid, edge + 0.5}, {mid + half, mid - gap}, {mid - half, mid - gap}}),
          pal::Blue, pal::BlueDark);
    Shape(p, Polygon({{mid, n - edge - 0.5}, {mid + half, mid + gap}, {mid - half, mid + gap}}),
          pal::BluePale, pal::Blue);
}

void DrawFlipVertical(QPainter& p) {
    DrawMirror(p, 20, true);
}
void DrawFlipHorizontal(QPainter& p) {
    DrawMirror(p, 20, false);
}

void DrawAutoContrast(QPainter& p) {
    // A magic wand and its sparkles.
    p.setPen(QPen(pal::Ink, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 17), QPointF(11, 9));
    p.setPen(QPen(pal::Paper, 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(9.8, 10.2), QPointF(11, 9));
    p.setPen(Line(pal::AmberDark, 0.6));
    p.setBrush(pal::Sun);
    p.drawPath(StarPath({14.5, 5.5}, 4.6, 1.4, 4, -90));
    p.drawPath(StarPath({16.5, 12.5}, 2.6, 0.8, 4, -90));
    p.drawPath(StarPath({7.5, 3.5}, 2.4, 0.8, 4, -90));
}

void DrawAdjustContrast(QPainter& p) {
    const QRectF disc(2.5, 2.5, 15, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Paper);
    p.drawEllipse(disc);
    p.setBrush(pal::Ink);
    p.drawPie(disc, 90 * 16, 180 * 16);
    p.setPen(Line(pal::Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(disc);
}

void DrawMagnifier(QPainter& p, bool plus) {
    p.setPen(QPen(pal::Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 17.5));
    p.setPen(Line(pal::Ink, 1.6));
    p.setBrush(pal::BluePale);
    p.drawEllipse(QPointF(8, 8), 5.6, 5.6);
    p.setPen(QPen(pal::Blue, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(5, 8), QPointF(11, 8));
    if (plus) p.drawLine(QPointF(8, 5), QPointF(8, 11));
}

void DrawZoomOut(QPainter& p) {
    DrawMagnifier(p, true);
}
void DrawZoomIn(QPainter& p) {
    DrawMagnifier(p, false);
}

void DrawActualSize(QPainter& p) {
    QPainterPath box;
    box.addRoundedRect(QRectF(1.5, 3.5, 17, 13), 2, 2);
    Shape(p, box, pal::Paper, pal::Ink);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Blue);
    for (qreal x : {5.0, 13.0}) {
        p.drawPath(Polygon(
            {{x - 2, 8}, {x, 6}, {x + 2, 6}, {x + 2, 14}, {x, 14}, {x, 8.6}, {x - 1, 9.4}}));
    }
    p.setBrush(pal::Ink);
    p.drawRect(QRectF(9, 7, 2, 2));
    p.drawRect(QRectF(9, 11, 2, 2));
}

constexpr std::array<GlyphPainter, kEditToolGlyphCount> kEditToolPainters = {
    DrawArrow,          DrawSelect,       DrawCrop,         DrawCopy,
    DrawPaste,          DrawFlipVertical, DrawAutoContrast, DrawAdjustContrast,
    DrawFlipHorizontal, DrawZoomOut,      DrawZoomIn,       DrawActualSize};

// ---- clip-art tool window and text input window, 16 x 16 ----

void DrawDelete(QPainter& p) {
    p.setPen(QPen(pal::RedDark, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2.5, 4), QPointF(13.5, 4));
    p.setPen(SharpLine(pal::RedDark));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(6.5, 1.5, 3, 2));
    Shape(p, Polygon({{4, 5.5}, {12, 5.5}, {11, 14.5}, {5, 14.5}}), pal::Red, pal::RedDark);
    p.setPen(SharpLine(QColor(255, 255, 255, 170)));
    p.drawLine(QPointF(7, 7.5), QPointF(7, 12.5));
    p.drawLine(QPointF(9, 7.5), QPointF(9, 12.5));
}

void DrawCheck(QPainter& p) {
    QPainterPath tick;
    tick.moveTo(2.8, 8.4);
    tick.lineTo(6.3, 11.9);
    tick.lineTo(13.2, 4.4);
    p.setPen(QPen(pal::Green, 2.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

void DrawCross(QPainter& p) {
    p.setPen(QPen(pal::Red, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void DrawSmallFlipH(QPainter& p) {
    DrawMirror(p, 16, false);
}
void DrawSmallFlipV(QPainter& p) {
    DrawMirror(p, 16, true);
}

void DrawRotate(QPainter& p, bool clockwise) {
    if (!clockwise) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    // A card lying on its side and the arrow that turns it.
    Shape(p, QRectF(2.5, 9.5, 11, 5), pal::BluePale, pal::Blue);
    CircularArrow(p, {8, 9.5}, 5, 165, -140, pal::Ink, 1.6, 2.5);
}

void DrawRotate90(QPainter& p) {
    DrawRotate(p, true);
}
void DrawRotate270(QPainter& p) {
    DrawRotate(p, false);
}

constexpr std::array<GlyphPainter, kClipArtToolGlyphCount> kClipArtToolPainters = {
    DrawDelete, DrawCheck, DrawSmallFlipH, DrawSmallFlipV, DrawRotate90, DrawRotate270};

void DrawFontChoice(QPainter& p) {
    p.setPen(Line(pal::Ink, 0.5));
    p.setBrush(pal::Ink);
    p.drawPath(LetterA(QRectF(2, 1, 12, 11)));
    p.fillRect(QRectF(2, 13, 12, 2), pal::Red);
}

constexpr std::array<GlyphPainter, kTextInputGlyphCount> kTextInputPainters = {
    DrawFontChoice, DrawCheck, DrawCross};

QPixmap GlyphPixmap(GlyphPainter paint, int size, bool greyed) {
    QImage image = RenderGlyph(paint, size, size);
    return QPixmap::fromImage(greyed ? GreyedImage(image) : image);
}

// An icon drawn on request at the size asked for, in device pixels, so that it is sharp at any
// device pixel ratio (1.25, 1.5, 2, ...) instead of being scaled from a stored picture. The
// Disabled mode is the greyed picture; every other mode is the normal one.
class GlyphIconEngine : public QIconEngine {
public:
    GlyphIconEngine(GlyphPainter paint, int grid) : paint_(paint), grid_(grid) {}

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        return QSize(side, side);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int side = std::min(size.width(), size.height());
        if (side <= 0) return {};
        const bool greyed = mode == QIcon::Disabled;
        const std::pair<int, bool> key{side, greyed};
        auto found = cache_.find(key);
        if (found == cache_.end()) {
            const QImage image = RenderGlyph(paint_, grid_, side);
            found =
                cache_.emplace(key, QPixmap::fromImage(greyed ? GreyedImage(image) : image)).first;
        }
        return found->second;
    }

    // QIcon asks pixmap() for the size in device pixels and sets the ratio itself; painting
    // directly does the same.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap shown =
            pixmap(QSize(qRound(rect.width() * ratio), qRound(rect.height() * ratio)), mode, state);
        shown.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, shown);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(grid_, grid_)};
    }

    QIconEngine* clone() const override { return new GlyphIconEngine(paint_, grid_); }

private:
    GlyphPainter paint_;
    int grid_;
    std::map<std::pair<int, bool>, QPixmap> cache_;
};

QIcon GlyphIcon(GlyphPainter paint, int size) {
    return QIcon(new GlyphIconEngine(paint, size));
}

QFont BannerFont(qreal pixelSize, int weight) {
    QFont font;
    font.setFamilies({"DejaVu Sans", "Liberation Sans", "Arial"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(QFont::Weight(weight));
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    return font;
}

// The picture card of the banner and the app icon: a white print with a landscape on it.
void PhotoCard(QPainter& p, const QRectF& card, qreal border, qreal shadow) {
    if (shadow > 0) {
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            QPainterPath s;
            s.addRoundedRect(card.translated(shadow * 0.4, shadow).adjusted(-i, -i, i, i), 1 + i,
                             1 + i);
            p.setBrush(QColor(0x0C, 0x1A, 0x33, 40 - i * 12));
            p.drawPath(s);
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Paper);
    p.drawRect(card);
    Landscape(p, card.adjusted(border, border, -border, -border * 2.2));
}

} // namespace

QImage GreyedImage(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = row[x];
            const int luma = (qRed(c) * 77 + qGreen(c) * 150 + qBlue(c) * 29) >> 8;
            // Lift the grey towards white so a disabled picture reads as faded, not as dark.
            const int v = 140 + luma * 115 / 255;
            row[x] = qRgba(v, v, v, qAlpha(c) * 3 / 4);
        }
    }
    return image;
}

QPixmap ToolbarPixmap(ToolbarIcon icon, bool greyed) {
    return GlyphPixmap(kToolbarPainters[size_t(icon)], kToolbarIconSize, greyed);
}

QIcon ToolbarQIcon(ToolbarIcon icon) {
    return GlyphIcon(kToolbarPainters[size_t(icon)], kToolbarIconSize);
}

QPixmap EditToolPixmap(EditToolGlyph glyph, bool greyed) {
    return GlyphPixmap(kEditToolPainters[size_t(glyph)], kEditToolGlyphSize, greyed);
}

QIcon EditToolIcon(EditToolGlyph glyph) {
    return GlyphIcon(kEditToolPainters[size_t(glyph)], kEditToolGlyphSize);
}

QPixmap ClipArtToolPixmap(ClipArtToolGlyph glyph, bool greyed) {
    return GlyphPixmap(kClipArtToolPainters[size_t(glyph)], kSmallGlyphSize, greyed);
}

QIcon ClipArtToolIcon(ClipArtToolGlyph glyph) {
    return GlyphIcon(kClipArtToolPainters[size_t(glyph)], kSmallGlyphSize);
}

QPixmap TextInputPixmap(TextInputGlyph glyph, bool greyed) {
    return GlyphPixmap(kTextInputPainters[size_t(glyph)], kSmallGlyphSize, greyed);
}

QIcon TextInputIcon(TextInputGlyph glyph) {
    return GlyphIcon(kTextInputPainters[size_t(glyph)], kSmallGlyphSize);
}

QImage LeftPanelImage() {
    const int w = kLeftPanelWidth, h = kLeftPanelHeight;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(0x1E, 0x3A, 0x66));
    sky.setColorAt(0.55, QColor(0x2F, 0x6C, 0xB0));
    sky.setColorAt(1.0, QColor(0x74, 0xB2, 0xE4));
    p.fillRect(image.rect(), sky);

    // Soft out-of-focus lights.
    struct Light {
        qreal x, y, r;
        int alpha;
    };
    for (const Light& l : {Light{12, 118, 16, 20}, Light{66, 96, 10, 26}, Light{58, 150, 22, 16},
                           Light{18, 30, 8, 22}, Light{70, 14, 14, 16}, Light{30, 176, 9, 24}}) {
        QRadialGradient g(l.x, l.y, l.r);
        g.setColorAt(0, QColor(255, 255, 255, l.alpha));
        g.setColorAt(0.8, QColor(255, 255, 255, l.alpha * 2 / 3));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(l.x, l.y), l.r, l.r);
    }

    // Two prints, one lying tilted behind the other.
    p.save();
    p.translate(40, 52);
    p.rotate(-9);
    p.setOpacity(0.55);
    PhotoCard(p, QRectF(-22, -20, 44, 38), 3, 0);
    p.setOpacity(1);
    p.rotate(15);
    PhotoCard(p, QRectF(-23, -19, 46, 40), 3.5, 3);
    p.restore();

    // A small sparkle, the touch of decoration.
    p.setPen(Qt::NoPen);
    p.setBrush(pal::Sun);
    p.drawPath(StarPath({63, 28}, 6, 1.6, 4));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawPath(StarPath({16, 84}, 3.5, 1, 4));

    // The name, set vertically, reading upwards.
    p.save();
    p.translate(47, h - 12);
    p.rotate(-90);
    const QFont font = BannerFont(23, QFont::Normal);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 240));
    p.drawText(QPointF(0, 0), "Lumetta");
    p.restore();
    p.end();
    return image;
}

QByteArray LeftPanelBmpData() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    LeftPanelImage().convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    return bytes;
}

QImage AppIconImage(int size) {
    const int grid = 64;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(size) / grid, double(size) / grid);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(3, 3, 58, 58), 14, 14);
    QLinearGradient g(0, 3, 0, 61);
    g.setColorAt(0, QColor(0x3C, 0x8C, 0xE0));
    g.setColorAt(1, QColor(0x1E, 0x4E, 0x93));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(tile);

    p.save();
    p.translate(31, 34);
    if (size >= 32) p.rotate(-8);
    // Small icons get a thicker border so the print still reads as a print.
    PhotoCard(p, QRectF(-19, -17, 38, 34), size >= 32 ? 3.5 : 5, size >= 32 ? 2.5 : 0);
    p.restore();

    p.setBrush(pal::Sun);
    p.drawPath(StarPath({49, 15}, size >= 32 ? 8 : 10, size >= 32 ? 2.2 : 3.2, 4));
    p.end();
    return image;
}

QIcon AppIcon(int largest) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        if (size == 16 || size <= largest) icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}

} // namespace lumetta::ui
