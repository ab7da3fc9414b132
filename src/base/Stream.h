#pragma once
// An in-memory byte stream with a read/write position, the way object images travel from the
// container to the PNG decoder.
#include "base/Error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumetta {

class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

    std::size_t Size() const { return data_.size(); }
    std::size_t Position() const { return position_; }
    void SetPosition(std::size_t position) { position_ = std::min(position, data_.size()); }
    std::size_t Remaining() const { return data_.size() - position_; }

    // Writes at the current position, growing the stream as needed.
    void Write(const void* bytes, std::size_t count) {
        if (count == 0) return;
        if (position_ + count > data_.size()) data_.resize(position_ + count);
        std::memcpy(data_.data() + position_, bytes, count);
        position_ += count;
    }
    // Reads up to count bytes; returns how many were read.
    std::size_t Read(void* bytes, std::size_t count) {
        count = std::min(count, Remaining());
        if (count) std::memcpy(bytes, data_.data() + position_, count);
        position_ += count;
        return count;
    }
    // Reads exactly count bytes or throws EReadError "Stream read error".
    void ReadBuffer(void* bytes, std::size_t count) {
        if (Read(bytes, count) != count) throw EReadError("Stream read error");
    }

    const std::uint8_t* Data() const { return data_.data(); }
    // The unread part, from the current position to the end.
    const std::uint8_t* Current() const { return data_.data() + position_; }
    const std::vector<std::uint8_t>& Bytes() const { return data_; }
    void Clear() {
        data_.clear();
        position_ = 0;
    }

private:
    std::vector<std::uint8_t> data_;
    std::size_t position_ = 0;
};

} // namespace lumetta
