#pragma once

#include "core/logsink.h"

#include <QString>

#include <functional>

namespace qor {

// Runs one conversion of `inPath` into `outPath`, refusing an output that is the input file
// itself (by the file, not the spelling of its path) and turning a failed allocation into one
// "ERROR:" line, so a hostile input ends a run with a report rather than an abort.
bool guardConversion(const QString &inPath, const QString &outPath, LogSink &log, const std::function<bool()> &convert);

} // namespace qor
