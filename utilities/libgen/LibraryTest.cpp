// The generated library checked with the program's own container reader, decoders and
// composition: records that cut the right pieces, tiles that join without seams, objects that
// save the way they look, and files that the catalogue finds.
#include "Common.h"
#include "codecs/ImageIO.h"
#include "decorate/Compose.h"
#include "library/ObjectCatalog.h"
#include "library/PlacementIndex.h"
#include "library/StreamPack.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

using namespace libgen;
using namespace lumetta;

namespace {

const Library& TheLibrary() {
    static const Library library = MakeLibrary();
    return library;
}

TBitmap32 Decoded(const QImage& image) {
    TMemoryStream stream(Encode(image.convertToFormat(QImage::Format_ARGB32), "PNG"));
    TBitmap32 bitmap;
    LoadPngIntoBitmap(bitmap, stream);
    return bitmap;
}

TFrameSpec SpecOf(const PlacementRecord& record) {
    TFrameSpec placement;
    EXPECT_TRUE(ParseFrameSpec(RecordText(record), placement));
    return placement;
}

int Distance(TColor32 a, TColor32 b) {
    int sum = 0;
    for (int shift = 0; shift < 32; shift += 8)
        sum += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    return sum;
}

// How much a strip changes across the seam where one tile meets the next, compared with the
// largest change between neighbouring columns (or rows) inside the tile.
struct SeamMeasure {
    int seam = 0, largestInside = 0;
};

SeamMeasure MeasureSeam(const TBitmap32& t, int along0, int length, int across0, int across1,
                        bool horizontal) {
    auto at = [&](int along, int across) {
        return horizontal ? t.Pixel(along, across) : t.Pixel(across, along);
    };
    SeamMeasure m;
    for (int a = across0; a < across1; ++a)
        m.seam += Distance(at(along0 + length - 1, a), at(along0, a));
    for (int i = along0; i + 1 < along0 + length; ++i) {
        int step = 0;
        for (int a = across0; a < across1; ++a)
            step += Distance(at(i, a), at(i + 1, a));
        m.largestInside = std::max(m.largestInside, step);
    }
    return m;
}

std::vector<const FrameObject*> NinePieceObjects() {
    std::vector<const FrameObject*> out;
    for (const auto* set : {&TheLibrary().frames, &TheLibrary().shadows})
        for (const FrameObject& f : *set)
            if (f.record[0] == 0) out.push_back(&f);
    return out;
}

} // namespace

TEST(Library, HasEveryKindInNumber) {
    const Library& lib = TheLibrary();
    EXPECT_GE(lib.frames.size(), 10u);
    EXPECT_GE(lib.shadows.size(), 4u);
    EXPECT_GE(lib.masks.size(), 8u);
    EXPECT_GE(lib.clipArt.size(), 16u);
    EXPECT_EQ(lib.welcome.size(), 3u);
    int stretched = 0;
    for (const FrameObject& f : lib.frames)
        stretched += f.record[0] != 0;
    EXPECT_GE(stretched, 2);
}

TEST(Library, EveryNinePieceObjectHasALargeVariantFourTimesItsSize) {
    // Photos of 12-24 megapixels need borders four times those made for a megapixel.
    std::map<QString, const FrameObject*> byName;
    for (const FrameObject* f : NinePieceObjects())
        byName[f->file] = f;
    int large = 0;
    for (const auto& [name, f] : byName) {
        if (f->scale != 1) continue;
        SCOPED_TRACE(name.toStdString());
        const auto found = byName.find(name + "Large");
        ASSERT_NE(found, byName.end());
        const FrameObject& big = *found->second;
        ++large;
        EXPECT_EQ(big.scale, 4);
        if (name.startsWith("Frame")) {
            // The same drawing, four times as large.
            EXPECT_EQ(big.image.width(), 4 * f->image.width());
            EXPECT_EQ(big.image.height(), 4 * f->image.height());
            for (std::size_t i = 1; i < f->record.size(); ++i)
                EXPECT_EQ(big.record[i], 4 * f->record[i]) << i;
        } else {
            // Shadows: four times the blur and offset; their tiles stay short, being plain.
            EXPECT_GE(big.image.width(), 3 * f->image.width());
            EXPECT_GE(big.image.height(), 3 * f->image.height());
        }
    }
    EXPECT_GE(large, 12);
    // Clip art is drawn at 1024 pixels, the stretched frames at three times 640 x 480.
    for (const PictureObject& c : TheLibrary().clipArt)
        EXPECT_EQ(c.image.size(), QSize(1024, 1024)) << c.file.toStdString();
    for (const FrameObject& f : TheLibrary().frames)
        if (f.record[0] != 0) {
            EXPECT_GE(f.image.width(), 1920) << f.file.toStdString();
        }
}

