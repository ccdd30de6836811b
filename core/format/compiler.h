#pragma once

#include "core/format/bytes.h"
#include "core/format/logsink.h"
#include "core/format/xmlreader.h"

#include <optional>
#include <string_view>
#include <vector>

namespace qor {

// What a compile found in its text that the compiled file drops or changes, whether that stops
// it from writing anything, and the length of the body it made.
struct CompileDetails {
    std::vector<ReaderWarning> warnings;
    bool refuseWarnings = false;
    std::size_t bodySize = 0;
};

// Reusable room for a compile: a worker that keeps one spares the allocations of every file.
struct CompileBuffers {
    Bytes body;
};

// The compiled file of a reanim XML text, into `file`, logging the reader's lines and
// "Compress ..."; false after the log has said why. Given `details`, what the text holds that
// the compiled file drops or changes is collected there (and, if it asks, refused).
bool compileText(std::string_view text, Bytes &file, LogSink &log, CompileDetails *details = nullptr,
                 CompileBuffers *buffers = nullptr);
std::optional<Bytes> compileText(std::string_view text, LogSink &log, CompileDetails *details = nullptr);

} // namespace qor
