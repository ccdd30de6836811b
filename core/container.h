#pragma once

#include "core/logsink.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qor {

// The first word of every compiled reanim file (bytes D4 FE AD DE).
inline constexpr quint32 compiledMagic = 0xDEADFED4;
inline constexpr qsizetype compiledHeaderSize = 8;
// A body that inflates past this is refused rather than allowed to exhaust memory.
inline constexpr qsizetype maxBodySize = qsizetype(1) << 30;

// The whole file, logging "Read <bytes> 44"; nothing (after "File not found <path>") when
// it can't be opened or read.
std::optional<QByteArray> readWholeFile(const QString &path, LogSink &log);

// The inflated body of a compiled reanim file, or nothing after an "ERROR:" line.
std::optional<QByteArray> loadCompiledBody(const QString &path, LogSink &log);

// The same for a compiled file already in memory (the part after readWholeFile). A body
// larger than `limit` bytes is refused.
std::optional<QByteArray> inflateCompiledFile(const QByteArray &data, LogSink &log, qsizetype limit = maxBodySize);

// A body framed as a compiled file: magic, body length, zlib stream at the default level.
QByteArray frameBody(const QByteArray &body);

} // namespace qor
