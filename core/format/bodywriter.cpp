#include "core/format/bodywriter.h"

#include "core/format/bytewriter.h"

namespace qor {

namespace {

std::size_t bodySize(const Reanim &reanim)
{
    std::size_t size = layout::bodyHeaderSize;
    for (const ReanimTrack &track : reanim.tracks) {
        size += layout::trackEntrySize + 8 + track.name.size() + layout::transformRecordSize * track.transforms.size();
        for (const ReanimTransform &frame : track.transforms)
            size += layout::emptyStringsSize + frame.i.size() + frame.font.size() + frame.text.size();
    }
    return size;
}

void writeString(ByteWriter &out, std::string_view bytes)
{
    out.u32(std::uint32_t(bytes.size()));
    out.bytes(bytes);
}

void writeTrackBlock(ByteWriter &out, const ReanimTrack &track)
{
    writeString(out, track.name);
    out.u32(layout::transformRecordSize);
    for (const ReanimTransform &frame : track.transforms) {
        for (const NumberField &field : numberFields)
            out.f32(frame.*field.member);
        out.u32(layout::recordWord1);
        out.u32(layout::recordWord2);
        out.u32(layout::recordWord3);
    }
    for (const ReanimTransform &frame : track.transforms) {
        for (const StringField &field : stringFields)
            writeString(out, frame.*field.member);
    }
}

} // namespace

void serializeReanim(const Reanim &reanim, Bytes &body)
{
    body.clear();
    body.reserve(bodySize(reanim));
    ByteWriter out(body);
    out.u32(layout::bodySignature);
    out.u32(0);
    out.u32(std::uint32_t(reanim.tracks.size()));
    out.f32(reanim.fps);
    out.u32(0);
    out.u32(layout::trackEntrySize);
    for (const ReanimTrack &track : reanim.tracks) {
        out.u32(layout::trackEntryWord1);
        out.u32(layout::trackEntryWord2);
        out.u32(std::uint32_t(track.transforms.size()));
    }
    for (const ReanimTrack &track : reanim.tracks)
        writeTrackBlock(out, track);
}

Bytes serializeReanim(const Reanim &reanim)
{
    Bytes body;
    serializeReanim(reanim, body);
    return body;
}

} // namespace qor
