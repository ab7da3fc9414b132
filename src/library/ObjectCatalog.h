#pragma once
// Library objects: the thumbnail catalogue, object names, placement records and the loading of
// an object's full-size image from the container.
#include "imaging/Bitmap32.h"
#include "library/IniFile.h"
#include "library/StreamPack.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumetta {

// Numeric object kinds of the thumbnail list. Any other value is applied as a mask.
enum TObjectKind : int { okMask = 1, okFrame = 2, okClipArt = 3, okShadow = 4 };

// A placement record: 21 signed integers, field 0 first.
struct TFrameSpec {
    std::array<std::int32_t, 21> Fields{};

    std::int32_t StretchToPhoto() const { return Fields[0]; }
    std::int32_t PhotoX() const { return Fields[1]; }
    std::int32_t PhotoY() const { return Fields[2]; }
    std::int32_t ExtraWidth() const { return Fields[3]; }
    std::int32_t ExtraHeight() const { return Fields[4]; }
    std::int32_t TopLeftWidth() const { return Fields[5]; }
    std::int32_t TopLeftHeight() const { return Fields[6]; }
    std::int32_t TopTileWidth() const { return Fields[7]; }
    std::int32_t TopTileHeight() const { return Fields[8]; }
    std::int32_t TopRightWidth() const { return Fields[9]; }
    std::int32_t TopRightHeight() const { return Fields[10]; }
    std::int32_t LeftWidth() const { return Fields[11]; }
    std::int32_t LeftTileHeight() const { return Fields[12]; }
    std::int32_t RightWidth() const { return Fields[13]; }
    std::int32_t RightTileHeight() const { return Fields[14]; }
    std::int32_t BottomLeftWidth() const { return Fields[15]; }
    std::int32_t BottomLeftHeight() const { return Fields[16]; }
    std::int32_t BottomRightWidth() const { return Fields[19]; }
    std::int32_t BottomRightHeight() const { return Fields[20]; }
    friend bool operator==(const TFrameSpec&, const TFrameSpec&) = default;
};

// The object name of a thumbnail file: its file name without folder, up to its first ".",
// letters A-Z lowered; empty when the name has no ".". "ClipArtSun.old.jpg" gives "clipartsun".
std::string ObjectNameOf(const std::string& thumbnailPath);

// A decimal integer, optionally signed and optionally preceded by spaces. Anything else
// raises EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

// Splits the value at "," and, when it gives exactly 21 items, converts them into the record
// in order and returns true; otherwise returns false and leaves the record untouched. A bad
// item raises EConvertError after the fields before it were converted.
bool ParseFrameSpec(const std::string& value, TFrameSpec& placement);

// Reads the object's record from a section of the placement index into placement (nothing without
// an index; an absent key reads as the empty value, which does not parse).
void ReadFrameSpec(const std::optional<TMemIniFile>& index, const std::string& section,
                   const std::string& objectName, TFrameSpec& placement);

// Extracts the entry from the container and decodes it as PNG with its alpha into bitmap.
// Returns true or raises: EListError for a name the container lacks, the PNG decoder's error
// for an empty container or a damaged entry.
bool LoadObjectImage(const TiStreamPack& pack, const std::string& entryName, TBitmap32& bitmap);

// Whether a file name matches a pattern with "*" and "?" wildcards, letter case ignored.
bool MatchesMask(const std::string& fileName, const std::string& pattern);

// The files of folder (ending in "/") matching mask (patterns separated by "," or ";"), as
// folder + file name, sorted by full path without regard to case, duplicates dropped.
// Sub-folders are never listed. A missing folder lists nothing.
std::vector<std::string> ListThumbnails(const std::string& folder, const std::string& mask);

} // namespace lumetta
