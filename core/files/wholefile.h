#pragma once

#include "core/format/bytes.h"
#include "core/format/logsink.h"

#include <cstddef>
#include <filesystem>

namespace qor {

// A whole input file, or why there is none.
struct WholeFile {
    enum Status { Read, NotOpened, Refused };
    Status status = NotOpened;
    Bytes bytes;

    explicit operator bool() const { return status == Read; }
};

// The whole file, logging "Read <bytes> 44". When it can't be opened or read: "File not found
// <path>" (NotOpened), and where the file is there all the same, an "ERROR:" line with the
// system's reason. A path that is not a regular file (a pipe, a device, a folder) or a file
// larger than `limit` is not read at all: one "ERROR:" line says why (Refused), so a stray
// /dev/zero or a pipe can neither hang a run nor fill the memory. `into` keeps its room for
// the next file.
WholeFile::Status readWholeFile(const std::filesystem::path &path, Bytes &into, LogSink &log, std::size_t limit);
WholeFile readWholeFile(const std::filesystem::path &path, LogSink &log, std::size_t limit);

} // namespace qor
