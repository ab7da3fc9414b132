// Frames and shadows as nine-piece templates (and two frames that are stretched over the photo).
//
// Every nine-piece frame and shadow comes twice: drawn for photos of about a megapixel, and
// four times as large ("...Large") for the 12-24 megapixel photos of today's cameras, where the
// small borders would be hairlines. The large ones are drawn from the same description, not
// enlarged: their edges stay sharp.
//
// Every band pattern below is laid out in band coordinates: d runs from the outer edge (0) in
// towards the photo, u runs along the band with u = 0 where the edge tile starts in the template
// (x = left for the top and bottom bands, y = top for the left and right bands). Patterns repeat
// after a whole fraction of the tile length, so the tiles join seamlessly however often they
// are repeated.
#include "Common.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <functional>

namespace libgen {
namespace {

enum Side { Top, Left, Right, Bottom };

struct BandPoint {
    Side side;
    double d; // distance from the outer edge
    double u; // position along the band, 0 at the tile start
    double width;
    bool inside;   // within the frame (not in the photo opening)
    bool corner;   // within one of the four corner pieces
    double cx, cy; // corner-local position: distances from the corner's two outer edges
};

BandPoint Locate(double x, double y, const NinePiece& n) {
    const double W = n.Width(), H = n.Height();
    const double dist[4] = {y, x, W - x, H - y};
    const double width[4] = {double(n.top), double(n.left), double(n.right), double(n.bottom)};
    int s = 0;
    for (int i = 1; i < 4; ++i)
        if (dist[i] / width[i] < dist[s] / width[s]) s = i;
    BandPoint b{};
    b.side = Side(s);
    b.d = dist[s];
    b.width = width[s];
    b.inside = b.d < b.width;
    b.u = (s == Top || s == Bottom) ? x - n.left : y - n.top;
    const bool inX = x < n.left || x >= W - n.right;
    const bool inY = y < n.top || y >= H - n.bottom;
    b.corner = inX && inY;
    b.cx = std::min(x, W - x);
    b.cy = std::min(y, H - y);
    return b;
}

QImage ToStraight(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

// How much larger than the small variant the large one is drawn.
constexpr int kLargeScale = 4;

NinePiece Scaled(NinePiece n, int s) {
    for (int* v : {&n.left, &n.top, &n.right, &n.bottom, &n.tileW, &n.tileH, &n.marginL, &n.marginT,
                   &n.marginR, &n.marginB})
        *v *= s;
    return n;
}

QString NameFor(const char* file, int s) {
    return s == 1 ? QString(file) : QString(file) + "Large";
}

// A template `s` times the size of the small layout `n`, with its record; the vector frames
// draw into it in the small layout's units.
FrameObject Finish(const char* file, int s, const QImage& image, const NinePiece& n) {
    return {NameFor(file, s), ToStraight(image), NinePieceRecord(Scaled(n, s)), s};
}

QImage NewScaledImage(const NinePiece& n, int s) {
    return NewImage(n.Width() * s, n.Height() * s);
}

// ---- carved and moulded frames: a height field lit from the top left ----

struct Moulding {
    std::function<double(const BandPoint&)> height;
    std::function<QColor(const BandPoint&, double h)> albedo;
    double ambient = 0.35, diffuse = 0.75, specular = 0.3, shininess = 12;
};

struct Vec3 {
    double x, y, z;
};

Vec3 Normalised(Vec3 v) {
    const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}

// Renders the moulding described in the units of the small layout `small`, `s` times as large:
// band positions are measured in small units and heights scaled by `s`, so that the slopes, and
// with them the light, are those of the small frame.
QImage RenderMoulding(const NinePiece& small, const Moulding& m, int s = 1) {
    const NinePiece n = Scaled(small, s);
    const int W = n.Width(), H = n.Height();
    QImage image(W, H, QImage::Format_ARGB32);
    const Vec3 light = Normalised({-0.55, -0.75, 1.0});
    const Vec3 half = Normalised({light.x, light.y, light.z + 1});
    auto locate = [&](double x, double y) {
        BandPoint b = Locate(x, y, n);
        b.d /= s;
        b.u /= s;
        b.width /= s;
        b.cx /= s;
        b.cy /= s;
        return b;
    };
    auto heightAt = [&](double x, double y) {
        const BandPoint b = locate(x, y);
        return b.inside ? s * m.height(b) : 0.0;
    };
    // Large templates have pixels enough: fewer samples per pixel keep the build quick.
    const int kSub = s == 1 ? 3 : 2;
    constexpr double e = 0.4;
    for (int py = 0; py < H; ++py) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(py));
        for (int px = 0; px < W; ++px) {
            double r = 0, g = 0, bl = 0;
            int count = 0;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx) {
                    const double x = px + (sx + 0.5) / kSub, y = py + (sy + 0.5) / kSub;
                    const BandPoint b = locate(x, y);
                    if (!b.inside) continue;
                    const double h = m.height(b);
                    const double hx = (heightAt(x + e, y) - heightAt(x - e, y)) / (2 * e);
                    const double hy = (heightAt(x, y + e) - heightAt(x, y - e)) / (2 * e);
                    const Vec3 normal = Normalised({-hx, -hy, 1});
                    const double lambert =
                        std::max(0.0, normal.x * light.x + normal.y * light.y + normal.z * light.z);
                    const double placement = std::pow(
                        std::max(0.0, normal.x * half.x + normal.y * half.y + normal.z * half.z),
                        m.shininess);
                    const QColor c = m.albedo(b, h);
                    const double shade = m.ambient + m.diffuse * lambert;
                    r += c.redF() * shade + m.specular * placement;
                    g += c.greenF() * shade + m.specular * placement;
                    bl += c.blueF() * shade + m.specular * placement * 0.92;
                    ++count;
                }
            if (count == 0) {
                row[px] = 0;
                continue;
            }
            auto channel = [&](double v) { return std::clamp(int(v / count * 255 + 0.5), 0, 255); };
            row[px] = qRgba(channel(r), channel(g), channel(bl), count * 255 / (kSub * kSub));
        }
    }
    return image;
}

