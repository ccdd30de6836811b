#include "core/files/runreport.h"

#include "core/scene/check.h"

namespace qor {

std::vector<std::string> conversionReport(std::string_view name, std::string_view output, bool done, bool decompile,
                                          const FileLines &log, const std::vector<ReaderWarning> &warnings)
{
    std::vector<std::string> lines;
    for (const ReaderWarning &warning : warnings)
        lines.push_back(warningLine(name, warning));
    if (done) {
        lines.push_back((decompile ? "Decompiled " : "Compiled ") + std::string(name) + " to " + std::string(output));
    } else if (std::vector<std::string> errors = log.errorLines(); !errors.empty()) {
        lines.insert(lines.end(), errors.begin(), errors.end());
    } else {
        lines.push_back("ERROR: " + std::string(name) + ": " + log.lastError());
    }
    return lines;
}

std::string skippedLine(std::string_view name, std::string_view output)
{
    return "Skipped " + std::string(name) + ": " + std::string(output) + " exists";
}

std::string totalsWords(RunKind kind, const RunTotals &totals)
{
    const auto number = [](int value) { return std::to_string(value); };
    switch (kind) {
    case RunKind::Convert:
        return number(totals.done) + " converted, " + number(totals.failed) + " failed, " + number(totals.skipped)
            + " skipped"
            + (totals.interrupted > 0 ? ", " + number(totals.interrupted) + " not started: interrupted" : std::string());
    case RunKind::Check:
        return number(totals.done) + " come back the same, " + number(totals.different) + " differ, "
            + number(totals.failed) + " failed, " + number(totals.warnings) + " warnings";
    case RunKind::Info:
        return number(totals.done) + " read, " + number(totals.failed) + " failed";
    }
    return std::string();
}

std::optional<std::string> summaryLine(RunKind kind, const RunTotals &totals, std::size_t files)
{
    // A run over one file says what happened to it in its own line; an interrupted one says so.
    if (files <= 1 && (kind != RunKind::Convert || totals.interrupted == 0))
        return std::nullopt;
    return totalsWords(kind, totals);
}

} // namespace qor
