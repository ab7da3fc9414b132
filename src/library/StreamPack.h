#pragma once
// The read-only pack container holding the full-size object images.
//
// Layout (integers little-endian): a 16-byte header, the data area with each entry's bytes, a
// directory block (16-bit entry count N, then N 64-byte PackEntry records) and a 4-byte trailer
// giving the directory block's length D. A header whose 32-bit value at offset 8 is 16 marks a
// container without a directory. The whole container is read once and kept in memory;
// extraction is a copy out of that image.
#include "base/Stream.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumetta {

struct PackEntry {
    static constexpr std::size_t kNameSize = 40;
    static constexpr std::size_t kSize = 64;

    std::array<std::uint8_t, kNameSize> Name{}; // NUL-terminated, or all 40 bytes used
    std::array<std::uint8_t, 16> Reserved{};    // not interpreted
    std::int32_t DataSize = 0;
    std::int32_t DataOffset = 0; // from the first byte of the file, header included

    // The name up to its first NUL byte (at most 40 bytes).
    std::string NameText() const;
    // Decodes / encodes the 64-byte record.
    static PackEntry Decode(const std::uint8_t* record);
    void Encode(std::uint8_t* record) const;
};

class TiStreamPack {
public:
    // Receives the text of a message box the user must see (the damaged-file message); the
    // interface shows it captioned with the application title and an OK button.
    using MessageHandler = std::function<void(const std::string&)>;

    static constexpr const char* kDamagedMessage = "File format error or file have damaged!";
    static constexpr std::uint32_t kNoDirectoryMark = 16;

    TiStreamPack() = default;
    explicit TiStreamPack(MessageHandler onMessage) : onMessage_(std::move(onMessage)) {}
    ~TiStreamPack() { Close(); }
    TiStreamPack(const TiStreamPack&) = delete;
    TiStreamPack& operator=(const TiStreamPack&) = delete;

    void SetMessageHandler(MessageHandler onMessage) { onMessage_ = std::move(onMessage); }

    // Reads the container at `path`. False, with nothing changed, when no file exists there.
    // False with no entries when it is damaged (after passing the damaged-file message to the
    // handler) or cannot be read (after passing the "Cannot open file" text instead).
    bool Open(const std::string& path);
    // The first entry, in directory order, whose name equals `name` byte for byte; -1 if none.
    int IndexOf(const std::string& name) const;
    // Appends the entry's bytes to `out` at its current position and returns true. With no
    // entries it appends nothing. Throws EListError "List index out of bounds (<index>)" for an
    // index outside the directory and EReadError "Stream read error" for an entry whose range
    // (negative size or offset, or reaching beyond the image) does not lie inside the image.
    bool ExtractTo(int index, TMemoryStream& out) const;
    // Forgets the file name and the entries.
    void Close();
    // Puts the entries of `front` ahead of this container's own, so that IndexOf finds an entry
    // of `front` before one of the same name here; their bytes are copied. The file name stays
    // this container's unless it has none. False, with nothing changed, when the two images
    // together would not fit the 32-bit offsets of the entries.
    bool Prepend(const TiStreamPack& front);

    int Count() const { return int(entries_.size()); }
    const std::vector<PackEntry>& Entries() const { return entries_; }
    const std::string& FileName() const { return fileName_; }
    // Header and data area (the directory and trailer are cut off).
    const std::vector<std::uint8_t>& Image() const { return image_; }
    const std::array<std::uint8_t, 16>& Header() const { return header_; }

private:
    void Damaged(const std::string& message);

    MessageHandler onMessage_;
    std::vector<std::uint8_t> image_;
    std::array<std::uint8_t, 16> header_{};
    std::vector<PackEntry> entries_;
    std::string fileName_;
};

} // namespace lumetta
