#include "Common.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <stdexcept>

namespace libgen {

PlacementRecord NinePieceRecord(const NinePiece& n) {
    PlacementRecord r{};
    r[0] = 0;
    r[1] = n.marginL;
    r[2] = n.marginT;
    r[3] = n.marginL + n.marginR;
    r[4] = n.marginT + n.marginB;
    r[5] = n.left;  // top-left corner width
    r[6] = n.top;   // top-left corner height = top band height
    r[7] = n.tileW; // top tile
    r[8] = n.top;   //   as high as the band, so it never repeats downwards
    r[9] = n.right; // top-right corner width
    r[10] = n.top;  //   and height: no stretching
    r[11] = n.left; // left band and its tile
    r[12] = n.tileH;
    r[13] = n.right; // right band and its tile
    r[14] = n.tileH;
    r[15] = n.left; // bottom-left corner = bottom band height
    r[16] = n.bottom;
    r[17] = n.tileW; // not read by the program; the bottom tile's size for a human reader
    r[18] = n.bottom;
    r[19] = n.right; // bottom-right corner
    r[20] = n.bottom;
    return r;
}

PlacementRecord StretchedRecord() {
    PlacementRecord r{};
    r[0] = 1;
    return r;
}

// ---- composition ----

namespace {

QImage Unpremultiplied(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A source rectangle copied (nearest-neighbour stretched when sizes differ) into a w x h piece.
QImage Piece(const QImage& src, QRect from, int w, int h) {
    QImage piece(std::max(w, 0), std::max(h, 0), QImage::Format_ARGB32);
    piece.fill(0);
    if (w <= 0 || h <= 0 || from.width() <= 0 || from.height() <= 0) return piece;
    if (!src.rect().contains(from)) throw std::runtime_error("Source rectangle is invalid");
    for (int y = 0; y < h; ++y) {
        const int sy = from.top() + int(std::int64_t(y) * from.height() / h);
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = in[from.left() + int(std::int64_t(x) * from.width() / w)];
    }
    return piece;
}

QImage Tiled(const QImage& src, QRect from, int w, int h) {
    QImage piece(std::max(w, 0), std::max(h, 0), QImage::Format_ARGB32);
    piece.fill(0);
    if (w <= 0 || h <= 0 || from.width() <= 0 || from.height() <= 0) return piece;
    const QImage tile = Piece(src, from, from.width(), from.height());
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(tile.constScanLine(y % tile.height()));
        auto* out = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = in[x % tile.width()];
    }
    return piece;
}

// Replaces canvas pixels (all four channels), clipped to the canvas.
void Put(QImage& canvas, const QImage& piece, int x0, int y0) {
    for (int y = 0; y < piece.height(); ++y) {
        const int cy = y0 + y;
        if (cy < 0 || cy >= canvas.height()) continue;
        const auto* in = reinterpret_cast<const QRgb*>(piece.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(canvas.scanLine(cy));
        for (int x = 0; x < piece.width(); ++x) {
            const int cx = x0 + x;
            if (cx >= 0 && cx < canvas.width()) out[cx] = in[x];
        }
    }
}

} // namespace

QImage ComposeNinePiece(const QImage& photoIn, const QImage& frameIn, const PlacementRecord& s) {
    const QImage photo = Unpremultiplied(photoIn), frame = Unpremultiplied(frameIn);
    const int FW = frame.width(), FH = frame.height();
    const int CW = std::max(0, photo.width() + s[3]), CH = std::max(0, photo.height() + s[4]);
    const int TLW = s[5], TLH = s[6], TTW = s[7], TTH = s[8], TRW = s[9], TRH = s[10];
    const int LW = s[11], LTH = s[12], RW = s[13], RTH = s[14], BLW = s[15], BLH = s[16];
    const int BRW = s[19], BRH = s[20];
    QImage canvas(CW, CH, QImage::Format_ARGB32);
    canvas.fill(0x00FFFFFF);
    auto rect = [](int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); };
    Put(canvas, Piece(frame, rect(0, 0, TLW, TLH), TLW, TLH), 0, 0);
    Put(canvas, Tiled(frame, rect(TLW, 0, TLW + TTW, TTH), CW - TLW - TRW, TLH), TLW, 0);
    Put(canvas, Piece(frame, rect(TLW + TTW, 0, FW, TRH), TRW, TLH), CW - TRW, 0);
    Put(canvas, Tiled(frame, rect(0, TLH, LW, TLH + LTH), LW, CH - TLH - BLH), 0, TLH);
    Put(canvas, Tiled(frame, rect(FW - RW, TLH, FW, TLH + RTH), RW, CH - TLH - BLH), CW - RW, TLH);
    Put(canvas, Piece(frame, rect(0, FH - BLH, BLW, FH), BLW, BLH), 0, CH - BLH);
    Put(canvas, Tiled(frame, rect(TLW, FH - BLH, FW - BRW, FH), CW - BLW - BRW, BLH), BLW,
        CH - BLH);
    Put(canvas, Piece(frame, rect(FW - BRW, FH - BRH, FW, FH), BRW, BLH), CW - BRW, CH - BRH);
    Put(canvas, photo, s[1], s[2]);
    return canvas;
}

QImage StretchOver(const QImage& photo, const QImage& frame) {
    QImage out = photo.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(out.rect(), frame);
    p.end();
    return out.convertToFormat(QImage::Format_ARGB32);
}

QImage ApplyRecord(const QImage& photo, const QImage& frame, const PlacementRecord& r) {
    return r[0] != 0 ? StretchOver(photo, frame) : ComposeNinePiece(photo, frame, r);
}

// ---- pictures ----

QImage NewImage(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage Over(const QImage& under, const QImage& image, int x, int y) {
    QImage out = under.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&out);
    p.drawImage(x, y, image);
    p.end();
    return out;
}

QImage Checker(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    for (int y = 0; y < h; y += 8)
        for (int x = 0; x < w; x += 8)
            p.fillRect(x, y, 8, 8, ((x + y) / 8) % 2 ? QColor(0xEE, 0xEF, 0xF2) : Qt::white);
    return image;
}

QImage Thumbnail(const QImage& image, const QColor& background) {
    QImage fitted = image;
    if (image.width() > 112 || image.height() > 82)
        fitted = image.scaled(112, 82, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage out(fitted.size(), QImage::Format_RGB32);
    out.fill(background);
    QPainter p(&out);
    p.drawImage(0, 0, fitted);
    p.end();
    return out;
}

// A peaceful landscape: sky, sun, mountains, a lake, a meadow with a tree.
QImage SamplePhoto(int w, int h, int variant) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(w / 320.0, h / 240.0);
    struct Palette {
        QColor skyTop, skyLow, sun, far, mid, near, meadow, water;
    };
    const Palette palettes[] = {
        {QColor(0x6F, 0xAE, 0xE3), QColor(0xF8, 0xE3, 0xC4), QColor(0xFF, 0xE6, 0x9A),
         QColor(0x8F, 0xA8, 0xC8), QColor(0x5E, 0x9E, 0x78), QColor(0x3F, 0x86, 0x5C),
         QColor(0x7D, 0xBF, 0x6A), QColor(0x8C, 0xC4, 0xE8)},
        {QColor(0x3F, 0x5F, 0xA8), QColor(0xF6, 0xB0, 0x86), QColor(0xFF, 0xD8, 0x8A),
         QColor(0x8D, 0x79, 0xA8), QColor(0x6A, 0x5E, 0x8E), QColor(0x45, 0x4A, 0x6E),
         QColor(0x5F, 0x6E, 0x5A), QColor(0xE8, 0xA0, 0x8A)},
        {QColor(0x4E, 0xA5, 0xDE), QColor(0xD4, 0xEE, 0xF8), QColor(0xFF, 0xF4, 0xC8),
         QColor(0x9C, 0xC4, 0xD8), QColor(0x2E, 0x8F, 0xB0), QColor(0x1F, 0x6F, 0x98),
         QColor(0xEE, 0xD9, 0xA6), QColor(0x37, 0x9E, 0xC8)},
    };
    const Palette& c = palettes[variant % 3];

    QLinearGradient sky(0, 0, 0, 150);
    sky.setColorAt(0, c.skyTop);
    sky.setColorAt(1, c.skyLow);
    p.fillRect(QRectF(0, 0, 320, 240), sky);
    QRadialGradient glow(228, 78, 70);
    glow.setColorAt(0, QColor(255, 250, 230, 200));
    glow.setColorAt(1, QColor(255, 250, 230, 0));
    p.fillRect(QRectF(0, 0, 320, 240), glow);
    p.setPen(Qt::NoPen);
    p.setBrush(c.sun);
    p.drawEllipse(QPointF(228, 78), 20, 20);

    // Clouds.
    p.setBrush(QColor(255, 255, 255, 190));
    for (QPointF cl : {QPointF(70, 48), QPointF(150, 30)}) {
        p.drawEllipse(cl, 22, 9);
        p.drawEllipse(cl + QPointF(14, -6), 14, 10);
        p.drawEllipse(cl + QPointF(-12, -3), 11, 7);
    }

    QPainterPath far;
    far.moveTo(0, 140);
    far.lineTo(40, 108);
    far.lineTo(72, 126);
    far.lineTo(118, 86);
    far.lineTo(160, 122);
    far.lineTo(200, 100);
    far.lineTo(252, 132);
    far.lineTo(290, 112);
    far.lineTo(320, 128);
    far.lineTo(320, 170);
    far.lineTo(0, 170);
    far.closeSubpath();
    p.setBrush(c.far);
    p.drawPath(far);
    // Snow caps on the far peaks of the mountain scene.
    if (variant % 3 == 0) {
        p.setBrush(QColor(255, 255, 255, 220));
        QPainterPath cap;
        cap.moveTo(118, 86);
        cap.lineTo(130, 96);
        cap.lineTo(122, 95);
        cap.lineTo(115, 99);
        cap.lineTo(108, 94);
        cap.closeSubpath();
        p.drawPath(cap);
    }

    QPainterPath mid;
    mid.moveTo(0, 150);
    mid.cubicTo(60, 122, 110, 150, 160, 144);
    mid.cubicTo(210, 138, 260, 124, 320, 146);
    mid.lineTo(320, 240);
    mid.lineTo(0, 240);
    mid.closeSubpath();
    p.setBrush(c.mid);
    p.drawPath(mid);

    // Water with a glint of the sun.
    QPainterPath lake;
    lake.moveTo(0, 168);
    lake.cubicTo(80, 160, 200, 162, 320, 170);
    lake.lineTo(320, 196);
    lake.cubicTo(220, 188, 100, 200, 0, 194);
    lake.closeSubpath();
    p.setBrush(c.water);
    p.drawPath(lake);
    p.setBrush(QColor(255, 255, 255, 120));
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(212 - i * 3, 170 + i * 5, 32 + i * 6, 2), 1, 1);

