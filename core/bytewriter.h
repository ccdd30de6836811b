#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

namespace qor {

// Appends little-endian words and byte runs to a buffer. It grows the buffer itself and
// writes through a plain pointer, a store per word; the buffer takes its final length when
// the writer goes.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray &out) : out_(out), used_(out.size()) { grow(0); }
    ~ByteWriter() { out_.truncate(used_); }
    ByteWriter(const ByteWriter &) = delete;
    ByteWriter &operator=(const ByteWriter &) = delete;

    void u32(quint32 value)
    {
        grow(4);
        qToLittleEndian(value, data_ + used_);
        used_ += 4;
    }
    void i32(qint32 value) { u32(std::bit_cast<quint32>(value)); }
    void f32(float value) { u32(std::bit_cast<quint32>(value)); }
    void bytes(QByteArrayView run)
    {
        grow(run.size());
        if (!run.isEmpty())
            std::memcpy(data_ + used_, run.data(), size_t(run.size()));
        used_ += run.size();
    }

private:
    void grow(qsizetype bytes)
    {
        if (used_ + bytes <= out_.size() && data_)
            return;
        out_.resize(std::max({used_ + bytes, out_.size() * 2, out_.capacity(), qsizetype(64)}));
        data_ = out_.data();
    }

    QByteArray &out_;
    qsizetype used_;
    char *data_ = nullptr;
};

} // namespace qor
