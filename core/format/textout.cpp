#include "core/format/textout.h"

#include "core/format/text.h"

#include <charconv>
#include <iterator>

namespace qor {

namespace {

std::string lowerHexadecimal(unsigned char byte)
{
    static constexpr char digits[] = "0123456789abcdef";
    return {digits[byte >> 4], digits[byte & 0xF]};
}

} // namespace


namespace {

constexpr std::size_t pieceSize = 1 << 16;

void appendLatin1(std::string &out, unsigned char byte)
{
    if (byte < 0x80) {
        out += char(byte);
    } else {
        out += char(0xC0 | (byte >> 6));
        out += char(0x80 | (byte & 0x3F));
    }
}

} // namespace

TextOut &TextOut::operator<<(std::string_view bytes)
{
    buffer_ += bytes;
    return spill();
}

TextOut &TextOut::operator<<(std::int64_t number)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    return *this << std::string_view(digits, std::size_t(end - digits));
}

TextOut &TextOut::latin1(std::string_view name)
{
    for (std::size_t at = 0; at < name.size(); ++at) {
        appendLatin1(buffer_, static_cast<unsigned char>(name[at]));
        if (at % pieceSize == pieceSize - 1)
            spill();
    }
    return spill();
}

void TextOut::jsonCharacter(char32_t character)
{
    static constexpr char hex[] = "0123456789abcdef";
    switch (character) {
    case '"': buffer_ += "\\\""; return;
    case '\\': buffer_ += "\\\\"; return;
    case '\b': buffer_ += "\\b"; return;
    case '\f': buffer_ += "\\f"; return;
    case '\n': buffer_ += "\\n"; return;
    case '\r': buffer_ += "\\r"; return;
    case '\t': buffer_ += "\\t"; return;
    default: break;
    }
    if (character < 0x20) {
        const char escape[] = {'\\', 'u', '0', '0', hex[character >> 4], hex[character & 0xF]};
        buffer_.append(escape, sizeof escape);
    } else {
        appendLatin1(buffer_, static_cast<unsigned char>(character));
    }
}

TextOut &TextOut::jsonLatin1(std::string_view name)
{
    buffer_ += '"';
    for (std::size_t at = 0; at < name.size(); ++at) {
        jsonCharacter(static_cast<unsigned char>(name[at]));
        if (at % pieceSize == pieceSize - 1)
            spill();
    }
    buffer_ += '"';
    return spill();
}

TextOut &TextOut::jsonUtf8(std::string_view text)
{
    buffer_ += '"';
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.front());
        const std::size_t length = utf8SequenceLength(text);
        if (byte < 0x80) {
            jsonCharacter(byte);
        } else if (length > 0) {
            // A character past U+007F goes as it is.
            buffer_.append(text.substr(0, length));
            text.remove_prefix(length - 1);
        } else {
            // A byte that is no part of UTF-8 (a path of another encoding) as the surrogate
            // U+DC00 + byte, as Python's surrogateescape writes it, so the bytes come back.
            buffer_ += "\\udc" + lowerHexadecimal(byte);
        }
        text.remove_prefix(1);
    }
    buffer_ += '"';
    return spill();
}

TextOut &TextOut::spill()
{
    if (buffer_.size() >= pieceSize)
        flush();
    return *this;
}

void TextOut::flush()
{
    if (!take_ || buffer_.empty())
        return;
    take_(buffer_);
    buffer_.clear();
}

} // namespace qor
