#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small text helpers for log lines and the reader, where names are Latin-1 bytes and texts UTF-8.
namespace qor {

// Latin-1 bytes as UTF-8 text.
std::string latin1ToUtf8(std::string_view latin1);

// Whether a Latin-1 character is white space (tab to carriage return, space, NEL, no-break space).
bool isLatin1Space(char c);

// Text without the ASCII white space (space, tab to carriage return) at its ends.
std::string_view trimAsciiSpace(std::string_view text);

// UTF-8 text without the white space at its ends, Unicode's spaces included.
std::string_view trimmed(std::string_view utf8);

// How many UTF-16 code units well-formed UTF-8 text takes: a column as editors count it.
std::size_t utf16Length(std::string_view utf8);

// The length of the well-formed UTF-8 sequence at the start of `bytes`, or 0 when there is none.
std::size_t utf8SequenceLength(std::string_view bytes);

// `value` in upper-case hexadecimal, with zeros in front up to `width` digits.
std::string hexadecimal(unsigned long value, int width);

// Text for one line of a message: printable UTF-8 as it is, and each byte that is a control
// character or not valid UTF-8 as \xHH (a backslash as \\), so a name with a line feed or with
// bytes of another encoding stays one line and can be told apart from any other. Without
// `controls`, only the bytes that are not UTF-8 are escaped.
std::string escapedText(std::string_view bytes, bool controls);
inline std::string escapedBytes(std::string_view bytes)
{
    return escapedText(bytes, true);
}

// A code point as "U+00E9".
std::string codePointName(char32_t codePoint);

} // namespace qor
