#pragma once

#include "core/logsink.h"
#include "core/outputfile.h"
#include "core/xmlreader.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qor {

// What a compile found in its text that the compiled file drops or changes, and whether that
// stops it from writing anything.
struct CompileWarnings {
    std::vector<ReaderWarning> found;
    bool refuse = false;
};

// Compile: the reanim XML text at `inPath` as a compiled reanim file at `outPath`.
// Returns whether the file was written; every outcome is reported through `log`.
bool compileReanim(const QString &inPath, const QString &outPath, LogSink &log, Flush flush = Flush::ToDisk,
                   CompileWarnings *warnings = nullptr);

// The compiled file of the text at `inPath`, in memory, logging as Compile does up to
// "Compress ..."; nothing after the log has said why. What the text holds that the compiled
// file drops or changes goes to `warnings`, when given.
std::optional<QByteArray> compiledFileOf(const QString &inPath, LogSink &log,
                                         std::vector<ReaderWarning> *warnings = nullptr);

// The same for a text already in memory, logging from the reader's lines on.
std::optional<QByteArray> compileText(QByteArrayView text, LogSink &log, std::vector<ReaderWarning> *warnings = nullptr);

} // namespace qor
