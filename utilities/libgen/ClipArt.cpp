// Clip art: sixteen flat, softly shaded stickers with transparent backgrounds, 1024 x 1024, so
// that they stay crisp on the photos of today's cameras. They are described in units of a
// 240 x 240 square.
#include "Common.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace libgen {
namespace {

constexpr int kSize = 240;
constexpr int kPixels = 1024;

// Lighter at the top, the base colour further down: the one shading rule of every sticker.
QBrush Shaded(const QRectF& r, const QColor& base, double lift = 0.28) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, MixColour(base, Qt::white, lift));
    g.setColorAt(1, base);
    return g;
}

void Fill(QPainter& p, const QPainterPath& path, const QColor& base, const QColor& edge,
          double width = 4, double lift = 0.28) {
    p.setPen(QPen(edge, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Shaded(path.boundingRect(), base, lift));
    p.drawPath(path);
}

void Shine(QPainter& p, const QRectF& r, int alpha = 110) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, alpha));
    p.drawEllipse(r);
}

QPainterPath Ellipse(QPointF c, double rx, double ry) {
    QPainterPath path;
    path.addEllipse(c, rx, ry);
    return path;
}

QPainterPath RoundRect(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

using Draw = void (*)(QPainter&);

void Sun(QPainter& p) {
    const QPointF c(120, 120);
    QPainterPath rays;
    for (int i = 0; i < 12; ++i) {
        const double a = i * kPi / 6, w = kPi / 26;
        const double r0 = 70, r1 = i % 2 ? 100 : 112;
        QPolygonF ray({c + QPointF(r0 * std::cos(a - w * 1.6), r0 * std::sin(a - w * 1.6)),
                       c + QPointF(r1 * std::cos(a), r1 * std::sin(a)),
                       c + QPointF(r0 * std::cos(a + w * 1.6), r0 * std::sin(a + w * 1.6))});
        rays.addPolygon(ray);
        rays.closeSubpath();
    }
    Fill(p, rays, QColor(0xF7, 0x9E, 0x1B), QColor(0xD9, 0x7A, 0x0A), 3);
    QRadialGradient disc(c - QPointF(18, 20), 90);
    disc.setColorAt(0, QColor(0xFF, 0xEE, 0x8A));
    disc.setColorAt(1, QColor(0xFB, 0xB9, 0x22));
    p.setPen(QPen(QColor(0xE0, 0x8E, 0x10), 4));
    p.setBrush(disc);
    p.drawEllipse(c, 64, 64);
    Shine(p, QRectF(84, 78, 34, 22), 120);
}

void Heart(QPainter& p) {
    const QPainterPath heart = HeartPath(QRectF(18, 26, 204, 192));
    Fill(p, heart, QColor(0xE0, 0x34, 0x4A), QColor(0xA8, 0x1F, 0x33), 5, 0.3);
    p.save();
    p.translate(70, 72);
    p.rotate(-35);
    Shine(p, QRectF(-24, -12, 48, 24), 120);
    p.restore();
    Shine(p, QRectF(100, 70, 10, 10), 150);
}

void Star(QPainter& p) {
    const QPointF c(120, 128);
    const double outer = 112, inner = 46;
    const QPainterPath star = StarPath(c, outer, inner, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF5, 0xB4, 0x1F));
    p.drawPath(star);
    // Faceted: the left half of every point catches the light.
    for (int i = 0; i < 5; ++i) {
        const double a = (-90 + i * 72) * kPi / 180, b = (-90 + i * 72 - 36) * kPi / 180;
        QPolygonF facet({c, c + QPointF(outer * std::cos(a), outer * std::sin(a)),
                         c + QPointF(inner * std::cos(b), inner * std::sin(b))});
        p.setBrush(QColor(0xFF, 0xD8, 0x5A));
        p.drawPolygon(facet);
    }
    p.setPen(QPen(QColor(0xC9, 0x83, 0x0E), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(star);
}

void Balloon(QPainter& p, QPointF c, double rx, double ry, const QColor& colour, const QColor& edge,
             double stringBend) {
    QPainterPath string;
    string.moveTo(c.x(), c.y() + ry + 8);
    string.cubicTo(c.x() + stringBend, c.y() + ry + 40, c.x() - stringBend, c.y() + ry + 70,
                   c.x() + stringBend * 0.5, 236);
    p.setPen(QPen(QColor(0x6B, 0x72, 0x80), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(string);
    QPainterPath knot;
    knot.moveTo(c.x(), c.y() + ry - 2);
    knot.lineTo(c.x() + 7, c.y() + ry + 10);
    knot.lineTo(c.x() - 7, c.y() + ry + 10);
    knot.closeSubpath();
    Fill(p, knot, colour, edge, 3);
    QPainterPath body;
    body.moveTo(c.x(), c.y() + ry);
    body.cubicTo(c.x() - rx * 1.25, c.y() + ry * 0.55, c.x() - rx * 1.05, c.y() - ry, c.x(),
                 c.y() - ry);
    body.cubicTo(c.x() + rx * 1.05, c.y() - ry, c.x() + rx * 1.25, c.y() + ry * 0.55, c.x(),
                 c.y() + ry);
    QRadialGradient g(c - QPointF(rx * 0.35, ry * 0.4), rx * 1.6);
    g.setColorAt(0, MixColour(colour, Qt::white, 0.4));
    g.setColorAt(1, colour);
    p.setPen(QPen(edge, 4));
    p.setBrush(g);
    p.drawPath(body);
    p.save();
    p.translate(c - QPointF(rx * 0.42, ry * 0.45));
    p.rotate(-30);
    Shine(p, QRectF(-8, -15, 16, 30), 140);
    p.restore();
}

void Balloons(QPainter& p) {
    Balloon(p, {82, 84}, 46, 58, QColor(0x3C, 0x8D, 0xE0), QColor(0x22, 0x62, 0xAA), -10);
    Balloon(p, {150, 100}, 52, 64, QColor(0xE5, 0x3B, 0x4F), QColor(0xA8, 0x1F, 0x33), 12);
}

void Flower(QPainter& p) {
    QPainterPath stem;
    stem.moveTo(120, 118);
    stem.cubicTo(118, 160, 128, 196, 122, 236);
    p.setPen(QPen(QColor(0x3F, 0x8F, 0x4A), 8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stem);
    for (int side : {-1, 1}) {
        QPainterPath leaf;
        const QPointF base(121, 190 - side * 8);
        leaf.moveTo(base);
        leaf.cubicTo(base + QPointF(side * 20, -34), base + QPointF(side * 62, -30),
                     base + QPointF(side * 74, -26));
        leaf.cubicTo(base + QPointF(side * 56, 4), base + QPointF(side * 22, 8), base);
        Fill(p, leaf, QColor(0x5C, 0xB0, 0x5A), QColor(0x3A, 0x82, 0x40), 3);
    }
    const QPointF c(120, 92);
    for (int i = 0; i < 10; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 36);
        QPainterPath petal = Ellipse({0, -44}, 17, 34);
        Fill(p, petal, QColor(0xEE, 0x7F, 0xA6), QColor(0xC2, 0x4F, 0x7A), 3, 0.45);
        p.restore();
    }
    QRadialGradient g(c - QPointF(6, 8), 30);
    g.setColorAt(0, QColor(0xFF, 0xE0, 0x6A));
    g.setColorAt(1, QColor(0xF2, 0xA5, 0x1D));
    p.setPen(QPen(QColor(0xC9, 0x7A, 0x0E), 3));
    p.setBrush(g);
    p.drawEllipse(c, 24, 24);
    for (int i = 0; i < 7; ++i) {
        const double a = i * 2 * kPi / 7;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC9, 0x7A, 0x0E, 150));
        p.drawEllipse(c + QPointF(11 * std::cos(a), 11 * std::sin(a)), 2.2, 2.2);
    }
}

void Butterfly(QPainter& p) {
    const QColor wing(0x8E, 0x5B, 0xD6), edge(0x55, 0x32, 0x94), lower(0x4F, 0x8F, 0xE0);
    for (int side : {-1, 1}) {
        p.save();
        p.translate(120, 118);
        p.scale(side, 1);
        QPainterPath upper;
        upper.moveTo(4, -6);
        upper.cubicTo(30, -80, 110, -96, 104, -48);
        upper.cubicTo(100, -14, 50, 4, 4, 0);
        Fill(p, upper, wing, edge, 4, 0.35);
        QPainterPath low;
        low.moveTo(4, 4);
        low.cubicTo(60, 6, 92, 40, 70, 74);
        low.cubicTo(52, 100, 18, 70, 4, 12);
        Fill(p, low, lower, QColor(0x2C, 0x5E, 0xA8), 4, 0.35);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(72, -50), 12, 12);
        p.drawEllipse(QPointF(48, 44), 8, 8);
        p.setBrush(QColor(0xF4, 0xC4, 0x3F));
        p.drawEllipse(QPointF(72, -50), 6, 6);
        p.restore();
    }
    p.setPen(QPen(QColor(0x34, 0x2A, 0x44), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath antennae;
    antennae.moveTo(116, 74);
    antennae.cubicTo(110, 50, 98, 40, 86, 36);
    antennae.moveTo(124, 74);
    antennae.cubicTo(130, 50, 142, 40, 154, 36);
    p.drawPath(antennae);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x34, 0x2A, 0x44));
    p.drawEllipse(QPointF(86, 36), 5, 5);
    p.drawEllipse(QPointF(154, 36), 5, 5);
    p.drawRoundedRect(QRectF(112, 72, 16, 100), 8, 8);
}

void SpeechBubble(QPainter& p) {
    QPainterPath bubble = RoundRect(QRectF(14, 30, 212, 140), 42);
    QPainterPath tail;
    tail.moveTo(64, 160);
    tail.cubicTo(62, 190, 48, 212, 30, 222);
    tail.cubicTo(70, 216, 100, 196, 112, 164);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1A, 0x2A, 0x40, 40));
    p.drawPath(bubble.translated(4, 6));
    p.setPen(QPen(QColor(0x2F, 0x7B, 0xD0), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(bubble);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2F, 0x7B, 0xD0));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(84 + i * 36, 100), 10, 10);
}

