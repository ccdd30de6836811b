#pragma once

#include <QByteArray>

#include <vector>

namespace qor {

// A frame field that holds this was not given by the frame; compared by exact equality.
inline constexpr float unsetValue = -10000.0f;
// The longest name, image, font or text a frame or track can hold, in bytes.
inline constexpr qsizetype maxNameBytes = 255;

// One frame of a track: the transform record of the compiled body and its strings.
struct ReanimTransform {
    float x = unsetValue;
    float y = unsetValue;
    float kx = unsetValue;
    float ky = unsetValue;
    float sx = unsetValue;
    float sy = unsetValue;
    float f = unsetValue;
    float a = unsetValue;
    // The record's fixed words: written as they are, never read, so they take no room here
    // (a model of ten million frames is a gigabyte).
    static constexpr quint32 reserved1 = 0;
    static constexpr quint32 reserved2 = 0;
    static constexpr quint32 reserved3 = 0x00B8AE3C;
    QByteArray i;    // image name, Latin-1 bytes
    QByteArray font; // font name, Latin-1 bytes
    QByteArray text; // text shown with the frame, Latin-1 bytes
};

// One named track and its frames in order.
struct ReanimTrack {
    QByteArray name; // Latin-1 bytes
    std::vector<ReanimTransform> transforms;

    quint32 nameLength() const { return quint32(name.size()); }
};

// One animation: the body header and the tracks in order.
struct Reanim {
    quint32 signature = 0xB393B4C0;
    quint32 reserved1 = 0;
    quint32 trackCount = 0; // set by serializeReanim
    float fps = 12.0f; // frames per second
    quint32 reserved2 = 0;
    quint32 trackEntrySize = 12; // the size of one track table entry; fixed

    std::vector<ReanimTrack> tracks;
};

} // namespace qor
