#pragma once

#include "core/logsink.h"
#include "core/outputfile.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qor {

// Decompile: the compiled reanim file at `inPath` as reanim XML text at `outPath`.
// Returns whether the text was written; every outcome is reported through `log`.
bool decompressFile(const QString &inPath, const QString &outPath, LogSink &log, Flush flush = Flush::ToDisk);

// Writes the reanim XML text of `body` to `outPath`, walking the body as it goes. A body
// that ends before its counts and lengths say stops with an "ERROR:" line and writes nothing.
bool decompileBody(const QByteArray &body, const QString &outPath, LogSink &log, Flush flush = Flush::ToDisk);

// The reanim XML text of `body`, in memory; nothing after an "ERROR:" line.
std::optional<QByteArray> decompileBodyToText(QByteArrayView body, LogSink &log);

// What in a name (up to its first zero byte) no reanim text can carry, which makes a decompile
// refuse the body: a control character other than tab and line feed, or a carriage return in
// a name of blanks alone (which only CDATA keeps, and CDATA turns it into a line feed).
// Nothing when the name can be written.
std::optional<char> unwritableCharacter(QByteArrayView name);

// The line of a body that ends before its counts and lengths say.
void logBodyEnded(qsizetype bodySize, const QString &inside, LogSink &log);

} // namespace qor