void Crown(QPainter& p) {
    QPainterPath crown;
    crown.moveTo(30, 176);
    crown.lineTo(18, 70);
    crown.lineTo(72, 120);
    crown.lineTo(120, 44);
    crown.lineTo(168, 120);
    crown.lineTo(222, 70);
    crown.lineTo(210, 176);
    crown.closeSubpath();
    Fill(p, crown, QColor(0xF2, 0xB6, 0x2C), QColor(0xB7, 0x7B, 0x16), 5, 0.35);
    QPainterPath band = RoundRect(QRectF(26, 166, 188, 34), 8);
    Fill(p, band, QColor(0xE8, 0xA3, 0x1E), QColor(0xB7, 0x7B, 0x16), 5, 0.3);
    for (QPointF tip : {QPointF(18, 66), QPointF(120, 38), QPointF(222, 66)}) {
        Fill(p, Ellipse(tip, 11, 11), QColor(0xF7, 0xD0, 0x5C), QColor(0xB7, 0x7B, 0x16), 3);
    }
    const QColor jewels[] = {QColor(0xD9, 0x3A, 0x4F), QColor(0x2F, 0x7B, 0xD0),
                             QColor(0x3E, 0xA8, 0x6B)};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(72 + i * 48, 183);
        Fill(p, Ellipse(c, 10, 10), jewels[i], jewels[i].darker(140), 2.5, 0.4);
        Shine(p, QRectF(c.x() - 6, c.y() - 7, 6, 5), 170);
    }
    Fill(p, Ellipse({120, 128}, 14, 17), jewels[0], jewels[0].darker(140), 3, 0.4);
    Shine(p, QRectF(112, 116, 7, 8), 170);
}

