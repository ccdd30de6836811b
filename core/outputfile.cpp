#include "core/outputfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#endif

namespace qor {

namespace {

// Beside the output, so the rename stays on one file system; hidden, so a folder listing
// or a later walk over the folder does not take it for an input.
QString temporaryNameFor(const QString &path)
{
    qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
#ifdef Q_OS_WIN
    nameStart = std::max(nameStart, path.lastIndexOf(QLatin1Char('\\')) + 1);
#endif
    return path.left(nameStart) + QLatin1Char('.') + path.mid(nameStart) + QLatin1Char('.')
        + QString::number(QRandomGenerator::global()->generate(), 36);
}

bool flushToDisk(QFile &file)
{
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

std::error_code replace(const QString &from, const QString &to, bool toExists)
{
#if defined(Q_OS_LINUX) && defined(RENAME_EXCHANGE)
    // Swapping the new file with the old one and then removing the old one spares ext4 the
    // write-back it starts on every rename over an existing file: three times faster here.
    const QByteArray fromName = QFile::encodeName(from);
    if (toExists && ::renameat2(AT_FDCWD, fromName.constData(), AT_FDCWD, QFile::encodeName(to).constData(), RENAME_EXCHANGE) == 0) {
        ::unlink(fromName.constData());
        return {};
    }
#else
    Q_UNUSED(toExists);
#endif
    std::error_code error;
    std::filesystem::rename(QFileInfo(from).filesystemFilePath(), QFileInfo(to).filesystemFilePath(), error);
    return error;
}

} // namespace

OutputFile::OutputFile(const QString &path, LogSink &log, Flush flush) : path_(path), log_(log), flush_(flush) {}

OutputFile::~OutputFile()
{
    if (file_.isOpen()) {
        file_.close();
        file_.remove();
    }
}

bool OutputFile::open()
{
    std::error_code error;
    const auto old = std::filesystem::status(QFileInfo(path_).filesystemFilePath(), error);
    // Only a regular file is replaced: a folder, a pipe or a device keeps what it is.
    if (std::filesystem::exists(old) && !std::filesystem::is_regular_file(old))
        return fail(QStringLiteral("it exists and is not a regular file"));
    if (std::filesystem::exists(old))
        oldPermissions_ = old.permissions();
    // A clash with another writer's name is all but impossible; a few tries rule it out.
    for (int attempt = 0; attempt < 8; ++attempt) {
        file_.setFileName(temporaryNameFor(path_));
        if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!QFileInfo::exists(file_.fileName()))
            break;
    }
    return fail(file_.errorString());
}

bool OutputFile::write(QByteArrayView bytes)
{
    if (failed_)
        return false;
    return file_.write(bytes.data(), bytes.size()) == bytes.size() || fail(file_.errorString());
}

bool OutputFile::commit()
{
    if (failed_)
        return false;
    if (flush_ == Flush::ToDisk ? !flushToDisk(file_) : !file_.flush())
        return fail(file_.errorString());
    file_.close();
    std::error_code error;
    if (oldPermissions_)
        std::filesystem::permissions(QFileInfo(file_.fileName()).filesystemFilePath(), *oldPermissions_, error);
    if (!error)
        error = replace(file_.fileName(), path_, oldPermissions_.has_value());
    if (error) {
        file_.remove();
        return fail(QString::fromLocal8Bit(error.message()));
    }
    return true;
}

bool OutputFile::fail(const QString &reason)
{
    if (!failed_) {
        failed_ = true;
        log_.logLine(QLatin1String("ERROR: cannot write ") + QDir::toNativeSeparators(path_) + QLatin1String(": ")
                     + reason);
        if (file_.isOpen()) {
            file_.close();
            file_.remove();
        }
    }
    return false;
}

bool writeWholeFile(const QString &path, QByteArrayView bytes, LogSink &log, Flush flush)
{
    OutputFile file(path, log, flush);
    return file.open() && file.write(bytes) && file.commit();
}

} // namespace qor
