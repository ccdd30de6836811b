#include "core/check.h"

#include "core/bodyreader.h"
#include "core/bytes.h"
#include "core/bodywalker.h"
#include "core/bodywriter.h"
#include "core/container.h"
#include "core/decompiler.h"
#include "core/messages.h"

#include <cmath>
#include <cstdio>
#include <variant>

namespace qor {

namespace {

// Keeps the reason of the last "ERROR:" line.
class LastError : public LogSink {
public:
    void logLine(std::string_view text) override
    {
        if (text.starts_with("ERROR: "))
            reason = std::string(text.substr(7));
    }
    std::string reason = "it could not be read";
};

// What a file comes to: a model, or the reason it does not read.
using Result = std::variant<Reanim, std::string>;

// The same number, bit for bit: a NaN's payload and sign are part of the value.
bool sameValue(float a, float b)
{
    return wordOf(a) == wordOf(b);
}

std::string number(float value)
{
    if (std::isnan(value))
        return std::signbit(value) || (wordOf(value) & 0x3FFFFF) != 0
                   ? "nan (0x" + std::string([&] {
                         char word[9];
                         std::snprintf(word, sizeof word, "%08X", wordOf(value));
                         return std::string(word);
                     }()) + ")"
                   : "nan";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

std::string quoted(std::string_view name)
{
    return '"' + printableName(name, 80) + '"';
}

std::optional<std::string> firstFrameDifference(const ReanimTransform &a, const ReanimTransform &b)
{
    for (const NumberField &field : numberFields) {
        if (!sameValue(a.*field.member, b.*field.member))
            return std::string(field.tag) + ' ' + number(a.*field.member) + " comes back as " + number(b.*field.member);
    }
    static constexpr std::string_view words[] = {"image", "font", "text"};
    for (std::size_t n = 0; n < stringFields.size(); ++n) {
        const std::string &before = a.*stringFields[n].member;
        const std::string &after = b.*stringFields[n].member;
        if (before != after)
            return std::string(words[n]) + ' ' + quoted(before) + " comes back as " + quoted(after);
    }
    return std::nullopt;
}

// The first value that is not the same in both, in words.
std::optional<std::string> firstDifference(const Reanim &a, const Reanim &b)
{
    if (!sameValue(a.fps, b.fps))
        return "the frame rate " + number(a.fps) + " comes back as " + number(b.fps);
    if (a.tracks.size() != b.tracks.size())
        return std::to_string(a.tracks.size()) + " tracks come back as " + std::to_string(b.tracks.size());
    for (std::size_t t = 0; t < a.tracks.size(); ++t) {
        const ReanimTrack &ta = a.tracks[t];
        const ReanimTrack &tb = b.tracks[t];
        const std::string track = trackLabel(t, ta.name);
        if (ta.name != tb.name)
            return track + ": the name comes back as " + quoted(tb.name);
        if (ta.transforms.size() != tb.transforms.size())
            return track + ": " + std::to_string(ta.transforms.size()) + " frames come back as "
                + std::to_string(tb.transforms.size());
        for (std::size_t f = 0; f < ta.transforms.size(); ++f) {
            if (const auto difference = firstFrameDifference(ta.transforms[f], tb.transforms[f]))
                return track + ", frame " + std::to_string(f) + ": " + *difference;
        }
    }
    return std::nullopt;
}

// The first name or string of a body that holds a zero byte, which the text can't carry: it
// ends the string there.
class ZeroByteFinder {
public:
    bool header(float, std::uint32_t) { return true; }
    bool beginTrack(std::uint32_t track, std::string_view name, std::uint32_t)
    {
        trackName_ = name.substr(0, name.find('\0'));
        return check(name, track, "the name", -1);
    }
    bool frame(std::uint32_t track, std::uint32_t frame, const BodyFrame &values)
    {
        return check(values.image, track, "the image name", frame) && check(values.font, track, "the font name", frame)
            && check(values.text, track, "the text", frame);
    }
    bool endTrack(std::uint32_t) { return true; }

    std::optional<std::string> found;

private:
    bool check(std::string_view bytes, std::uint32_t track, const char *what, std::int64_t frame)
    {
        const std::size_t zero = bytes.find('\0');
        if (zero == std::string_view::npos)
            return true;
        found = trackLabel(track, trackName_) + (frame < 0 ? std::string() : ", frame " + std::to_string(frame)) + ": "
            + what + " holds a zero byte at byte " + std::to_string(zero) + "; it comes back as "
            + quoted(bytes.substr(0, zero));
        return false;
    }

    std::string_view trackName_;
};

// The model a text compiles to, through the text of `body`.
Result throughText(ByteView body)
{
    LastError log;
    const auto text = decompileBodyToText(body, log);
    Reanim again;
    if (!text || !readReanimXml(*text, again, log))
        return log.reason;
    return again;
}

} // namespace

CheckResult checkCompiledFile(ByteView file)
{
    LastError log;
    const auto body = inflateCompiledFile(file, log);
    std::size_t end = 0;
    const auto model = body ? readReanimBody(*body, log, &end) : std::nullopt;
    if (!model)
        return {log.reason, {}, {}};
    if (end < body->size())
        return {{}, std::to_string(body->size() - end) + " bytes after the last track, which a decompile drops", {}};
    const Result again = throughText(*body);
    if (const auto *why = std::get_if<std::string>(&again))
        return {{}, "it does not come back: " + *why, {}};
    if (auto difference = firstDifference(*model, std::get<Reanim>(again)))
        return {{}, std::move(difference), {}};
    ZeroByteFinder zeros;
    walkBody(*body, zeros);
    return {{}, std::move(zeros.found), {}};
}

CheckResult checkText(std::string_view text)
{
    LastError log;
    CheckResult checked;
    Reanim model;
    if (!readReanimXml(text, model, log, &checked.warnings))
        return {log.reason, {}, std::move(checked.warnings)};
    const Result again = throughText(serializeReanim(model));
    if (const auto *why = std::get_if<std::string>(&again))
        checked.difference = "it does not come back: " + *why;
    else
        checked.difference = firstDifference(model, std::get<Reanim>(again));
    return checked;
}

CheckResult checkFile(ByteView bytes, FileKind kind)
{
    return kind == FileKind::Compiled ? checkCompiledFile(bytes) : checkText(charsOf(bytes));
}

} // namespace qor