// A round bump of radius `radius` centred at `centre`, height 1 at the top.
double Dome(double x, double centre, double radius) {
    const double t = (x - centre) / radius;
    return t * t < 1 ? std::sqrt(1 - t * t) : 0.0;
}

int PeriodFor(const BandPoint& b, const NinePiece& n) {
    return (b.side == Top || b.side == Bottom) ? n.tileW : n.tileH;
}

FrameObject Oak(int s) {
    const NinePiece n = NinePiece::Border(44, 44, 44, 44, 128, 128);
    Moulding m;
    m.height = [](const BandPoint& b) {
        const double t = b.d / b.width;
        double h = 5;
        if (t < 0.07) h = 5 * std::sin(t / 0.07 * kPi / 2);
        h += 3.2 * Dome(t, 0.15, 0.05);
        if (t > 0.25 && t < 0.47) {
            // A twisted rope carved along the rail.
            const double rope = Dome(t, 0.36, 0.1);
            const double twist =
                0.5 + 0.5 * std::cos(2 * kPi * (b.u + (b.d - 0.36 * b.width) * 1.3) / 16);
            h += 4.2 * rope * (1 - 0.45 * twist * twist);
        }
        if (t >= 0.47) h = 3 + 7 * Smoothstep(0.5, 0.86, t);
        if (t >= 0.86) h = 10 - 8 * Smoothstep(0.9, 0.99, t);
        return h;
    };
    m.albedo = [n](const BandPoint& b, double h) {
        const int period = PeriodFor(b, n);
        const double wobble = 2.6 * PeriodicWaves(b.u, period, 11 + b.side, 5);
        const double rings = 0.5 + 0.5 * std::sin(b.d * 0.75 + wobble);
        const double fibre = Hash01(int(b.d * 3), b.side, 5) * 0.6 +
                             PeriodicNoise(b.u / 4.0, period / 4, 31 + b.side + int(b.d)) * 0.4;
        const QColor dark(0x6A, 0x3E, 0x1E), light(0xC0, 0x86, 0x4E);
        QColor c =
            MixColour(dark, light, std::clamp(0.25 + 0.5 * rings * rings + 0.25 * fibre, 0.0, 1.0));
        const double depth = 0.62 + 0.38 * Smoothstep(0, 9, h);
        return QColor::fromRgbF(float(c.redF() * depth), float(c.greenF() * depth),
                                float(c.blueF() * depth));
    };
    m.specular = 0.12;
    m.shininess = 10;
    return {NameFor("FrameOak", s), RenderMoulding(n, m, s), NinePieceRecord(Scaled(n, s)), s};
}

