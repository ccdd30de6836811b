#include "cli/render.h"

#include "core/conversionguard.h"
#include "core/evaluated.h"
#include "core/messages.h"
#include "core/fileconversions.h"
#include "core/outputfile.h"
#include "render/picture.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

const char renderUsage[] =
    "Usage: qorutil-cli render FILE [--clip NAME] [--frame N | --sheet [--numbers]] [--images DIR]\n"
    "                          [--scale S] [--bounds LEFT,TOP,WIDTH,HEIGHT] -o OUT.png\n"
    "\n"
    "Draws one frame of a compiled or text animation file, or the sprite sheet of a clip, to a PNG\n"
    "with a transparent background.\n"
    "\n"
    "  --clip NAME    the clip marked by the track anim_NAME instead of the whole animation\n"
    "  --frame N      the frame N counted from the start of the clip or animation (default 0)\n"
    "  --sheet        all frames of the clip or animation, left to right, top to bottom\n"
    "  --numbers      write each frame's number small in its cell of the sheet\n"
    "  --images DIR   the folder of the images the frames name (else placeholders are drawn)\n"
    "  --scale S      pixels per animation unit (default 1)\n"
    "  --bounds L,T,W,H  the part of the animation shown (default: all the frames show)\n"
    "  -o OUT.png     the picture to write\n"
    "\n"
    "Exit status: 0 when written, 1 when the file could not be read or drawn, 2 on a usage error.\n";

struct RenderRequest {
    QString input;
    QString output;
    QString clip;
    bool clipGiven = false;
    int frame = 0;
    bool sheet = false;
    bool numbered = false;
    QString images;
    qreal scale = 1.0;
    std::optional<QRectF> bounds;
};

struct ParseResult {
    std::optional<RenderRequest> request;
    QString error; // a usage error when set; neither means help was asked for
};

std::optional<QRectF> parseBounds(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    double values[4];
    for (int n = 0; n < 4; ++n) {
        bool ok = false;
        values[n] = parts[n].trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(values[n]))
            return std::nullopt;
    }
    if (values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return QRectF(values[0], values[1], values[2], values[3]);
}

// Applies one option that takes a value; an error text when the value does not fit it.
QString applyOption(const QString &option, const QString &value, RenderRequest &request)
{
    bool ok = true;
    if (option == u"-o") {
        request.output = value;
    } else if (option == u"--clip") {
        request.clip = value;
        request.clipGiven = true;
    } else if (option == u"--images") {
        request.images = value;
    } else if (option == u"--frame") {
        request.frame = value.toInt(&ok);
        ok = ok && request.frame >= 0;
    } else if (option == u"--scale") {
        request.scale = value.toDouble(&ok);
        ok = ok && std::isfinite(request.scale) && request.scale > 0;
    } else if (option == u"--bounds") {
        request.bounds = parseBounds(value);
        ok = request.bounds.has_value();
    }
    return ok ? QString() : option + QStringLiteral(" does not take '") + value + u'\'';
}

ParseResult parseArguments(const QStringList &arguments)
{
    static const QStringList valued = {u"-o"_s, u"--clip"_s, u"--images"_s, u"--frame"_s, u"--scale"_s,
                                       u"--bounds"_s};
    RenderRequest request;
    bool frameGiven = false;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        if (argument == u"-h" || argument == u"--help")
            return {};
        if (valued.contains(argument)) {
            if (++index == arguments.size())
                return {std::nullopt, argument + QStringLiteral(" needs a value")};
            if (const QString error = applyOption(argument, arguments[index], request); !error.isEmpty())
                return {std::nullopt, error};
            frameGiven = frameGiven || argument == u"--frame";
        } else if (argument == u"--sheet") {
            request.sheet = true;
        } else if (argument == u"--numbers") {
            request.numbered = true;
        } else if (argument.startsWith(u'-')) {
            return {std::nullopt, QStringLiteral("unknown option '") + argument + u'\''};
        } else if (!request.input.isEmpty()) {
            return {std::nullopt, QStringLiteral("render takes one file")};
        } else {
            request.input = argument;
        }
    }
    if (request.input.isEmpty())
        return {std::nullopt, QStringLiteral("no input file given")};
    if (request.output.isEmpty())
        return {std::nullopt, QStringLiteral("-o OUT.png is needed")};
    if (frameGiven && request.sheet)
        return {std::nullopt, QStringLiteral("--frame and --sheet go apart")};
    return {request, {}};
}

