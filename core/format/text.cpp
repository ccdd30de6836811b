#include "core/format/text.h"

#include <cstdint>

namespace qor {

std::string latin1ToUtf8(std::string_view latin1)
{
    std::string text;
    text.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += char(0xC0 | (byte >> 6));
            text += char(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

bool isLatin1Space(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x09 && byte <= 0x0D) || byte == 0x20 || byte == 0x85 || byte == 0xA0;
}

std::size_t utf8SequenceLength(std::string_view bytes)
{
    if (bytes.empty())
        return 0;
    const auto byte = [&](std::size_t n) { return static_cast<unsigned char>(bytes[n]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
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
    for (std::size_t n = 1; n < length; ++n) {
        if ((byte(n) & 0xC0u) != 0x80u)
            return 0;
        code = (code << 6) | (byte(n) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

namespace {

// The code point of the well-formed sequence of `length` bytes at `at`.
char32_t decode(std::string_view text, std::size_t at, std::size_t length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t n = 1; n < length; ++n)
        code = (code << 6) | (static_cast<unsigned char>(text[at + n]) & 0x3Fu);
    return code;
}

// Unicode's white space, as text editors and Qt's trimming count it.
bool isSpace(char32_t code)
{
    return (code >= 0x09 && code <= 0x0D) || code == 0x20 || code == 0x85 || code == 0xA0 || code == 0x1680
        || (code >= 0x2000 && code <= 0x200A) || code == 0x2028 || code == 0x2029 || code == 0x202F || code == 0x205F
        || code == 0x3000;
}

} // namespace

std::string_view trimAsciiSpace(std::string_view text)
{
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view trimmed(std::string_view utf8)
{
    std::size_t start = 0;
    while (start < utf8.size()) {
        const std::size_t length = utf8SequenceLength(utf8.substr(start));
        if (length == 0 || !isSpace(decode(utf8, start, length)))
            break;
        start += length;
    }
    std::size_t end = utf8.size();
    while (end > start) {
        std::size_t begin = end - 1;
        while (begin > start && (static_cast<unsigned char>(utf8[begin]) & 0xC0u) == 0x80u)
            --begin;
        const std::size_t length = utf8SequenceLength(utf8.substr(begin, end - begin));
        if (length != end - begin || !isSpace(decode(utf8, begin, length)))
            break;
        end = begin;
    }
    return utf8.substr(start, end - start);
}

std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0u) != 0x80u)
            units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string hexadecimal(unsigned long value, int width)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (int(text.size()) < width)
        text.insert(0, std::size_t(width) - text.size(), '0');
    return text;
}

std::string escapedText(std::string_view bytes, bool controls)
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

std::string codePointName(char32_t codePoint)
{
    return "U+" + hexadecimal(codePoint, 4);
}

} // namespace qor