FrameObject Gilded(int s) {
    const NinePiece n = NinePiece::Border(52, 52, 52, 52, 96, 96);
    Moulding m;
    m.height = [](const BandPoint& b) {
        if (b.corner) {
            // A rosette covers the mitre of each corner.
            const double dx = b.cx - b.width / 2, dy = b.cy - b.width / 2;
            const double r = std::sqrt(dx * dx + dy * dy), R = b.width * 0.4;
            if (r < R) {
                const double a = std::atan2(dy, dx);
                const double petals = 0.72 + 0.28 * std::cos(8 * a);
                double h = 3 + 7 * std::sqrt(1 - (r / R) * (r / R)) * petals;
                if (r < R * 0.28) h += 2.5 * Dome(r, 0, R * 0.28);
                return h;
            }
        }
        const double t = b.d / b.width, w = b.width;
        double h = 3 + 5 * Dome(t, 0.07, 0.07);
        // A row of beads.
        const double bu = std::fmod(std::fmod(b.u, 12) + 12, 12) - 6, bd = b.d - 0.26 * w;
        const double br = std::sqrt(bu * bu + bd * bd);
        if (br < 5) h = std::max(h, 3 + 3.5 * std::sqrt(1 - br * br / 25));
        if (t > 0.38 && t < 0.8) {
            // Egg and dart.
            const double eu = std::fmod(std::fmod(b.u, 24) + 24, 24) - 12,
                         ed = (b.d - 0.59 * w) / (0.17 * w);
            const double egg = (eu / 8.5) * (eu / 8.5) + ed * ed;
            h = 2;
            if (egg < 1) h = 2 + 5 * std::sqrt(1 - egg);
            const double dart = std::abs(std::abs(eu) - 12);
            if (dart < 1.6 && std::abs(ed) < 0.9)
                h = std::max(h, 2 + 3 * (1 - dart / 1.6) * (1 - std::abs(ed)));
        }
        if (t >= 0.8) h = 1 + 6 * (1 - Smoothstep(0.8, 1.0, t)) + 1.2 * Dome(t, 0.84, 0.03);
        return h;
    };
    m.albedo = [](const BandPoint&, double h) {
        const QColor deep(0x7A, 0x52, 0x1C), gold(0xE0, 0xB0, 0x52);
        return MixColour(deep, gold, 0.35 + 0.65 * Smoothstep(0.5, 8, h));
    };
    m.ambient = 0.3;
    m.diffuse = 0.8;
    m.specular = 0.55;
    m.shininess = 16;
    return {NameFor("FrameGilded", s), RenderMoulding(n, m, s), NinePieceRecord(Scaled(n, s)), s};
}

FrameObject Silver(int s) {
    const NinePiece n = NinePiece::Border(38, 38, 38, 38, 64, 64);
    Moulding m;
    m.height = [](const BandPoint& b) {
        const double t = b.d / b.width;
        double h = 2 + 2 * Dome(t, 0.04, 0.04);
        h = std::max(h, 2 + 9 * Dome(t, 0.38, 0.3));
        h = std::max(h, 2 + 2.4 * Dome(t, 0.79, 0.07));
        if (t > 0.88) h = 2 - 1.5 * Smoothstep(0.88, 1.0, t);
        return h;
    };
    m.albedo = [](const BandPoint& b, double) {
        // Brushed along the rail: streaks vary across the band only.
        const double streak = Hash01(int(b.d * 4), b.side, 3);
        const double v = 0.66 + 0.08 * streak;
        return QColor::fromRgbF(float(v), float(v * 1.02), float(v * 1.06));
    };
    m.ambient = 0.32;
    m.diffuse = 0.72;
    m.specular = 0.7;
    m.shininess = 28;
    return {NameFor("FrameSilver", s), RenderMoulding(n, m, s), NinePieceRecord(Scaled(n, s)), s};
}

