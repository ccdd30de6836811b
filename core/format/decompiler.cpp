#include "core/format/decompiler.h"

#include "core/format/bodywalker.h"
#include "core/format/messages.h"
#include "core/format/numbers.h"
#include "core/format/text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace qor {

namespace {

bool isBlank(char c)
{
    return isLatin1Space(c);
}

// Collects the text in a buffer of its own and hands it on in large pieces, to an output file
// or to memory. Every piece is bounded, so the buffer is checked for room once per piece and
// never grows.
class TextWriter {
public:
    using Destination = std::function<bool(std::string_view)>;

    explicit TextWriter(Destination destination)
        : destination_(std::move(destination)), buffer_(new char[capacity])
    {
    }

    void put(std::string_view text)
    {
        room(text.size());
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }

    // Room for `bytes` at the end of the text, to be written through the pointer returned
    // and then handed back with done().
    char *reserve(std::size_t bytes)
    {
        room(bytes);
        return buffer_.get() + used_;
    }
    void done(char *end) { used_ = std::size_t(end - buffer_.get()); }

    void frameRate(float value)
    {
        room(maxFixed3Length);
        used_ = std::size_t(writeFrameRate(buffer_.get() + used_, value) - buffer_.get());
    }

    // A name as text: cut at its first zero byte, markup characters escaped, bytes
    // 0x80-0xFF as the UTF-8 of their Latin-1 character.
    void name(std::string_view raw)
    {
        raw = raw.substr(0, raw.find('\0'));
        // The reader drops text made only of blanks; inside CDATA it is kept.
        const bool blanksOnly = !raw.empty() && std::all_of(raw.begin(), raw.end(), isBlank);
        if (blanksOnly)
            put("<![CDATA[");
        std::size_t plainStart = 0;
        for (std::size_t at = 0; at < raw.size(); ++at) {
            if (isPlainTextByte(raw[at]))
                continue;
            putLong(raw.substr(plainStart, at - plainStart));
            plainStart = at + 1;
            putEscaped(raw[at]);
        }
        putLong(raw.substr(plainStart));
        if (blanksOnly)
            put("]]>");
    }

    // False once the output has failed (it has reported why).
    bool ok() const { return ok_; }

    bool endLine()
    {
        put("\n");
        return ok_;
    }

    bool flush()
    {
        ok_ = destination_(std::string_view(buffer_.get(), used_)) && ok_;
        used_ = 0;
        return ok_;
    }

private:
    static constexpr std::size_t capacity = 256 * 1024;

    static bool isPlainTextByte(char c)
    {
        return c != '&' && c != '<' && c != '>' && c != '\r' && !(c & 0x80);
    }

    void room(std::size_t bytes)
    {
        if (capacity - used_ < bytes)
            flush();
    }

    // Text of any length, in pieces the buffer holds.
    void putLong(std::string_view text)
    {
        for (std::size_t at = 0; at < text.size(); at += capacity / 2)
            put(text.substr(at, capacity / 2));
    }

    void putEscaped(char c)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&')
            put("&amp;");
        else if (c == '<')
            put("&lt;");
        else if (c == '>')
            put("&gt;");
        else if (c == '\r') // a raw one would come back as a line feed
            put("&#13;");
        else {
            const char utf8[2] = {char(0xC0 | (byte >> 6)), char(0x80 | (byte & 0x3F))};
            put({utf8, 2});
        }
    }

    Destination destination_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

} // namespace

