#pragma once

#include "core/format/bytes.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace qor {

// Reads little-endian words and byte runs from a buffer. Every read checks what is left
// and fails without moving when the buffer is too short, so nothing outside it is touched.
class ByteCursor {
public:
    explicit ByteCursor(ByteView data) : data_(data) {}

    std::size_t position() const { return position_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return data_.size() - position_; }

    std::optional<std::uint32_t> u32()
    {
        if (remaining() < 4)
            return std::nullopt;
        const std::uint32_t value = loadLittle32(data_.data() + position_);
        position_ += 4;
        return value;
    }

    std::optional<float> f32()
    {
        const auto word = u32();
        return word ? std::optional<float>(floatOf(*word)) : std::nullopt;
    }

    // The next `count` bytes, in place.
    std::optional<ByteView> bytes(std::uint64_t count)
    {
        if (remaining() < count)
            return std::nullopt;
        const ByteView run = data_.subspan(position_, std::size_t(count));
        position_ += std::size_t(count);
        return run;
    }

    bool skip(std::uint64_t count) { return bytes(count).has_value(); }

    // Steps back over `count` bytes just read.
    void back(std::size_t count) { position_ -= std::min(position_, count); }

private:
    ByteView data_;
    std::size_t position_ = 0;
};

} // namespace qor
