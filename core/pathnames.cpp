#include "core/pathnames.h"

#include "core/text.h"

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

std::string escaped(std::string_view bytes, bool controls)
{
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes.front());
        const std::size_t length = utf8SequenceLength(bytes);
        if (controls && byte == '\\') {
            out += "\\\\";
        } else if (length == 0 || (controls && (byte < 0x20 || byte == 0x7F))) {
            out += "\\x" + hexadecimal(byte, 2);
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length - 1);
        }
        bytes.remove_prefix(1);
    }
    return out;
}

} // namespace

std::string displayPath(const std::filesystem::path &path)
{
    return escaped(nativeBytes(path), false);
}

std::string escapedBytes(std::string_view bytes)
{
    return escaped(bytes, true);
}

std::string escapedPath(const std::filesystem::path &path)
{
    return escapedBytes(nativeBytes(path));
}

} // namespace qor
