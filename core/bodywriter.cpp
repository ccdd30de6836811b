#include "core/bodywriter.h"

#include "core/bytewriter.h"

#include <QDebug>

namespace qor {

namespace {

constexpr quint32 trackEntryWord1 = 0x0862F9B8;
constexpr quint32 trackEntryWord2 = 0x08759760;
constexpr quint32 transformRecordSize = 44;

qsizetype bodySize(const Reanim &reanim)
{
    qsizetype size = 24;
    for (const ReanimTrack &track : reanim.tracks) {
        size += 12 + 8 + track.name.size() + qsizetype(transformRecordSize * track.transforms.size());
        for (const ReanimTransform &frame : track.transforms)
            size += 12 + frame.i.size() + frame.font.size() + frame.text.size();
    }
    return size;
}

void writeString(ByteWriter &out, const QByteArray &bytes)
{
    out.u32(quint32(bytes.size()));
    out.bytes(bytes);
}

void writeTrackBlock(ByteWriter &out, const ReanimTrack &track)
{
    writeString(out, track.name);
    out.u32(transformRecordSize);
    for (const ReanimTransform &frame : track.transforms) {
        for (const float field : {frame.x, frame.y, frame.kx, frame.ky, frame.sx, frame.sy, frame.f, frame.a})
            out.f32(field);
        out.u32(frame.reserved1);
        out.u32(frame.reserved2);
        out.u32(frame.reserved3);
    }
    for (const ReanimTransform &frame : track.transforms) {
        writeString(out, frame.i);
        writeString(out, frame.font);
        writeString(out, frame.text);
    }
}

} // namespace

QByteArray serializeReanim(Reanim &reanim)
{
    reanim.trackCount = quint32(reanim.tracks.size());
    QByteArray body;
    body.reserve(bodySize(reanim));
    {
        ByteWriter out(body);
        out.u32(reanim.signature);
        out.u32(reanim.reserved1);
        out.u32(reanim.trackCount);
        out.f32(reanim.fps);
        out.u32(reanim.reserved2);
        out.u32(reanim.trackEntrySize);
        for (const ReanimTrack &track : reanim.tracks) {
            out.u32(trackEntryWord1);
            out.u32(trackEntryWord2);
            out.u32(quint32(track.transforms.size()));
        }
        for (const ReanimTrack &track : reanim.tracks)
            writeTrackBlock(out, track);
    }
    qDebug().noquote() << body.size();
    return body;
}

} // namespace qor