// ---- flat frames drawn with vector graphics ----

QPolygonF SidePolygon(Side s, const NinePiece& n) {
    const double W = n.Width(), H = n.Height();
    const double l = n.left, t = n.top, r = n.right, b = n.bottom;
    switch (s) {
    case Top:
        return QPolygonF({{0, 0}, {W, 0}, {W - r, t}, {l, t}});
    case Left:
        return QPolygonF({{0, 0}, {l, t}, {l, H - b}, {0, H}});
    case Right:
        return QPolygonF({{W, 0}, {W, H}, {W - r, H - b}, {W - r, t}});
    case Bottom:
        return QPolygonF({{0, H}, {l, H - b}, {W - r, H - b}, {W, H}});
    }
    return {};
}

// Runs `paint` once per band with the painter mapping (u, d) onto the template and clipped to
// the band's mitred trapezoid. `paint` receives the band's side and width.
void PaintBands(QPainter& p, const NinePiece& n, const std::function<void(Side, double)>& paint) {
    const double W = n.Width(), H = n.Height();
    for (Side s : {Top, Left, Right, Bottom}) {
        p.save();
        QPainterPath clip;
        clip.addPolygon(SidePolygon(s, n));
        p.setClipPath(clip);
        QTransform t;
        switch (s) {
        case Top:
            t = QTransform(1, 0, 0, 1, n.left, 0);
            break;
        case Bottom:
            t = QTransform(1, 0, 0, -1, n.left, H);
            break;
        case Left:
            t = QTransform(0, 1, 1, 0, 0, n.top);
            break;
        case Right:
            t = QTransform(0, 1, -1, 0, W, n.top);
            break;
        }
        p.setTransform(t, true);
        const double width = (s == Top)      ? n.top
                             : (s == Bottom) ? n.bottom
                             : (s == Left)   ? n.left
                                             : n.right;
        paint(s, width);
        p.restore();
    }
}

// The frame region (template minus the photo opening).
QPainterPath Ring(const NinePiece& n) {
    QPainterPath ring;
    ring.addRect(0, 0, n.Width(), n.Height());
    ring.addRect(n.left, n.top, n.tileW, n.tileH);
    ring.setFillRule(Qt::OddEvenFill);
    return ring;
}

// The four trapezoids between distances d0 and d1 from the outer edge, one colour per side.
void FillRing(QPainter& p, const NinePiece& n, double d0, double d1, const QColor (&colours)[4]) {
    const double W = n.Width(), H = n.Height();
    const QPointF o0(d0, d0), o1(W - d0, d0), o2(W - d0, H - d0), o3(d0, H - d0);
    const QPointF i0(d1, d1), i1(W - d1, d1), i2(W - d1, H - d1), i3(d1, H - d1);
    p.setPen(Qt::NoPen);
    const QPolygonF quads[4] = {QPolygonF({o0, o1, i1, i0}), QPolygonF({o0, i0, i3, o3}),
                                QPolygonF({o1, o2, i2, i1}), QPolygonF({o3, i3, i2, o2})};
    for (int s = 0; s < 4; ++s) {
        p.setBrush(colours[s]);
        p.drawPolygon(quads[s]);
    }
}

