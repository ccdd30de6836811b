#include "cli/convert.h"

#include "cli/batch.h"
#include "cli/inputs.h"
#include "core/compiler.h"
#include "core/container.h"
#include "core/conversionguard.h"
#include "core/decompiler.h"
#include "core/outputname.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <cstdio>
#include <optional>

namespace cli {

namespace {

// One input and the output it is to get, or why it gets none.
struct Planned {
    Input input;
    QString output;
    std::optional<QString> refusal;
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString outputFor(const Input &input, const Options &options, bool decompile)
{
    const auto name = decompile ? &qor::decompiledPathFor : &qor::compiledPathFor;
    if (!options.output.isEmpty())
        return options.output;
    if (options.outputDir.isEmpty())
        return name(input.path);
    return QDir(options.outputDir).filePath(name(input.relative));
}

// Works out every output before anything is written: two inputs that would share one
// output, or an output that would replace another input of the run, are refused.
std::vector<Planned> plan(const std::vector<Input> &inputs, const Options &options, bool decompile)
{
    std::vector<Planned> planned;
    QHash<QString, qsizetype> firstWriter;
    QHash<QString, qsizetype> inputAt;
    for (qsizetype n = 0; n < qsizetype(inputs.size()); ++n)
        inputAt.insert(spellingOf(inputs[size_t(n)].path), n);
    for (qsizetype n = 0; n < qsizetype(inputs.size()); ++n) {
        Planned item{inputs[size_t(n)], outputFor(inputs[size_t(n)], options, decompile), std::nullopt};
        const QString key = spellingOf(item.output);
        if (const auto other = inputAt.constFind(key); other != inputAt.constEnd() && *other != n)
            item.refusal = QLatin1String("ERROR: the output ") + native(item.output) + QLatin1String(" of ")
                + native(item.input.path) + QLatin1String(" would replace another input of this run; nothing was written");
        if (const auto writer = firstWriter.constFind(key); writer != firstWriter.constEnd()) {
            const QString clash = QLatin1String("ERROR: ") + native(planned[size_t(*writer)].input.path)
                + QLatin1String(" and ") + native(item.input.path) + QLatin1String(" would both be written to ")
                + native(item.output) + QLatin1String("; neither was converted");
            planned[size_t(*writer)].refusal = clash;
            item.refusal = clash;
        }
        firstWriter.insert(key, n);
        planned.push_back(std::move(item));
    }
    return planned;
}

// The conversion with "-o -": the output goes to standard output.
bool convertToStandardOutput(const QString &input, bool decompile, FileLog &log, QByteArray &output)
{
    return qor::guardConversion(input, QString(), log, [&] {
        std::optional<QByteArray> bytes;
        if (decompile) {
            if (const auto body = qor::loadCompiledBody(input, log)) {
                log.logLine(QLatin1String("Decompress [") + input + QLatin1String("] ..."));
                bytes = qor::decompileBodyToText(*body, log);
            }
        } else {
            bytes = qor::compiledFileOf(input, log);
        }
        if (!bytes)
            return false;
        output = std::move(*bytes);
        log.logLine(QLatin1String(decompile ? "Decompile finish [-]" : "Compiled finish [-]"));
        return true;
    });
}

FileReport convertOne(const Planned &item, const Options &options, bool decompile)
{
    FileReport report;
    FileLog log(native(item.input.path));
    const qor::Flush flush = options.sync ? qor::Flush::ToDisk : qor::Flush::No;
    bool converted = false;
    if (item.refusal) {
        log.logLine(*item.refusal);
    } else if (options.noClobber && QFileInfo::exists(item.output)) {
        log.logLine(QLatin1String("Skipped ") + native(item.input.path) + QLatin1String(": ") + native(item.output)
                    + QLatin1String(" exists"));
        report.outcome = Outcome::Skipped;
    } else if (item.output == QLatin1String("-")) {
        converted = convertToStandardOutput(item.input.path, decompile, log, report.output);
    } else {
        // A failure here shows when the output can't be created, with its reason.
        if (!options.outputDir.isEmpty())
            QDir().mkpath(QFileInfo(item.output).absolutePath());
        converted = decompile ? qor::decompressFile(item.input.path, item.output, log, flush)
                              : qor::compileReanim(item.input.path, item.output, log, flush);
    }
    if (report.outcome != Outcome::Skipped)
        report.outcome = converted ? Outcome::Done : Outcome::Failed;
    report.log = std::move(log.lines);
    return report;
}

} // namespace

int jobsFor(const Options &options)
{
    return options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
}

int runConversions(const Options &options)
{
    const bool decompile = options.command == QLatin1String("decompile");
    const auto [inputs, missing] = runInputs(options.arguments, {QLatin1String(decompile ? ".compiled" : ".reanim")});
    if (!options.output.isEmpty() && (inputs.size() != 1 || missing > 0 || QFileInfo(options.arguments.first()).isDir())) {
        printError("qorutil-cli: -o goes with exactly one input file\n");
        return 2;
    }
    std::vector<Task> tasks;
    for (const Planned &item : plan(inputs, options, decompile))
        tasks.push_back([item, &options, decompile] { return convertOne(item, options, decompile); });
    const Totals totals = runBatch(tasks, styleFor(jobsFor(options), options.quiet, tasks.size()));
    if (tasks.size() + size_t(missing) > 1)
        printError(QString::fromLatin1("%1 converted, %2 failed, %3 skipped\n")
                       .arg(totals.done)
                       .arg(totals.failed + missing)
                       .arg(totals.skipped)
                       .toLocal8Bit());
    return totals.failed + missing > 0 ? 1 : 0;
}

} // namespace cli
