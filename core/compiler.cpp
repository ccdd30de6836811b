#include "core/compiler.h"

#include "core/bodywriter.h"
#include "core/container.h"
#include "core/conversionguard.h"
#include "core/outputfile.h"
#include "core/xmlreader.h"

namespace qor {

std::optional<QByteArray> compiledFileOf(const QString &inPath, LogSink &log)
{
    const WholeFile text = readWholeFile(inPath, log, maxTextFileSize);
    if (text.status == WholeFile::Refused)
        return std::nullopt;
    log.logLine(QLatin1String("Compile ") + inPath);
    if (!text) {
        log.logLine(QLatin1String("open fail"));
        return std::nullopt;
    }
    Reanim reanim;
    if (!readReanimXml(text.bytes, reanim, log))
        return std::nullopt;
    const QByteArray body = serializeReanim(reanim);
    log.logLine(QLatin1String("Compress ..."));
    return frameBody(body);
}

namespace {

bool compile(const QString &inPath, const QString &outPath, LogSink &log, Flush flush)
{
    const auto file = compiledFileOf(inPath, log);
    if (!file || !writeWholeFile(outPath, *file, log, flush))
        return false;
    log.logLine(QLatin1String("Compiled finish [") + outPath + QLatin1Char(']'));
    return true;
}

} // namespace

bool compileReanim(const QString &inPath, const QString &outPath, LogSink &log, Flush flush)
{
    return guardConversion(inPath, outPath, log, [&] { return compile(inPath, outPath, log, flush); });
}

} // namespace qor
