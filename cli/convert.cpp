#include "cli/convert.h"

#include "cli/batch.h"
#include "cli/inputs.h"
#include "cli/interrupt.h"
#include "core/scene/check.h"
#include "core/format/container.h"
#include "core/files/conversionguard.h"
#include "core/format/decompiler.h"
#include "core/files/fileconversions.h"
#include "core/files/fileidentity.h"
#include "core/files/outputname.h"

#include <QThread>

#include <cstdio>
#include <map>
#include <optional>
#include <set>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli {

namespace fs = std::filesystem;

namespace {

// One input and the output it is to get, or why it gets none.
struct Planned {
    Input input;
    fs::path output; // "-" for standard output
    std::optional<QString> refusal;
};

bool isStream(const fs::path &path)
{
    return path == "-";
}

fs::path outputFor(const Input &input, const Options &options, bool decompile)
{
    const auto name = decompile ? &qor::decompiledPathFor : &qor::compiledPathFor;
    if (!options.output.empty())
        return fs::path(options.output);
    if (options.outputDir.empty())
        return name(input.file);
    return fs::path(options.outputDir) / input.relative.parent_path() / name(input.relative.filename());
}

QString clashOf(const Planned &first, const Planned &second, const Options &options)
{
    QString line = QLatin1String("ERROR: ") + shown(first.input.file) + QLatin1String(" and ") + shown(second.input.file)
        + QLatin1String(" would both be written to ") + shown(second.output) + QLatin1String("; neither was converted");
    if (!options.outputDir.empty() && options.arguments.size() > 1)
        line += QLatin1String(" (folders of the same name: give each run its own --output-dir)");
    return line;
}

// Works out every output before anything is written: two inputs that would share one
// output, or an output that would replace another input of the run, are refused; so is an
// output that would not lie under --output-dir.
std::vector<Planned> plan(const std::vector<Input> &inputs, const Options &options, bool decompile)
{
    std::vector<Planned> planned;
    std::map<std::string, size_t> firstWriter;
    std::map<std::string, size_t> inputAt;
    for (size_t n = 0; n < inputs.size(); ++n)
        inputAt.emplace(qor::fileIdentity(inputs[n].file), n);
    for (size_t n = 0; n < inputs.size(); ++n) {
        Planned item{inputs[n], outputFor(inputs[n], options, decompile), std::nullopt};
        if (isStream(item.output)) {
            planned.push_back(std::move(item));
            continue;
        }
        if (!options.outputDir.empty() && !qor::liesWithin(item.output, options.outputDir))
            item.refusal = QLatin1String("ERROR: the output ") + shown(item.output)
                + QLatin1String(" would not lie under the output folder; nothing was written");
        const std::string key = qor::fileIdentity(item.output);
        if (const auto other = inputAt.find(key); other != inputAt.end() && other->second != n)
            item.refusal = QLatin1String("ERROR: the output ") + shown(item.output) + QLatin1String(" of ")
                + shown(item.input.file) + QLatin1String(" would replace another input of this run; nothing was written");
        if (const auto writer = firstWriter.find(key); writer != firstWriter.end()) {
            const QString clash = clashOf(planned[writer->second], item, options);
            planned[writer->second].refusal = clash;
            item.refusal = clash;
        }
        firstWriter.emplace(key, n);
        planned.push_back(std::move(item));
    }
    return planned;
}

// The whole of standard input, or false after an "ERROR:" line.
bool readStandardInput(std::size_t limit, qor::Bytes &bytes, qorqt::LogSink &log)
{
    bytes.clear();
    std::uint8_t buffer[1 << 16];
    while (const size_t got = std::fread(buffer, 1, sizeof buffer, stdin)) {
        if (bytes.size() + got > limit) {
            log.logLine(QString::fromLatin1("ERROR: standard input is more than the %1 MiB such a file can have").arg(limit >> 20));
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (std::ferror(stdin)) {
        log.logLine(QStringLiteral("ERROR: cannot read standard input"));
        return false;
    }
    return true;
}

// One conversion whose input or output is a stream: the whole output in memory.
bool convertInMemory(const Planned &item, bool decompile, FileLog &log, qor::CompileDetails &details,
                     qor::ConversionBuffers &buffers, QByteArray &output)
{
    const bool fromInput = isStream(item.input.file);
    if (decompile) {
        const bool loaded = fromInput ? readStandardInput(qor::maxCompiledFileSize, buffers.file, log)
                                            && qor::inflateCompiledFile(buffers.file, buffers.body, log)
                                      : qor::loadCompiledBody(item.input.file, buffers.body, log, &buffers.file);
        if (!loaded)
            return false;
        log.logLine(qor::decompressLine(item.input.path.toStdString()));
        if (!qor::decompileBodyToText(buffers.body, buffers.text, log))
            return false;
        output = qorqt::toQByteArray(std::string_view(buffers.text));
        return true;
    }
    const bool compiled = fromInput ? readStandardInput(qor::maxTextFileSize, buffers.file, log)
                                          && qor::compileText(qor::charsOf(buffers.file), buffers.body, log, &details,
                                                              &buffers.compile)
                                    : qor::compiledFileOf(item.input.file, buffers.body, log, &details, &buffers);
    if (compiled)
        output = qorqt::toQByteArray(qor::ByteView(buffers.body));
    return compiled;
}

bool convert(const Planned &item, const Options &options, bool decompile, FileLog &log, qor::CompileDetails &details,
             QByteArray &standardOutput)
{
    // Each worker keeps its buffers from file to file.
    thread_local qor::ConversionBuffers buffers;
    const qor::Flush flush = options.sync ? qor::Flush::ToDisk : qor::Flush::No;
    details.refuseWarnings = options.strict;
    if (!isStream(item.input.file) && !isStream(item.output)) {
        return decompile ? qor::decompileFile(item.input.file, item.output, log, flush, &buffers)
                         : qor::compileFile(item.input.file, item.output, log, flush, &details, &buffers);
    }
    const fs::path input = isStream(item.input.file) ? fs::path() : item.input.file;
    const fs::path output = isStream(item.output) ? fs::path() : item.output;
    return qor::guardConversion(input, output, log, [&] {
        QByteArray bytes;
        if (!convertInMemory(item, decompile, log, details, buffers, bytes))
            return false;
        if (isStream(item.output)) {
            standardOutput = std::move(bytes);
        } else if (!qor::writeWholeFile(item.output, qorqt::charsOf(bytes), log, flush)) {
            return false;
        }
        log.logLine(qor::finishLine(decompile, isStream(item.output) ? "-" : shown(item.output).toStdString()));
        return true;
    });
}

// Makes the folder of an output below --output-dir; false after an "ERROR:" line.
bool makeOutputFolder(const Planned &item, const Options &options, FileLog &log)
{
    const fs::path folder = item.output.parent_path();
    std::error_code error;
    if (folder.empty() || fs::is_directory(folder, error))
        return true;
    fs::create_directories(folder, error);
    if (error) {
        log.logLine(QLatin1String("ERROR: cannot write ") + shown(item.output) + QLatin1String(": cannot make its folder: ")
                    + QString::fromLocal8Bit(error.message()));
        return false;
    }
    // A link inside the output folder must not lead an output out of it.
    if (!qor::liesWithin(folder, options.outputDir)) {
        log.logLine(QLatin1String("ERROR: the output ") + shown(item.output)
                    + QLatin1String(" would not lie under the output folder (through a link); nothing was written"));
        return false;
    }
    return true;
}

QString inputName(const Input &input)
{
    return isStream(input.file) ? QStringLiteral("standard input") : shown(input.file);
}

FileReport convertOne(const Planned &item, const Options &options, bool decompile)
{
    FileReport report;
    FileLog log(inputName(item.input));
    qor::CompileDetails details;
    bool converted = false;
    std::error_code error;
    if (item.refusal) {
        log.logLine(*item.refusal);
    } else if (options.noClobber && !isStream(item.output) && fs::exists(fs::symlink_status(item.output, error))) {
        report.outcome = Outcome::Skipped;
        report.log = (QLatin1String("Skipped ") + inputName(item.input) + QLatin1String(": ") + shown(item.output)
                      + QLatin1String(" exists\n"))
                         .toLocal8Bit();
        return report;
    } else if (options.outputDir.empty() || makeOutputFolder(item, options, log)) {
        converted = convert(item, options, decompile, log, details, report.output);
    }
    report.outcome = converted ? Outcome::Done : Outcome::Failed;
    report.warnings = int(details.warnings.size());
    FileLog lines;
    for (const qor::ReaderWarning &warning : details.warnings)
        lines.logLine(qor::warningLine(inputName(item.input).toStdString(), warning));
    if (options.verbose) {
        report.log = log.lines() + lines.lines();
        return report;
    }
    // By default, one line a file: what was done, or why not.
    if (converted)
        lines.logLine(QLatin1String(decompile ? "Decompiled " : "Compiled ") + inputName(item.input) + QLatin1String(" to ")
                      + (isStream(item.output) ? QStringLiteral("standard output") : shown(item.output)));
    else if (const auto errors = log.errorLines(); !errors.empty())
        std::for_each(errors.begin(), errors.end(), [&](const std::string &error) { lines.logLine(error); });
    else
        lines.logLine(QLatin1String("ERROR: ") + inputName(item.input) + QLatin1String(": ") + log.lastError());
    report.log = lines.lines();
    return report;
}

bool isTerminal(std::FILE *stream)
{
    return isatty(fileno(stream));
}

// Removes what earlier, killed runs left in the folders this run writes to.
void removeStaleTemporaries(const std::vector<Planned> &planned)
{
    std::set<fs::path> folders;
    for (const Planned &item : planned) {
        if (!item.refusal && !isStream(item.output))
            folders.insert(item.output.parent_path().empty() ? fs::path(".") : item.output.parent_path());
    }
    for (const fs::path &folder : folders)
        qor::removeStaleTemporaries(folder);
}

} // namespace

int jobsFor(const Options &options)
{
    return options.jobs > 0 ? options.jobs : std::max(1, QThread::idealThreadCount());
}

int runConversions(const Options &options)
{
    const bool decompile = options.command == "decompile";
    if (!decompile && options.output == "-" && isTerminal(stdout)) {
        printError("qorutil-cli: refusing to write a compiled file to a terminal; redirect standard output\n");
        return 2;
    }
    const fs::path skip = options.outputDir.empty() ? fs::path() : fs::path(options.outputDir);
    const auto [inputs, missing] = runInputs(options.arguments, {QLatin1String(decompile ? ".compiled" : ".reanim")}, skip);
    std::error_code error;
    if (!options.output.empty() && (inputs.size() != 1 || missing > 0 || fs::is_directory(options.arguments.front(), error))) {
        printError("qorutil-cli: -o goes with exactly one input file\n");
        return 2;
    }
    const std::vector<Planned> planned = plan(inputs, options, decompile);
    removeStaleTemporaries(planned);
    std::vector<Task> tasks;
    for (const Planned &item : planned)
        tasks.push_back([&item, &options, decompile] { return convertOne(item, options, decompile); });
    const Totals totals = runBatch(tasks, styleFor(jobsFor(options), options.quiet, tasks.size()));
    if (tasks.size() + size_t(missing) > 1 || totals.interrupted > 0)
        printError(QString::fromLatin1("%1 converted, %2 failed, %3 skipped%4\n")
                       .arg(totals.done)
                       .arg(totals.failed + missing)
                       .arg(totals.skipped)
                       .arg(totals.interrupted > 0 ? QString::fromLatin1(", %1 not started: interrupted").arg(totals.interrupted)
                                                   : QString())
                       .toLocal8Bit());
    if (interrupted())
        return interruptedStatus();
    return totals.failed + missing > 0 ? 1 : 0;
}

} // namespace cli