std::optional<char> unwritableCharacter(std::string_view name)
{
    // Up to the first zero byte, which ends a name.
    const auto end = std::find(name.begin(), name.end(), '\0');
    const auto isControl = [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n'; };
    const auto control = std::find_if(name.begin(), end, isControl);
    if (control == end)
        return std::nullopt;
    if (*control != '\r' || std::all_of(name.begin(), end, isBlank))
        return *control;
    // A carriage return in a name that is not all blanks is written as a reference.
    const auto other = std::find_if(control, end, [&](char c) { return isControl(c) && c != '\r'; });
    return other == end ? std::nullopt : std::optional<char>(*other);
}

namespace {

// The body walk's consumer that writes the reanim XML text, one line at a time. A name the
// text can't carry stops the walk with an "ERROR:" line rather than give a text that would
// not read back the same.
class TextConsumer {
public:
    TextConsumer(TextWriter &out, LogSink &log) : out_(out), log_(log) {}

    bool header(float fps, std::uint32_t)
    {
        out_.put("<fps>");
        out_.frameRate(fps);
        out_.put("</fps>");
        return out_.endLine();
    }

    bool beginTrack(std::uint32_t track, std::string_view name, std::uint32_t)
    {
        trackName_ = name;
        if (!writable(name, track, -1, "name"))
            return false;
        out_.put("<track>\n<name>");
        out_.name(name);
        out_.put("</name>");
        return out_.endLine();
    }

    bool frame(std::uint32_t track, std::uint32_t frame, const BodyFrame &values)
    {
        if (!writable(values.image, track, frame, "image name") || !writable(values.font, track, frame, "font name")
            || !writable(values.text, track, frame, "text"))
            return false;
        // Each tag padded to eight bytes, so it is copied as one word whatever its length.
        struct Tag {
            char text[8];
            std::size_t length;
        };
        static constexpr Tag opening[] = {{"<x>", 3}, {"<y>", 3}, {"<kx>", 4}, {"<ky>", 4},
                                          {"<sx>", 4}, {"<sy>", 4}, {"<f>", 3}, {"<a>", 3}};
        static constexpr Tag closing[] = {{"</x>", 4}, {"</y>", 4}, {"</kx>", 5}, {"</ky>", 5},
                                          {"</sx>", 5}, {"</sy>", 5}, {"</f>", 4}, {"</a>", 4}};
        constexpr std::size_t longestLine = 8 + 8 * (8 + maxFixed3Length + 8);
        char *line = out_.reserve(longestLine);
        std::memcpy(line, "<t>", 3);
        line += 3;
        for (size_t field = 0; field < values.fields.size(); ++field) {
            if (values.fields[field] == unsetValue)
                continue;
            std::memcpy(line, opening[field].text, 8);
            line = writeFixed3(line + opening[field].length, values.fields[field]);
            std::memcpy(line, closing[field].text, 8);
            line += closing[field].length;
        }
        if (!values.image.empty() || !values.font.empty() || !values.text.empty()) {
            out_.done(line);
            element("<i>", "</i>", values.image);
            element("<font>", "</font>", values.font);
            element("<text>", "</text>", values.text);
            line = out_.reserve(8);
        }
        std::memcpy(line, "</t>\n", 5);
        out_.done(line + 5);
        return out_.ok();
    }

    bool endTrack(std::uint32_t)
    {
        out_.put("</track>");
        return out_.endLine();
    }

private:
    bool writable(std::string_view name, std::uint32_t track, std::int64_t frame, const char *what)
    {
        if (name.empty())
            return true;
        const auto character = unwritableCharacter(name);
        if (!character)
            return true;
        const std::string where = frame < 0 ? std::string() : " of frame " + std::to_string(frame);
        log_.logLine("ERROR: " + trackLabel(track, trackName_) + ": the " + what + where + " holds the control character "
                     + codePointName(static_cast<unsigned char>(*character))
                     + ", which a reanim text can't hold; nothing was written");
        return false;
    }

    void element(std::string_view open, std::string_view close, std::string_view value)
    {
        if (value.empty())
            return;
        out_.put(open);
        out_.name(value);
        out_.put(close);
    }

    TextWriter &out_;
    LogSink &log_;
    std::string_view trackName_;
};

} // namespace

void logBodyEnded(std::size_t bodySize, const std::string &inside, LogSink &log)
{
    log.logLine("ERROR: the body ends at byte " + std::to_string(bodySize) + ", inside " + inside
                + "; nothing was written");
}

namespace {

// Walks the body into `text`; false after an "ERROR:" line.
bool writeText(ByteView body, TextWriter &text, LogSink &log)
{
    TextConsumer consumer(text, log);
    const BodyWalk walk = walkBody(body, consumer);
    if (walk.endedInside)
        logBodyEnded(body.size(), *walk.endedInside, log);
    return walk.complete() && text.flush();
}

} // namespace

bool decompileBody(ByteView body, const std::function<bool(std::string_view)> &write, LogSink &log)
{
    TextWriter text(write);
    return writeText(body, text, log);
}

bool decompileBodyToText(ByteView body, std::string &text, LogSink &log)
{
    text.clear();
    return decompileBody(body, [&](std::string_view piece) {
        text.append(piece);
        return true;
    }, log);
}

std::optional<std::string> decompileBodyToText(ByteView body, LogSink &log)
{
    std::string text;
    if (!decompileBodyToText(body, text, log))
        return std::nullopt;
    return text;
}

} // namespace qor
