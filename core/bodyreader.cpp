#include "core/bodyreader.h"

#include "core/bodywalker.h"
#include "core/decompiler.h"

namespace qor {

namespace {

QByteArray untilZero(QByteArrayView bytes)
{
    const qsizetype zero = bytes.indexOf('\0');
    return (zero >= 0 ? bytes.first(zero) : bytes).toByteArray();
}

// The body walk's consumer that fills the model.
class ModelConsumer {
public:
    explicit ModelConsumer(Reanim &reanim) : reanim_(reanim) {}

    bool header(float fps, quint32)
    {
        reanim_.fps = fps;
        return true;
    }

    bool beginTrack(quint32, QByteArrayView name, quint32)
    {
        reanim_.tracks.push_back({untilZero(name), {}});
        return true;
    }

    bool frame(quint32, quint32, const BodyFrame &values)
    {
        ReanimTransform frame;
        float *const fields[] = {&frame.x, &frame.y, &frame.kx, &frame.ky, &frame.sx, &frame.sy, &frame.f, &frame.a};
        for (size_t n = 0; n < values.fields.size(); ++n)
            *fields[n] = values.fields[n];
        frame.i = untilZero(values.image);
        frame.font = untilZero(values.font);
        frame.text = untilZero(values.text);
        reanim_.tracks.back().transforms.push_back(std::move(frame));
        return true;
    }

    bool endTrack(quint32) { return true; }

private:
    Reanim &reanim_;
};

} // namespace

std::optional<Reanim> readReanimBody(QByteArrayView body, LogSink &log, qsizetype *end)
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
