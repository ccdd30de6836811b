#include "qt/qtcore.h"

#include "core/files/pathnames.h"

#include <QFile>

#include <cstdint>
#include <string>

namespace qorqt {

namespace {

constexpr char16_t keptByteBase = 0xDC00; // a byte B that is not UTF-8 is kept as B + this

// The length of the well-formed UTF-8 sequence at the start of `bytes` and its code point;
// 0 when the first byte starts none.
std::size_t utf8Sequence(std::string_view bytes, char32_t &point)
{
    const auto byte = [&](std::size_t at) { return std::uint8_t(bytes[at]); };
    const std::uint8_t lead = byte(0);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4                 ? 4
                                                                            : 0;
    if (length == 0 || length > bytes.size())
        return 0;
    point = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t at = 1; at < length; ++at) {
        if ((byte(at) & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (byte(at) & 0x3F);
    }
    constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

void appendUtf8(std::string &bytes, char32_t point)
{
    if (point < 0x80) {
        bytes += char(point);
    } else if (point < 0x800) {
        bytes += char(0xC0 | (point >> 6));
        bytes += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        bytes += char(0xE0 | (point >> 12));
        bytes += char(0x80 | ((point >> 6) & 0x3F));
        bytes += char(0x80 | (point & 0x3F));
    } else {
        bytes += char(0xF0 | (point >> 18));
        bytes += char(0x80 | ((point >> 12) & 0x3F));
        bytes += char(0x80 | ((point >> 6) & 0x3F));
        bytes += char(0x80 | (point & 0x3F));
    }
}

} // namespace

QString fromArgument(std::string_view bytes)
{
#ifdef _WIN32
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
#else
    std::u32string points;
    while (!bytes.empty()) {
        char32_t point = 0;
        std::size_t length = utf8Sequence(bytes, point);
        if (length == 0) {
            point = keptByteBase + std::uint8_t(bytes.front());
            length = 1;
        }
        points += point;
        bytes.remove_prefix(length);
    }
    // Lone surrogates pass as they are: QString holds UTF-16 units, checked by nobody here.
    QString text;
    for (const char32_t point : points) {
        if (point < 0x10000) {
            text += QChar(char16_t(point));
        } else {
            text += QChar(QChar::highSurrogate(point));
            text += QChar(QChar::lowSurrogate(point));
        }
    }
    return text;
#endif
}

std::filesystem::path toPath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    std::string bytes;
    for (qsizetype at = 0; at < path.size(); ++at) {
        const char16_t unit = path[at].unicode();
        if (QChar::isHighSurrogate(unit) && at + 1 < path.size() && QChar::isLowSurrogate(path[at + 1].unicode())) {
            appendUtf8(bytes, QChar::surrogateToUcs4(unit, path[++at].unicode()));
        } else if (unit >= keptByteBase + 0x80 && unit <= keptByteBase + 0xFF) {
            bytes += char(unit - keptByteBase);
        } else {
            appendUtf8(bytes, QChar::isSurrogate(unit) ? char32_t(QChar::ReplacementCharacter) : char32_t(unit));
        }
    }
    return std::filesystem::path(bytes);
#endif
}

std::optional<QString> fromPath(const std::filesystem::path &path)
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

QString shownPath(const std::filesystem::path &path)
{
    return fromUtf8(qor::escapedPath(path));
}

} // namespace qorqt
