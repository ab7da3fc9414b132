#pragma once
// Shared pieces of the default-library generator: the object records, the nine-piece layout of
// frame and shadow templates and its 21-field placement record, deterministic noise, a few
// shapes, the sample photo the thumbnails show, and the composition rules used to preview
// frames, shadows and masks the way Lumetta applies them.
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace libgen {

using PlacementRecord = std::array<int, 21>;

// Where the pieces of a nine-piece template are cut and where the photo sits.
//
// The template is (left + tileW + right) x (top + tileH + bottom). Its corners are left/right
// wide and top/bottom high; the edge tiles are the tileW-wide middle of the top and bottom bands
// and the tileH-high middle of the left and right bands. The photo is put `marginL`, `marginT`
// in from the canvas's top-left corner, and the canvas is marginL + marginR wider and
// marginT + marginB higher than the photo. A band pattern is seamless when it repeats after
// tileW (tileH) with its phase anchored at x = left (y = top) of the template.
struct NinePiece {
    int left = 0, top = 0, right = 0, bottom = 0;
    int tileW = 0, tileH = 0;
    int marginL = 0, marginT = 0, marginR = 0, marginB = 0;

    int Width() const { return left + tileW + right; }
    int Height() const { return top + tileH + bottom; }
    // A frame whose corners are exactly its borders.
    static NinePiece Border(int l, int t, int r, int b, int tileW, int tileH) {
        return {l, t, r, b, tileW, tileH, l, t, r, b};
    }
};

// The library.phi record that cuts the template exactly as laid out.
PlacementRecord NinePieceRecord(const NinePiece& n);
// The record of a template stretched over the whole photo.
PlacementRecord StretchedRecord();

struct FrameObject {
    QString file; // thumbnail base name, e.g. "FrameOak"; the object name is its lower case
    QImage image; // ARGB32, not premultiplied
    PlacementRecord record{};
    // 1 for photos of about a megapixel; the large variants for 12-24 megapixel photos are
    // drawn this many times larger.
    int scale = 1;
};

struct PictureObject {
    QString file;
    QImage image;
};

// ---- the object sets ----
std::vector<FrameObject> MakeFrames();
std::vector<FrameObject> MakeShadows();
std::vector<PictureObject> MakeMasks();
std::vector<PictureObject> MakeClipArt();
// The welcome pictures reuse clip art and frames of the library.
std::vector<QImage> MakeWelcomePictures(const std::vector<PictureObject>& clipArt,
                                        const std::vector<FrameObject>& frames);
const QImage& FindImage(const std::vector<PictureObject>& set, const QString& file);

// The whole library, finished for storing (nine-piece templates flattened onto white).
struct Library {
    std::vector<FrameObject> frames, shadows;
    std::vector<PictureObject> masks, clipArt;
    std::vector<QImage> welcome;
};
Library MakeLibrary();
// Writes Data/, Desktop/, library.phi and libraryfull.phd under `root`; returns the thumbnails
// in the order written. Throws std::runtime_error (or lumetta::Error) on failure.
std::vector<QImage> WriteLibrary(const Library& library, const QString& root);
// "0,44,44,...": a record as library.phi stores it.
std::string RecordText(const PlacementRecord& r);
std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality = -1);

// ---- compositions (the program's rules, on QImage) ----
// Builds the larger canvas from the template's nine pieces and puts the photo on it.
QImage ComposeNinePiece(const QImage& photo, const QImage& frame, const PlacementRecord& r);
// Stretches the template to the photo's size and blends it over the photo.
QImage StretchOver(const QImage& photo, const QImage& frame);
QImage ApplyRecord(const QImage& photo, const QImage& frame, const PlacementRecord& r);

// ---- pictures ----
QImage NewImage(int w, int h); // ARGB32_Premultiplied, transparent
QImage SamplePhoto(int w, int h, int variant = 0);
// Scales to fit 112 x 82 (never enlarges) over an opaque background.
QImage Thumbnail(const QImage& image, const QColor& background);
QImage Checker(int w, int h);
// Lumetta copies nine-piece templates into the picture with their alpha, and saving writes the
// colour channels as stored, without blending. A soft, semi-transparent template would therefore
// save as a dark halo; drawn onto white and made opaque it looks the same on screen (the views
// and the canvas are white) and in every saved file.
QImage FlattenOnWhite(const QImage& image);
// Blurs the alpha channel of a straight-alpha ARGB32 picture (three box passes, about Gaussian).
void BlurAlpha(QImage& image, int radius);
// Draws `image` flattened onto a copy of `under` (same size) at (x, y).
QImage Over(const QImage& under, const QImage& image, int x = 0, int y = 0);

// ---- shapes ----
QPainterPath StarPath(QPointF c, double outer, double inner, int points, double turnDeg = -90);
QPainterPath HeartPath(const QRectF& r);

// ---- deterministic noise ----
std::uint32_t Hash(std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0);
double Hash01(int a, int b = 0, int c = 0);
// Smooth value noise in [0, 1] repeating every `period` (an integer).
double PeriodicNoise(double u, int period, int seed);
// Sum of sines in [-1, 1] repeating every `period`: whole numbers of waves per period.
double PeriodicWaves(double u, int period, int seed, int waves = 4);
double Smoothstep(double e0, double e1, double x);
inline double Mix(double a, double b, double t) {
    return a + (b - a) * t;
}
QColor MixColour(const QColor& a, const QColor& b, double t);

constexpr double kPi = 3.14159265358979323846;

} // namespace libgen
