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

std::optional<std::string> summaryLine(RunKind kind, const RunTotals &totals, std::size_t files)
{
    const auto number = [](int value) { return std::to_string(value); };
    switch (kind) {
    case RunKind::Convert:
        if (files <= 1 && totals.interrupted == 0)
            return std::nullopt;
        return number(totals.done) + " converted, " + number(totals.failed) + " failed, " + number(totals.skipped)
            + " skipped"
            + (totals.interrupted > 0 ? ", " + number(totals.interrupted) + " not started: interrupted" : std::string());
    case RunKind::Check:
        if (files <= 1)
            return std::nullopt;
        return number(totals.done) + " come back the same, " + number(totals.different) + " differ, "
            + number(totals.failed) + " failed, " + number(totals.warnings) + " warnings";
    case RunKind::Info:
        if (files <= 1)
            return std::nullopt;
        return number(totals.done) + " read, " + number(totals.failed) + " failed";
    }
    return std::nullopt;
}

} // namespace qor
