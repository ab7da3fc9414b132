#include "Common.h"
#include "library/PackWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QPainter>

#include <fstream>
#include <stdexcept>

namespace libgen {
namespace {

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

// A tag in the thumbnail's lower right corner: this one is made for large photos.
void MarkLarge(QImage& thumb) {
    QPainter p(&thumb);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font("Sans");
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    const QString text = "LARGE";
    const QRectF box = QRectF(p.fontMetrics().boundingRect(text)).adjusted(-4, -1, 4, 1);
    const QRectF at(thumb.width() - box.width() - 3, thumb.height() - box.height() - 3, box.width(),
                    box.height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x3A, 0x6A, 225));
    p.drawRoundedRect(at, 3, 3);
    p.setPen(Qt::white);
    p.drawText(at, Qt::AlignCenter, text);
}

} // namespace

std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        throw std::runtime_error(std::string("cannot encode ") + format);
    return {bytes.begin(), bytes.end()};
}

std::string RecordText(const PlacementRecord& r) {
    std::string text;
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (i) text += ',';
        text += std::to_string(r[i]);
    }
    return text;
}

Library MakeLibrary() {
    Library lib{MakeFrames(), MakeShadows(), MakeMasks(), MakeClipArt(), {}};
    for (std::vector<FrameObject>* set : {&lib.frames, &lib.shadows})
        for (FrameObject& f : *set) {
            CheckRecord(f);
            if (f.record[0] == 0) f.image = FlattenOnWhite(f.image);
        }
    lib.welcome = MakeWelcomePictures(lib.clipArt, lib.frames);
    return lib;
}

std::vector<QImage> WriteLibrary(const Library& lib, const QString& root) {
    if (!QDir().mkpath(root + "/Data") || !QDir().mkpath(root + "/Desktop"))
        throw std::runtime_error("cannot create folders under " + root.toStdString());
    lumetta::TPackWriter pack;
    std::vector<QImage> thumbs;
    auto addObject = [&](const QString& file, const QImage& image, const QImage& thumb) {
        pack.Add(file.toLower().toStdString() + ".png",
                 Encode(image.convertToFormat(QImage::Format_ARGB32), "PNG"));
        WriteFile(root + "/Data/" + file + ".jpg", Encode(thumb, "JPG", 92));
        thumbs.push_back(thumb);
    };

    // Frames and masks are shown on a sample photo, the way the user will see them: the large
    // variants on a photo as much larger, and marked, since otherwise they look the same.
    const QImage sample = SamplePhoto(320, 240, 0);
    std::string phi = "; Placement records of Lumetta's default frames and shadows.\n";
    for (const auto& [section, set] :
         {std::pair{"Frames", &lib.frames}, {"Shadows", &lib.shadows}}) {
        phi += std::string(section == std::string("Frames") ? "" : "\n") + "[" + section + "]\n";
        for (const FrameObject& f : *set) {
            const QImage photo =
                f.scale == 1 ? sample : SamplePhoto(320 * f.scale, 240 * f.scale, 0);
            QImage thumb = Thumbnail(ApplyRecord(photo, f.image, f.record), Qt::white);
            if (f.scale != 1) MarkLarge(thumb);
            addObject(f.file, f.image, thumb);
            phi += f.file.toLower().toStdString() + "=" + RecordText(f.record) + "\n";
        }
    }
    for (const PictureObject& m : lib.masks)
        addObject(m.file, m.image, Thumbnail(StretchOver(sample, m.image), Qt::white));
    for (const PictureObject& c : lib.clipArt)
        addObject(c.file, c.image, Thumbnail(c.image, Qt::white));

    WriteFile(root + "/library.phi", std::vector<std::uint8_t>(phi.begin(), phi.end()));
    pack.Save((root + "/libraryfull.phd").toStdString());
    for (std::size_t i = 0; i < lib.welcome.size(); ++i)
        WriteFile(root + QString("/Desktop/MainBG%1.bmp").arg(i + 1),
                  Encode(lib.welcome[i].convertToFormat(QImage::Format_RGB888), "BMP"));
    return thumbs;
}

} // namespace libgen
