#include "core/textout.h"

#include <charconv>
#include <iterator>

namespace qor {

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
    for (const char byte : text) {
        // The bytes of a character past U+007F go as they are; those below take escapes.
        if (static_cast<unsigned char>(byte) >= 0x80)
            buffer_ += byte;
        else
            jsonCharacter(static_cast<unsigned char>(byte));
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
