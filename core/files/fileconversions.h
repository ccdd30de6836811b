#pragma once

#include "core/format/bytes.h"
#include "core/format/compiler.h"
#include "core/format/loader.h"
#include "core/format/logsink.h"
#include "core/files/outputfile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// The conversions from file to file, as the window and the command line run them. Every
// outcome is reported through the log; each returns whether its output was written.

// Room a worker keeps from file to file, so that a batch does not allocate (and fault in) fresh
// buffers for every file.
struct ConversionBuffers {
    Bytes file;
    Bytes body;
    std::string text;
    CompileBuffers compile;
};

// Decompile: the compiled reanim file at `inPath` as reanim XML text at `outPath`.
bool decompileFile(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log,
                   Flush flush = Flush::ToDisk, ConversionBuffers *buffers = nullptr);

// Compile: the reanim XML text at `inPath` as a compiled reanim file at `outPath`. `details`
// as for compileText.
bool compileFile(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log,
                 Flush flush = Flush::ToDisk, CompileDetails *details = nullptr, ConversionBuffers *buffers = nullptr);

// The lines a conversion says of its file, given its path as shown: once the compiled file is
// read, and once the output is written (a stream's path is "-").
std::string decompressLine(std::string_view shownPath);
std::string finishLine(bool decompiled, std::string_view shownPath);

// The inflated body of the compiled file at `path`; false (nothing) after an "ERROR:" line.
bool loadCompiledBody(const std::filesystem::path &path, Bytes &body, LogSink &log, Bytes *file = nullptr);
std::optional<Bytes> loadCompiledBody(const std::filesystem::path &path, LogSink &log);

// The compiled file of the text at `path`, in memory, logging as Compile does up to
// "Compress ..."; false (nothing) after the log has said why.
bool compiledFileOf(const std::filesystem::path &path, Bytes &file, LogSink &log, CompileDetails *details = nullptr,
                    ConversionBuffers *buffers = nullptr);
std::optional<Bytes> compiledFileOf(const std::filesystem::path &path, LogSink &log, CompileDetails *details = nullptr);

// Reads and decodes the file at `path`, of either form, told apart as kindOf (namerules.h) tells it.
std::optional<LoadedAnimation> loadAnimation(const std::filesystem::path &path, LogSink &log);

} // namespace qor