FrameObject Film(int s) {
    const NinePiece n = NinePiece::Border(16, 40, 16, 40, 96, 64);
    QImage image = NewScaledImage(n, s);
    QPainter p(&image);
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x17, 0x17, 0x19));
    p.drawPath(Ring(n));
    // Faint edge print in the margins, then the sprocket holes punched through. Only the tiles
    // carry holes: a hole cut in half by a corner would look torn.
    PaintBands(p, n, [&](Side s, double) {
        if (s == Left || s == Right) return;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xE0, 0x9A, 0x3A, 90));
        for (int k = 0; k < 2; ++k)
            p.drawRect(QRectF(k * 48 + 30, 33.5, 10, 2));
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setBrush(Qt::black);
        for (int k = 0; k < 4; ++k)
            p.drawRoundedRect(QRectF(k * 24 + 6, 11, 12, 17), 2.5, 2.5);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    });
    // A dark line where the film meets the picture.
    p.setPen(QPen(QColor(0x05, 0x05, 0x06), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(n.left - 1, n.top - 1, n.tileW + 2, n.tileH + 2));
    p.end();
    return Finish("FrameFilm", s, image, n);
}

FrameObject Instant(int s) {
    const NinePiece n = NinePiece::Border(24, 24, 24, 84, 64, 64);
    QImage image = NewScaledImage(n, s);
    QPainter p(&image);
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF9, 0xF7, 0xF1));
    p.drawPath(Ring(n));
    // The picture sits a little below the card's surface.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(QColor(0x40, 0x38, 0x28, 44 - i * 7), 1));
        p.drawRect(
            QRectF(n.left - i - 0.5, n.top - i - 0.5, n.tileW + 2 * i + 1, n.tileH + 2 * i + 1));
    }
    // The card's edge, plain to see on a white page: a grey cut and a shaded rim inside it.
    PaintBands(p, n, [&](Side, double) {
        p.fillRect(QRectF(-400, 0, 1200, 1), QColor(0x8E, 0x88, 0x7B));
        p.fillRect(QRectF(-400, 1, 1200, 1), QColor(0xC4, 0xBE, 0xB1));
        p.fillRect(QRectF(-400, 2, 1200, 1), QColor(0xE4, 0xE0, 0xD5));
    });
    p.end();
    return Finish("FrameInstant", s, image, n);
}

FrameObject Stamp(int s) {
    const NinePiece n = NinePiece::Border(36, 36, 36, 36, 96, 96);
    QImage image = NewScaledImage(n, s);
    QPainter p(&image);
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFB, 0xF8, 0xF0));
    p.drawPath(Ring(n));
    PaintBands(p, n, [&](Side, double) {
        p.setPen(Qt::NoPen);
        p.fillRect(QRectF(-400, 20, 1200, 3), QColor(0xB0, 0x41, 0x3E));
        p.fillRect(QRectF(-400, 26, 1200, 1), QColor(0xB0, 0x41, 0x3E, 150));
        p.fillRect(QRectF(-400, 35, 1200, 1), QColor(0xD9, 0xD0, 0xBF));
        // Perforation: round bites along the outer edge, outlined so the edge shows on white.
        for (int k = -6; k < 14; ++k) {
            const QPointF c(k * 16 + 8, 0);
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.setBrush(Qt::black);
            p.drawEllipse(c, 5.5, 5.5);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(0x8E, 0x86, 0x77), 1.2));
            p.drawArc(QRectF(c.x() - 6, -6, 12, 12), 180 * 16, 180 * 16);
            p.setPen(Qt::NoPen);
        }
        p.fillRect(QRectF(-400, 0, 1200, 1.2), QColor(0x8E, 0x86, 0x77));
    });
    p.end();
    return Finish("FrameStamp", s, image, n);
}

