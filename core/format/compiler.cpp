#include "core/format/compiler.h"

#include "core/format/bodywriter.h"
#include "core/format/container.h"

namespace qor {

bool compileText(std::string_view text, Bytes &file, LogSink &log, CompileDetails *details, CompileBuffers *buffers)
{
    CompileBuffers own;
    Bytes &body = (buffers ? *buffers : own).body;
    {
        // The model goes once the body is written, before the stream takes room of its own.
        Reanim reanim;
        if (!readReanimXml(text, reanim, log, details ? &details->warnings : nullptr))
            return false;
        if (details && details->refuseWarnings && !details->warnings.empty()) {
            log.logLine("ERROR: the text has warnings, and warnings fail a strict compile; nothing was written");
            return false;
        }
        serializeReanim(reanim, body);
    }
    if (details)
        details->bodySize = body.size();
    log.logLine("Compress ...");
    wrapBody(body, file);
    return true;
}

std::optional<Bytes> compileText(std::string_view text, LogSink &log, CompileDetails *details)
{
    Bytes file;
    if (!compileText(text, file, log, details))
        return std::nullopt;
    return file;
}

} // namespace qor
