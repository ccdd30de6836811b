#include "core/files/fileconversions.h"

#include "core/format/container.h"
#include "core/files/conversionguard.h"
#include "core/files/namerules.h"
#include "core/format/decompiler.h"
#include "core/files/pathnames.h"
#include "core/files/wholefile.h"

namespace qor {

namespace {

bool decompile(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log, Flush flush,
               ConversionBuffers &buffers)
{
    if (!loadCompiledBody(inPath, buffers.body, log, &buffers.file))
        return false;
    log.logLine(decompressLine(displayPath(inPath)));
    OutputFile file(outPath, log, flush);
    if (!file.open())
        return false;
    if (!decompileBody(buffers.body, [&](std::string_view piece) { return file.write(piece); }, log) || !file.commit())
        return false;
    log.logLine(finishLine(true, displayPath(outPath)));
    return true;
}

bool compile(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log, Flush flush,
             CompileDetails *details, ConversionBuffers &buffers)
{
    if (!compiledFileOf(inPath, buffers.body, log, details, &buffers))
        return false;
    if (!writeWholeFile(outPath, charsOf(buffers.body), log, flush))
        return false;
    log.logLine(finishLine(false, displayPath(outPath)));
    return true;
}

} // namespace

std::string decompressLine(std::string_view shownPath)
{
    return "Decompress [" + std::string(shownPath) + "] ...";
}

std::string finishLine(bool decompiled, std::string_view shownPath)
{
    return (decompiled ? "Decompile finish [" : "Compiled finish [") + std::string(shownPath) + ']';
}

bool decompileFile(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log, Flush flush,
                   ConversionBuffers *buffers)
{
    ConversionBuffers own;
    return guardConversion(inPath, outPath, log,
                           [&] { return decompile(inPath, outPath, log, flush, buffers ? *buffers : own); });
}

bool compileFile(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log, Flush flush,
                 CompileDetails *details, ConversionBuffers *buffers)
{
    ConversionBuffers own;
    return guardConversion(inPath, outPath, log,
                           [&] { return compile(inPath, outPath, log, flush, details, buffers ? *buffers : own); });
}

bool loadCompiledBody(const std::filesystem::path &path, Bytes &body, LogSink &log, Bytes *file)
{
    Bytes own;
    Bytes &bytes = file ? *file : own;
    const WholeFile::Status status = readWholeFile(path, bytes, log, maxCompiledFileSize);
    if (status == WholeFile::NotOpened)
        log.logFormat("ERROR: incorrect header");
    return status == WholeFile::Read && inflateCompiledFile(bytes, body, log);
}

std::optional<Bytes> loadCompiledBody(const std::filesystem::path &path, LogSink &log)
{
    Bytes body;
    if (!loadCompiledBody(path, body, log))
        return std::nullopt;
    return body;
}

bool compiledFileOf(const std::filesystem::path &path, Bytes &file, LogSink &log, CompileDetails *details,
                    ConversionBuffers *buffers)
{
    ConversionBuffers own;
    ConversionBuffers &room = buffers ? *buffers : own;
    const WholeFile::Status status = readWholeFile(path, room.file, log, maxTextFileSize);
    if (status == WholeFile::Refused)
        return false;
    log.logLine("Compile " + displayPath(path));
    if (status != WholeFile::Read) {
        log.logLine("open fail");
        return false;
    }
    return compileText(charsOf(room.file), file, log, details, &room.compile);
}

std::optional<Bytes> compiledFileOf(const std::filesystem::path &path, LogSink &log, CompileDetails *details)
{
    Bytes file;
    if (!compiledFileOf(path, file, log, details))
        return std::nullopt;
    return file;
}

std::optional<LoadedAnimation> loadAnimation(const std::filesystem::path &path, LogSink &log)
{
    const WholeFile file = readWholeFile(path, log, maxCompiledFileSize);
    if (!file)
        return std::nullopt;
    return decodeAnimation(file.bytes, kindOf(path.filename().string(), file.bytes), log);
}

} // namespace qor
