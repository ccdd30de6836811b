#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

#include <bit>

namespace qor {

// Appends little-endian words and byte runs to a growing buffer.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray &out) : out_(out) {}

    void u32(quint32 value)
    {
        const quint32 little = qToLittleEndian(value);
        out_.append(reinterpret_cast<const char *>(&little), 4);
    }
    void i32(qint32 value) { u32(std::bit_cast<quint32>(value)); }
    void f32(float value) { u32(std::bit_cast<quint32>(value)); }
    void bytes(QByteArrayView run) { out_.append(run.data(), run.size()); }

private:
    QByteArray &out_;
};

} // namespace qor
