#pragma once

#include "core/format/bodywalker.h"
#include "core/format/bytes.h"
#include "core/format/logsink.h"
#include "core/format/reanim.h"

#include <optional>

namespace qor {

// The model of a compiled body, walked as the decompiler walks it: the frame rate, the
// tracks and every frame with its image, font and text. Names are cut at their first zero
// byte, as the text carries them. Nothing after an "ERROR:" line when the body ends before
// its counts and lengths say. `end` receives the first byte after the last track.
std::optional<Reanim> readReanimBody(ByteView body, LogSink &log, std::size_t *end = nullptr);

// How a model takes the names of a body: as the text carries them, or every byte of them.
enum class NameBytes { UpToZero, All };

// A stored name as the text carries it: up to its first zero byte.
inline std::string_view upToZero(std::string_view stored)
{
    return stored.substr(0, stored.find('\0'));
}

// One frame of the walk as a frame of the model.
ReanimTransform transformOf(const BodyFrame &values, NameBytes bytes);

// A frame of the model as the walk gives it; the strings stay in `frame`.
BodyFrame bodyFrameOf(const ReanimTransform &frame);

// Walks a model as walkBody walks a body, with the same calls in the same order, so that one
// consumer serves a compiled file and a text alike. It never ends inside.
template <typename Consumer>
BodyWalk walkReanim(const Reanim &reanim, Consumer &consumer)
{
    const auto walk = [&] {
        if (!consumer.header(reanim.fps, std::uint32_t(reanim.tracks.size())))
            return false;
        for (std::size_t track = 0; track < reanim.tracks.size(); ++track) {
            const ReanimTrack &it = reanim.tracks[track];
            if (!consumer.beginTrack(std::uint32_t(track), it.name, std::uint32_t(it.transforms.size())))
                return false;
            for (std::size_t frame = 0; frame < it.transforms.size(); ++frame) {
                if (!consumer.frame(std::uint32_t(track), std::uint32_t(frame), bodyFrameOf(it.transforms[frame])))
                    return false;
            }
            if (!consumer.endTrack(std::uint32_t(track)))
                return false;
        }
        return true;
    };
    BodyWalk result;
    result.stopped = !walk();
    return result;
}

} // namespace qor
