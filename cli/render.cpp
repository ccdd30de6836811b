#include "cli/render.h"

#include "core/files/conversionguard.h"
#include "core/scene/evaluated.h"
#include "core/format/messages.h"
#include "core/files/fileconversions.h"
#include "core/files/outputfile.h"
#include "render/animatedimage.h"
#include "render/attachedanimations.h"
#include "render/picture.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

const char renderUsage[] =
    "Usage: qorutil-cli render FILE [--clip NAME] [--frame N | --sheet [SHEET OPTIONS]] -o OUT.png\n"
    "       qorutil-cli render FILE --clip NAME --animation OUT.webp|OUT.gif [--fps F]\n"
    "       qorutil-cli render FILE --all-clips DIR [--format png|webp|gif] [SHEET OPTIONS]\n"
    "           with any of [--images DIR] [--animations DIR] [--scale S] [--background COLOUR]\n"
    "           [--bounds LEFT,TOP,WIDTH,HEIGHT] [-q | -v]; SHEET OPTIONS are [--columns N]\n"
    "           [--padding P] [--numbers]\n"
    "\n"
    "Draws one frame of a compiled or text animation file, the sprite sheet of a clip or the\n"
    "clip as a looping animated WebP or GIF, with a transparent background.\n"
    "\n"
    "  --clip NAME    the clip marked by the track anim_NAME instead of the whole animation\n"
    "  --frame N      the frame N counted from the start of the clip or animation (default 0)\n"
    "  --sheet        all frames of the clip or animation, left to right, top to bottom, and\n"
    "                 beside OUT.png the file OUT.json giving each frame's cell and the origin\n"
    "  --columns N    sheets N cells wide (default: near square)\n"
    "  --padding P    P clear pixels around each cell of a sheet (default 0)\n"
    "  --numbers      write each frame's number, as --frame counts, small in its cell\n"
    "  --animation OUT.webp|OUT.gif  the clip as an animation that loops, at the file's rate\n"
    "  --fps F        the animation's frames per second instead of the file's\n"
    "  --all-clips DIR  each clip (or the whole animation when it has none) to DIR/FILE-CLIP.png\n"
    "                 as a sheet, or as an animation with --format webp or gif\n"
    "  --images DIR   the folder of the images the frames name (else placeholders are drawn)\n"
    "  --animations DIR  a further folder of the animations that tracks attach; the file's\n"
    "                 own folder comes first\n"
    "  --scale S      pixels per animation unit (default 1)\n"
    "  --background COLOUR  a colour (#rrggbb or a name) behind the picture instead of none\n"
    "  --bounds L,T,W,H  the part of the animation shown (default: all the frames show)\n"
    "  -o OUT.png     the picture to write; - for standard output\n"
    "  -q, --quiet    print only errors and warnings\n"
    "  -v, --verbose  print the file reader's own lines as well\n"
    "\n"
    "Exit status: 0 when written, 1 when the file could not be read or drawn, 2 on a usage error.\n";

enum class Mode { Frame, Sheet, Animation, AllClips };

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

    Mode mode() const
    {
        return !allClips.isEmpty() ? Mode::AllClips
               : !animation.isEmpty() ? Mode::Animation
               : sheet               ? Mode::Sheet
                                     : Mode::Frame;
    }
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

bool parseCount(const QString &value, int &count, int least)
{
    bool ok = false;
    count = value.toInt(&ok);
    return ok && count >= least;
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
    } else if (option == u"--animations") {
        request.animationFolders.append(value);
    } else if (option == u"--frame") {
        ok = parseCount(value, request.frame, 0);
    } else if (option == u"--columns") {
        ok = parseCount(value, request.layout.columns, 1);
    } else if (option == u"--padding") {
        ok = parseCount(value, request.layout.padding, 0) && request.layout.padding <= qor::maxPictureSide;
    } else if (option == u"--scale") {
        request.scale = value.toDouble(&ok);
        ok = ok && std::isfinite(request.scale) && request.scale > 0;
    } else if (option == u"--fps") {
        request.fps = value.toDouble(&ok);
        ok = ok && std::isfinite(*request.fps) && *request.fps > 0 && *request.fps <= 1000;
    } else if (option == u"--bounds") {
        request.bounds = parseBounds(value);
        ok = request.bounds.has_value();
    } else if (option == u"--background") {
        request.background = QColor::fromString(value);
        ok = request.background.isValid();
    } else if (option == u"--animation") {
        request.animation = value;
        ok = qor::animatedFormatOf(value).has_value();
    } else if (option == u"--all-clips") {
        request.allClips = value;
    } else if (option == u"--format") {
        request.format = value.toLower();
        ok = request.format == u"png" || qor::animatedFormatOf(u'.' + request.format);
    }
    return ok ? QString() : option + QStringLiteral(" does not take '") + value + u'\'';
}