std::optional<qor::Clip> findClip(const qor::EvaluatedAnimation &animation, const RenderRequest &request,
                                  qorqt::LogSink &log)
{
    if (!request.clipGiven)
        return animation.whole();
    QStringList names;
    for (const qor::Clip &clip : animation.clips) {
        if (qorqt::fromName(clip.name) == request.clip)
            return clip;
        names.append(qorqt::fromName(clip.name));
    }
    log.logLine(QStringLiteral("ERROR: no clip '%1'; the clips are: %2")
                    .arg(request.clip, names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "))));
    return std::nullopt;
}

QString trackAndFrame(const qor::EvaluatedAnimation &animation, size_t track, int frame)
{
    return qorqt::fromUtf8(qor::trackLabel(track, animation.tracks[track].name)) + QStringLiteral(", frame %1").arg(frame);
}

// Names the tracks a picture leaves out where no picture can place them, each at the first of
// `frames` where it would show something but can't be placed.
void warnAboutUnplaceable(const qor::EvaluatedAnimation &animation, const qor::Clip &frames, qorqt::LogSink &log)
{
    constexpr int mostNamed = 20;
    int named = 0;
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const qor::EvaluatedTrack &evaluated = animation.tracks[track];
        if (evaluated.marksClip)
            continue;
        const qint64 end = std::min<qint64>(qint64(frames.firstFrame) + frames.frameCount, qint64(evaluated.frames.size()));
        for (qint64 frame = frames.firstFrame; frame < end; ++frame) {
            const qor::TrackState &state = evaluated.frames[size_t(frame)];
            if (!state.shown() || state.placeable() || (state.image.empty() && state.text.empty()))
                continue;
            if (named++ < mostNamed)
                log.logLine(QStringLiteral("warning: %1: %2, which no picture can place; it is left out")
                                .arg(trackAndFrame(animation, track, int(frame)), qorqt::fromUtf8(qor::unplaceableValue(state))));
            break;
        }
    }
    if (named > mostNamed)
        log.logLine(QStringLiteral("warning: %1 more tracks are left out for values no picture can place").arg(named - mostNamed));
}

QImage draw(const qor::EvaluatedAnimation &animation, const qor::Clip &clip, const RenderRequest &request,
            qorqt::LogSink &log)
{
    const qor::ImageLibrary images(request.images);
    warnAboutUnplaceable(animation, request.sheet ? clip : qor::Clip{{}, clip.firstFrame + request.frame, 1}, log);
    const qor::Framing framing = request.bounds ? qor::Framing{*request.bounds, request.scale}
                                                : qor::clipFraming(animation, clip, images, request.scale);
    QImage picture;
    if (request.sheet)
        picture = qor::renderSheet(animation, clip, images, framing, request.numbered);
    else
        picture = qor::renderFrame(animation, clip.firstFrame + request.frame, images, framing);
    if (!picture.isNull())
        return picture;
    QString why = QStringLiteral("ERROR: the picture would be empty or larger than %1 pixels a side").arg(qor::maxPictureSide);
    // A box of the frames' own making too large to draw: say what stretches it.
    if (!request.bounds && framing.pixelSize().isEmpty()) {
        if (const auto farthest = qor::farthestReach(animation, clip, images))
            why += QStringLiteral("; %1 reaches farthest from the origin (--bounds draws a part)")
                       .arg(trackAndFrame(animation, farthest->track, farthest->frame));
    }
    log.logLine(why);
    return picture;
}

bool writePng(const QImage &picture, const QString &path, qorqt::LogSink &log)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        log.logLine(QStringLiteral("ERROR: could not encode the PNG"));
        return false;
    }
    return qor::writeWholeFile(qorqt::toPath(path), qorqt::charsOf(bytes), log, qor::Flush::No);
}

bool drawAndWrite(const RenderRequest &request, qorqt::LogSink &log)
{
    if (!request.images.isEmpty() && !QFileInfo(request.images).isDir()) {
        log.logLine(QStringLiteral("ERROR: no image folder ") + QDir::toNativeSeparators(request.images));
        return false;
    }
    const auto loaded = qor::loadAnimation(qorqt::toPath(request.input), log);
    if (!loaded)
        return false;
    const qor::EvaluatedAnimation animation = qor::evaluate(loaded->reanim);
    const auto clip = findClip(animation, request, log);
    if (!clip)
        return false;
    if (!request.sheet && request.frame >= clip->frameCount) {
        log.logLine(QStringLiteral("ERROR: frame %1 is past the last frame; there are %2")
                        .arg(request.frame)
                        .arg(clip->frameCount));
        return false;
    }
    const QImage picture = draw(animation, *clip, request, log);
    if (picture.isNull() || !writePng(picture, request.output, log))
        return false;
    log.logLine(QStringLiteral("Rendered %1x%2 [%3]")
                    .arg(picture.width())
                    .arg(picture.height())
                    .arg(QDir::toNativeSeparators(request.output)));
    return true;
}

int render(const RenderRequest &request, qorqt::LogSink &log)
{
    // Like a conversion, it refuses to write over its input, whatever path names it.
    const bool done = qor::guardConversion(qorqt::toPath(request.input), qorqt::toPath(request.output), log,
                                           [&] { return drawAndWrite(request, log); });
    return done ? exitDone : exitFailed;
}

} // namespace

std::unique_ptr<QCoreApplication> makeRenderApplication(int &argc, char **argv)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Elsewhere the system's own platform needs no display server.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    return std::make_unique<QGuiApplication>(argc, argv);
}

int runRender(const QStringList &arguments, qorqt::LogSink &log)
{
    const ParseResult parsed = parseArguments(arguments);
    if (!parsed.request && parsed.error.isEmpty()) {
        std::fputs(renderUsage, stdout);
        return exitDone;
    }
    if (!parsed.request) {
        log.logLine(QStringLiteral("qorutil-cli render: ") + parsed.error);
        log.logLine(QString::fromLatin1(renderUsage).trimmed());
        return exitUsage;
    }
    return render(*parsed.request, log);
}
