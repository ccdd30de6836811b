#pragma once

#include "core/logsink.h"

#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <filesystem>
#include <optional>

namespace qor {

// Whether an output is flushed to the disk before it replaces the old file. Without it a
// crash of the machine can still lose the new file, as with gzip or tar; a failed or
// interrupted conversion never can.
enum class Flush { ToDisk, No };

// An output file that replaces the old one only when it is complete: the bytes go to a new
// file beside it, which is renamed over the output by commit() and removed on failure. A
// failure logs one "ERROR:" line naming the file and the reason, and leaves the old file as
// it was. The new file takes the old one's permissions; an output path that holds anything
// but a regular file is refused.
class OutputFile {
public:
    OutputFile(const QString &path, LogSink &log, Flush flush = Flush::ToDisk);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();

private:
    bool fail(const QString &reason);

    const QString path_;
    LogSink &log_;
    const Flush flush_;
    QFile file_;
    std::optional<std::filesystem::perms> oldPermissions_; // of the file replaced, if any
    bool failed_ = false;
};

// Writes a whole file through OutputFile.
bool writeWholeFile(const QString &path, QByteArrayView bytes, LogSink &log, Flush flush = Flush::ToDisk);

} // namespace qor
