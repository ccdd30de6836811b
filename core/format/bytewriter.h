#pragma once

#include "core/format/bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qor {

// Appends little-endian words and byte runs to a buffer. It grows the buffer itself and
// writes through a plain pointer, a store per word; the buffer takes its final length when
// the writer goes.
class ByteWriter {
public:
    explicit ByteWriter(Bytes &out) : out_(out), used_(out.size()) { grow(0); }
    ~ByteWriter() { out_.resize(used_); }
    ByteWriter(const ByteWriter &) = delete;
    ByteWriter &operator=(const ByteWriter &) = delete;

    void u32(std::uint32_t value)
    {
        grow(4);
        storeLittle32(data_ + used_, value);
        used_ += 4;
    }
    void f32(float value) { u32(wordOf(value)); }
    void bytes(std::string_view run)
    {
        grow(run.size());
        if (!run.empty())
            std::memcpy(data_ + used_, run.data(), run.size());
        used_ += run.size();
    }

private:
    void grow(std::size_t bytes)
    {
        if (used_ + bytes <= out_.size() && data_)
            return;
        out_.resize(std::max({used_ + bytes, out_.size() * 2, out_.capacity(), std::size_t(64)}));
        data_ = out_.data();
    }

    Bytes &out_;
    std::size_t used_;
    std::uint8_t *data_ = nullptr;
};

} // namespace qor
