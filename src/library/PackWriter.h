#pragma once
// Builds pack containers (the object library, test data, the lumetta-pack utility).
//
// Lumetta's containers carry "LMPK" and a format version (1) in header bytes 0-7, the file size
// at offset 8 and the entry count at offset 12. The reader interprets only the value at offset
// 8, and only to recognise 16, the "no directory" mark; a real container is at least 22 bytes
// long, so its size never reads as that mark. Entries are stored one after the other from offset
// 16, in the order they were added, followed by the directory and the trailer.
#include <cstdint>
#include <string>
#include <vector>

namespace lumetta {

class TPackWriter {
public:
    // Adds an entry. Throws Error when the name is longer than 40 bytes, when there would be more
    // than 65535 entries, or when the container would exceed 2 GB.
    void Add(const std::string& name, std::vector<std::uint8_t> data);
    // Writes the "no directory" mark (16 at offset 8) and no directory or trailer: a reader sees
    // a container with no entries whose image is the whole file.
    void SetNoDirectory(bool noDirectory) { noDirectory_ = noDirectory; }

    std::size_t Count() const { return items_.size(); }
    std::vector<std::uint8_t> Build() const;
    // Writes the container atomically; throws EFileError on failure.
    void Save(const std::string& path) const;

private:
    struct Item {
        std::string name;
        std::vector<std::uint8_t> data;
    };
    std::vector<Item> items_;
    std::size_t dataBytes_ = 0;
    bool noDirectory_ = false;
};

} // namespace lumetta
