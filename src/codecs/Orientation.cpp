#include "codecs/Orientation.h"

#include <cstring>

namespace lumetta {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;

// Reads the byte order of a TIFF structure once and then 16- and 32-bit values from it.
struct TiffBytes {
    const std::uint8_t* data;
    std::size_t size;
    bool bigEndian;

    std::uint16_t U16(std::size_t at) const {
        const std::uint8_t* p = data + at;
        return bigEndian ? std::uint16_t((p[0] << 8) | p[1]) : std::uint16_t(p[0] | (p[1] << 8));
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint8_t* p = data + at;
        return bigEndian ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                               (std::uint32_t(p[2]) << 8) | p[3]
                         : std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                               (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    }
    std::uint64_t U64(std::size_t at) const {
        const std::uint64_t first = U32(at), second = U32(at + 4);
        return bigEndian ? (first << 32) | second : (second << 32) | first;
    }
};

// The orientation field of the first directory of a TIFF structure, classic or BigTIFF; 0 when
// absent.
int TiffOrientation(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    TiffBytes tiff{data, size, false};
    if (data[0] == 'M' && data[1] == 'M') {
        tiff.bigEndian = true;
    } else if (!(data[0] == 'I' && data[1] == 'I')) {
        return 0;
    }
    // Classic: 32-bit offsets, 2-byte entry count, 12-byte entries. BigTIFF: the offset size 8
    // at byte 4, then 64-bit offsets, an 8-byte entry count and 20-byte entries.
    std::uint64_t directory = 0, entries = 0;
    std::size_t countSize = 0, entrySize = 0, valueAt = 0;
    const std::uint16_t version = tiff.U16(2);
    if (version == 42) {
        directory = tiff.U32(4);
        countSize = 2, entrySize = 12, valueAt = 8;
        if (directory > size || size - directory < countSize) return 0;
        entries = tiff.U16(std::size_t(directory));
    } else if (version == 43) {
        if (size < 16 || tiff.U16(4) != 8 || tiff.U16(6) != 0) return 0;
        directory = tiff.U64(8);
        countSize = 8, entrySize = 20, valueAt = 12;
        if (directory > size || size - directory < countSize) return 0;
        entries = tiff.U64(std::size_t(directory));
    } else {
        return 0;
    }
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = directory + countSize + entrySize * i;
        if (entry > size || size - entry < entrySize) return 0;
        const auto at = std::size_t(entry);
        if (tiff.U16(at) != kOrientationTag) continue;
        const std::uint64_t count = version == 42 ? tiff.U32(at + 4) : tiff.U64(at + 4);
        if (tiff.U16(at + 2) != kTypeShort || count < 1) return 0;
        // A single SHORT sits in the first two bytes of the value field.
        return tiff.U16(at + valueAt);
    }
    return 0;
}

// The orientation in the first EXIF block of a JPEG file, looked for in the segments before
// the image data; 0 when there is none.
int JpegOrientation(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    static const std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) return 0;
        const std::uint8_t marker = data[pos + 1];
        if (marker == 0xFF) { // fill byte before a marker
            ++pos;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) { // markers without a length
            pos += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return 0; // the image data begins: no EXIF block
        const std::size_t length = std::size_t(data[pos + 2] << 8 | data[pos + 3]);
        if (length < 2 || length > size - pos - 2) return 0;
        const std::uint8_t* body = data + pos + 4;
        const std::size_t bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= sizeof kExif &&
            std::memcmp(body, kExif, sizeof kExif) == 0)
            return TiffOrientation(body + sizeof kExif, bodySize - sizeof kExif);
        pos += 2 + length;
    }
    return 0;
}

} // namespace

int ReadPictureOrientation(const std::uint8_t* data, std::size_t size) {
    if (!data) return 1;
    int orientation = JpegOrientation(data, size);
    if (orientation == 0) orientation = TiffOrientation(data, size);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

void OrientUpright(TBitmap32& picture, int orientation) {
    switch (orientation) {
    case 2:
        picture.FlipHorz();
        break;
    case 3:
        picture.FlipHorz();
        picture.FlipVert();
        break;
    case 4:
        picture.FlipVert();
        break;
    case 5: // stored column x is shown as row x
        picture.Rotate90();
        picture.FlipHorz();
        break;
    case 6:
        picture.Rotate90();
        break;
    case 7:
        picture.Rotate270();
        picture.FlipHorz();
        break;
    case 8:
        picture.Rotate270();
        break;
    default:
        break;
    }
}

} // namespace lumetta