TEST(Library, PaleFramesShowTheirOuterEdgeOnWhite) {
    // Pale cards would melt into a white page: each has a clearly darker line within the
    // outermost pixels of its top and left edges.
    for (const FrameObject& f : TheLibrary().frames) {
        const std::string file = f.file.toStdString();
        if (file.rfind("FrameInstant", 0) != 0 && file.rfind("FrameStamp", 0) != 0 &&
            file.rfind("FrameVine", 0) != 0 && file != "FrameRounded")
            continue;
        SCOPED_TRACE(file);
        const QImage image = FlattenOnWhite(f.image);
        const int reach = 3 * f.scale * (f.record[0] != 0 ? 3 : 1);
        auto darkest = [&](bool top) {
            int lowest = 255;
            for (int d = 0; d < reach; ++d) {
                const QRgb c = top ? image.pixel(image.width() / 2 + 3, d)
                                   : image.pixel(d, image.height() / 2 + 3);
                lowest = std::min(lowest, qGray(c));
            }
            return lowest;
        };
        EXPECT_LE(darkest(true), 175);
        EXPECT_LE(darkest(false), 175);
    }
}

TEST(Library, EdgeTilesJoinWithoutSeams) {
    for (const FrameObject* f : NinePieceObjects()) {
        SCOPED_TRACE(f->file.toStdString());
        const TBitmap32 t = Decoded(f->image);
        const TFrameSpec s = SpecOf(f->record);
        const int W = t.Width(), H = t.Height();
        const SeamMeasure bands[] = {
            MeasureSeam(t, s.TopLeftWidth(), s.TopTileWidth(), 0, s.TopLeftHeight(), true),
            MeasureSeam(t, s.TopLeftWidth(), W - s.TopLeftWidth() - s.BottomRightWidth(),
                        H - s.BottomLeftHeight(), H, true),
            MeasureSeam(t, s.TopLeftHeight(), s.LeftTileHeight(), 0, s.LeftWidth(), false),
            MeasureSeam(t, s.TopLeftHeight(), s.RightTileHeight(), W - s.RightWidth(), W, false)};
        for (const SeamMeasure& m : bands)
            EXPECT_LE(m.seam, m.largestInside)
                << "seam " << m.seam << ", inside " << m.largestInside;
    }
}

TEST(Library, ComposedFramesKeepTheirCornersAndSaveAsTheyLook) {
    for (const FrameObject* f : NinePieceObjects()) {
        SCOPED_TRACE(f->file.toStdString());
        // Each on a photo of the size it is made for: the large ones on a larger photo.
        const int PW = 301 * f->scale, PH = 187 * f->scale;
        TBitmap32 photo(PW, PH);
        photo.Clear(0xFF336699);
        const TBitmap32 t = Decoded(f->image);
        const TFrameSpec s = SpecOf(f->record);
        TBitmap32 canvas = photo;
        ComposeFrame(canvas, t, s);
        ASSERT_EQ(canvas.Width(), PW + s.ExtraWidth());
        ASSERT_EQ(canvas.Height(), PH + s.ExtraHeight());
        const int CW = canvas.Width(), CH = canvas.Height(), W = t.Width(), H = t.Height();
        EXPECT_EQ(canvas.Pixel(s.PhotoX(), s.PhotoY()), 0xFF336699u);
        EXPECT_EQ(canvas.Pixel(s.PhotoX() + PW - 1, s.PhotoY() + PH - 1), 0xFF336699u);

        int cornerMismatches = 0, notOpaque = 0;
        for (int y = 0; y < s.TopLeftHeight(); ++y)
            for (int x = 0; x < s.TopLeftWidth(); ++x)
                cornerMismatches +=
                    canvas.Pixel(x, y) != t.Pixel(x, y) && !(x >= s.PhotoX() && y >= s.PhotoY());
        for (int y = 0; y < s.BottomRightHeight(); ++y)
            for (int x = 0; x < s.BottomRightWidth(); ++x) {
                const bool underPhoto = CW - s.BottomRightWidth() + x < s.PhotoX() + PW &&
                                        CH - s.BottomRightHeight() + y < s.PhotoY() + PH;
                cornerMismatches +=
                    !underPhoto &&
                    canvas.Pixel(CW - s.BottomRightWidth() + x, CH - s.BottomRightHeight() + y) !=
                        t.Pixel(W - s.BottomRightWidth() + x, H - s.BottomRightHeight() + y);
            }
        // Saving writes colours without alpha: everything around the photo must be opaque so
        // that the file shows what the white view shows.
        for (int y = 0; y < CH; ++y)
            for (int x = 0; x < CW; ++x)
                notOpaque += (canvas.Pixel(x, y) >> 24) != 0xFF;
        EXPECT_EQ(cornerMismatches, 0);
        EXPECT_EQ(notOpaque, 0);
    }
}

