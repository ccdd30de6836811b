#include "core/pathnames.h"

#include <QFile>

namespace qor {

std::filesystem::path fileSystemPath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

std::optional<QString> qtPath(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    const std::string &bytes = path.native();
    QString text = QFile::decodeName(QByteArray::fromStdString(bytes));
    if (QFile::encodeName(text).toStdString() != bytes)
        return std::nullopt;
    return text;
#endif
}

namespace {

// The length of the valid UTF-8 sequence at the start of `bytes`, or 0.
size_t utf8SequenceLength(std::string_view bytes)
{
    const auto byte = [&](size_t n) { return static_cast<unsigned char>(bytes[n]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, minimum = 0x80, code = lead & 0x1Fu;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, minimum = 0x800, code = lead & 0x0Fu;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, minimum = 0x10000, code = lead & 0x07u;
    else
        return 0;
    if (bytes.size() < length)
        return 0;
    for (size_t n = 1; n < length; ++n) {
        if ((byte(n) & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (byte(n) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string escapedBytes(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes.front());
        const size_t length = utf8SequenceLength(bytes);
        if (byte == '\\') {
            out += "\\\\";
        } else if (length == 0 || byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out.append(bytes.substr(0, length));
            bytes.remove_prefix(length - 1);
        }
        bytes.remove_prefix(1);
    }
    return out;
}

std::string escapedPath(const std::filesystem::path &path)
{
#ifdef _WIN32
    return escapedBytes(path.string());
#else
    return escapedBytes(path.native());
#endif
}

} // namespace qor
