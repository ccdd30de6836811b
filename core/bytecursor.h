#pragma once

#include <QByteArrayView>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace qor {

// Reads little-endian words and byte runs from a buffer. Every read checks what is left
// and fails without moving when the buffer is too short, so nothing outside it is touched.
class ByteCursor {
public:
    explicit ByteCursor(QByteArrayView data) : data_(data) {}

    qsizetype position() const { return position_; }
    qsizetype size() const { return data_.size(); }
    qsizetype remaining() const { return data_.size() - position_; }

    std::optional<quint32> u32()
    {
        if (remaining() < 4)
            return std::nullopt;
        const quint32 value = qFromLittleEndian<quint32>(data_.data() + position_);
        position_ += 4;
        return value;
    }

    std::optional<qint32> i32()
    {
        const auto word = u32();
        return word ? std::optional<qint32>(std::bit_cast<qint32>(*word)) : std::nullopt;
    }

    std::optional<float> f32()
    {
        const auto word = u32();
        return word ? std::optional<float>(std::bit_cast<float>(*word)) : std::nullopt;
    }

    // The next `count` bytes, in place.
    std::optional<QByteArrayView> bytes(quint64 count)
    {
        if (quint64(remaining()) < count)
            return std::nullopt;
        const QByteArrayView run = data_.sliced(position_, qsizetype(count));
        position_ += qsizetype(count);
        return run;
    }

    bool skip(quint64 count) { return bytes(count).has_value(); }

    // Steps back over `count` bytes just read.
    void back(qsizetype count) { position_ = std::max<qsizetype>(0, position_ - count); }

private:
    QByteArrayView data_;
    qsizetype position_ = 0;
};

} // namespace qor