FrameObject DoubleMat(int s) {
    const NinePiece n = NinePiece::Border(55, 55, 55, 55, 32, 32);
    QImage image = NewScaledImage(n, s);
    QPainter p(&image);
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor frame(0x24, 0x26, 0x2B), cream(0xF3, 0xEE, 0xE2), navy(0x2D, 0x3E, 0x5E);
    FillRing(p, n, 0, 6, {frame, frame, frame, frame});
    FillRing(p, n, 1, 2,
             {QColor(0x5A, 0x5E, 0x66), QColor(0x50, 0x54, 0x5C), QColor(0x30, 0x32, 0x38),
              QColor(0x30, 0x32, 0x38)});
    FillRing(p, n, 6, 40, {cream, cream, cream, cream});
    FillRing(p, n, 6, 8, {QColor(0xD8, 0xD2, 0xC3), QColor(0xDE, 0xD8, 0xCA), cream, cream});
    // Bevelled cuts: the faces turned up to the light are the bright ones.
    FillRing(p, n, 40, 43,
             {QColor(0xE6, 0xE0, 0xD0), QColor(0xEE, 0xE9, 0xDC), QColor(0xFF, 0xFD, 0xF7),
              QColor(0xFF, 0xFE, 0xFA)});
    FillRing(p, n, 43, 53, {navy, navy, navy, navy});
    FillRing(p, n, 53, 55,
             {QColor(0xE4, 0xE0, 0xD6), QColor(0xEC, 0xE8, 0xDF), QColor(0xFB, 0xF9, 0xF4),
              QColor(0xFF, 0xFE, 0xFA)});
    p.end();
    return Finish("FrameMat", s, image, n);
}

void Leaf(QPainter& p, QPointF base, double angleDeg, double length, const QColor& colour) {
    p.save();
    p.translate(base);
    p.rotate(angleDeg);
    QPainterPath leaf;
    leaf.moveTo(0, 0);
    leaf.cubicTo(length * 0.3, -length * 0.32, length * 0.75, -length * 0.3, length, 0);
    leaf.cubicTo(length * 0.75, length * 0.3, length * 0.3, length * 0.32, 0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(leaf);
    p.setPen(QPen(QColor(255, 255, 255, 90), 0.8));
    p.drawLine(QPointF(length * 0.12, 0), QPointF(length * 0.8, 0));
    p.restore();
}

void Flower(QPainter& p, QPointF c, double r) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 72 - 90);
        p.setBrush(QColor(0xE9, 0x8F, 0xA6));
        p.drawEllipse(QPointF(r * 0.55, 0), r * 0.5, r * 0.36);
        p.setBrush(QColor(0xF6, 0xC1, 0xCE));
        p.drawEllipse(QPointF(r * 0.6, 0), r * 0.28, r * 0.18);
        p.restore();
    }
    p.setBrush(QColor(0xF4, 0xC4, 0x3F));
    p.drawEllipse(c, r * 0.26, r * 0.26);
}

FrameObject Vine(int s) {
    const NinePiece n = NinePiece::Border(34, 34, 34, 34, 96, 96);
    QImage image = NewScaledImage(n, s);
    QPainter p(&image);
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFA, 0xF6, 0xEC));
    p.drawPath(Ring(n));
    const QColor sage(0x7F, 0xA3, 0x6B), leafDark(0x4F, 0x86, 0x45), leafLight(0x78, 0xAE, 0x5E);
    PaintBands(p, n, [&](Side, double) {
        // A dark green edge, so that the pale card does not melt into a white page.
        p.fillRect(QRectF(-400, 0, 1200, 1.2), QColor(0x4A, 0x6B, 0x3E));
        p.fillRect(QRectF(-400, 2, 1200, 2), sage);
        p.fillRect(QRectF(-400, 31, 1200, 1), sage);
        QPainterPath stem;
        for (int u = -250; u <= 400; u += 2) {
            const QPointF at(u, 17 + 5 * std::sin(2 * kPi * u / 48.0));
            if (u == -250)
                stem.moveTo(at);
            else
                stem.lineTo(at);
        }
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x5E, 0x8F, 0x4E), 1.6));
        p.drawPath(stem);
        for (int k = -6; k < 9; ++k) {
            const double u = k * 48.0;
            Leaf(p, QPointF(u + 12, 12), -50, 11, leafDark);
            Leaf(p, QPointF(u + 20, 13.5), -130, 8, leafLight);
            Leaf(p, QPointF(u + 36, 22), 50, 11, leafDark);
            Leaf(p, QPointF(u + 44, 20.5), 130, 8, leafLight);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xD9, 0x6C, 0x86));
            p.drawEllipse(QPointF(u + 28, 16.5), 1.8, 1.8);
        }
    });
    for (QPointF c : {QPointF(17, 17), QPointF(n.Width() - 17, 17), QPointF(17, n.Height() - 17),
                      QPointF(n.Width() - 17, n.Height() - 17)}) {
        // The card shows between the sage lines under the flower: no leaf of a band reaches
        // into the corner's mitre.
        p.save();
        p.setClipRect(QRectF(c.x() - 13, c.y() - 13, 26, 26));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFA, 0xF6, 0xEC));
        p.drawEllipse(c, 18.5, 18.5);
        p.restore();
        Flower(p, c, 12);
    }
    p.end();
    return Finish("FrameVine", s, image, n);
}

