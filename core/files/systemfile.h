#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

// The few file calls the files library makes, on POSIX systems and on Windows alike. Each
// returns what the system call does (-1 with errno on failure).
namespace qor::systemfile {

#ifdef _WIN32
using Status = struct _stat64;
inline int openForReading(const std::filesystem::path &path) { return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY); }
inline int openNew(const std::filesystem::path &path, int mode)
{
    return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, mode & 0200 ? _S_IREAD | _S_IWRITE : _S_IREAD);
}
inline int statusOf(int descriptor, Status &status) { return ::_fstat64(descriptor, &status); }
inline long readSome(int descriptor, std::uint8_t *into, std::size_t size)
{
    return ::_read(descriptor, into, unsigned(std::min<std::size_t>(size, 1u << 30)));
}
inline long writeSome(int descriptor, const char *data, std::size_t size)
{
    return ::_write(descriptor, data, unsigned(std::min<std::size_t>(size, 1u << 30)));
}
inline int sync(int descriptor) { return ::_commit(descriptor); }
inline int close(int descriptor) { return ::_close(descriptor); }
inline int processId() { return ::_getpid(); }
#else
using Status = struct stat;
// Not blocking: a pipe put where a file was checked must not hang a run before it is refused.
inline int openForReading(const std::filesystem::path &path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }
inline int openNew(const std::filesystem::path &path, int mode)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}
inline int statusOf(int descriptor, Status &status) { return ::fstat(descriptor, &status); }
inline long readSome(int descriptor, std::uint8_t *into, std::size_t size) { return long(::read(descriptor, into, size)); }
inline long writeSome(int descriptor, const char *data, std::size_t size) { return long(::write(descriptor, data, size)); }
inline int sync(int descriptor) { return ::fsync(descriptor); }
inline int close(int descriptor) { return ::close(descriptor); }
inline int processId() { return int(::getpid()); }
#endif

inline bool isRegular(const Status &status)
{
    return (status.st_mode & S_IFMT) == S_IFREG;
}

} // namespace qor::systemfile
