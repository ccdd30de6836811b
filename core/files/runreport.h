#pragma once

#include "core/format/filelines.h"
#include "core/format/xmlreader.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a run says of each file and of itself, as the command line prints it and the page
// shows it. Names are given as shown (escaped).
namespace qor {

// The lines of one conversion: its warnings, then "Decompiled NAME to OUTPUT" (or
// "Compiled ..."), or, when it was not done, the "ERROR:" lines of its log, or failing those
// "ERROR: NAME: " and the last reason.
std::vector<std::string> conversionReport(std::string_view name, std::string_view output, bool done, bool decompile,
                                          const FileLines &log, const std::vector<ReaderWarning> &warnings);

// The line of an input whose output is left alone (--no-clobber).
std::string skippedLine(std::string_view name, std::string_view output);

// What happened to a run's files.
struct RunTotals {
    int done = 0;      // converted, come back the same, or read
    int failed = 0;
    int skipped = 0;
    int different = 0; // check: did not come back the same
    int warnings = 0;
    int interrupted = 0; // not started: a signal stopped the run
};

enum class RunKind { Convert, Check, Info };

// What a run's totals come to, in the summary line's words, whatever the run's size.
std::string totalsWords(RunKind kind, const RunTotals &totals);

// The summary line of a run over `files` files (those that could not even be taken
// included), or nothing where a run over one file needs none.
std::optional<std::string> summaryLine(RunKind kind, const RunTotals &totals, std::size_t files);

} // namespace qor
