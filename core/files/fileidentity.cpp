#include "core/files/fileidentity.h"

#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace qor {

namespace {

std::filesystem::path resolved(const std::filesystem::path &path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        absolute = path;
    const std::filesystem::path real = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : real;
}

} // namespace

std::string fileIdentity(const std::filesystem::path &path)
{
#ifndef _WIN32
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return "file " + std::to_string(status.st_dev) + ':' + std::to_string(status.st_ino);
#endif
    return "path " + resolved(path).string();
}

bool liesWithin(const std::filesystem::path &path, const std::filesystem::path &folder)
{
    const std::filesystem::path inner = resolved(path);
    const std::filesystem::path outer = resolved(folder);
    auto part = inner.begin();
    for (auto step = outer.begin(); step != outer.end(); ++step, ++part) {
        if (step->empty() && std::next(step) == outer.end())
            break; // a trailing separator
        if (part == inner.end() || *part != *step)
            return false;
    }
    return true;
}

} // namespace qor
