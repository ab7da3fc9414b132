// lumetta-libgen: draws Lumetta's default object library and writes it into a runtime folder:
//   Data/*.jpg          thumbnails (Frame*, Shadow*, Mask*, ClipArt*)
//   libraryfull.phd     the pack container of the full-size PNG objects
//   library.phi         placement records of frames and shadows
//   Desktop/MainBG?.bmp welcome pictures
// Usage: lumetta-libgen <folder> [--preview <folder>]
// With --preview it also writes contact sheets that show every object applied the way Lumetta
// applies it, for a person to look at.
#include "Common.h"
#include "library/PackWriter.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

using namespace libgen;

namespace {

std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        throw std::runtime_error(std::string("cannot encode ") + format);
    return {bytes.begin(), bytes.end()};
}

void WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.toStdString());
}

// A record must cut every piece from inside its template.
void CheckRecord(const FrameObject& f) {
    const PlacementRecord& r = f.record;
    if (r[0] != 0) return;
    const int FW = f.image.width(), FH = f.image.height();
    const bool ok = r[5] + r[7] <= FW && r[6] <= FH && r[8] <= FH && r[10] <= FH &&
                    r[6] + r[12] <= FH && r[6] + r[14] <= FH && r[11] <= FW && r[13] <= FW &&
                    r[15] <= FW && r[16] <= FH && r[19] <= FW && r[20] <= FH && r[5] <= FW - r[19];
    if (!ok)
        throw std::runtime_error("placement record outside the template of " +
                                 f.file.toStdString());
}

std::string RecordText(const PlacementRecord& r) {
    std::string text;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(r[i]);
    }
    return text;
}

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
    // A wide photo makes the edge tiles repeat several times, so seams would show.
    const QImage wide = SamplePhoto(420, 250, 0);
    std::vector<QImage> list;
    for (const FrameObject& f : frames)
        list.push_back(Framed(f, wide));
    Sheet(list, 2, QColor(0xE4, 0xE6, 0xEA)).save(dir + "/frames.png");
    list.clear();
    for (const FrameObject& f : shadows)
        list.push_back(Framed(f, wide));
    Sheet(list, 2, Qt::white).save(dir + "/shadows.png");
    list.clear();
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
        const QString root = QString::fromLocal8Bit(argv[1]);
        QDir().mkpath(root + "/Data");
        QDir().mkpath(root + "/Desktop");

        std::vector<FrameObject> frames = MakeFrames(), shadows = MakeShadows();
        std::vector<PictureObject> masks = MakeMasks(), clipArt = MakeClipArt();
        for (std::vector<FrameObject>* set : {&frames, &shadows})
            for (FrameObject& f : *set) {
                if (f.record[0] == 0)
                    f.image = FlattenOnWhite(f.image);
                else
                    BleedTransparent(f.image);
            }
        for (std::vector<PictureObject>* set : {&masks, &clipArt})
            for (PictureObject& o : *set)
                BleedTransparent(o.image);
        const std::vector<QImage> welcome = MakeWelcomePictures(clipArt, frames);

        lumetta::TPackWriter pack;
        std::vector<QImage> thumbs;
        auto addObject = [&](const QString& file, const QImage& image, const QImage& thumb) {
            pack.Add(file.toLower().toStdString() + ".png",
                     Encode(image.convertToFormat(QImage::Format_ARGB32), "PNG"));
            WriteFile(root + "/Data/" + file + ".jpg", Encode(thumb, "JPG", 92));
            thumbs.push_back(thumb);
        };

        const QImage sample = SamplePhoto(320, 240, 0);
        std::string phi =
            "; Placement records of Lumetta's default frames and shadows.\n[Frames]\n";
        for (const FrameObject& f : frames) {
            CheckRecord(f);
            addObject(f.file, f.image, Thumbnail(Framed(f, sample), Qt::white));
            phi += f.file.toLower().toStdString() + "=" + RecordText(f.record) + "\n";
        }
        phi += "\n[Shadows]\n";
        for (const FrameObject& s : shadows) {
            CheckRecord(s);
            addObject(s.file, s.image, Thumbnail(Framed(s, sample), Qt::white));
            phi += s.file.toLower().toStdString() + "=" + RecordText(s.record) + "\n";
        }
        for (const PictureObject& m : masks)
            addObject(m.file, m.image, Thumbnail(StretchOver(sample, m.image), Qt::white));
        for (const PictureObject& c : clipArt)
            addObject(c.file, c.image, Thumbnail(c.image, Qt::white));

        WriteFile(root + "/library.phi", std::vector<std::uint8_t>(phi.begin(), phi.end()));
        pack.Save((root + "/libraryfull.phd").toStdString());
        for (std::size_t i = 0; i < welcome.size(); ++i)
            WriteFile(root + QString("/Desktop/MainBG%1.bmp").arg(i + 1),
                      Encode(welcome[i].convertToFormat(QImage::Format_RGB888), "BMP"));

        if (argc == 4)
            Previews(QString::fromLocal8Bit(argv[3]), frames, shadows, masks, clipArt, welcome,
                     thumbs);
        std::printf("lumetta-libgen: %zu objects written to %s\n", pack.Count(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumetta-libgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