// ---- frames stretched over the photo ----

// Drawn in units of 640 x 480 at three times that size: stretched over a photo of 12-24
// megapixels the curves stay smooth.
constexpr int kStretchW = 640, kStretchH = 480, kStretchScale = 3;

void BeginStretchImage(QPainter& p, QImage& image) {
    image = NewImage(kStretchW * kStretchScale, kStretchH * kStretchScale);
    p.begin(&image);
    p.scale(kStretchScale, kStretchScale);
}

FrameObject Rounded() {
    QImage image;
    QPainter p;
    BeginStretchImage(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath border;
    border.addRect(0, 0, kStretchW, kStretchH);
    const QRectF opening(24, 24, kStretchW - 48, kStretchH - 48);
    border.addRoundedRect(opening, 46, 46);
    border.setFillRule(Qt::OddEvenFill);
    // A soft shadow the border casts into the opening.
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(QColor(0x20, 0x20, 0x28, 26 - i * 4), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(opening.adjusted(i + 1, i + 1, -i - 1, -i - 1), 46 - i, 46 - i);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFD, 0xFC, 0xF9));
    p.drawPath(border);
    p.setPen(QPen(QColor(0xAE, 0x9F, 0x82), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(opening.adjusted(-9, -9, 9, 9), 54, 54);
    // The card's outer edge, plain to see on a white page.
    p.setPen(QPen(QColor(0x8E, 0x88, 0x7B), 2));
    p.drawRect(QRectF(1, 1, kStretchW - 2, kStretchH - 2));
    p.end();
    return {"FrameRounded", ToStraight(image), StretchedRecord()};
}

FrameObject Album() {
    QImage image;
    QPainter p;
    BeginStretchImage(p, image);
    p.setRenderHint(QPainter::Antialiasing);
    const double L = 92;
    for (int corner = 0; corner < 4; ++corner) {
        p.save();
        // Mirror one corner mount into the four corners.
        if (corner & 1) {
            p.translate(kStretchW, 0);
            p.scale(-1, 1);
        }
        if (corner & 2) {
            p.translate(0, kStretchH);
            p.scale(1, -1);
        }
        // The pocket's shadow on the photo, the pocket, and its glossy folded edge.
        for (int i = 0; i < 5; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 22));
            p.drawPolygon(QPolygonF({{0, 0}, {L + 2 + i * 1.4, 0}, {0, L + 2 + i * 1.4}}));
        }
        QLinearGradient sheen(0, 0, L / 2, L / 2);
        sheen.setColorAt(0, QColor(0x1E, 0x1F, 0x24));
        sheen.setColorAt(0.8, QColor(0x36, 0x38, 0x40));
        sheen.setColorAt(1, QColor(0x4A, 0x4D, 0x57));
        p.setBrush(sheen);
        p.drawPolygon(QPolygonF({{0, 0}, {L, 0}, {0, L}}));
        p.setPen(QPen(QColor(255, 255, 255, 80), 1.5));
        p.drawLine(QPointF(L - 4, 2), QPointF(2, L - 4));
        p.restore();
    }
    p.end();
    return {"FrameAlbum", ToStraight(image), StretchedRecord()};
}

// ---- shadows: soft nine-piece templates around the photo ----

