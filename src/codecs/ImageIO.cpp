#include "codecs/ImageIO.h"

#include "codecs/CodecCommon.h"
#include "codecs/Orientation.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace lumetta {

using namespace codecs;

namespace {

enum class Decoder { None, Bmp, Jpeg, Tga, Tiff, Pcx, Pnm, Gif, Png };

struct FormatEntry {
    const char* extension;
    const char* description;
    Decoder decoder;
};

// Registration order is the open dialog's order.
constexpr FormatEntry kFormats[] = {
    {"bmp", "Windows bitmaps", Decoder::Bmp},
    {"rle", "Run length encoded Windows bitmaps", Decoder::Bmp},
    {"dib", "Device independant Windows bitmaps", Decoder::Bmp},
    {"ico", "Windows icons", Decoder::None},
    {"wmf", "Windows metafiles", Decoder::None},
    {"emf", "Windows enhanced meta files", Decoder::None},
    {"jpg", "JPG images", Decoder::Jpeg},
    {"jpeg", "JPEG images", Decoder::Jpeg},
    {"jpe", "JPE images", Decoder::Jpeg},
    {"jfif", "JFIF images", Decoder::Jpeg},
    {"tga", "Truevision images", Decoder::Tga},
    {"win", "Truevision images", Decoder::Tga},
    {"vst", "Truevision images", Decoder::Tga},
    {"vda", "Truevision images", Decoder::Tga},
    {"icb", "Truevision images", Decoder::Tga},
    {"tif", "PC TIF images", Decoder::Tiff},
    {"tiff", "Macintosh TIFF images", Decoder::Tiff},
    {"fax", "GFI fax images", Decoder::Tiff},
    {"eps", "Encapsulated Postscript images", Decoder::None},
    {"pcx", "ZSoft Paintbrush images", Decoder::Pcx},
    {"pcc", "ZSoft Paintbrush images", Decoder::Pcx},
    {"scr", "Word 5.x screen capture images", Decoder::Pcx},
    {"rla", "Alias/Wavefront images", Decoder::None},
    {"rpf", "Alias/Wavefront images", Decoder::None},
    {"sgi", "SGI true color images", Decoder::None},
    {"rgb", "SGI true color images", Decoder::None},
    {"rgba", "SGI true color images with alpha", Decoder::None},
    {"bw", "SGI black/white images", Decoder::None},
    {"psd", "Photoshop images", Decoder::None},
    {"pdd", "Photoshop images", Decoder::None},
    {"ppm", "Portable pixel map images", Decoder::Pnm},
    {"pgm", "Portable gray map images", Decoder::Pnm},
    {"pbm", "Portable bitmap images", Decoder::Pnm},
    // Not among the historical types, but common: the reader goes by the magic number anyway.
    {"pnm", "Portable any map images", Decoder::Pnm},
    {"cel", "Autodesk images", Decoder::None},
    {"pic", "Autodesk images", Decoder::None},
    {"pcd", "Kodak Photo-CD images", Decoder::None},
    {"gif", "CompuServe images", Decoder::Gif},
    {"cut", "Dr. Halo images", Decoder::None},
    {"psp", "Paintshop Pro images", Decoder::None},
    {"png", "Portable network graphic images", Decoder::Png},
};

const char* FormatName(Decoder d) {
    switch (d) {
    case Decoder::Bmp:
        return "BMP";
    case Decoder::Jpeg:
        return "JPEG";
    case Decoder::Tga:
        return "Targa";
    case Decoder::Tiff:
        return "TIFF";
    case Decoder::Pcx:
        return "PCX";
    case Decoder::Pnm:
        return "portable map";
    case Decoder::Gif:
        return "GIF";
    case Decoder::Png:
        return "PNG";
    case Decoder::None:
        break;
    }
    return "picture";
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// The extension as written in the file name, without the dot ("" when there is none).
std::string ExtensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

const FormatEntry* FindFormat(std::string extension) {
    if (!extension.empty() && extension[0] == '.') extension.erase(0, 1);
    extension = Lower(extension);
    for (const FormatEntry& f : kFormats)
        if (extension == f.extension) return &f;
    return nullptr;
}

// The decoder of the extension, or "Unknown picture file extension (.xyz)".
Decoder DecoderFor(const std::string& extension) {
    const FormatEntry* f = FindFormat(extension);
    if (!f || f->decoder == Decoder::None)
        throw EImageError("Unknown picture file extension (." + extension + ")");
    return f->decoder;
}

bool uprightPhotos = true;

// Decodes non-PNG data with its decoder into a picture as LoadPictureFile gives it.
void DecodeRaster(Decoder decoder, const DecodeContext& ctx, TBitmap32& out) {
    switch (decoder) {
    case Decoder::Bmp:
        DecodeBmp(ctx, out);
        return;
    case Decoder::Jpeg:
        DecodeJpeg(ctx, out);
        return;
    case Decoder::Tga:
        DecodeTga(ctx, out);
        return;
    case Decoder::Tiff:
        DecodeTiff(ctx, out);
        return;
    case Decoder::Pcx:
        DecodePcx(ctx, out);
        return;
    case Decoder::Pnm:
        DecodePnm(ctx, out);
        return;
    case Decoder::Gif:
        DecodeGif(ctx, out);
        return;
    case Decoder::Png:
    case Decoder::None:
        break;
    }
    throw EImageError("Unknown picture file extension");
}

// The picture a file gives with its extension's decoder (LoadPictureFile's result). For PNG
// data, `png` keeps what is needed to derive the object-image reading as well.
void DecodePicture(Decoder decoder, const DecodeContext& ctx, TBitmap32& out, PngPicture* png) {
    if (decoder != Decoder::Png) {
        DecodeRaster(decoder, ctx, out);
        // The decoders give the rows as stored; photos are turned upright here, in one place.
        if ((decoder == Decoder::Jpeg || decoder == Decoder::Tiff) && uprightPhotos)
            OrientUpright(out, ReadPictureOrientation(ctx.data, ctx.size));
        return;
    }
    PngPicture local;
    PngPicture& decoded = png ? *png : local;
    DecodePng(ctx, decoded);
    // A PNG decodes to 32 bits with an alpha channel: every kind of transparency is kept.
    out = decoded.pixels;
}

} // namespace

void SetUprightPhotos(bool on) {
    uprightPhotos = on;
}

bool UprightPhotos() {
    return uprightPhotos;
}

const std::vector<TPictureFormat>& RegisteredFormats() {
    static const std::vector<TPictureFormat> formats = [] {
        std::vector<TPictureFormat> list;
        for (const FormatEntry& f : kFormats)
            list.push_back({f.extension, f.description, f.decoder != Decoder::None});
        return list;
    }();
    return formats;
}

bool HasPictureDecoder(const std::string& extension) {
    const FormatEntry* f = FindFormat(extension);
    return f && f->decoder != Decoder::None;
}

void LoadPictureData(TBitmap32& bitmap, const std::uint8_t* data, std::size_t size,
                     const std::string& extension, const std::string& name) {
    std::string ext = extension;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    const Decoder decoder = DecoderFor(ext);
    TBitmap32 picture;
    DecodePicture(decoder, DecodeContext(data, size, name, FormatName(decoder)), picture, nullptr);
    bitmap.AssignPicture(picture, true);
}

void LoadPictureFile(TBitmap32& bitmap, const std::string& path, std::string* notice) {
    const Decoder decoder = DecoderFor(ExtensionOf(path));
    const FileBytes file = ReadWholeFile(path);
    TBitmap32 picture;
    std::string said;
    DecodeContext ctx(file.data.get(), file.size, FileNameOf(path), FormatName(decoder));
    ctx.notice = &said;
    DecodePicture(decoder, ctx, picture, nullptr);
    bitmap.AssignPicture(picture, true);
    if (notice && !said.empty()) *notice = said;
}

bool LoadImageFile(const std::string& path, TBitmap32& bitmap, TBitmap32* asPictureFile,
                   std::string* notice) {
    try {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) return false;
        const FormatEntry* format = FindFormat(ExtensionOf(path));
        if (!format || format->decoder == Decoder::None) return false;
        const FileBytes file = ReadWholeFile(path);
        const std::string name = FileNameOf(path);
        std::string said;
        DecodeContext ctx(file.data.get(), file.size, name, FormatName(format->decoder));
        ctx.notice = &said;

        // The file must decode by its extension; content of another kind fails here.
        PngPicture png;
        TBitmap32 picture;
        DecodePicture(format->decoder, ctx, picture, &png);

        TBitmap32 image;
        if (file.size < 4) throw EReadError("Stream read error"); // what IsPngFile raises
        if (HasPngSignature(file.data.get(), file.size)) {
            if (format->decoder != Decoder::Png)
                DecodePng(DecodeContext(file.data.get(), file.size, name, "PNG"), png);
            if (!asPictureFile) picture = TBitmap32(); // so the rules below need no copy
            image = std::move(png.pixels);
            ApplyPngObjectRules(png, image);
        } else {
            image = picture;
        }
        // Nothing above changed the caller's bitmaps; from here on nothing can fail.
        bitmap.AssignPicture(image, true);
        if (asPictureFile) asPictureFile->AssignPicture(picture, true);
        if (notice && !said.empty()) *notice = said;
        return true;
    } catch (...) {
        return false;
    }
}

bool IsPngFile(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) throw EFileError("Cannot open file \"" + path + "\"");
    std::uint8_t head[4];
    if (std::fread(head, 1, 4, file.get()) != 4) throw EReadError("Stream read error");
    return HasPngSignature(head, 4);
}

void LoadPngIntoBitmap(TBitmap32& bitmap, TMemoryStream& stream) {
    PngPicture png;
    DecodePng(DecodeContext(stream.Current(), stream.Remaining(), "The PNG data", "PNG"), png);
    ApplyPngObjectRules(png, png.pixels);
    stream.SetPosition(stream.Position() + png.consumed);
    bitmap.AssignPicture(png.pixels, true);
}

void LoadPngIntoBitmap(TBitmap32& bitmap, const std::string& path) {
    const FileBytes file = ReadWholeFile(path);
    PngPicture png;
    DecodePng(DecodeContext(file.data.get(), file.size, FileNameOf(path), "PNG"), png);
    ApplyPngObjectRules(png, png.pixels);
    bitmap.AssignPicture(png.pixels, true);
}

} // namespace lumetta
