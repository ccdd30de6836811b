#include "core/format/linereader.h"

#include "core/format/numbers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace qor {

namespace {

// Thrown where the text leaves the decompiler's form; caught at the top.
struct OffTheForm {};

class LineReader {
public:
    LineReader(std::string_view text, bool quietNumbersOnly)
        : at_(text.data()), end_(text.data() + text.size()), quietNumbersOnly_(quietNumbersOnly)
    {
    }

    Reanim read()
    {
        Reanim reanim;
        if (skip("<fps>")) {
            reanim.fps = decimal(number());
            expect("</fps>\n");
        }
        while (at_ != end_) {
            expect("<track>\n<name>");
            ReanimTrack track;
            track.name = name();
            expect("</name>\n");
            track.transforms.reserve(frameLinesAhead());
            while (skip("<t>"))
                track.transforms.push_back(frame());
            expect("</track>\n");
            reanim.tracks.push_back(std::move(track));
        }
        return reanim;
    }

private:
    // The frame lines from here to the end of the track, counted ahead so that the frames
    // are stored once rather than copied as their array grows.
    size_t frameLinesAhead() const
    {
        const std::string_view rest(at_, size_t(end_ - at_));
        const size_t end = std::min(rest.find("</track>\n"), rest.size());
        size_t lines = 0;
        for (size_t line = 0; line < end && rest.compare(line, 3, "<t>") == 0; ++lines) {
            const size_t next = rest.find('\n', line);
            line = next == std::string_view::npos ? end : next + 1;
        }
        return lines;
    }

    bool skip(std::string_view literal)
    {
        if (size_t(end_ - at_) < literal.size() || std::memcmp(at_, literal.data(), literal.size()) != 0)
            return false;
        at_ += literal.size();
        return true;
    }

    void expect(std::string_view literal)
    {
        if (!skip(literal))
            throw OffTheForm{};
    }

    // A frame after its "<t>": elements of the frame's names, each holding plain text.
    ReanimTransform frame()
    {
        ReanimTransform frame;
        while (!skip("</t>\n")) {
            expect("<");
            const std::string_view tag = until('>');
            ++at_;
            if (const int field = indexOf(numberFields, tag); field >= 0)
                frame.*numberFields[size_t(field)].member = decimal(number());
            else if (const int string = indexOf(stringFields, tag); string >= 0)
                frame.*stringFields[size_t(string)].member = name();
            else
                throw OffTheForm{};
            expect("</");
            if (!skip(tag))
                throw OffTheForm{};
            expect(">");
        }
        return frame;
    }

    static int indexOf(const auto &fields, std::string_view tag)
    {
        for (size_t n = 0; n < fields.size(); ++n) {
            if (fields[n].tag == tag)
                return int(n);
        }
        return -1;
    }

    std::string_view until(char stop)
    {
        const char *const start = at_;
        const void *const found = std::memchr(at_, stop, size_t(end_ - at_));
        if (!found)
            throw OffTheForm{};
        at_ = static_cast<const char *>(found);
        return {start, size_t(at_ - start)};
    }

    // A number's value; with quietNumbersOnly, a number the general reader would warn about
    // (not a number, more decimals than a decompile writes) is left to it.
    float decimal(std::string_view text) const
    {
        if (!quietNumbersOnly_)
            return parseDecimal(text);
        const auto value = readDecimal(text);
        if (!value || decimalPlaces(text) > 3)
            throw OffTheForm{};
        return *value;
    }

    // The text of a number element: the characters the decompiler writes for numbers.
    std::string_view number()
    {
        const std::string_view text = until('<');
        for (const char c : text) {
            if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'n' || c == 'a' || c == 'i' || c == 'f'))
                throw OffTheForm{};
        }
        return text;
    }

    // A name as the decompiler writes it: printable ASCII, the three markup escapes and
    // Latin-1 characters in UTF-8. A name of blanks alone (written in CDATA) or too long for
    // the compiled form is left to the general reader, which knows what to do with it.
    std::string name()
    {
        const std::string_view text = until('<');
        std::string bytes;
        bytes.reserve(text.size());
        bool blanksOnly = true;
        for (size_t n = 0; n < text.size(); ++n) {
            char c = text[n];
            if (c == '&')
                n += escaped(text.substr(n), c);
            else if (c == char(0xC2) || c == char(0xC3))
                c = latin1(text, ++n, c);
            else if (c < 0x20 || c > 0x7E || c == '>')
                throw OffTheForm{};
            blanksOnly = blanksOnly && (c == ' ' || c == char(0x85) || c == char(0xA0));
            bytes += c;
        }
        if ((blanksOnly && !bytes.empty()) || bytes.size() > maxNameBytes)
            throw OffTheForm{};
        return bytes;
    }

    // The character of the escape at the start of `text`; returns the bytes it took less one.
    static size_t escaped(std::string_view text, char &c)
    {
        static constexpr std::array<std::pair<std::string_view, char>, 3> escapes{
            {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}}};
        for (const auto &[escape, character] : escapes) {
            if (text.starts_with(escape)) {
                c = character;
                return escape.size() - 1;
            }
        }
        throw OffTheForm{};
    }

    static char latin1(std::string_view text, size_t follower, char lead)
    {
        if (follower >= text.size() || (static_cast<unsigned char>(text[follower]) & 0xC0) != 0x80)
            throw OffTheForm{};
        return char(((lead & 0x03) << 6) | (text[follower] & 0x3F));
    }

    const char *at_;
    const char *const end_;
    const bool quietNumbersOnly_;
};

} // namespace

std::optional<Reanim> readDecompilerLines(std::string_view text, bool quietNumbersOnly)
{
    try {
        return LineReader(text, quietNumbersOnly).read();
    } catch (const OffTheForm &) {
        return std::nullopt;
    }
}

} // namespace qor
