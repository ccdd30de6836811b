#include "core/files/wholefile.h"

#include "core/format/container.h"
#include "core/format/layout.h"
#include "core/files/pathnames.h"
#include "core/files/systemfile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <system_error>


namespace qor {

namespace {

using FileStatus = systemfile::Status;
using systemfile::openForReading;
using systemfile::readSome;
using systemfile::statusOf;
int closeFile(int descriptor) { return systemfile::close(descriptor); }

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor()
    {
        if (descriptor_ >= 0)
            closeFile(descriptor_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

WholeFile::Status notOpened(const std::filesystem::path &path, int error, LogSink &log)
{
    log.logLine("File not found " + displayPath(path));
    // That line has always been the whole story; where the file is there all the same (but
    // may not be read, say), the system's reason follows.
    if (error != ENOENT && error != ENOTDIR)
        log.logLine("ERROR: cannot read " + displayPath(path) + ": " + std::generic_category().message(error));
    return WholeFile::NotOpened;
}

} // namespace

WholeFile::Status readWholeFile(const std::filesystem::path &path, Bytes &into, LogSink &log, std::size_t limit)
{
    into.clear();
    const Descriptor file(openForReading(path));
    if (file.get() < 0)
        return notOpened(path, errno, log);
    FileStatus status{};
    if (statusOf(file.get(), status) != 0)
        return notOpened(path, errno, log);
    if (!systemfile::isRegular(status)) {
        log.logLine("ERROR: " + displayPath(path) + " is not a regular file");
        return WholeFile::Refused;
    }
    const auto size = static_cast<unsigned long long>(status.st_size);
    if (size > limit) {
        log.logLine(tooLargeLine(displayPath(path), size, limit));
        return WholeFile::Refused;
    }
    // The size is a first guess: a file that grows while it is read is read to its end, up to the limit.
    into.resize(std::size_t(size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == into.size()) {
            if (into.size() > limit) {
                log.logLine("ERROR: " + displayPath(path) + " grew past the " + std::to_string(limit >> 20)
                            + " MiB such a file can have while it was read");
                return WholeFile::Refused;
            }
            into.resize(std::min(into.size() * 2, limit + 1));
        }
        const long got = readSome(file.get(), into.data() + used, into.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return notOpened(path, errno, log);
        if (got == 0)
            break;
        used += std::size_t(got);
    }
    into.resize(used);
    // The line has always carried the size of one transform record.
    log.logFormat("Read %d %d", int(std::min<std::size_t>(used, INT_MAX)), int(layout::transformRecordSize));
    return WholeFile::Read;
}

WholeFile readWholeFile(const std::filesystem::path &path, LogSink &log, std::size_t limit)
{
    WholeFile file;
    file.status = readWholeFile(path, file.bytes, log, limit);
    return file;
}

} // namespace qor
