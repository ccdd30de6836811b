#include "cli/check.h"

#include "cli/attachments.h"
#include "cli/batch.h"
#include "cli/convert.h"
#include "cli/inputs.h"
#include "core/bodyreader.h"
#include "core/bodywriter.h"
#include "core/container.h"
#include "core/decompiler.h"
#include "core/loader.h"
#include "core/messages.h"
#include "core/xmlreader.h"

#include <QDir>

#include <bit>
#include <cmath>
#include <optional>
#include <variant>

namespace cli {

namespace {

// What a file comes to: a model, or the "ERROR:" line that says why not.
using Result = std::variant<qor::Reanim, QString>;

bool sameValue(float a, float b)
{
    return std::bit_cast<quint32>(a) == std::bit_cast<quint32>(b) || (std::isnan(a) && std::isnan(b));
}

QString number(float value)
{
    return QString::number(double(value), 'g', 9);
}

QString bytes(const QByteArray &name)
{
    return QLatin1Char('"') + qor::printableName(name, 80) + QLatin1Char('"');
}

std::optional<QString> firstFrameDifference(const qor::ReanimTransform &a, const qor::ReanimTransform &b)
{
    static constexpr const char *fieldNames[] = {"x", "y", "kx", "ky", "sx", "sy", "f", "a"};
    const float fieldsA[] = {a.x, a.y, a.kx, a.ky, a.sx, a.sy, a.f, a.a};
    const float fieldsB[] = {b.x, b.y, b.kx, b.ky, b.sx, b.sy, b.f, b.a};
    for (size_t n = 0; n < 8; ++n) {
        if (!sameValue(fieldsA[n], fieldsB[n]))
            return QString::fromLatin1("%1 %2 comes back as %3").arg(QLatin1String(fieldNames[n]), number(fieldsA[n]), number(fieldsB[n]));
    }
    const std::pair<const char *, QByteArray qor::ReanimTransform::*> strings[] = {
        {"image", &qor::ReanimTransform::i}, {"font", &qor::ReanimTransform::font}, {"text", &qor::ReanimTransform::text}};
    for (const auto &[what, field] : strings) {
        if (a.*field != b.*field)
            return QString::fromLatin1("%1 %2 comes back as %3").arg(QLatin1String(what), bytes(a.*field), bytes(b.*field));
    }
    return std::nullopt;
}

// The first value that is not the same in both, in words.
std::optional<QString> firstDifference(const qor::Reanim &a, const qor::Reanim &b)
{
    if (!sameValue(a.fps, b.fps))
        return QString::fromLatin1("the frame rate %1 comes back as %2").arg(number(a.fps), number(b.fps));
    if (a.tracks.size() != b.tracks.size())
        return QString::fromLatin1("%1 tracks come back as %2").arg(a.tracks.size()).arg(b.tracks.size());
    for (size_t t = 0; t < a.tracks.size(); ++t) {
        const qor::ReanimTrack &ta = a.tracks[t];
        const qor::ReanimTrack &tb = b.tracks[t];
        const QString track = qor::trackLabel(qsizetype(t), ta.name);
        if (ta.name != tb.name)
            return track + QLatin1String(": the name comes back as ") + bytes(tb.name);
        if (ta.transforms.size() != tb.transforms.size())
            return track + QString::fromLatin1(": %1 frames come back as %2").arg(ta.transforms.size()).arg(tb.transforms.size());
        for (size_t f = 0; f < ta.transforms.size(); ++f) {
            if (const auto difference = firstFrameDifference(ta.transforms[f], tb.transforms[f]))
                return track + QString::fromLatin1(", frame %1: ").arg(f) + *difference;
        }
    }
    return std::nullopt;
}

// The model a text compiles to, through the text of `body`.
Result throughText(QByteArrayView body)
{
    FileLog log;
    const auto text = qor::decompileBodyToText(body, log);
    qor::Reanim again;
    if (!text || !qor::readReanimXml(*text, again, log))
        return log.lastError();
    return again;
}

struct Checked {
    std::optional<QString> error;       // it could not be read at all
    std::optional<QString> difference;  // it does not come back the same
    std::vector<qor::ReaderWarning> warnings;
};

Checked checkCompiled(const QByteArray &file)
{
    FileLog log;
    const auto body = qor::inflateCompiledFile(file, log);
    qsizetype end = 0;
    const auto model = body ? qor::readReanimBody(*body, log, &end) : std::nullopt;
    if (!model)
        return {log.lastError(), {}, {}};
    if (end < body->size())
        return {{}, QString::fromLatin1("%1 bytes after the last track, which a decompile drops").arg(body->size() - end), {}};
    const Result again = throughText(*body);
    if (const auto *why = std::get_if<QString>(&again))
        return {{}, QLatin1String("it does not come back: ") + *why, {}};
    return {{}, firstDifference(*model, std::get<qor::Reanim>(again)), {}};
}

Checked checkText(const QByteArray &text)
{
    FileLog log;
    Checked checked;
    qor::Reanim model;
    if (!qor::readReanimXml(text, model, log, &checked.warnings))
        return {log.lastError(), {}, std::move(checked.warnings)};
    qor::Reanim copy = model;
    const QByteArray body = qor::serializeReanim(copy);
    const Result again = throughText(body);
    if (const auto *why = std::get_if<QString>(&again))
        checked.difference = QLatin1String("it does not come back: ") + *why;
    else
        checked.difference = firstDifference(model, std::get<qor::Reanim>(again));
    return checked;
}

FileReport checkOne(const Input &input, bool strict)
{
    FileLog log;
    const QString name = QDir::toNativeSeparators(input.path);
    const qor::WholeFile file = qor::readWholeFile(input.path, log, qor::maxCompiledFileSize);
    Checked checked = !file ? Checked{log.lastError(), {}, {}}
                            : kindOf(input.path, file.bytes) == qor::FileKind::Compiled ? checkCompiled(file.bytes)
                                                                                        : checkText(file.bytes);
    FileReport report;
    FileLog out;
    for (const qor::ReaderWarning &warning : checked.warnings)
        out.logLine(QString::fromLatin1("%1:%2: warning: %3").arg(name).arg(warning.line).arg(warning.text));
    report.warnings = int(checked.warnings.size());
    const QStringList attachments = file ? missingAttachments(input.path, file.bytes, kindOf(input.path, file.bytes)) : QStringList();
    for (const QString &missing : attachments)
        out.logLine(name + QLatin1String(": warning: ") + missing);
    report.warnings += int(attachments.size());
    if (checked.error) {
        out.logLine(QLatin1String("ERROR: ") + name + QLatin1String(": ") + *checked.error);
        report.outcome = Outcome::Failed;
    } else if (checked.difference) {
        out.logLine(QLatin1String("ERROR: ") + name + QLatin1String(" does not come back the same: ") + *checked.difference);
        report.outcome = Outcome::Different;
    } else {
        out.logLine(name + QLatin1String(": comes back the same"));
        report.outcome = strict && report.warnings > 0 ? Outcome::Failed : Outcome::Done;
    }
    report.log = std::move(out.lines);
    return report;
}

} // namespace

int runChecks(const Options &options)
{
    const auto [inputs, missing] = runInputs(options.arguments, bothSuffixes());
    std::vector<Task> tasks;
    for (const Input &input : inputs)
        tasks.push_back([input, strict = options.strict] { return checkOne(input, strict); });
    const Totals totals = runBatch(tasks, styleFor(jobsFor(options), options.quiet, tasks.size()));
    if (tasks.size() + size_t(missing) > 1)
        printError(QString::fromLatin1("%1 come back the same, %2 differ, %3 failed, %4 warnings\n")
                       .arg(totals.done)
                       .arg(totals.different)
                       .arg(totals.failed + missing)
                       .arg(totals.warnings)
                       .toLocal8Bit());
    return totals.failed + totals.different + missing > 0 ? 1 : 0;
}

} // namespace cli