struct ShadowStyle {
    QString file;
    int border;          // opaque border of `borderColour` around the photo
    QColor borderColour; //
    int dx, dy;          // shadow offset
    double sigma;        // blur
    QColor colour;
    double opacity;
};

double Coverage(double x, double x0, double x1, double sigma) {
    const double k = 1.0 / (sigma * std::sqrt(2.0));
    return 0.5 * (std::erf((x - x0) * k) - std::erf((x - x1) * k));
}

FrameObject MakeShadow(const ShadowStyle& s) {
    const int ext = int(std::ceil(3 * s.sigma));
    const int b = s.border;
    NinePiece n;
    n.marginL = b + std::max(0, ext - s.dx);
    n.marginR = b + std::max(0, ext + s.dx);
    n.marginT = b + std::max(0, ext - s.dy);
    n.marginB = b + std::max(0, ext + s.dy);
    // The corners must hold every part of the shadow that is not the same all along an edge.
    n.left = n.marginL + std::max(0, s.dx + ext - b) + 1;
    n.top = n.marginT + std::max(0, s.dy + ext - b) + 1;
    n.right = std::max(n.marginR, n.marginR + ext - b - s.dx) + 1;
    n.bottom = std::max(n.marginB, n.marginB + ext - b - s.dy) + 1;
    n.tileW = n.tileH = 16;
    const int W = n.Width(), H = n.Height();
    // The photo the template is drawn around, in template coordinates.
    const double px0 = n.marginL, px1 = W - n.marginR, py0 = n.marginT, py1 = H - n.marginB;
    QImage image(W, H, QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            if (cx > px0 && cx < px1 && cy > py0 && cy < py1) {
                row[x] = 0;
                continue;
            }
            if (b > 0 && cx > px0 - b && cx < px1 + b && cy > py0 - b && cy < py1 + b) {
                row[x] = s.borderColour.rgba();
                continue;
            }
            const double a = s.opacity * Coverage(cx, px0 - b + s.dx, px1 + b + s.dx, s.sigma) *
                             Coverage(cy, py0 - b + s.dy, py1 + b + s.dy, s.sigma);
            row[x] = qRgba(s.colour.red(), s.colour.green(), s.colour.blue(),
                           std::clamp(int(a * 255 + 0.5), 0, 255));
        }
    }
    return {s.file, image, NinePieceRecord(n)};
}

} // namespace

std::vector<FrameObject> MakeFrames() {
    std::vector<FrameObject> frames;
    // Each nine-piece frame, then its large variant beside it.
    for (FrameObject (*make)(int) : {Oak, Gilded, Silver, Film, Instant, Stamp, DoubleMat, Vine})
        for (int s : {1, kLargeScale})
            frames.push_back(make(s));
    frames.push_back(Rounded());
    frames.push_back(Album());
    return frames;
}

std::vector<FrameObject> MakeShadows() {
    const ShadowStyle styles[] = {
        {"ShadowSoft", 0, {}, 6, 6, 5, QColor(0x10, 0x14, 0x1C), 0.45},
        {"ShadowDeep", 0, {}, 12, 14, 9, QColor(0x08, 0x0A, 0x10), 0.6},
        {"ShadowGlow", 0, {}, 0, 0, 10, QColor(0xF2, 0xA9, 0x2C), 1.0},
        {"ShadowFloat", 10, QColor(0xFF, 0xFF, 0xFF), 0, 9, 7, QColor(0x10, 0x14, 0x1C), 0.42},
    };
    std::vector<FrameObject> shadows;
    for (const ShadowStyle& style : styles) {
        shadows.push_back(MakeShadow(style));
        ShadowStyle large = style;
        large.file += "Large";
        large.border *= kLargeScale;
        large.dx *= kLargeScale;
        large.dy *= kLargeScale;
        large.sigma *= kLargeScale;
        FrameObject shadow = MakeShadow(large);
        shadow.scale = kLargeScale;
        shadows.push_back(shadow);
    }
    return shadows;
}

} // namespace libgen
