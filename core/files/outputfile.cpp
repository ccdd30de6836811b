#include "core/files/outputfile.h"

#include "core/files/pathnames.h"
#include "core/files/systemfile.h"

#include <algorithm>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <random>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <csignal>
#include <stdio.h>
#endif

namespace qor {

namespace {

using systemfile::openNew;
using systemfile::processId;
using systemfile::writeSome;
int syncFile(int descriptor) { return systemfile::sync(descriptor); }
int closeFile(int descriptor) { return systemfile::close(descriptor); }

// Temporary names are short whatever the output's name, so an output whose name is as long
// as the file system allows can still be written, and say whose they are: ".qorutil-PID-XXXXXX".
constexpr std::string_view temporaryPrefix = ".qorutil-";

std::string temporaryName()
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(temporaryPrefix);
    name += std::to_string(processId());
    name += '-';
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int n = 0; n < 6; ++n)
        name += digits[random() % 36];
    return name;
}

// The process id a temporary name carries; nothing for any other name.
std::optional<long> ownerOf(std::string_view name)
{
    if (!name.starts_with(temporaryPrefix))
        return std::nullopt;
    name.remove_prefix(temporaryPrefix.size());
    long pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    const std::string_view rest(end, size_t(name.data() + name.size() - end));
    if (error != std::errc() || pid <= 0 || rest.size() != 7 || rest[0] != '-')
        return std::nullopt;
    for (const char c : rest.substr(1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return std::nullopt;
    }
    return pid;
}

bool processIsGone(long pid)
{
#ifdef _WIN32
    (void)pid;
    return false;
#else
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
#endif
}

std::string systemMessage(int error)
{
    return std::generic_category().message(error);
}

std::error_code replace(const std::filesystem::path &from, const std::filesystem::path &to, bool toExists)
{
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    // Swapping the new file with the old one and then removing the old one spares ext4 the
    // write-back it starts on every rename over an existing file: three times faster here.
    if (toExists && ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(from.c_str());
        return {};
    }
#else
    (void)toExists;
#endif
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return error;
}

} // namespace

OutputFile::OutputFile(const std::filesystem::path &path, LogSink &log, Flush flush)
    : target_(path), log_(log), flush_(flush)
{
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (descriptor_ >= 0)
        closeFile(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

bool OutputFile::open()
{
    std::error_code error;
    const auto old = std::filesystem::symlink_status(target_, error);
    if (std::filesystem::is_symlink(old))
        return fail("it is a symbolic link; outputs are never written through links");
    // Only a regular file is replaced: a folder, a pipe or a device keeps what it is.
    if (std::filesystem::exists(old) && !std::filesystem::is_regular_file(old))
        return fail("it exists and is not a regular file");
    if (std::filesystem::exists(old))
        oldMode_ = unsigned(old.permissions()) & 0777u;
    const std::filesystem::path folder = target_.parent_path();
    // A clash with another writer's name is all but impossible; a few tries rule it out.
    for (int attempt = 0; attempt < 8; ++attempt) {
        temporary_ = folder / temporaryName();
        // A file that replaces another stays private to its owner until it takes the old
        // one's permissions; a new one gets the usual ones.
        descriptor_ = openNew(temporary_, oldMode_ ? 0600 : 0666);
        if (descriptor_ >= 0)
            return true;
        const int reason = errno;
        temporary_.clear();
        if (reason != EEXIST)
            return failWithSystemError(reason);
    }
    return failWithSystemError(EEXIST);
}

bool OutputFile::write(std::string_view bytes)
{
    if (failed_ || descriptor_ < 0)
        return false;
    const char *data = bytes.data();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const long written = writeSome(descriptor_, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return failWithSystemError(errno);
        }
        data += written;
        left -= size_t(written);
    }
    return true;
}

bool OutputFile::commit()
{
    if (failed_ || descriptor_ < 0)
        return false;
    if (flush_ == Flush::ToDisk && syncFile(descriptor_) != 0)
        return failWithSystemError(errno);
#ifndef _WIN32
    if (oldMode_ && ::fchmod(descriptor_, mode_t(*oldMode_)) != 0)
        return failWithSystemError(errno);
#endif
    // A file system may report a failed write only when the file is closed.
    const int closed = closeFile(descriptor_);
    descriptor_ = -1;
    if (closed != 0)
        return failWithSystemError(errno);
    if (const std::error_code error = replace(temporary_, target_, oldMode_.has_value()))
        return failWithSystemError(error.value());
    temporary_.clear();
    return true;
}

bool OutputFile::failWithSystemError(int error)
{
    return fail(systemMessage(error));
}

bool OutputFile::fail(const std::string &reason)
{
    if (!failed_) {
        failed_ = true;
        log_.logLine("ERROR: cannot write " + displayPath(target_) + ": " + reason);
    }
    discard();
    return false;
}

bool writeWholeFile(const std::filesystem::path &path, std::string_view bytes, LogSink &log, Flush flush)
{
    OutputFile file(path, log, flush);
    return file.open() && file.write(bytes) && file.commit();
}

bool isTemporaryName(std::string_view name)
{
    return ownerOf(name).has_value();
}

int removeStaleTemporaries(const std::filesystem::path &folder)
{
    using namespace std::chrono_literals;
    int removed = 0;
    std::error_code error;
    for (std::filesystem::directory_iterator entries(folder, error), end; !error && entries != end;
         entries.increment(error)) {
        const std::optional<long> owner = ownerOf(entries->path().filename().string());
        if (!owner || *owner == processId() || !entries->is_regular_file(error))
            continue;
        const auto age = std::filesystem::file_time_type::clock::now() - entries->last_write_time(error);
        if (!error && (processIsGone(*owner) || age > 24h) && std::filesystem::remove(entries->path(), error))
            ++removed;
        error.clear();
    }
    return removed;
}

} // namespace qor
