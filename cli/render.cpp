#include "cli/render.h"

#include "cli/options.h"
#include "cli/renderoptions.h"

#include "core/files/conversionguard.h"
#include "core/scene/evaluated.h"
#include "core/format/messages.h"
#include "core/files/fileconversions.h"
#include "core/files/outputfile.h"
#include "core/files/systemfile.h"
#include "render/animatedimage.h"
#include "render/attachedanimations.h"
#include "render/picture.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
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

using Mode = cli::RenderArguments::Mode;

struct RenderRequest {
    QString input;
    QString output;
    QString clip;
    bool clipGiven = false;
    int frame = 0;
    bool sheet = false;
    qor::SheetLayout layout;
    QString images;
    QStringList animationFolders;
    qreal scale = 1.0;
    std::optional<QRectF> bounds;
    QString animation;
    std::optional<double> fps;
    QColor background = Qt::transparent;
    QString allClips;
    QString format = u"png"_s;
    bool quiet = false;
    bool verbose = false;

    Mode drawn = Mode::Frame; // what the arguments ask to draw

    Mode mode() const { return drawn; }
};

QString text(const std::string &bytes)
{
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

// A name as the bytes it was given in, whatever they are (qorqt::toPath gives them back).
QString pathOf(const std::string &bytes)
{
    return qorqt::fromArgument(bytes);
}

// The request as the drawing code takes it, from the arguments as given.
RenderRequest requestOf(const cli::RenderArguments &given)
{
    RenderRequest request;
    request.input = pathOf(given.input);
    request.output = pathOf(given.output);
    request.clip = text(given.clip);
    request.clipGiven = given.clipGiven;
    request.frame = given.frame;
    request.sheet = given.sheet;
    request.layout = {given.columns, given.padding, given.numbered};
    request.images = pathOf(given.images);
    for (const std::string &folder : given.animationFolders)
        request.animationFolders.append(pathOf(folder));
    request.scale = given.scale;
    if (given.bounds)
        request.bounds = QRectF((*given.bounds)[0], (*given.bounds)[1], (*given.bounds)[2], (*given.bounds)[3]);
    request.animation = pathOf(given.animation);
    request.fps = given.fps;
    if (given.background)
        request.background = QColor::fromString(text(*given.background));
    request.allClips = pathOf(given.allClips);
    request.format = text(given.format);
    request.quiet = given.quiet;
    request.verbose = given.verbose;
    request.drawn = given.mode();
    return request;
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

// What a drawing goes through: the animation, its images and the animations it attaches.
struct Scene {
    const qor::EvaluatedAnimation &animation;
    const qor::ImageLibrary &images;
    const qor::AttachedAnimations &attached;

    qor::Framing framing(const qor::Clip &clip, const RenderRequest &request) const
    {
        return request.bounds ? qor::Framing{qor::toRect(*request.bounds), request.scale}
                              : qor::clipFraming(animation, clip, images, request.scale, &attached);
    }
};

void sayTooLarge(const qor::Framing &framing, const qor::SheetLayout &layout, int frames, qorqt::LogSink &log)
{
    log.logLine(QStringLiteral("ERROR: ") + qorqt::fromUtf8(qor::sheetSizeProblem(framing, layout, frames)));
}

QImage draw(const Scene &scene, const qor::Clip &clip, const RenderRequest &request, qorqt::LogSink &log)
{
    warnAboutUnplaceable(scene.animation, request.mode() == Mode::Frame ? qor::Clip{{}, clip.firstFrame + request.frame, 1} : clip,
                         log);
    const qor::Framing framing = scene.framing(clip, request);
    const qor::DrawOptions options{{}, &scene.attached};
    QImage picture;
    if (request.sheet)
        picture = qor::renderSheet(scene.animation, clip, scene.images, framing, request.layout, options);
    else
        picture = qor::renderFrame(scene.animation, clip.firstFrame + request.frame, scene.images, framing, options);
    if (picture.isNull()) {
        if (request.sheet)
            sayTooLarge(framing, request.layout, clip.frameCount, log);
        else
            sayTooLarge(framing, {}, 1, log);
        // A box of the frames' own making too large to draw: say what stretches it.
        if (!request.bounds && !framing.pixelSize()) {
            if (const auto farthest = qor::farthestReach(scene.animation, clip, scene.images, &scene.attached))
                log.logLine(QStringLiteral("ERROR: %1 reaches farthest from the origin (--bounds draws a part)")
                                .arg(trackAndFrame(scene.animation, farthest->track, farthest->frame)));
        }
    }
    return qor::onBackground(picture, request.background);
}

bool writeOutput(const QByteArray &bytes, const QString &path, qorqt::LogSink &log)
{
    if (path != u"-")
        return qor::writeWholeFile(qorqt::toPath(path), qorqt::charsOf(bytes), log, qor::Flush::No);
    if (qor::systemfile::isTerminal(stdout)) {
        log.logLine(QStringLiteral("ERROR: refusing to write a picture to a terminal; redirect standard output"));
        return false;
    }
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    if (!written || std::fflush(stdout) != 0) {
        log.logLine(QStringLiteral("ERROR: could not write the picture to standard output"));
        return false;
    }
    return true;
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
    return writeOutput(bytes, path, log);
}

// The sheet's description beside it: OUT.png gives OUT.json.
bool writeSheetDescription(const qor::Clip &clip, const qor::Framing &cell, const RenderRequest &request,
                           QSize sheetSize, const QString &sheetPath, qorqt::LogSink &log)
{
    if (sheetPath == u"-")
        return true;
    const QByteArray description = qor::sheetDescription(clip, cell, request.layout, sheetSize);
    return qor::writeWholeFile(qorqt::toPath(qor::sheetDescriptionPath(sheetPath)), qorqt::charsOf(description), log,
                               qor::Flush::No);
}

bool writeAnimation(const Scene &scene, const qor::Clip &clip, const RenderRequest &request, const QString &path,
                    qorqt::LogSink &log)
{
    const qor::Framing framing = scene.framing(clip, request);
    const qor::DrawOptions options{{}, &scene.attached};
    const std::vector<QImage> frames =
        qor::renderClipFrames(scene.animation, clip, scene.images, framing, options, request.background);
    if (const std::string problem = qor::animationFramesProblem(clip.frameCount); !problem.empty()) {
        log.logLine(QStringLiteral("ERROR: ") + qorqt::fromUtf8(problem));
        return false;
    }
    if (frames.empty()) {
        sayTooLarge(framing, {}, 1, log);
        return false;
    }
    QString why;
    const QByteArray bytes = qor::encodeAnimation(frames, request.fps.value_or(double(scene.animation.fps)),
                                                  *qor::animatedFormatOf(path), &why);
    if (bytes.isEmpty()) {
        log.logLine(QStringLiteral("ERROR: could not encode %1: %2").arg(QDir::toNativeSeparators(path), why));
        return false;
    }
    return writeOutput(bytes, path, log);
}

// Writes one clip as the request asks, and says what it wrote unless quiet.
bool writeClip(const Scene &scene, const qor::Clip &clip, const RenderRequest &request, const QString &path,
               qorqt::LogSink &log)
{
    QSize size;
    if (qor::animatedFormatOf(path)) {
        if (!writeAnimation(scene, clip, request, path, log))
            return false;
        const qor::Size pixels = scene.framing(clip, request).pixelSize().value_or(qor::Size());
        size = QSize(int(pixels.width), int(pixels.height));
    } else {
        const QImage picture = draw(scene, clip, request, log);
        if (picture.isNull() || !writePng(picture, path, log))
            return false;
        if (request.sheet
            && !writeSheetDescription(clip, scene.framing(clip, request), request, picture.size(), path, log))
            return false;
        size = picture.size();
    }
    if (!request.quiet)
        log.logLine(QStringLiteral("Rendered %1x%2 [%3]")
                        .arg(size.width())
                        .arg(size.height())
                        .arg(path == u"-" ? QStringLiteral("standard output") : QDir::toNativeSeparators(path)));
    return true;
}

bool writeAllClips(const Scene &scene, RenderRequest request, qorqt::LogSink &log)
{
    if (!QDir().mkpath(request.allClips)) {
        log.logLine(QStringLiteral("ERROR: could not make the folder ") + QDir::toNativeSeparators(request.allClips));
        return false;
    }
    request.sheet = request.format == u"png";
    const std::vector<qor::Clip> clips =
        scene.animation.clips.empty() ? std::vector<qor::Clip>{scene.animation.whole()} : scene.animation.clips;
    bool written = true;
    for (const qor::Clip &clip : clips)
        written = writeClip(scene, clip, request,
                            QDir(request.allClips).filePath(qor::clipFileName(request.input, clip.name, request.format)),
                            log)
                  && written;
    return written;
}

// Keeps the file reader's lines, to be shown with -v or when the file does not read.
class ReaderLines : public qorqt::LogSink {
public:
    void logText(const QString &text) override { lines.append(text); }
    QStringList lines;
};

std::optional<qor::LoadedAnimation> loadQuietly(const RenderRequest &request, qorqt::LogSink &log)
{
    ReaderLines reader;
    auto loaded = qor::loadAnimation(qorqt::toPath(request.input), reader);
    if (request.verbose)
        for (const QString &line : reader.lines)
            log.logLine(line);
    else if (!loaded && !reader.lines.isEmpty())
        log.logLine(reader.lines.last());
    return loaded;
}

int drawAndWrite(const RenderRequest &request, qorqt::LogSink &log)
{
    for (const QString &folder : QStringList{request.images} + request.animationFolders) {
        if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
            log.logLine(QStringLiteral("ERROR: no folder ") + QDir::toNativeSeparators(folder));
            return exitFailed;
        }
    }
    const auto loaded = loadQuietly(request, log);
    if (!loaded)
        return exitFailed;
    const qor::EvaluatedAnimation animation = qor::evaluate(loaded->reanim);
    const auto clip = findClip(animation, request, log);
    if (!clip)
        return exitFailed;
    if (request.mode() == Mode::Frame && request.frame >= clip->frameCount) {
        log.logLine(QStringLiteral("ERROR: frame %1 is past the last frame; there are %2")
                        .arg(request.frame)
                        .arg(clip->frameCount));
        return exitFailed;
    }
    const qor::ImageLibrary images(request.images);
    const qor::AttachedAnimations attached(request.input, request.animationFolders);
    const Scene scene{animation, images, attached};
    const bool written = request.mode() == Mode::AllClips
                             ? writeAllClips(scene, request, log)
                             : writeClip(scene, *clip, request,
                                         request.mode() == Mode::Animation ? request.animation : request.output, log);
    for (const QString &problem : attached.problems())
        log.logLine(QStringLiteral("warning: ") + problem);
    if (!request.images.isEmpty())
        for (const QString &failure : images.failures())
            log.logLine(QStringLiteral("warning: image ") + failure);
    return written ? exitDone : exitFailed;
}

// Like a conversion, render refuses to write over its input, whatever path names it.
int render(const RenderRequest &request, qorqt::LogSink &log)
{
    const QString output = request.mode() == Mode::Animation ? request.animation : request.output;
    if (output.isEmpty() || output == u"-")
        return drawAndWrite(request, log);
    int status = exitFailed;
    qor::guardConversion(qorqt::toPath(request.input), qorqt::toPath(output), log, [&] {
        status = drawAndWrite(request, log);
        return status == exitDone;
    });
    return status;
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

int runRender(const std::vector<std::string> &arguments, qorqt::LogSink &log)
{
    // What the option table can't tell by itself: colours and animated formats are the
    // drawing library's to know.
    const cli::RenderChecks checks{
        [](const std::string &colour) { return QColor::fromString(text(colour)).isValid(); },
        [](const std::string &name) { return qor::animatedFormatOf(pathOf(name)).has_value(); },
        qor::maxPictureSide,
    };
    const cli::RenderParsed parsed = cli::parseRender(arguments, checks);
    const std::string help = opts::helpText(cli::program(), "render");
    if (std::holds_alternative<cli::RenderHelp>(parsed)) {
        std::fputs(help.c_str(), stdout);
        return exitDone;
    }
    if (const auto *error = std::get_if<opts::UsageError>(&parsed)) {
        log.logLine(QStringLiteral("qorutil-cli render: ") + text(error->why));
        log.logLine(text(help).trimmed());
        return exitUsage;
    }
    return render(requestOf(std::get<cli::RenderArguments>(parsed)), log);
}
