#include "library/PackWriter.h"

#include "base/Error.h"
#include "base/SafeFile.h"
#include "library/StreamPack.h"

#include <cstring>
#include <limits>

namespace lumetta {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = std::uint8_t(v >> (8 * i));
}

constexpr std::size_t kMaxContainer = std::size_t(std::numeric_limits<std::int32_t>::max());

} // namespace

void TPackWriter::Add(const std::string& name, std::vector<std::uint8_t> data) {
    if (name.size() > PackEntry::kNameSize)
        throw Error("Entry name \"" + name + "\" is longer than 40 bytes");
    if (items_.size() >= 65535) throw Error("Too many entries for one container");
    std::size_t total =
        16 + dataBytes_ + data.size() + 2 + PackEntry::kSize * (items_.size() + 1) + 4;
    if (data.size() > kMaxContainer || total > kMaxContainer)
        throw Error("Container would be larger than 2 GB");
    dataBytes_ += data.size();
    items_.push_back(Item{name, std::move(data)});
}

std::vector<std::uint8_t> TPackWriter::Build() const {
    const std::size_t directory = noDirectory_ ? 0 : 2 + PackEntry::kSize * items_.size();
    const std::size_t total = 16 + dataBytes_ + directory + (noDirectory_ ? 0 : 4);
    std::vector<std::uint8_t> out(total, 0);
    std::memcpy(out.data(), "LMPK", 4);
    PutU32(out, 4, 1);
    PutU32(out, 8, noDirectory_ ? TiStreamPack::kNoDirectoryMark : std::uint32_t(total));
    PutU32(out, 12, std::uint32_t(items_.size()));

    std::size_t at = 16;
    std::vector<PackEntry> entries;
    for (const Item& item : items_) {
        if (!item.data.empty()) std::memcpy(out.data() + at, item.data.data(), item.data.size());
        PackEntry e;
        std::memcpy(e.Name.data(), item.name.data(), item.name.size());
        e.DataSize = std::int32_t(item.data.size());
        e.DataOffset = std::int32_t(at);
        entries.push_back(e);
        at += item.data.size();
    }
    if (noDirectory_) return out;

    out[at] = std::uint8_t(items_.size());
    out[at + 1] = std::uint8_t(items_.size() >> 8);
    at += 2;
    for (const PackEntry& e : entries) {
        e.Encode(out.data() + at);
        at += PackEntry::kSize;
    }
    PutU32(out, at, std::uint32_t(directory));
    return out;
}

void TPackWriter::Save(const std::string& path) const {
    WriteFileAtomically(path, Build());
}

} // namespace lumetta
