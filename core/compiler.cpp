#include "core/compiler.h"

#include "core/bodywriter.h"
#include "core/container.h"
#include "core/conversionguard.h"
#include "core/outputfile.h"
#include "core/xmlreader.h"

namespace qor {

namespace {

bool compile(const QString &inPath, const QString &outPath, LogSink &log, Flush flush)
{
    const WholeFile text = readWholeFile(inPath, log, maxTextFileSize);
    if (text.status == WholeFile::Refused)
        return false;
    log.logLine(QLatin1String("Compile ") + inPath);
    if (!text) {
        log.logLine(QLatin1String("open fail"));
        return false;
    }
    Reanim reanim;
    if (!readReanimXml(text.bytes, reanim, log))
        return false;
    const QByteArray body = serializeReanim(reanim);
    log.logLine(QLatin1String("Compress ..."));
    if (!writeWholeFile(outPath, frameBody(body), log, flush))
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
