// lumetta-libgen: draws Lumetta's default object library and writes it into a runtime folder:
//   Data/*.jpg          thumbnails (Frame*, Shadow*, Mask*, ClipArt*)
//   libraryfull.phd     the pack container of the full-size PNG objects
//   library.phi         placement records of frames and shadows
//   Desktop/MainBG?.bmp welcome pictures
// Usage: lumetta-libgen <folder> [--preview <folder>]
// With --preview it also writes contact sheets that show every object applied the way Lumetta
// applies it, for a person to look at.
#include "Common.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

using namespace libgen;

namespace {

QImage Framed(const FrameObject& f, const QImage& photo) {
    return ApplyRecord(photo, f.image, f.record);
}

// Lays pictures out in rows on a neutral background.
QImage Sheet(const std::vector<QImage>& pictures, int columns, const QColor& background,
             double scale = 1.0) {
    const int gap = 24;
    std::vector<int> rowHeights((pictures.size() + columns - 1) / columns, 0);
    std::vector<int> colWidths(columns, 0);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        rowHeights[i / columns] =
            std::max(rowHeights[i / columns], int(pictures[i].height() * scale));
        colWidths[i % columns] = std::max(colWidths[i % columns], int(pictures[i].width() * scale));
    }
    int width = gap, height = gap;
    for (int w : colWidths)
        width += w + gap;
    for (int h : rowHeights)
        height += h + gap;
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(background);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    int y = gap;
    for (std::size_t row = 0; row < rowHeights.size(); ++row) {
        int x = gap;
        for (int c = 0; c < columns && row * columns + c < pictures.size(); ++c) {
            const QImage& img = pictures[row * columns + c];
            p.drawImage(QRectF(x, y, img.width() * scale, img.height() * scale), img);
            x += colWidths[c] + gap;
        }
        y += rowHeights[row] + gap;
    }
    p.end();
    return sheet;
}

void Previews(const QString& dir, const std::vector<FrameObject>& frames,
              const std::vector<FrameObject>& shadows, const std::vector<PictureObject>& masks,
              const std::vector<PictureObject>& clipArt, const std::vector<QImage>& welcome,
              const std::vector<QImage>& thumbs) {
    QDir().mkpath(dir);
    // A wide photo makes the edge tiles repeat several times, so seams would show. The large
    // variants go around a photo as much larger, shown at the small ones' size.
    std::vector<QImage> list;
    auto framedAtItsSize = [](const FrameObject& f) {
        const QImage framed = Framed(f, SamplePhoto(420 * f.scale, 250 * f.scale, 0));
        return f.scale == 1 ? framed
                            : framed.scaled(framed.size() / f.scale, Qt::KeepAspectRatio,
                                            Qt::SmoothTransformation);
    };
    for (const FrameObject& f : frames)
        list.push_back(framedAtItsSize(f));
    Sheet(list, 2, QColor(0xE4, 0xE6, 0xEA)).save(dir + "/frames.png");
    list.clear();
    for (const FrameObject& f : shadows)
        list.push_back(framedAtItsSize(f));
    Sheet(list, 2, Qt::white).save(dir + "/shadows.png");
    list.clear();
    // Every frame and shadow on a photo 1200 and 6000 pixels wide, as a user sees it fitted
    // into the window (500 pixels wide).
    for (const int width : {1200, 6000}) {
        const QImage photo = SamplePhoto(width, width * 2 / 3, 0);
        for (const auto* set : {&frames, &shadows})
            for (const FrameObject& f : *set)
                list.push_back(Framed(f, photo).scaledToWidth(500, Qt::SmoothTransformation));
        Sheet(list, 4, QColor(0xE4, 0xE6, 0xEA)).save(dir + QString("/on%1.png").arg(width));
        list.clear();
    }
    for (const PictureObject& m : masks)
        list.push_back(StretchOver(SamplePhoto(400, 300, 0), m.image));
    Sheet(list, 4, QColor(0xE4, 0xE6, 0xEA)).save(dir + "/masks.png");
    list.clear();
    for (const PictureObject& c : clipArt)
        list.push_back(Over(Checker(c.image.width(), c.image.height()), c.image));
    Sheet(list, 8, Qt::white, 0.5).save(dir + "/clipart.png");
    Sheet(welcome, 2, QColor(0xB0, 0xB4, 0xBA)).save(dir + "/welcome.png");
    Sheet(thumbs, 8, QColor(0xF4, 0xF5, 0xF7)).save(dir + "/thumbnails.png");
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--preview")) {
        std::fprintf(stderr, "usage: lumetta-libgen <folder> [--preview <folder>]\n");
        return 2;
    }
    try {
        const Library lib = MakeLibrary();
        const std::vector<QImage> thumbs = WriteLibrary(lib, QString::fromLocal8Bit(argv[1]));
        if (argc == 4)
            Previews(QString::fromLocal8Bit(argv[3]), lib.frames, lib.shadows, lib.masks,
                     lib.clipArt, lib.welcome, thumbs);
        std::printf("lumetta-libgen: %zu objects written to %s\n", thumbs.size(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumetta-libgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
