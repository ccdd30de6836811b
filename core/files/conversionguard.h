#pragma once

#include "core/format/logsink.h"

#include <filesystem>
#include <functional>

namespace qor {

// Runs one conversion of `inPath` into `outPath`, refusing an output that is the input file
// itself (by the file, not the spelling of its path) and turning a failed allocation into one
// "ERROR:" line, so a hostile input ends a run with a report rather than an abort. An empty
// path (a stream) is never the same file as another.
bool guardConversion(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log,
                     const std::function<bool()> &convert);

} // namespace qor