    QPainterPath near;
    near.moveTo(0, 196);
    near.cubicTo(90, 184, 180, 204, 320, 190);
    near.lineTo(320, 240);
    near.lineTo(0, 240);
    near.closeSubpath();
    p.setBrush(c.meadow);
    p.drawPath(near);

    // A tree on the left.
    p.setBrush(QColor(0x6B, 0x4A, 0x2F));
    p.drawRect(QRectF(56, 170, 6, 34));
    p.setBrush(c.near);
    p.drawEllipse(QPointF(59, 160), 20, 22);
    p.drawEllipse(QPointF(48, 172), 13, 12);
    p.drawEllipse(QPointF(71, 171), 13, 12);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QPointF(53, 152), 8, 8);

    // Flowers in the meadow.
    for (int i = 0; i < 18; ++i) {
        const double x = 110 + Hash01(i, 1) * 200, y = 206 + Hash01(i, 2) * 30;
        p.setBrush(i % 3 == 0 ? QColor(0xF6, 0xE0, 0x6A) : QColor(0xFF, 0xFF, 0xFF, 230));
        p.drawEllipse(QPointF(x, y), 1.6, 1.6);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---- shapes ----

QPainterPath StarPath(QPointF c, double outer, double inner, int points, double turnDeg) {
    QPolygonF poly;
    for (int i = 0; i < points * 2; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double a = (turnDeg + i * 180.0 / points) * kPi / 180.0;
        poly << QPointF(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
    }
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

QPainterPath HeartPath(const QRectF& r) {
    auto at = [&](double x, double y) {
        return QPointF(r.left() + x * r.width(), r.top() + y * r.height());
    };
    QPainterPath path;
    path.moveTo(at(0.5, 0.97));
    path.cubicTo(at(0.22, 0.76), at(0.0, 0.56), at(0.0, 0.31));
    path.cubicTo(at(0.0, 0.12), at(0.14, 0.01), at(0.29, 0.01));
    path.cubicTo(at(0.39, 0.01), at(0.46, 0.07), at(0.5, 0.18));
    path.cubicTo(at(0.54, 0.07), at(0.61, 0.01), at(0.71, 0.01));
    path.cubicTo(at(0.86, 0.01), at(1.0, 0.12), at(1.0, 0.31));
    path.cubicTo(at(1.0, 0.56), at(0.78, 0.76), at(0.5, 0.97));
    path.closeSubpath();
    return path;
}

// ---- noise ----

std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    std::uint32_t h =
        a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double Hash01(int a, int b, int c) {
    return Hash(std::uint32_t(a), std::uint32_t(b), std::uint32_t(c)) / 4294967296.0;
}

double PeriodicNoise(double u, int period, int seed) {
    const double f = std::floor(u);
    const double t = u - f;
    const int i0 = ((int(f) % period) + period) % period;
    const int i1 = (i0 + 1) % period;
    const double s = t * t * (3 - 2 * t);
    return Mix(Hash01(i0, seed), Hash01(i1, seed), s);
}

double PeriodicWaves(double u, int period, int seed, int waves) {
    double sum = 0, norm = 0;
    for (int k = 1; k <= waves; ++k) {
        const double a = 1.0 / k;
        const double phase = Hash01(k, seed, 77) * 2 * kPi;
        sum += a * std::sin(2 * kPi * k * u / period + phase);
        norm += a;
    }
    return sum / norm;
}

double Smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

QColor MixColour(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(
        float(Mix(a.redF(), b.redF(), t)), float(Mix(a.greenF(), b.greenF(), t)),
        float(Mix(a.blueF(), b.blueF(), t)), float(Mix(a.alphaF(), b.alphaF(), t)));
}

} // namespace libgen

namespace libgen {

void BlurAlpha(QImage& image, int radius) {
    if (radius <= 0) return;
    const int w = image.width(), h = image.height();
    std::vector<int> a(std::size_t(w) * h), tmp(a.size());
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            a[std::size_t(y) * w + x] = qAlpha(row[x]);
    }
    const int span = 2 * radius + 1;
    auto pass = [&](std::vector<int>& src, std::vector<int>& dst, bool horizontal) {
        const int lines = horizontal ? h : w, len = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> int& {
                i = std::clamp(i, 0, len - 1);
                return horizontal ? src[std::size_t(l) * w + i] : src[std::size_t(i) * w + l];
            };
            int sum = 0;
            for (int i = -radius; i <= radius; ++i)
                sum += at(i);
            for (int i = 0; i < len; ++i) {
                (horizontal ? dst[std::size_t(l) * w + i] : dst[std::size_t(i) * w + l]) =
                    (sum + span / 2) / span;
                sum += at(i + radius + 1) - at(i - radius);
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(a, tmp, true);
        pass(tmp, a, false);
    }
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = (row[x] & 0x00FFFFFFu) | (std::uint32_t(a[std::size_t(y) * w + x]) << 24);
    }
}

const QImage& FindImage(const std::vector<PictureObject>& set, const QString& file) {
    for (const PictureObject& o : set)
        if (o.file == file) return o.image;
    throw std::runtime_error("no picture " + file.toStdString());
}

} // namespace libgen

namespace libgen {

QImage FlattenOnWhite(const QImage& image) {
    QImage out(image.size(), QImage::Format_ARGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    p.end();
    return out;
}

} // namespace libgen
