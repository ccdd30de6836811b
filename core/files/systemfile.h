#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif
#ifdef __linux__
#include <sched.h>
#endif

// The few system calls the files library and the programs make, on POSIX systems and on
// Windows alike. The file calls return what the system call does (-1 with errno on failure).
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
inline bool isTerminal(std::FILE *stream) { return ::_isatty(::_fileno(stream)) != 0; }
// Nothing to do: Windows gives a program started without a stream no descriptor to reuse.
inline void holdClosedStandardStreams() {}
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
inline bool isTerminal(std::FILE *stream) { return ::isatty(::fileno(stream)) != 0; }
// A standard stream the program was started without must not be taken by the first file it
// opens, which would then receive what is meant for the stream: each gets a descriptor of its
// own that refuses writes, so output meant for a closed stream is an error, not lost.
inline void holdClosedStandardStreams()
{
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            const int held = ::open("/dev/null", O_RDONLY);
            if (held >= 0 && held != descriptor) {
                ::dup2(held, descriptor);
                ::close(held);
            }
        }
    }
}
#endif

// The processors this program may run on (its affinity, where the system says), at least 1.
inline int processorCount()
{
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1, int(std::thread::hardware_concurrency()));
}

inline bool isRegular(const Status &status)
{
    return (status.st_mode & S_IFMT) == S_IFREG;
}

} // namespace qor::systemfile
