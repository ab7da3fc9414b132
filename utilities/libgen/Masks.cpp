// Masks: opaque where they cover the photo, transparent where the photo shows, soft in between.
// Lumetta stretches a mask to the photo's size, so each is drawn at 640 x 480 (4:3).
#include "Common.h"

#include <QPainter>

#include <algorithm>
#include <functional>

namespace libgen {
namespace {

constexpr int W = 640, H = 480;

// A mask of one colour from a "hole" picture: wherever the hole is opaque, the photo shows.
QImage FromHole(const QImage& hole, const QColor& colour, int feather) {
    QImage mask(W, H, QImage::Format_ARGB32);
    const QImage straight = hole.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < W; ++x)
            out[x] = qRgba(colour.red(), colour.green(), colour.blue(), 255 - qAlpha(in[x]));
    }
    BlurAlpha(mask, feather);
    return mask;
}

QImage HoleOf(const QPainterPath& path) {
    QImage hole = NewImage(W, H);
    QPainter p(&hole);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(path);
    p.end();
    return hole;
}

// A mask computed pixel by pixel: `hole` gives 1 where the photo shows, 0 where it is covered.
QImage FromField(const QColor& colour, const std::function<double(double, double)>& hole) {
    QImage mask(W, H, QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y) {
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const double v = std::clamp(hole(x + 0.5, y + 0.5), 0.0, 1.0);
            out[x] = qRgba(colour.red(), colour.green(), colour.blue(), int((1 - v) * 255 + 0.5));
        }
    }
    return mask;
}

QImage Oval() {
    return FromField(Qt::white, [](double x, double y) {
        const double nx = (x - W / 2.0) / (W * 0.43), ny = (y - H / 2.0) / (H * 0.43);
        return 1 - Smoothstep(0.78, 1.1, std::sqrt(nx * nx + ny * ny));
    });
}

QImage Heart() {
    QImage mask = FromHole(HoleOf(HeartPath(QRectF(W / 2.0 - 215, 34, 430, 420))),
                           QColor(0xFB, 0xE1, 0xE8), 2);
    // Tiny hearts scattered over the pink, kept clear of the opening.
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPainterPath big = HeartPath(QRectF(W / 2.0 - 235, 20, 470, 452));
    for (int i = 0; i < 70; ++i) {
        const double x = Hash01(i, 41) * W, y = Hash01(i, 42) * H, s = 10 + Hash01(i, 43) * 12;
        const QRectF r(x - s / 2, y - s / 2, s, s);
        if (big.intersects(r)) continue;
        p.setBrush(QColor(0xF2, 0xA7, 0xBB, 150 + int(Hash01(i, 44) * 80)));
        p.drawPath(HeartPath(r));
    }
    p.end();
    return mask;
}

QImage RoundedCorners() {
    QPainterPath hole;
    hole.addRoundedRect(QRectF(26, 26, W - 52, H - 52), 70, 70);
    return FromHole(HoleOf(hole), Qt::white, 1);
}

QImage Circle() {
    QPainterPath hole;
    hole.addEllipse(QPointF(W / 2.0, H / 2.0), 214, 214);
    return FromHole(HoleOf(hole), Qt::white, 1);
}

// Rough noise along an edge: a few octaves of smooth value noise plus fine fibre.
double Ragged(double t, int seed) {
    return 0.55 * (PeriodicNoise(t / 38.0, 64, seed) - 0.5) +
           0.3 * (PeriodicNoise(t / 11.0, 256, seed + 1) - 0.5) +
           0.15 * (PeriodicNoise(t / 3.0, 1024, seed + 2) - 0.5);
}

