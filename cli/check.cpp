#include "cli/check.h"

#include "cli/batch.h"
#include "cli/convert.h"
#include "cli/inputs.h"
#include "core/format/allocationguard.h"
#include "core/scene/check.h"
#include "core/format/container.h"
#include "core/files/attachedfile.h"
#include "core/files/namerules.h"
#include "core/files/runreport.h"
#include "core/files/wholefile.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

namespace cli {

namespace {

// Whether an attached animation's file is in the folder of the file at `path`, on disk.
qor::AttachedFileBeside besideOnDisk(const std::filesystem::path &path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    std::vector<std::filesystem::path> folder{(error ? path : absolute).parent_path()};
    return [folder = std::move(folder)](std::string_view name) { return qor::findAttachedFile(folder, name).has_value(); };
}

FileReport checkOne(const Input &input, bool strict)
{
    qor::LastError log;
    qor::CheckResult checked;
    const bool read = qor::guardAllocation("check it", log, [&] {
        std::vector<qor::ReaderWarning> warnings;
        std::optional<qor::WalkableFile> file;
        {
            // The file's bytes go as soon as the body or the model is there.
            qor::Bytes bytes;
            if (qor::readWholeFile(input.file, bytes, log, qor::maxCompiledFileSize) != qor::WholeFile::Read)
                return false;
            file = qor::WalkableFile::read(bytes, qor::kindOf(input.file.filename().string(), bytes), log, &warnings);
        }
        if (file) {
            checked = qor::checkWalkable(*file);
            checked.attachmentWarnings = qor::missingAttachments(*file, besideOnDisk(input.file));
        }
        checked.warnings = std::move(warnings);
        return file.has_value();
    });
    if (!read)
        checked.error = log.reason;
    const qor::CheckReport said = qor::reportCheck(shown(input.file), checked, strict);
    FileReport report;
    FileLog out;
    for (const std::string &line : said.lines)
        out.logLine(line);
    report.warnings = said.warnings;
    report.outcome = said.outcome == qor::CheckReport::Outcome::Same        ? Outcome::Done
                     : said.outcome == qor::CheckReport::Outcome::Different ? Outcome::Different
                                                                            : Outcome::Failed;
    report.log = out.text();
    return report;
}

} // namespace

int runChecks(const Options &options)
{
    const auto [inputs, missing] = runInputs(options.arguments, bothSuffixes(), true);
    std::vector<Task> tasks;
    for (const Input &input : inputs)
        tasks.push_back([input, strict = options.strict] { return checkOne(input, strict); });
    qor::RunTotals totals = runBatch(tasks, styleFor(jobsFor(options), options.quiet, tasks.size()));
    totals.failed += missing;
    if (const auto summary = qor::summaryLine(qor::RunKind::Check, totals, tasks.size() + size_t(missing)))
        printError(*summary + '\n');
    return totals.failed + totals.different > 0 ? 1 : 0;
}

} // namespace cli