TEST(Library, WhiteMasksStretchedOverWhiteStayWhite) {
    // Lanczos mixes the colours of neighbouring pixels whatever their alpha: a mask drawn over
    // transparent black would leave a grey rim where it meets the photo.
    for (const PictureObject& m : TheLibrary().masks) {
        const std::string file = m.file.toStdString();
        if (file != "MaskOval" && file != "MaskRounded" && file != "MaskCircle" &&
            file != "MaskFeather" && file != "MaskBrush")
            continue;
        SCOPED_TRACE(file);
        for (auto [w, h] : {std::pair{1013, 677}, std::pair{157, 121}}) {
            TBitmap32 photo(w, h);
            photo.Clear(0xFFFFFFFF);
            TBitmap32 mask = Decoded(m.image);
            ApplyMaskTo(photo, mask);
            int darkest = 255;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const TColor32 c = photo.Pixel(x, y);
                    darkest = std::min(
                        {darkest, int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)});
                }
            EXPECT_GE(darkest, 248) << w << " x " << h;
        }
    }
}

TEST(Library, WrittenFilesAreFoundByTheCatalogue) {
    namespace fs = std::filesystem;
    const char* tmp = std::getenv("LUMETTA_TEST_TMP");
    const fs::path root =
        fs::path(tmp ? tmp : fs::temp_directory_path().string()) / "libgen-written";
    fs::remove_all(root);
    WriteLibrary(TheLibrary(), QString::fromStdString(root.string()));

    TiStreamPack pack;
    ASSERT_TRUE(pack.Open((root / "libraryfull.phd").string()));
    const auto index = OpenPlacementIndex((root / "library.phi").string());
    ASSERT_TRUE(index.has_value());

    int thumbnails = 0;
    for (const auto& entry : fs::directory_iterator(root / "Data")) {
        const std::string path = entry.path().string();
        const std::string name = ObjectNameOf(path);
        SCOPED_TRACE(path);
        ++thumbnails;
        TBitmap32 thumb, object;
        LoadPictureFile(thumb, path);
        EXPECT_LE(thumb.Width(), 112);
        EXPECT_LE(thumb.Height(), 82);
        ASSERT_GE(pack.IndexOf(name + ".png"), 0);
        EXPECT_TRUE(LoadObjectImage(pack, name + ".png", object));
        EXPECT_FALSE(object.Empty());
        const bool frame = name.rfind("frame", 0) == 0, shadow = name.rfind("shadow", 0) == 0;
        if (frame || shadow) {
            TFrameSpec placement;
            EXPECT_TRUE(ParseFrameSpec(index->ReadString(frame ? "Frames" : "Shadows", name, ""),
                                       placement));
        }
    }
    EXPECT_EQ(thumbnails, pack.Count());

    for (int i = 1; i <= 3; ++i) {
        const fs::path bmp = root / "Desktop" / ("MainBG" + std::to_string(i) + ".bmp");
        SCOPED_TRACE(bmp.string());
        TBitmap32 picture;
        LoadPictureFile(picture, bmp.string());
        EXPECT_GE(picture.Width(), 640);
        EXPECT_GE(picture.Height(), 480);
        std::ifstream in(bmp, std::ios::binary);
        char header[30] = {};
        in.read(header, sizeof header);
        EXPECT_EQ(header[28], 24); // bits per pixel
    }
}

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
