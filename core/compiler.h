#pragma once

#include "core/logsink.h"
#include "core/outputfile.h"

#include <QString>

namespace qor {

// Compile: the reanim XML text at `inPath` as a compiled reanim file at `outPath`.
// Returns whether the file was written; every outcome is reported through `log`.
bool compileReanim(const QString &inPath, const QString &outPath, LogSink &log, Flush flush = Flush::ToDisk);

} // namespace qor
