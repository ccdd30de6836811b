#pragma once

#include "core/logsink.h"

#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

namespace qor {

// An output file that replaces the old one only when it is complete: the bytes go to a
// temporary file beside it, which is renamed over the output by commit(). A failure logs
// one "ERROR:" line naming the file and the reason, and leaves the old file as it was.
class OutputFile {
public:
    OutputFile(const QString &path, LogSink &log);

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();

private:
    bool fail();

    QSaveFile file_;
    LogSink &log_;
    bool failed_ = false;
};

// Writes a whole file through OutputFile.
bool writeWholeFile(const QString &path, QByteArrayView bytes, LogSink &log);

} // namespace qor
