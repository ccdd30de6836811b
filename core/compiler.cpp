#include "core/compiler.h"

#include "core/bodywriter.h"
#include "core/container.h"
#include "core/outputfile.h"
#include "core/xmlreader.h"

namespace qor {

bool compileReanim(const QString &inPath, const QString &outPath, LogSink &log, Flush flush)
{
    const auto text = readWholeFile(inPath, log);
    log.logLine(QLatin1String("Compile ") + inPath);
    if (!text) {
        log.logLine(QLatin1String("open fail"));
        return false;
    }
    Reanim reanim;
    if (!readReanimXml(*text, reanim, log))
        return false;
    const QByteArray body = serializeReanim(reanim);
    log.logLine(QLatin1String("Compress ..."));
    if (!writeWholeFile(outPath, frameBody(body), log, flush))
        return false;
    log.logLine(QLatin1String("Compiled finish [") + outPath + QLatin1Char(']'));
    return true;
}

} // namespace qor