void Ribbon(QPainter& p) {
    const QColor blue(0x2F, 0x6F, 0xC8), blueEdge(0x1E, 0x4A, 0x8C);
    for (int side : {-1, 1}) {
        QPainterPath tail;
        tail.moveTo(120 + side * 10, 120);
        tail.lineTo(120 + side * 62, 226);
        tail.lineTo(120 + side * 40, 212);
        tail.lineTo(120 + side * 30, 234);
        tail.lineTo(120 - side * 14, 130);
        tail.closeSubpath();
        Fill(p, tail, side < 0 ? blue : blue.darker(115), blueEdge, 3.5);
    }
    QPainterPath rosette;
    const QPointF c(120, 100);
    const int folds = 24;
    for (int i = 0; i <= folds * 2; ++i) {
        const double a = i * kPi / folds;
        const double r = i % 2 ? 80 : 92;
        const QPointF pt = c + QPointF(r * std::cos(a), r * std::sin(a));
        if (i == 0)
            rosette.moveTo(pt);
        else
            rosette.lineTo(pt);
    }
    rosette.closeSubpath();
    Fill(p, rosette, blue, blueEdge, 3.5, 0.35);
    QRadialGradient g(c - QPointF(14, 16), 70);
    g.setColorAt(0, QColor(0xFF, 0xE5, 0x8A));
    g.setColorAt(1, QColor(0xE8, 0xA3, 0x1E));
    p.setPen(QPen(QColor(0xB7, 0x7B, 0x16), 4));
    p.setBrush(g);
    p.drawEllipse(c, 56, 56);
    p.setPen(QPen(QColor(0xB7, 0x7B, 0x16, 160), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 46, 46);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xFF, 0xFF, 235));
    p.drawPath(StarPath(c, 30, 12.5, 5));
}

