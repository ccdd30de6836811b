#pragma once

#include "core/bytecursor.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

namespace qor {

// The compiled body's layout, written down once: a header, a table of tracks, then each
// track's name, its transform records and its image records. Every read is bounded by the
// body; the decompiler's text writer and the model builder are the walk's two consumers.

inline constexpr qsizetype bodyHeaderSize = 24;
inline constexpr qsizetype trackEntrySize = 12;
inline constexpr qsizetype transformRecordSize = 44;

// One frame as the body holds it: the eight fields x, y, kx, ky, sx, sy, f, a in that order,
// and its three strings, in place in the body.
struct BodyFrame {
    std::array<float, 8> fields;
    QByteArrayView image;
    QByteArrayView font;
    QByteArrayView text;
};

// How a walk ended.
struct BodyWalk {
    bool stopped = false;                // a consumer asked to stop (and has reported why)
    std::optional<QString> endedInside;  // where the body ran out, in words
    qsizetype end = 0;                   // the first byte after the last track

    bool complete() const { return !stopped && !endedInside; }
};

// Walks `body`, calling on `consumer`, in body order:
//   bool header(float fps, quint32 trackCount)
//   bool beginTrack(quint32 track, QByteArrayView name, quint32 frames)
//   bool frame(quint32 track, quint32 frame, const BodyFrame &values)
//   bool endTrack(quint32 track)
// A consumer that returns false stops the walk. Names are as stored, not cut at a zero byte.
template <typename Consumer>
BodyWalk walkBody(QByteArrayView body, Consumer &consumer);

namespace bodywalk {

// What the walk was reading; put into words only when the body runs out there.
struct Place {
    const char *what;
    qint64 track = -1;
    qint64 frame = -1;
    quint64 count = 0;
    bool lengthWord = false; // the length in front of the string `what`

    QString describe() const;
};

struct Ended {
    Place place;
};

class Walker {
public:
    explicit Walker(QByteArrayView body) : cursor_(body) {}

    template <typename T>
    T need(std::optional<T> value, const Place &place)
    {
        if (!value)
            throw Ended{place};
        return *value;
    }

    // A length-prefixed string, named by `what` in the track and frame given.
    QByteArrayView string(const char *what, qint64 track, qint64 frame = -1)
    {
        const auto length = cursor_.u32();
        if (!length)
            throw Ended{{what, track, frame, 0, true}};
        const auto bytes = cursor_.bytes(*length);
        if (!bytes)
            throw Ended{{what, track, frame}};
        return *bytes;
    }

    template <typename Consumer>
    bool walk(Consumer &consumer)
    {
        const auto header = need(cursor_.bytes(bodyHeaderSize), {"the header"});
        ByteCursor fields(header);
        fields.skip(8);
        const quint32 trackCount = *fields.u32();
        const float fps = *fields.f32();
        const auto table = need(cursor_.bytes(quint64(trackCount) * trackEntrySize),
                                {"the track table of %1 tracks", -1, -1, trackCount});
        if (!consumer.header(fps, trackCount))
            return false;
        for (quint32 track = 0; track < trackCount; ++track) {
            const quint32 frames = qFromLittleEndian<quint32>(table.data() + qsizetype(track) * trackEntrySize + 8);
            if (!walkTrack(consumer, track, frames))
                return false;
        }
        return true;
    }

    qsizetype position() const { return cursor_.position(); }

private:
    template <typename Consumer>
    bool walkTrack(Consumer &consumer, quint32 track, quint32 frames)
    {
        const QByteArrayView name = string("the name", track);
        need(cursor_.u32(), {"the record size word", track});
        const auto transforms = need(cursor_.bytes(quint64(frames) * transformRecordSize),
                                     {"the %1 transform records", track, -1, frames});
        if (!consumer.beginTrack(track, name, frames))
            return false;
        for (quint32 frame = 0; frame < frames; ++frame) {
            BodyFrame values;
            // The table of records was bounded as a whole; each record's eight floats lie in it.
            const char *const record = transforms.data() + qsizetype(frame) * transformRecordSize;
            for (size_t field = 0; field < values.fields.size(); ++field)
                values.fields[field] = qFromLittleEndian<float>(record + 4 * field);
            // Most frames carry no image, font or text: three zero lengths, read as one.
            const auto lengths = cursor_.bytes(12);
            if (lengths && qFromLittleEndian<quint64>(lengths->data()) == 0 && qFromLittleEndian<quint32>(lengths->data() + 8) == 0) {
                values.image = values.font = values.text = {};
            } else {
                if (lengths)
                    cursor_.back(12);
                values.image = string("the image name", track, frame);
                values.font = string("the font name", track, frame);
                values.text = string("the text", track, frame);
            }
            if (!consumer.frame(track, frame, values))
                return false;
        }
        return consumer.endTrack(track);
    }

    ByteCursor cursor_;
};

} // namespace bodywalk

template <typename Consumer>
BodyWalk walkBody(QByteArrayView body, Consumer &consumer)
{
    bodywalk::Walker walker(body);
    BodyWalk result;
    try {
        result.stopped = !walker.walk(consumer);
        result.end = walker.position();
    } catch (const bodywalk::Ended &ended) {
        result.endedInside = ended.place.describe();
    }
    return result;
}

} // namespace qor
