#pragma once

#include "core/format/logsink.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace qor {

// Whether an output is flushed to the disk before it replaces the old file. Without it a
// crash of the machine can still lose the new file, as with gzip or tar; a failed or
// interrupted conversion never can.
enum class Flush { ToDisk, No };

// An output file that replaces the old one only when it is complete: the bytes go to a new
// hidden file beside it, which is renamed over the output by commit() and removed on failure.
// A failure logs one "ERROR:" line naming the file and the system's reason, and leaves the old
// file as it was.
//
// The new file takes the old one's permissions, less any setuid or setgid bit, and is only
// ever readable by its owner until then. An output path that holds anything but a regular
// file is refused, and so is a symbolic link: an output is never written through a link.
class OutputFile {
public:
    OutputFile(const std::filesystem::path &path, LogSink &log, Flush flush = Flush::ToDisk);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool open();
    bool write(std::string_view bytes);
    bool commit();

private:
    bool fail(const std::string &reason);
    bool failWithSystemError(int error);
    void discard();

    const std::filesystem::path target_;
    LogSink &log_;
    const Flush flush_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    std::optional<unsigned> oldMode_; // permission bits of the file replaced, if any
    bool failed_ = false;
};

// Writes a whole file through OutputFile.
bool writeWholeFile(const std::filesystem::path &path, std::string_view bytes, LogSink &log, Flush flush = Flush::ToDisk);

// Whether `name` is the name of an output's hidden temporary file.
bool isTemporaryName(std::string_view name);

// Removes the temporary files in `folder` that an earlier run left behind when it was killed:
// only those named as ours whose process is gone (or, where that can't be told, that are more
// than a day old). Returns how many were removed.
int removeStaleTemporaries(const std::filesystem::path &folder);

} // namespace qor
