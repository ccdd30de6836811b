#include "core/bodyreader.h"

#include "core/bodywalker.h"
#include "core/decompiler.h"

namespace qor {

namespace {

std::string untilZero(std::string_view bytes)
{
    return std::string(bytes.substr(0, bytes.find('\0')));
}

// The body walk's consumer that fills the model.
class ModelConsumer {
public:
    explicit ModelConsumer(Reanim &reanim) : reanim_(reanim) {}

    bool header(float fps, std::uint32_t)
    {
        reanim_.fps = fps;
        return true;
    }

    bool beginTrack(std::uint32_t, std::string_view name, std::uint32_t frames)
    {
        reanim_.tracks.push_back({untilZero(name), {}});
        // The records of all the frames lie in the body, so the count is believable.
        reanim_.tracks.back().transforms.reserve(frames);
        return true;
    }

    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &values)
    {
        ReanimTransform frame;
        for (std::size_t n = 0; n < numberFields.size(); ++n)
            frame.*numberFields[n].member = values.fields[n];
        frame.i = untilZero(values.image);
        frame.font = untilZero(values.font);
        frame.text = untilZero(values.text);
        reanim_.tracks.back().transforms.push_back(std::move(frame));
        return true;
    }

    bool endTrack(std::uint32_t) { return true; }

private:
    Reanim &reanim_;
};

} // namespace

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
