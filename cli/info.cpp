#include "cli/info.h"

#include "cli/attachments.h"
#include "cli/batch.h"
#include "cli/convert.h"
#include "cli/inputs.h"
#include "core/container.h"
#include "core/evaluated.h"
#include "core/loader.h"
#include "core/wholefile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

// The image names a track uses, each once, in the order they first appear.
QStringList imagesOf(const qor::ReanimTrack &track)
{
    QStringList images;
    for (const qor::ReanimTransform &frame : track.transforms) {
        const QString image = qorqt::fromName(frame.i);
        if (!image.isEmpty() && !images.contains(image))
            images.append(image);
    }
    return images;
}

qsizetype frameCount(const qor::Reanim &reanim)
{
    qsizetype frames = 0;
    for (const qor::ReanimTrack &track : reanim.tracks)
        frames = std::max(frames, qsizetype(track.transforms.size()));
    return frames;
}

QJsonArray clipsOf(const qor::Reanim &reanim)
{
    QJsonArray clips;
    for (const qor::Clip &clip : qor::evaluate(reanim).clips)
        clips.append(QJsonObject{{QStringLiteral("name"), qorqt::fromName(clip.name)},
                                 {QStringLiteral("first"), clip.firstFrame},
                                 {QStringLiteral("frames"), clip.frameCount}});
    return clips;
}

QJsonObject describe(const QString &path, const qor::LoadedAnimation &loaded)
{
    QJsonArray tracks;
    for (const qor::ReanimTrack &track : loaded.reanim.tracks)
        tracks.append(QJsonObject{{QStringLiteral("name"), qorqt::fromName(track.name)},
                                  {QStringLiteral("frames"), qint64(track.transforms.size())},
                                  {QStringLiteral("images"), QJsonArray::fromStringList(imagesOf(track))}});
    const float fps = loaded.reanim.fps;
    return QJsonObject{
        {QStringLiteral("path"), path},
        {QStringLiteral("kind"), QLatin1String(loaded.kind == qor::FileKind::Compiled ? "compiled" : "text")},
        // JSON has no NaN or infinity; such a rate is null.
        {QStringLiteral("fps"), std::isfinite(fps) ? QJsonValue(double(fps)) : QJsonValue()},
        {QStringLiteral("frames"), qint64(frameCount(loaded.reanim))},
        {QStringLiteral("tracks"), tracks},
        {QStringLiteral("clips"), clipsOf(loaded.reanim)},
        {QStringLiteral("attachments"), attachmentsJson(loaded.reanim)}};
}

QByteArray asText(const QJsonObject &file)
{
    const QJsonArray tracks = file[QLatin1String("tracks")].toArray();
    QString text = QString::fromLatin1("%1: %2, %3 fps, %4 tracks, %5 frames\n")
                       .arg(file[QLatin1String("path")].toString(), file[QLatin1String("kind")].toString(),
                            file[QLatin1String("fps")].isNull() ? QStringLiteral("no")
                                                                : QString::number(file[QLatin1String("fps")].toDouble()))
                       .arg(tracks.size())
                       .arg(file[QLatin1String("frames")].toInteger());
    for (qsizetype n = 0; n < tracks.size(); ++n) {
        const QJsonObject track = tracks[n].toObject();
        QStringList images;
        for (const QJsonValue &image : track[QLatin1String("images")].toArray())
            images.append(image.toString());
        text += QString::fromLatin1("  track %1 \"%2\": %3 frames%4\n")
                    .arg(n)
                    .arg(track[QLatin1String("name")].toString())
                    .arg(track[QLatin1String("frames")].toInteger())
                    .arg(images.isEmpty() ? QString() : QLatin1String(", images ") + images.join(QLatin1String(", ")));
    }
    for (const QJsonValue &clip : file[QLatin1String("clips")].toArray())
        text += QString::fromLatin1("  clip \"%1\": from frame %2, %3 frames\n")
                    .arg(clip[QLatin1String("name")].toString())
                    .arg(clip[QLatin1String("first")].toInteger())
                    .arg(clip[QLatin1String("frames")].toInteger());
    text += attachmentsText(file);
    return text.toUtf8();
}

} // namespace

int runInfo(const Options &options)
{
    const RunInputs run = runInputs(options.arguments, bothSuffixes());
    const std::vector<Input> &inputs = run.files;
    const int missing = run.missing;
    std::vector<QJsonObject> described(inputs.size());
    std::vector<Task> tasks;
    for (size_t n = 0; n < inputs.size(); ++n) {
        tasks.push_back([&, n, json = options.json] {
            FileReport report;
            FileLog log;
            const qor::WholeFile file = qor::readWholeFile(inputs[n].file, log, qor::maxCompiledFileSize);
            const auto loaded = file ? qor::decodeAnimation(file.bytes, kindOf(inputs[n].file, file.bytes), log) : std::nullopt;
            if (!loaded) {
                report.outcome = Outcome::Failed;
                FileLog error;
                error.logLine(QLatin1String("ERROR: ") + shown(inputs[n].file) + QLatin1String(": ")
                              + log.lastError());
                report.log = std::move(error.lines);
                return report;
            }
            described[n] = describe(inputs[n].path, *loaded);
            if (!json)
                report.output = asText(described[n]);
            return report;
        });
    }
    const Totals totals = runBatch(tasks, {jobsFor(options), options.quiet, false});
    if (options.json) {
        QJsonArray files;
        for (const QJsonObject &file : described) {
            if (!file.isEmpty())
                files.append(file);
        }
        const QByteArray document = QJsonDocument(QJsonObject{{QStringLiteral("files"), files}}).toJson();
        std::fwrite(document.constData(), 1, size_t(document.size()), stdout);
    }
    if (tasks.size() + size_t(missing) > 1)
        printError(QString::fromLatin1("%1 read, %2 failed\n").arg(totals.done).arg(totals.failed + missing).toLocal8Bit());
    return totals.failed + missing > 0 ? 1 : 0;
}

} // namespace cli
