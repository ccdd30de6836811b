#include "cli/convert.h"

#include "cli/batch.h"
#include "cli/inputs.h"
#include "cli/interrupt.h"
#include "core/files/conversionguard.h"
#include "core/files/fileconversions.h"
#include "core/files/fileidentity.h"
#include "core/files/namerules.h"
#include "core/files/outputplan.h"
#include "core/files/runreport.h"
#include "core/files/systemfile.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/scene/check.h"

#include <cstdio>
#include <set>

namespace cli {

namespace fs = std::filesystem;

namespace {

// One input and the output it is to get, or why it gets none.
struct Planned {
    Input input;
    fs::path output; // "-" for standard output
    std::optional<std::string> refusal;
};

bool isStream(const fs::path &path)
{
    return path == "-";
}

// Files on the disk: told apart by device and inode, folders through their links.
class DiskFiles : public qor::PlanFiles {
public:
    std::string identity(const fs::path &path) const override { return qor::fileIdentity(path); }
    bool liesWithin(const fs::path &path, const fs::path &folder) const override { return qor::liesWithin(path, folder); }
};

std::vector<Planned> plan(const std::vector<Input> &inputs, const Options &options, bool decompile)
{
    std::vector<qor::PlanInput> planInputs;
    for (const Input &input : inputs)
        planInputs.push_back({input.file, input.relative});
    const qor::PlanRequest request{decompile, options.output, options.outputDir, options.arguments.size() > 1};
    std::vector<Planned> planned;
    for (qor::PlannedOutput &item : qor::planOutputs(planInputs, request, DiskFiles()))
        planned.push_back({inputs[item.input], std::move(item.output), std::move(item.refusal)});
    return planned;
}

// The whole of standard input, or false after an "ERROR:" line.
bool readStandardInput(std::size_t limit, qor::Bytes &bytes, qor::LogSink &log)
{
    bytes.clear();
    std::uint8_t buffer[1 << 16];
    while (const size_t got = std::fread(buffer, 1, sizeof buffer, stdin)) {
        if (bytes.size() + got > limit) {
            log.logLine("ERROR: standard input is more than the " + std::to_string(limit >> 20)
                        + " MiB such a file can have");
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (std::ferror(stdin)) {
        log.logLine("ERROR: cannot read standard input");
        return false;
    }
    return true;
}

// One conversion whose input or output is a stream: the whole output in memory.
bool convertInMemory(const Planned &item, bool decompile, FileLog &log, qor::CompileDetails &details,
                     qor::ConversionBuffers &buffers, std::string &output)
{
    const bool fromInput = isStream(item.input.file);
    if (decompile) {
        const bool loaded = fromInput ? readStandardInput(qor::maxCompiledFileSize, buffers.file, log)
                                            && qor::inflateCompiledFile(buffers.file, buffers.body, log)
                                      : qor::loadCompiledBody(item.input.file, buffers.body, log, &buffers.file);
        if (!loaded)
            return false;
        log.logLine(qor::decompressLine(item.input.path));
        if (!qor::decompileBodyToText(buffers.body, buffers.text, log))
            return false;
        output = buffers.text;
        return true;
    }
    const bool compiled = fromInput ? readStandardInput(qor::maxTextFileSize, buffers.file, log)
                                          && qor::compileText(qor::charsOf(buffers.file), buffers.body, log, &details,
                                                              &buffers.compile)
                                    : qor::compiledFileOf(item.input.file, buffers.body, log, &details, &buffers);
    if (compiled)
        output.assign(buffers.body.begin(), buffers.body.end());
    return compiled;
}

bool convert(const Planned &item, const Options &options, bool decompile, FileLog &log, qor::CompileDetails &details,
             std::string &standardOutput)
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
        std::string bytes;
        if (!convertInMemory(item, decompile, log, details, buffers, bytes))
            return false;
        if (isStream(item.output)) {
            standardOutput = std::move(bytes);
        } else if (!qor::writeWholeFile(item.output, bytes, log, flush)) {
            return false;
        }
        log.logLine(qor::finishLine(decompile, isStream(item.output) ? "-" : shown(item.output)));
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
        log.logLine("ERROR: cannot write " + shown(item.output) + ": cannot make its folder: " + error.message());
        return false;
    }
    // A link inside the output folder must not lead an output out of it.
    if (!qor::liesWithin(folder, options.outputDir)) {
        log.logLine(qor::outsideOutputFolderLine(shown(item.output), true));
        return false;
    }
    return true;
}

FileReport convertOne(const Planned &item, const Options &options, bool decompile)
{
    FileReport report;
    const std::string &name = item.input.path;
    FileLog log(name);
    qor::CompileDetails details;
    bool converted = false;
    std::error_code error;
    if (item.refusal) {
        log.logLine(*item.refusal);
    } else if (options.noClobber && !isStream(item.output) && fs::exists(fs::symlink_status(item.output, error))) {
        report.outcome = Outcome::Skipped;
        report.log = qor::skippedLine(name, shown(item.output)) + '\n';
        return report;
    } else if (options.outputDir.empty() || makeOutputFolder(item, options, log)) {
        converted = convert(item, options, decompile, log, details, report.output);
    }
    report.outcome = converted ? Outcome::Done : Outcome::Failed;
    report.warnings = int(details.warnings.size());
    FileLog lines;
    if (options.verbose) {
        for (const qor::ReaderWarning &warning : details.warnings)
            lines.logLine(qor::warningLine(name, warning));
        report.log = log.text() + lines.text();
        return report;
    }
    // By default, one line a file: what was done, or why not.
    const std::string output = isStream(item.output) ? "standard output" : shown(item.output);
    for (const std::string &line : qor::conversionReport(name, output, converted, decompile, log.lines(), details.warnings))
        lines.logLine(line);
    report.log = lines.text();
    return report;
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
    return options.jobs > 0 ? options.jobs : qor::systemfile::processorCount();
}

int runConversions(const Options &options)
{
    const bool decompile = options.command == "decompile";
    if (!decompile && options.output == "-" && qor::systemfile::isTerminal(stdout)) {
        printError("qorutil-cli: refusing to write a compiled file to a terminal; redirect standard output\n");
        return 2;
    }
    const fs::path skip = options.outputDir.empty() ? fs::path() : fs::path(options.outputDir);
    const auto suffix = std::string(decompile ? qor::compiledSuffix : qor::textSuffix);
    const auto [inputs, missing] = runInputs(options.arguments, {suffix}, false, skip);
    const std::vector<Planned> planned = plan(inputs, options, decompile);
    std::error_code error;
    if (!options.output.empty() && (planned.size() != 1 || missing > 0 || fs::is_directory(options.arguments.front(), error))) {
        printError("qorutil-cli: -o goes with exactly one input file\n");
        return 2;
    }
    removeStaleTemporaries(planned);
    std::vector<Task> tasks;
    for (const Planned &item : planned)
        tasks.push_back([&item, &options, decompile] { return convertOne(item, options, decompile); });
    qor::RunTotals totals = runBatch(tasks, styleFor(jobsFor(options), options.quiet, tasks.size()));
    totals.failed += missing;
    if (const auto summary = qor::summaryLine(qor::RunKind::Convert, totals, tasks.size() + size_t(missing)))
        printError(*summary + '\n');
    if (interrupted())
        return interruptedStatus();
    return totals.failed > 0 ? 1 : 0;
}

} // namespace cli
