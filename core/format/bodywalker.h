#pragma once

#include "core/format/bytecursor.h"
#include "core/format/layout.h"
#include "core/format/reanim.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// The compiled body, walked once in order (see core/layout.h). Every read is bounded by the
// body; the decompiler's text writer and the model builder are the walk's two consumers.

// One frame as the body holds it: the eight number fields in the order of `numberFields`, and
// its three strings, in place in the body.
struct BodyFrame {
    std::array<float, numberFields.size()> fields;
    std::string_view image;
    std::string_view font;
    std::string_view text;
};

// How a walk ended.
struct BodyWalk {
    bool stopped = false;                    // a consumer asked to stop (and has reported why)
    std::optional<std::string> endedInside;  // where the body ran out, in words
    std::size_t end = 0;                     // the first byte after the last track

    bool complete() const { return !stopped && !endedInside; }
};

// Walks `body`, calling on `consumer`, in body order:
//   bool header(float fps, std::uint32_t trackCount)
//   bool beginTrack(std::uint32_t track, std::string_view name, std::uint32_t frames)
//   bool frame(std::uint32_t track, std::uint32_t frame, const BodyFrame &values)
//   bool endTrack(std::uint32_t track)
// A consumer that returns false stops the walk. Names are as stored, not cut at a zero byte.
template <typename Consumer>
BodyWalk walkBody(ByteView body, Consumer &consumer);

// A consumer that takes every call and goes on: walked alone, it learns only whether the body
// ends where it should; as a base, it leaves a consumer to define just the calls it wants.
struct PassingConsumer {
    bool header(float, std::uint32_t) { return true; }
    bool beginTrack(std::uint32_t, std::string_view, std::uint32_t) { return true; }
    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &) { return true; }
    bool endTrack(std::uint32_t) { return true; }
};

namespace bodywalk {

// What the walk was reading; put into words only when the body runs out there.
struct Place {
    const char *what;
    std::int64_t track = -1;
    std::int64_t frame = -1;
    std::uint64_t count = 0;
    bool lengthWord = false; // the length in front of the string `what`

    std::string describe() const;
};

struct Ended {
    Place place;
};

class Walker {
public:
    explicit Walker(ByteView body) : cursor_(body) {}

    template <typename T>
    T need(std::optional<T> value, const Place &place)
    {
        if (!value)
            throw Ended{place};
        return *value;
    }

    // A length-prefixed string, named by `what` in the track and frame given.
    std::string_view string(const char *what, std::int64_t track, std::int64_t frame = -1)
    {
        const auto length = cursor_.u32();
        if (!length)
            throw Ended{{what, track, frame, 0, true}};
        const auto bytes = cursor_.bytes(*length);
        if (!bytes)
            throw Ended{{what, track, frame}};
        return charsOf(*bytes);
    }

    template <typename Consumer>
    bool walk(Consumer &consumer)
    {
        const ByteView header = need(cursor_.bytes(layout::bodyHeaderSize), {"the header"});
        const std::uint32_t trackCount = loadLittle32(header.data() + layout::trackCountOffset);
        const float fps = floatOf(loadLittle32(header.data() + layout::fpsOffset));
        const ByteView table = need(cursor_.bytes(std::uint64_t(trackCount) * layout::trackEntrySize),
                                    {"the track table of %1 tracks", -1, -1, trackCount});
        if (!consumer.header(fps, trackCount))
            return false;
        for (std::uint32_t track = 0; track < trackCount; ++track) {
            const std::uint32_t frames =
                loadLittle32(table.data() + std::size_t(track) * layout::trackEntrySize + layout::trackEntryFramesOffset);
            if (!walkTrack(consumer, track, frames))
                return false;
        }
        return true;
    }

    std::size_t position() const { return cursor_.position(); }

private:
    template <typename Consumer>
    bool walkTrack(Consumer &consumer, std::uint32_t track, std::uint32_t frames)
    {
        const std::string_view name = string("the name", track);
        need(cursor_.u32(), {"the record size word", track});
        const ByteView transforms = need(cursor_.bytes(std::uint64_t(frames) * layout::transformRecordSize),
                                         {"the %1 transform records", track, -1, frames});
        if (!consumer.beginTrack(track, name, frames))
            return false;
        for (std::uint32_t frame = 0; frame < frames; ++frame) {
            BodyFrame values;
            // The table of records was bounded as a whole; each record's eight floats lie in it.
            const std::uint8_t *const record = transforms.data() + std::size_t(frame) * layout::transformRecordSize;
            for (std::size_t field = 0; field < values.fields.size(); ++field)
                values.fields[field] = floatOf(loadLittle32(record + 4 * field));
            // Most frames carry no image, font or text: three zero lengths, read as one.
            const auto lengths = cursor_.bytes(layout::emptyStringsSize);
            if (lengths && loadLittle32(lengths->data()) == 0 && loadLittle32(lengths->data() + 4) == 0
                && loadLittle32(lengths->data() + 8) == 0) {
                values.image = values.font = values.text = {};
            } else {
                if (lengths)
                    cursor_.back(layout::emptyStringsSize);
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
BodyWalk walkBody(ByteView body, Consumer &consumer)
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
