#include "core/files/pathnames.h"

#include "core/format/text.h"

namespace qor {

namespace {

std::string nativeBytes(const std::filesystem::path &path)
{
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.native();
#endif
}

} // namespace

std::string displayPath(const std::filesystem::path &path)
{
    return escapedText(nativeBytes(path), false);
}

std::string escapedPath(const std::filesystem::path &path)
{
    return escapedBytes(nativeBytes(path));
}

} // namespace qor
