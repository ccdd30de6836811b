#include "core/format/bodyreader.h"

#include "core/format/bodywalker.h"
#include "core/format/decompiler.h"

namespace qor {

namespace {

// The body walk's consumer that fills the model.
class ModelConsumer {
public:
    explicit ModelConsumer(Reanim &reanim) : reanim_(reanim) {}

    // The walk has found the track table in the body before it gives the count, so room for
    // the tracks is backed by the body's own size.
    bool header(float fps, std::uint32_t tracks)
    {
        reanim_.fps = fps;
        reanim_.tracks.reserve(tracks);
        return true;
    }

    bool beginTrack(std::uint32_t, std::string_view name, std::uint32_t frames)
    {
        reanim_.tracks.push_back({std::string(upToZero(name)), {}});
        // The records of all the frames lie in the body, so the count is believable.
        reanim_.tracks.back().transforms.reserve(frames);
        return true;
    }

    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &values)
    {
        reanim_.tracks.back().transforms.push_back(transformOf(values, NameBytes::UpToZero));
        return true;
    }

    bool endTrack(std::uint32_t) { return true; }

private:
    Reanim &reanim_;
};

} // namespace

ReanimTransform transformOf(const BodyFrame &values, NameBytes bytes)
{
    const auto name = [bytes](std::string_view stored) {
        return std::string(bytes == NameBytes::UpToZero ? upToZero(stored) : stored);
    };
    ReanimTransform frame;
    for (std::size_t n = 0; n < numberFields.size(); ++n)
        frame.*numberFields[n].member = values.fields[n];
    frame.i = name(values.image);
    frame.font = name(values.font);
    frame.text = name(values.text);
    return frame;
}

BodyFrame bodyFrameOf(const ReanimTransform &frame)
{
    BodyFrame values;
    for (std::size_t n = 0; n < numberFields.size(); ++n)
        values.fields[n] = frame.*numberFields[n].member;
    values.image = frame.i;
    values.font = frame.font;
    values.text = frame.text;
    return values;
}

std::optional<Reanim> readReanimBody(ByteView body, LogSink &log, std::size_t *end)
{
    Reanim reanim;
    ModelConsumer consumer(reanim);
    const BodyWalk walk = walkBody(body, consumer);
    if (walk.endedInside) {
        logBodyEnded(body.size(), *walk.endedInside, log);
        return std::nullopt;
    }
    if (end)
        *end = walk.end;
    return reanim;
}

} // namespace qor
