#include "core/outputfile.h"

#include <QDir>

namespace qor {

OutputFile::OutputFile(const QString &path, LogSink &log) : file_(path), log_(log) {}

bool OutputFile::open()
{
    return file_.open(QIODevice::WriteOnly) || fail();
}

bool OutputFile::write(QByteArrayView bytes)
{
    if (failed_)
        return false;
    return file_.write(bytes.data(), bytes.size()) == bytes.size() || fail();
}

bool OutputFile::commit()
{
    if (failed_)
        return false;
    return file_.commit() || fail();
}

bool OutputFile::fail()
{
    if (!failed_) {
        failed_ = true;
        log_.logLine(QLatin1String("ERROR: cannot write ") + QDir::toNativeSeparators(file_.fileName())
                     + QLatin1String(": ") + file_.errorString());
        file_.cancelWriting();
    }
    return false;
}

bool writeWholeFile(const QString &path, QByteArrayView bytes, LogSink &log)
{
    OutputFile file(path, log);
    return file.open() && file.write(bytes) && file.commit();
}

} // namespace qor
