#include "library/StreamPack.h"

#include "base/Error.h"
#include "base/SafeFile.h"

#include <cstdint>
#include <cstring>

namespace lumetta {

namespace {

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void WriteU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kTrailerSize = 4;

} // namespace

std::string PackEntry::NameText() const {
    const auto* begin = reinterpret_cast<const char*>(Name.data());
    return std::string(begin, strnlen(begin, kNameSize));
}

PackEntry PackEntry::Decode(const std::uint8_t* record) {
    PackEntry e;
    std::memcpy(e.Name.data(), record, kNameSize);
    std::memcpy(e.Reserved.data(), record + 40, e.Reserved.size());
    e.DataSize = std::int32_t(ReadU32(record + 56));
    e.DataOffset = std::int32_t(ReadU32(record + 60));
    return e;
}

void PackEntry::Encode(std::uint8_t* record) const {
    std::memcpy(record, Name.data(), kNameSize);
    std::memcpy(record + 40, Reserved.data(), Reserved.size());
    WriteU32(record + 56, std::uint32_t(DataSize));
    WriteU32(record + 60, std::uint32_t(DataOffset));
}

void TiStreamPack::Damaged(const std::string& message) {
    entries_.clear();
    image_.clear();
    fileName_.clear();
    if (onMessage_) onMessage_(message);
}

bool TiStreamPack::Open(const std::string& path) {
    if (!FileExists(path)) return false;
    if (!entries_.empty()) Close();

    try {
        image_ = ReadWholeFile(path, std::size_t(INT32_MAX)); // offsets are 32-bit
    } catch (const Error& e) {
        // An unreadable container leaves the library empty, like a damaged one, but the user
        // learns why.
        Damaged(e.what());
        return false;
    }

    const std::size_t size = image_.size();
    if (size < kHeaderSize) {
        Damaged(kDamagedMessage);
        return false;
    }
    std::memcpy(header_.data(), image_.data(), kHeaderSize);
    if (ReadU32(header_.data() + 8) == kNoDirectoryMark) {
        fileName_ = path;
        return true;
    }

    // The directory block must lie between the header and the trailer, be long enough for its
    // count and hold every record the count announces.
    if (size < kHeaderSize + kTrailerSize) {
        Damaged(kDamagedMessage);
        return false;
    }
    const std::int64_t d = std::int32_t(ReadU32(image_.data() + size - kTrailerSize));
    const std::int64_t blockStart = std::int64_t(size) - std::int64_t(kTrailerSize) - d;
    if (d < 2 || blockStart < std::int64_t(kHeaderSize)) {
        Damaged(kDamagedMessage);
        return false;
    }
    const std::uint8_t* block = image_.data() + blockStart;
    const std::size_t count = std::size_t(block[0]) | std::size_t(block[1]) << 8;
    if (2 + PackEntry::kSize * count > std::size_t(d)) {
        Damaged(kDamagedMessage);
        return false;
    }
    std::vector<PackEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        entries.push_back(PackEntry::Decode(block + 2 + PackEntry::kSize * i));

    // The directory and trailer are cut off; their few bytes of storage stay (shrinking would
    // copy the whole image).
    image_.resize(std::size_t(blockStart));
    entries_ = std::move(entries);
    fileName_ = path;
    return true;
}

int TiStreamPack::IndexOf(const std::string& name) const {
    if (name.size() > PackEntry::kNameSize) return -1;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].NameText() == name) return int(i);
    return -1;
}

bool TiStreamPack::ExtractTo(int index, TMemoryStream& out) const {
    if (entries_.empty()) return true;
    if (index < 0 || std::size_t(index) >= entries_.size())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    const PackEntry& e = entries_[std::size_t(index)];
    if (e.DataSize < 0 || e.DataOffset < 0 ||
        std::int64_t(e.DataOffset) + e.DataSize > std::int64_t(image_.size()))
        throw EReadError("Stream read error");
    out.Write(image_.data() + e.DataOffset, std::size_t(e.DataSize));
    return true;
}

bool TiStreamPack::Prepend(const TiStreamPack& front) {
    if (front.entries_.empty()) return true;
    const std::size_t base = image_.size();
    if (base + front.image_.size() > std::size_t(INT32_MAX)) return false;
    std::vector<PackEntry> entries = front.entries_;
    for (PackEntry& e : entries) {
        // An entry reaching outside its own container stays unreadable instead of pointing
        // into this one's bytes.
        const bool inside =
            e.DataSize >= 0 && e.DataOffset >= 0 &&
            std::int64_t(e.DataOffset) + e.DataSize <= std::int64_t(front.image_.size());
        if (inside)
            e.DataOffset += std::int32_t(base);
        else
            e.DataSize = -1;
    }
    entries.insert(entries.end(), entries_.begin(), entries_.end());
    image_.insert(image_.end(), front.image_.begin(), front.image_.end());
    entries_ = std::move(entries);
    if (fileName_.empty()) {
        fileName_ = front.fileName_;
        header_ = front.header_;
    }
    return true;
}

void TiStreamPack::Close() {
    fileName_.clear();
    entries_.clear();
}

} // namespace lumetta
