#include "cli/check.h"

#include "cli/attachments.h"
#include "cli/batch.h"
#include "cli/convert.h"
#include "cli/inputs.h"
#include "core/check.h"
#include "core/container.h"
#include "core/wholefile.h"

#include <QDir>

namespace cli {

namespace {

FileReport checkOne(const Input &input, bool strict)
{
    FileLog log;
    const QString name = shown(input.file);
    thread_local qor::Bytes bytes;
    const qor::WholeFile::Status status = qor::readWholeFile(input.file, bytes, log, qor::maxCompiledFileSize);
    const qor::CheckResult checked = status != qor::WholeFile::Read
                                         ? qor::CheckResult{log.lastError().toStdString(), {}, {}}
                                         : qor::checkFile(bytes, kindOf(input.file, bytes));
    FileReport report;
    FileLog out;
    for (const qor::ReaderWarning &warning : checked.warnings)
        out.logLine(QString::fromLatin1("%1:%2: warning: %3").arg(name).arg(warning.line).arg(qorqt::fromUtf8(warning.text)));
    report.warnings = int(checked.warnings.size());
    const QStringList attachments = status == qor::WholeFile::Read ? missingAttachments(input.file, bytes, kindOf(input.file, bytes))
                                                                   : QStringList();
    for (const QString &missing : attachments)
        out.logLine(name + QLatin1String(": warning: ") + missing);
    report.warnings += int(attachments.size());
    if (checked.error) {
        out.logLine(QLatin1String("ERROR: ") + name + QLatin1String(": ") + qorqt::fromUtf8(*checked.error));
        report.outcome = Outcome::Failed;
    } else if (checked.difference) {
        out.logLine(QLatin1String("ERROR: ") + name + QLatin1String(" does not come back the same: ")
                    + qorqt::fromUtf8(*checked.difference));
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
