#include "cli/check.h"

#include "cli/attachments.h"
#include "cli/batch.h"
#include "cli/convert.h"
#include "cli/inputs.h"
#include "core/format/allocationguard.h"
#include "core/scene/check.h"
#include "core/format/container.h"
#include "core/files/wholefile.h"

#include <QDir>

#include <optional>
#include <vector>

namespace cli {

namespace {

FileReport checkOne(const Input &input, bool strict)
{
    qor::LastError log;
    const QString name = shown(input.file);
    qor::CheckResult checked;
    QStringList attachments;
    const bool read = qor::guardAllocation("check it", log, [&] {
        std::vector<qor::ReaderWarning> warnings;
        std::optional<qor::WalkableFile> file;
        {
            // The file's bytes go as soon as the body or the model is there.
            qor::Bytes bytes;
            if (qor::readWholeFile(input.file, bytes, log, qor::maxCompiledFileSize) != qor::WholeFile::Read)
                return false;
            file = qor::WalkableFile::read(bytes, kindOf(input.file, bytes), log, &warnings);
        }
        if (file) {
            checked = qor::checkWalkable(*file);
            attachments = missingAttachments(input.file, *file);
        }
        checked.warnings = std::move(warnings);
        return file.has_value();
    });
    if (!read)
        checked.error = log.reason;
    std::vector<std::string> missing;
    for (const QString &attachment : attachments)
        missing.push_back(attachment.toStdString());
    const qor::CheckReport said = qor::reportCheck(name.toStdString(), checked, strict, missing);
    FileReport report;
    FileLog out;
    for (const std::string &line : said.lines)
        out.logLine(line);
    report.warnings = said.warnings;
    report.outcome = said.outcome == qor::CheckReport::Outcome::Same        ? Outcome::Done
                     : said.outcome == qor::CheckReport::Outcome::Different ? Outcome::Different
                                                                            : Outcome::Failed;
    report.log = out.lines();
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
