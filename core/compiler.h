#pragma once

#include "core/logsink.h"
#include "core/outputfile.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qor {

// Compile: the reanim XML text at `inPath` as a compiled reanim file at `outPath`.
// Returns whether the file was written; every outcome is reported through `log`.
bool compileReanim(const QString &inPath, const QString &outPath, LogSink &log, Flush flush = Flush::ToDisk);

// The compiled file of the text at `inPath`, in memory, logging as Compile does up to
// "Compress ..."; nothing after the log has said why.
std::optional<QByteArray> compiledFileOf(const QString &inPath, LogSink &log);

} // namespace qor
