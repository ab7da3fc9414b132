// The file-level routines: the registry, choosing decoders by extension, LoadImageFile's test of
// a photo and IsPngFile.
#include "Helpers.h"

#include "support/TestSupport.h"

#include <png.h>

namespace lumetta::test {
namespace {

TEST(Registry, ListsEveryExtensionInOrderWithItsDescription) {
    const auto& formats = RegisteredFormats();
    std::string all;
    for (const auto& f : formats)
        all += f.Extension + " ";
    EXPECT_EQ(all,
              "bmp rle dib ico wmf emf jpg jpeg jpe jfif tga win vst vda icb tif tiff fax eps "
              "pcx pcc scr rla rpf sgi rgb rgba bw psd pdd ppm pgm pbm pnm cel pic pcd gif cut "
              "psp png ");
    EXPECT_EQ(formats[2].Description, "Device independant Windows bitmaps");
    EXPECT_EQ(formats[21].Description, "Word 5.x screen capture images");
    EXPECT_EQ(formats[26].Description, "SGI true color images with alpha");
    EXPECT_EQ(formats.back().Description, "Portable network graphic images");
    for (const char* ext : {"bmp", "rle", "dib", "jpg", "jfif", "tga", "icb", "tif", "fax", "pcx",
                            "scr", "ppm", "pbm", "pnm", "gif", "png"})
        EXPECT_TRUE(HasPictureDecoder(ext)) << ext;
    for (const char* ext : {"ico", "wmf", "emf", "eps", "sgi", "psd", "pcd", "cut", "psp", "xyz"})
        EXPECT_FALSE(HasPictureDecoder(ext)) << ext;
    EXPECT_TRUE(HasPictureDecoder(".PNG"));
}

TEST(LoadPictureFile, UnknownOrUndecodableExtensionsAreRefusedBeforeReading) {
    TempDir dir;
    TBitmap32 b;
    EXPECT_EQ(ErrorText([&] { LoadPictureFile(b, dir.File("photo.xyz")); }),
              "Unknown picture file extension (.xyz)");
    EXPECT_EQ(ErrorText([&] { LoadPictureFile(b, dir.File("icon.ICO")); }),
              "Unknown picture file extension (.ICO)");
    EXPECT_EQ(ErrorText([&] { LoadPictureFile(b, dir.File("noextension")); }),
              "Unknown picture file extension (.)");
    EXPECT_THROW(LoadPictureFile(b, dir.File("missing.png")), EFileError);
}

TEST(LoadPictureFile, ExtensionCaseIsIgnoredAndPropertiesStay) {
    TempDir dir;
    TBitmap32 src(20, 10);
    src.Clear(Color32(10, 200, 30));
    WriteBytes(dir.File("photo.JPG"), EncodeJpeg(src, 95));
    TBitmap32 b(3, 3);
    b.DrawMode = dmBlend;
    b.MasterAlpha = 7;
    LoadPictureFile(b, dir.File("photo.JPG"));
    EXPECT_EQ(b.Width(), 20);
    EXPECT_EQ(b.Pixel(5, 5) >> 24, 255u);
    EXPECT_EQ(b.DrawMode, dmBlend);
    EXPECT_EQ(b.MasterAlpha, 7);
}

TEST(LoadPictureFile, FailureLeavesTheBitmapUnchanged) {
    TempDir dir;
    WriteBytes(dir.File("bad.bmp"), {'B', 'M', 1, 2, 3});
    TBitmap32 b = PatternBitmap(4, 4);
    const TBitmap32 before = b;
    EXPECT_THROW(LoadPictureFile(b, dir.File("bad.bmp")), EImageError);
    EXPECT_TRUE(b.SharesPixelsWith(before));
}

TEST(LoadImageFile, ContentMustMatchTheExtension) {
    TempDir dir;
    const Bytes jpeg = EncodeJpeg(PatternBitmap(16, 16), 90);
    const Bytes png = EncodePngRgba(PatternBitmap(16, 16));
    WriteBytes(dir.File("jpeg.png"), jpeg);
    WriteBytes(dir.File("png.jpg"), png);
    WriteBytes(dir.File("png.bmp"), png);
    TBitmap32 b = PatternBitmap(2, 2);
    const TBitmap32 before = b;
    EXPECT_FALSE(LoadImageFile(dir.File("jpeg.png"), b));
    EXPECT_FALSE(LoadImageFile(dir.File("png.jpg"), b));
    EXPECT_FALSE(LoadImageFile(dir.File("png.bmp"), b));
    EXPECT_FALSE(LoadImageFile(dir.File("missing.jpg"), b));
    EXPECT_FALSE(LoadImageFile(dir.File("jpeg.xyz"), b));
    EXPECT_TRUE(b.SharesPixelsWith(before));
}

TEST(LoadImageFile, SharesOneDecodeWithThePictureFileResult) {
    TempDir dir;
    WriteBytes(dir.File("photo.jpg"), EncodeJpeg(PatternBitmap(30, 20), 90));
    TBitmap32 image, picture;
    ASSERT_TRUE(LoadImageFile(dir.File("photo.jpg"), image, &picture));
    EXPECT_TRUE(image.SharesPixelsWith(picture));
    TBitmap32 direct;
    LoadPictureFile(direct, dir.File("photo.jpg"));
    EXPECT_TRUE(PixelsAre(picture, 30, 20, [&](int x, int y) { return direct.Pixel(x, y); }));
}

TEST(LoadImageFile, PngTakesTheObjectRulesWhileThePictureFileKeepsItsAlpha) {
    TempDir dir;
    PngDesc s;
    s.width = 3;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {Color32(1, 1, 1), Color32(2, 2, 2), Color32(3, 3, 3)};
    s.trns = {0, 128};
    s.samples = {0, 1, 2};
    WriteBytes(dir.File("partial.png"), EncodePng(s));
    TBitmap32 image, picture;
    ASSERT_TRUE(LoadImageFile(dir.File("partial.png"), image, &picture));
    EXPECT_EQ(image.Pixel(0, 0), Color32(1, 1, 1));
    EXPECT_EQ(image.Pixel(1, 0), Color32(2, 2, 2));
    EXPECT_EQ(picture.Pixel(0, 0), Color32(1, 1, 1, 0));
    EXPECT_EQ(picture.Pixel(1, 0), Color32(2, 2, 2, 128));
    TBitmap32 direct;
    LoadPictureFile(direct, dir.File("partial.png"));
    EXPECT_EQ(direct.Pixel(1, 0), picture.Pixel(1, 0));
    TBitmap32 object;
    LoadPngIntoBitmap(object, dir.File("partial.png"));
    EXPECT_EQ(object.Pixel(1, 0), image.Pixel(1, 0));
}

TEST(IsPngFile, LooksAtTheFirstFourBytes) {
    TempDir dir;
    WriteBytes(dir.File("a.jpg"), EncodePngRgba(PatternBitmap(1, 1)));
    WriteBytes(dir.File("b.png"), EncodeJpeg(PatternBitmap(8, 8)));
    WriteBytes(dir.File("sig.png"), {0x89, 'P', 'N', 'G'});
    WriteBytes(dir.File("short.png"), {0x89, 'P'});
    EXPECT_TRUE(IsPngFile(dir.File("a.jpg")));
    EXPECT_FALSE(IsPngFile(dir.File("b.png")));
    EXPECT_TRUE(IsPngFile(dir.File("sig.png")));
    EXPECT_FALSE(IsPngFile(dir.File("missing.png")));
    EXPECT_EQ(ErrorText([&] { IsPngFile(dir.File("short.png")); }), "Stream read error");
}

} // namespace
} // namespace lumetta::test