void Camera(QPainter& p) {
    Fill(p, RoundRect(QRectF(50, 46, 56, 30), 8), QColor(0x4A, 0x55, 0x63),
         QColor(0x2A, 0x31, 0x3B), 4);
    Fill(p, RoundRect(QRectF(16, 66, 208, 140), 22), QColor(0x4A, 0x55, 0x63),
         QColor(0x2A, 0x31, 0x3B), 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC8, 0x8B, 0x52));
    p.drawRect(QRectF(19, 112, 202, 60));
    p.setBrush(QColor(0, 0, 0, 30));
    for (int y = 116; y < 170; y += 6)
        p.drawRect(QRectF(19, y, 202, 1.5));
    Fill(p, RoundRect(QRectF(170, 46, 34, 26), 6), QColor(0xE5, 0x4B, 0x4B),
         QColor(0xA8, 0x30, 0x30), 4);
    Fill(p, RoundRect(QRectF(30, 82, 40, 22), 5), QColor(0xEE, 0xF3, 0xF8),
         QColor(0x2A, 0x31, 0x3B), 3);
    const QPointF c(128, 138);
    Fill(p, Ellipse(c, 60, 60), QColor(0xD9, 0xDF, 0xE6), QColor(0x2A, 0x31, 0x3B), 5, 0.5);
    Fill(p, Ellipse(c, 44, 44), QColor(0x25, 0x2C, 0x36), QColor(0x15, 0x19, 0x1F), 3, 0.15);
    QRadialGradient glass(c - QPointF(10, 12), 40);
    glass.setColorAt(0, QColor(0x6F, 0x9C, 0xD8));
    glass.setColorAt(1, QColor(0x1B, 0x2E, 0x5A));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(c, 30, 30);
    Shine(p, QRectF(c.x() - 20, c.y() - 22, 18, 12), 170);
    Shine(p, QRectF(c.x() + 10, c.y() + 10, 6, 6), 110);
}

void MusicNote(QPainter& p) {
    const QColor ink(0x4B, 0x3A, 0x9C), edge(0x2E, 0x22, 0x6A);
    QPainterPath beam;
    beam.moveTo(88, 52);
    beam.lineTo(206, 22);
    beam.lineTo(206, 52);
    beam.lineTo(88, 82);
    beam.closeSubpath();
    Fill(p, beam, ink, edge, 3, 0.35);
    Fill(p, RoundRect(QRectF(82, 60, 14, 124), 5), ink, edge, 3, 0.3);
    Fill(p, RoundRect(QRectF(196, 30, 14, 124), 5), ink, edge, 3, 0.3);
    for (QPointF c : {QPointF(64, 186), QPointF(178, 156)}) {
        p.save();
        p.translate(c);
        p.rotate(-22);
        Fill(p, Ellipse({0, 0}, 34, 24), ink, edge, 3.5, 0.35);
        p.restore();
        Shine(p, QRectF(c.x() - 20, c.y() - 14, 16, 8), 110);
    }
}

