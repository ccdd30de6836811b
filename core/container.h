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

// The largest compiled file that can hold a body within maxBodySize (a stored stream is a
// little larger than its body), and the largest text read.
inline constexpr qsizetype maxCompiledFileSize = maxBodySize + (maxBodySize >> 10);
inline constexpr qsizetype maxTextFileSize = maxBodySize;

// A whole input file, or why there is none.
struct WholeFile {
    enum Status { Read, NotOpened, Refused };
    Status status = NotOpened;
    QByteArray bytes;

    explicit operator bool() const { return status == Read; }
};

// The whole file, logging "Read <bytes> 44". When it can't be opened or read: nothing more
// than "File not found <path>" (NotOpened). A path that is not a regular file (a pipe, a
// device, a folder) or a file larger than `limit` is not read at all: one "ERROR:" line says
// why (Refused), so a stray /dev/zero or a pipe can neither hang a run nor fill the memory.
WholeFile readWholeFile(const QString &path, LogSink &log, qsizetype limit);

// The inflated body of a compiled reanim file, or nothing after an "ERROR:" line.
std::optional<QByteArray> loadCompiledBody(const QString &path, LogSink &log);

// The same for a compiled file already in memory (the part after readWholeFile). A body
// larger than `limit` bytes is refused.
std::optional<QByteArray> inflateCompiledFile(const QByteArray &data, LogSink &log, qsizetype limit = maxBodySize);

// A body framed as a compiled file: magic, body length, zlib stream at the default level.
QByteArray frameBody(const QByteArray &body);

} // namespace qor