// What does not go together, or is missing, in words; empty when the request is whole.
QString requestProblem(const RenderRequest &request, bool frameGiven)
{
    if (request.input.isEmpty())
        return QStringLiteral("no input file given");
    const Mode mode = request.mode();
    if ((mode == Mode::Frame || mode == Mode::Sheet) && request.output.isEmpty())
        return QStringLiteral("-o OUT.png is needed");
    if ((mode == Mode::Animation || mode == Mode::AllClips) && !request.output.isEmpty())
        return QStringLiteral("-o goes with a frame or a sheet, not with --animation or --all-clips");
    if (!request.animation.isEmpty() && !request.allClips.isEmpty())
        return QStringLiteral("--animation and --all-clips go apart");
    if (frameGiven && mode != Mode::Frame)
        return QStringLiteral("--frame goes with a single frame only");
    if (request.sheet && mode != Mode::Sheet && !(mode == Mode::AllClips && request.format == u"png"))
        return QStringLiteral("--sheet goes with -o OUT.png or --all-clips");
    if (mode == Mode::AllClips && request.clipGiven)
        return QStringLiteral("--clip and --all-clips go apart");
    if (request.quiet && request.verbose)
        return QStringLiteral("-q and -v go apart");
    return {};
}

ParseResult parseArguments(const QStringList &arguments)
{
    static const QStringList valued = {u"-o"_s,         u"--clip"_s,    u"--images"_s,    u"--frame"_s,
                                       u"--scale"_s,    u"--bounds"_s,  u"--animations"_s, u"--columns"_s,
                                       u"--padding"_s,  u"--fps"_s,     u"--background"_s, u"--animation"_s,
                                       u"--all-clips"_s, u"--format"_s};
    RenderRequest request;
    bool frameGiven = false;
    bool optionsEnded = false;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        if (optionsEnded || argument == u"-" || !argument.startsWith(u'-')) {
            if (!request.input.isEmpty())
                return {std::nullopt, QStringLiteral("render takes one file")};
            request.input = argument;
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"-h" || argument == u"--help") {
            return {};
        } else if (valued.contains(argument)) {
            if (++index == arguments.size())
                return {std::nullopt, argument + QStringLiteral(" needs a value")};
            if (const QString error = applyOption(argument, arguments[index], request); !error.isEmpty())
                return {std::nullopt, error};
            frameGiven = frameGiven || argument == u"--frame";
        } else if (argument == u"--sheet") {
            request.sheet = true;
        } else if (argument == u"--numbers") {
            request.layout.numbered = true;
        } else if (argument == u"-q" || argument == u"--quiet") {
            request.quiet = true;
        } else if (argument == u"-v" || argument == u"--verbose") {
            request.verbose = true;
        } else {
            return {std::nullopt, QStringLiteral("unknown option '") + argument + u'\''};
        }
    }
    if (const QString problem = requestProblem(request, frameGiven); !problem.isEmpty())
        return {std::nullopt, problem};
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

void sayTooLarge(const qor::Framing &framing, double columns, double rows, int padding, qorqt::LogSink &log)
{
    const double width = (std::ceil(framing.area.width * framing.scale) + padding) * columns + padding;
    const double height = (std::ceil(framing.area.height * framing.scale) + padding) * rows + padding;
    log.logLine(QStringLiteral("ERROR: ") + qorqt::fromUtf8(qor::pictureSizeProblem(width, height)));
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
        const qor::SheetGrid grid =
            request.sheet ? qor::sheetGrid(clip.frameCount, request.layout.columns) : qor::SheetGrid{1, 1};
        sayTooLarge(framing, grid.columns, grid.rows, request.sheet ? request.layout.padding : 0, log);
        // A box of the frames' own making too large to draw: say what stretches it.
        if (!request.bounds && !framing.pixelSize()) {
            if (const auto farthest = qor::farthestReach(scene.animation, clip, scene.images, &scene.attached))
                log.logLine(QStringLiteral("ERROR: %1 reaches farthest from the origin (--bounds draws a part)")
                                .arg(trackAndFrame(scene.animation, farthest->track, farthest->frame)));
        }
    }
    return qor::onBackground(picture, request.background);
}

bool isTerminal(FILE *stream)
{
    return isatty(fileno(stream));
}

bool writeOutput(const QByteArray &bytes, const QString &path, qorqt::LogSink &log)
{
    if (path != u"-")
        return qor::writeWholeFile(qorqt::toPath(path), qorqt::charsOf(bytes), log, qor::Flush::No);
    if (isTerminal(stdout)) {
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
    if (clip.frameCount <= 0) {
        log.logLine(QStringLiteral("ERROR: there are no frames to animate"));
        return false;
    }
    if (frames.empty()) {
        sayTooLarge(framing, 1, 1, 0, log);
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