void Snowflake(QPainter& p) {
    const QPointF c(120, 120);
    QPainterPath arms;
    for (int i = 0; i < 6; ++i) {
        const double a = i * kPi / 3 - kPi / 2;
        const QPointF dir(std::cos(a), std::sin(a)), nrm(-dir.y(), dir.x());
        arms.moveTo(c);
        arms.lineTo(c + dir * 104);
        for (double t : {46.0, 76.0}) {
            const double len = t < 60 ? 30 : 22;
            arms.moveTo(c + dir * t);
            arms.lineTo(c + dir * (t + len * 0.8) + nrm * len);
            arms.moveTo(c + dir * t);
            arms.lineTo(c + dir * (t + len * 0.8) - nrm * len);
        }
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2C, 0x7F, 0xC4), 16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arms);
    p.setPen(QPen(QColor(0xB9, 0xE2, 0xFA), 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(arms);
    p.setPen(QPen(QColor(0x2C, 0x7F, 0xC4), 4));
    p.setBrush(QColor(0xE8, 0xF6, 0xFF));
    p.drawPath(StarPath(c, 24, 14, 6, -90));
}

void Leaf(QPainter& p) {
    p.translate(120, 120);
    p.rotate(-35);
    QPainterPath leaf;
    leaf.moveTo(0, 96);
    leaf.cubicTo(-70, 60, -76, -40, 0, -104);
    leaf.cubicTo(76, -40, 70, 60, 0, 96);
    QLinearGradient g(0, -104, 0, 96);
    g.setColorAt(0, QColor(0xF6, 0xC1, 0x3C));
    g.setColorAt(0.5, QColor(0xEE, 0x85, 0x2A));
    g.setColorAt(1, QColor(0xC8, 0x45, 0x2A));
    p.setPen(QPen(QColor(0x9A, 0x3A, 0x1E), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(leaf);
    QPainterPath veins;
    veins.moveTo(0, 118);
    veins.lineTo(0, -86);
    for (int i = 0; i < 5; ++i) {
        const double y = 60 - i * 32;
        veins.moveTo(0, y);
        veins.quadTo(20, y - 14, 40 - i * 4, y - 30);
        veins.moveTo(0, y);
        veins.quadTo(-20, y - 14, -40 + i * 4, y - 30);
    }
    p.setPen(QPen(QColor(0x9A, 0x3A, 0x1E, 200), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(veins);
}

void Cake(QPainter& p) {
    const QColor sponge(0xF3, 0xD2, 0xA2), spongeEdge(0xB9, 0x86, 0x4F);
    const QColor icing(0xF6, 0x9F, 0xBD), icingEdge(0xC2, 0x5A, 0x82);
    Fill(p, RoundRect(QRectF(10, 206, 220, 16), 8), QColor(0xDD, 0xE4, 0xEC),
         QColor(0x9A, 0xA6, 0xB4), 3);
    Fill(p, RoundRect(QRectF(26, 142, 188, 70), 10), sponge, spongeEdge, 4);
    Fill(p, RoundRect(QRectF(56, 92, 128, 56), 10), sponge, spongeEdge, 4);
    // Icing that drips over each tier.
    for (auto [left, top, width] :
         {std::tuple{26.0, 142.0, 188.0}, std::tuple{56.0, 92.0, 128.0}}) {
        QPainterPath drip;
        drip.moveTo(left, top + 8);
        drip.quadTo(left, top - 2, left + 10, top - 2);
        drip.lineTo(left + width - 10, top - 2);
        drip.quadTo(left + width, top - 2, left + width, top + 8);
        const int n = int(width / 22);
        const double step = width / n;
        drip.lineTo(left + width, top + 10);
        for (int i = n; i > 0; --i) {
            const double xr = left + step * i, xl = xr - step;
            const double depth = (i % 2 ? 22 : 13);
            drip.cubicTo(xr, top + 10 + depth, xl, top + 10 + depth, xl, top + 10);
        }
        drip.closeSubpath();
        Fill(p, drip, icing, icingEdge, 3, 0.35);
    }
    p.setPen(Qt::NoPen);
    const QColor sprinkles[] = {QColor(0x3C, 0x8D, 0xE0), QColor(0xF7, 0xC5, 0x3F),
                                QColor(0x3E, 0xA8, 0x6B)};
    for (int i = 0; i < 14; ++i) {
        p.setBrush(sprinkles[i % 3]);
        const double x = 40 + Hash01(i, 91) * 160, y = 176 + Hash01(i, 92) * 26;
        p.drawRoundedRect(QRectF(x, y, 8, 3), 1.5, 1.5);
    }
    for (int i = 0; i < 3; ++i) {
        const double x = 88 + i * 32;
        Fill(p, RoundRect(QRectF(x - 6, 46, 12, 48), 3),
             i == 1 ? QColor(0x6F, 0xB8, 0xF0) : QColor(0xFF, 0xF4, 0xE0), QColor(0x7A, 0x8A, 0x9C),
             2.5);
        QPainterPath flame;
        flame.moveTo(x, 14);
        flame.cubicTo(x + 12, 26, x + 9, 40, x, 42);
        flame.cubicTo(x - 9, 40, x - 12, 26, x, 14);
        Fill(p, flame, QColor(0xF7, 0xA4, 0x1E), QColor(0xE0, 0x6A, 0x10), 2, 0.55);
    }
}

void Gift(QPainter& p) {
    const QColor box(0x3E, 0xA8, 0x9C), boxEdge(0x26, 0x76, 0x6D), ribbon(0xE5, 0x3B, 0x4F),
        ribbonEdge(0xA8, 0x1F, 0x33);
    Fill(p, RoundRect(QRectF(30, 110, 180, 116), 6), box, boxEdge, 4.5);
    Fill(p, RoundRect(QRectF(20, 82, 200, 36), 6), box.lighter(108), boxEdge, 4.5);
    p.setPen(Qt::NoPen);
    p.setBrush(ribbon);
    p.drawRect(QRectF(106, 84, 28, 140));
    p.drawRect(QRectF(32, 150, 176, 26));
    for (int side : {-1, 1}) {
        QPainterPath loop;
        loop.moveTo(120, 82);
        loop.cubicTo(120 + side * 20, 30, 120 + side * 86, 26, 120 + side * 76, 66);
        loop.cubicTo(120 + side * 68, 88, 120 + side * 30, 88, 120, 82);
        Fill(p, loop, ribbon, ribbonEdge, 4, 0.3);
    }
    Fill(p, RoundRect(QRectF(106, 66, 28, 24), 8), ribbon, ribbonEdge, 4, 0.3);
    p.setPen(QPen(ribbonEdge, 3));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(106, 118), QPointF(106, 224));
    p.drawLine(QPointF(134, 118), QPointF(134, 224));
}

void Sparkles(QPainter& p) {
    struct S {
        double x, y, r;
        QColor c;
    };
    for (const S& s :
         {S{98, 124, 88, QColor(0xF5, 0xB4, 0x1F)}, S{186, 58, 44, QColor(0xF8, 0xCF, 0x4A)},
          S{184, 186, 34, QColor(0x8E, 0xC8, 0xF2)}, S{40, 40, 22, QColor(0xF2, 0x9A, 0xB8)}}) {
        const QPainterPath star = StarPath({s.x, s.y}, s.r, s.r * 0.22, 4);
        Fill(p, star, s.c, s.c.darker(135), 3, 0.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawPath(StarPath({s.x, s.y}, s.r * 0.35, s.r * 0.1, 4));
    }
}

} // namespace

std::vector<PictureObject> MakeClipArt() {
    const std::pair<const char*, Draw> items[] = {{"ClipArtSun", Sun},
                                                  {"ClipArtHeart", Heart},
                                                  {"ClipArtStar", Star},
                                                  {"ClipArtBalloon", Balloons},
                                                  {"ClipArtFlower", Flower},
                                                  {"ClipArtButterfly", Butterfly},
                                                  {"ClipArtBubble", SpeechBubble},
                                                  {"ClipArtCrown", Crown},
                                                  {"ClipArtRibbon", Ribbon},
                                                  {"ClipArtCamera", Camera},
                                                  {"ClipArtMusic", MusicNote},
                                                  {"ClipArtSnowflake", Snowflake},
                                                  {"ClipArtLeaf", Leaf},
                                                  {"ClipArtCake", Cake},
                                                  {"ClipArtGift", Gift},
                                                  {"ClipArtSparkles", Sparkles}};
    std::vector<PictureObject> out;
    for (const auto& [name, draw] : items) {
        QImage image = NewImage(kPixels, kPixels);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(double(kPixels) / kSize, double(kPixels) / kSize);
        draw(p);
        p.end();
        out.push_back({name, image.convertToFormat(QImage::Format_ARGB32)});
    }
    return out;
}

} // namespace libgen
