#include "core/compiler.h"

#include "core/bodywriter.h"
#include "core/container.h"
#include "core/conversionguard.h"
#include "core/outputfile.h"
#include "core/xmlreader.h"

namespace qor {

std::optional<QByteArray> compileText(QByteArrayView text, LogSink &log, std::vector<ReaderWarning> *warnings)
{
    Reanim reanim;
    if (!readReanimXml(text, reanim, log, warnings))
        return std::nullopt;
    const QByteArray body = serializeReanim(reanim);
    log.logLine(QLatin1String("Compress ..."));
    return frameBody(body);
}

std::optional<QByteArray> compiledFileOf(const QString &inPath, LogSink &log, std::vector<ReaderWarning> *warnings)
{
    const WholeFile text = readWholeFile(inPath, log, maxTextFileSize);
    if (text.status == WholeFile::Refused)
        return std::nullopt;
    log.logLine(QLatin1String("Compile ") + inPath);
    if (!text) {
        log.logLine(QLatin1String("open fail"));
        return std::nullopt;
    }
    return compileText(text.bytes, log, warnings);
}

namespace {

bool compile(const QString &inPath, const QString &outPath, LogSink &log, Flush flush, CompileWarnings *warnings)
{
    const auto file = compiledFileOf(inPath, log, warnings ? &warnings->found : nullptr);
    if (!file)
        return false;
    if (warnings && warnings->refuse && !warnings->found.empty()) {
        log.logLine(QLatin1String("ERROR: ") + inPath + QLatin1String(" has warnings (--strict); nothing was written"));
        return false;
    }
    if (!writeWholeFile(outPath, *file, log, flush))
        return false;
    log.logLine(QLatin1String("Compiled finish [") + outPath + QLatin1Char(']'));
    return true;
}

} // namespace

bool compileReanim(const QString &inPath, const QString &outPath, LogSink &log, Flush flush, CompileWarnings *warnings)
{
    return guardConversion(inPath, outPath, log, [&] { return compile(inPath, outPath, log, flush, warnings); });
}

} // namespace qor
