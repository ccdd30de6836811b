#include "core/conversionguard.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <new>
#include <system_error>

namespace qor {

namespace {

bool sameFile(const QString &a, const QString &b)
{
    std::error_code error;
    return std::filesystem::equivalent(QFileInfo(a).filesystemFilePath(), QFileInfo(b).filesystemFilePath(), error);
}

} // namespace

bool guardConversion(const QString &inPath, const QString &outPath, LogSink &log, const std::function<bool()> &convert)
{
    if (sameFile(inPath, outPath)) {
        log.logLine(QLatin1String("ERROR: the output ") + QDir::toNativeSeparators(outPath)
                    + QLatin1String(" is the input itself; nothing was written"));
        return false;
    }
    try {
        return convert();
    } catch (const std::bad_alloc &) {
        log.logLine(QLatin1String("ERROR: not enough memory to convert ") + QDir::toNativeSeparators(inPath)
                    + QLatin1String("; nothing was written"));
        return false;
    }
}

} // namespace qor