QImage TornPaper() {
    // The opening's outline, torn irregularly on all four sides.
    QPolygonF edge;
    const double l = 46, t = 40, r = W - 46, b = H - 40, amp = 26;
    for (double x = l; x < r; x += 2)
        edge << QPointF(x, t + amp * Ragged(x, 1));
    for (double y = t; y < b; y += 2)
        edge << QPointF(r + amp * Ragged(y, 5), y);
    for (double x = r; x > l; x -= 2)
        edge << QPointF(x, b + amp * Ragged(x, 9));
    for (double y = b; y > t; y -= 2)
        edge << QPointF(l + amp * Ragged(y, 13), y);
    QPainterPath hole;
    hole.addPolygon(edge);
    hole.closeSubpath();
    QPainterPath paper;
    paper.addRect(0, 0, W, H);
    paper = paper.subtracted(hole);

    // The paper casts a faint shadow onto the photo below its torn edge.
    QImage shadow(W, H, QImage::Format_ARGB32);
    shadow.fill(0);
    {
        QPainter p(&shadow);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(3, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x18, 0x10, 110));
        p.drawPath(paper);
    }
    BlurAlpha(shadow, 4);
    QImage mask = shadow.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFC, 0xFB, 0xF7));
    p.drawPath(paper);
    // Torn paper shows its white fibrous core along the tear.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 3.2));
    p.drawPath(hole);
    p.setPen(QPen(QColor(0xE4, 0xDF, 0xD4), 1));
    p.drawPath(hole.translated(-1.6, -1.2));
    p.end();
    return mask.convertToFormat(QImage::Format_ARGB32);
}

QImage Star() {
    QPainterPath star = StarPath({W / 2.0, H / 2.0 + 16}, 236, 104, 5);
    QImage mask = FromHole(HoleOf(star), QColor(0x1C, 0x2A, 0x52), 2);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPainterPath keepClear = StarPath({W / 2.0, H / 2.0 + 16}, 252, 118, 5);
    for (int i = 0; i < 140; ++i) {
        const QPointF c(Hash01(i, 61) * W, Hash01(i, 62) * H);
        const double s = 0.8 + Hash01(i, 63) * 1.8;
        if (keepClear.intersects(QRectF(c.x() - 6, c.y() - 6, 12, 12))) continue;
        p.setBrush(QColor(255, 255, 255, 120 + int(Hash01(i, 64) * 135)));
        if (i % 9 == 0)
            p.drawPath(StarPath(c, s * 3.2, s * 0.8, 4));
        else
            p.drawEllipse(c, s, s);
    }
    p.end();
    return mask;
}

QImage Feathered() {
    return FromField(Qt::white, [](double x, double y) {
        const double inX = std::min(x, W - x), inY = std::min(y, H - y);
        return Smoothstep(20, 92, inX) * Smoothstep(18, 80, inY);
    });
}

QImage BrushStroke() {
    return FromField(QColor(0xFF, 0xFE, 0xFB), [](double x, double y) {
        // Dry-brush ends on the left and right: bristle streaks follow the rows.
        const double bristle = (PeriodicNoise(y / 3.5, 4096, 71) - 0.5) * 18 +
                               (PeriodicNoise(y / 1.5, 4096, 72) - 0.5) * 6;
        const double wave = (PeriodicNoise(y / 60.0, 256, 73) - 0.5) * 40;
        const double left = 58 + wave + bristle;
        const double right = W - 58 + (PeriodicNoise(y / 55.0, 256, 74) - 0.5) * 40 +
                             (PeriodicNoise(y / 3.2, 4096, 75) - 0.5) * 18 +
                             (PeriodicNoise(y / 1.4, 4096, 76) - 0.5) * 6;
        // Top and bottom follow the wavy edge of the stroke.
        const double top = 52 + (PeriodicNoise(x / 70.0, 256, 77) - 0.5) * 34 +
                           (PeriodicNoise(x / 6.0, 2048, 78) - 0.5) * 8;
        const double bottom = H - 52 + (PeriodicNoise(x / 65.0, 256, 79) - 0.5) * 34 +
                              (PeriodicNoise(x / 6.0, 2048, 80) - 0.5) * 8;
        return Smoothstep(left - 7, left + 7, x) * Smoothstep(right + 7, right - 7, x) *
               Smoothstep(top - 2.5, top + 2.5, y) * Smoothstep(bottom + 2.5, bottom - 2.5, y);
    });
}

} // namespace

std::vector<PictureObject> MakeMasks() {
    return {{"MaskOval", Oval()},
            {"MaskHeart", Heart()},
            {"MaskRounded", RoundedCorners()},
            {"MaskCircle", Circle()},
            {"MaskTorn", TornPaper()},
            {"MaskStar", Star()},
            {"MaskFeather", Feathered()},
            {"MaskBrush", BrushStroke()}};
}

} // namespace libgen
