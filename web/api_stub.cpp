// STAND-IN for web/api.cpp, used until the format core builds for WebAssembly. It implements
// web/api.h over a deliberately small model of its own: enough to drive the page, its worker,
// downloads, archives and drawing end to end, not the command line's behaviour. It reads
// compiled files and texts in the line form the decompiler writes; it knows none of the
// reader's warnings and few of the converters' error lines. Nothing here is to be kept: the
// build takes web/api.cpp as soon as that file exists.

#include "web/api.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <string_view>

namespace web {

namespace {

constexpr float unset = -10000.0f;
constexpr std::uint32_t magic = 0xDEADFED4;
constexpr std::size_t maxBody = std::size_t(1) << 30;
constexpr const char *fieldNames[8] = {"x", "y", "kx", "ky", "sx", "sy", "f", "a"};

struct Frame {
    float fields[8] = {unset, unset, unset, unset, unset, unset, unset, unset};
    std::string strings[3]; // image, font, text: Latin-1 bytes
};

struct Track {
    std::string name;
    std::vector<Frame> frames;
};

struct Model {
    float fps = 12.0f;
    std::vector<Track> tracks;
    std::size_t bodyEnd = 0; // where the last track ended in the body read
    std::size_t bodySize = 0;
};

// Either a value or the words of an "ERROR:" line.
template <typename T>
struct Result {
    std::optional<T> value;
    std::string why;
};

// The library of the WebAssembly toolchain (libc++ 13) has no std::bit_cast yet.
std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float floatOf(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool endsWith(std::string_view text, std::string_view end)
{
    if (text.size() < end.size())
        return false;
    return std::equal(end.begin(), end.end(), text.end() - std::ptrdiff_t(end.size()),
                      [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); });
}

std::uint32_t word(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16
           | std::uint32_t(bytes[at + 3]) << 24;
}

bool isCompiled(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 4 && word(bytes, 0) == magic;
}

std::string kindByName(const std::string &name, std::span<const std::uint8_t> bytes)
{
    if (endsWith(name, ".compiled"))
        return "compiled";
    if (endsWith(name, ".reanim"))
        return "text";
    return isCompiled(bytes) ? "compiled" : "text";
}

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += char(0xC0 | byte >> 6);
            text += char(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

Result<Bytes> inflateBody(std::span<const std::uint8_t> file)
{
    if (!isCompiled(file))
        return {std::nullopt, "incorrect header"};
    if (file.size() <= 8 || word(file, 4) == 0)
        return {std::nullopt, "no compressed body follows the header"};
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {std::nullopt, "the decompressor could not start"};
    // A deflate byte stands for at most 1032 bytes: the size word is believed only that far.
    const std::size_t most = std::min<std::size_t>((file.size() - 8) * 1032, maxBody);
    Bytes body(std::max<std::size_t>(std::min<std::size_t>(word(file, 4), most), 1024));
    stream.next_in = const_cast<Bytef *>(file.data() + 8);
    stream.avail_in = uInt(file.size() - 8);
    std::size_t produced = 0;
    for (;;) {
        if (produced == body.size()) {
            if (body.size() >= maxBody) {
                inflateEnd(&stream);
                return {std::nullopt, "the body inflates to more than 1024 MiB"};
            }
            body.resize(std::min(body.size() * 2, maxBody));
        }
        stream.next_out = body.data() + produced;
        stream.avail_out = uInt(body.size() - produced);
        const int status = inflate(&stream, Z_NO_FLUSH);
        produced = body.size() - stream.avail_out;
        if (status == Z_STREAM_END)
            break;
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            inflateEnd(&stream);
            return {std::nullopt, "the compressed body is cut short"};
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            const std::string reason = stream.msg ? stream.msg : "unknown error";
            inflateEnd(&stream);
            return {std::nullopt, "the compressed body is damaged (" + reason + ")"};
        }
    }
    inflateEnd(&stream);
    body.resize(produced);
    return {std::move(body), {}};
}

class BodyReader {
public:
    explicit BodyReader(std::span<const std::uint8_t> body) : body_(body) {}

    Result<Model> read()
    {
        Model model;
        model.bodySize = body_.size();
        if (!has(24))
            return cut("the header");
        const std::uint32_t tracks = word(body_, 8);
        model.fps = floatOf(word(body_, 12));
        at_ = 24;
        if (!has(std::size_t(tracks) * 12))
            return cut("the track table of " + std::to_string(tracks) + " tracks");
        std::vector<std::uint32_t> frames(tracks);
        for (std::uint32_t t = 0; t < tracks; ++t)
            frames[t] = word(body_, at_ + 12 * t + 8);
        at_ += std::size_t(tracks) * 12;
        for (std::uint32_t t = 0; t < tracks; ++t) {
            Track &track = model.tracks.emplace_back();
            if (!string(track.name))
                return cut("the name of track " + std::to_string(t));
            if (!has(4))
                return cut("track " + std::to_string(t));
            at_ += 4;
            if (!has(std::size_t(frames[t]) * 44))
                return cut("the " + std::to_string(frames[t]) + " transform records of track " + std::to_string(t));
            track.frames.resize(frames[t]);
            for (Frame &frame : track.frames) {
                for (float &field : frame.fields) {
                    field = floatOf(word(body_, at_));
                    at_ += 4;
                }
                at_ += 12;
            }
            for (std::size_t f = 0; f < track.frames.size(); ++f) {
                for (std::string &text : track.frames[f].strings) {
                    if (!string(text))
                        return cut("the strings of frame " + std::to_string(f) + " of track " + std::to_string(t));
                }
            }
        }
        model.bodyEnd = at_;
        return {std::move(model), {}};
    }

private:
    bool has(std::size_t bytes) const { return body_.size() - at_ >= bytes; }

    bool string(std::string &into)
    {
        if (!has(4))
            return false;
        const std::uint32_t length = word(body_, at_);
        at_ += 4;
        if (!has(length))
            return false;
        into.assign(reinterpret_cast<const char *>(body_.data() + at_), length);
        into = into.substr(0, into.find('\0'));
        at_ += length;
        return true;
    }

    Result<Model> cut(const std::string &inside) const
    {
        return {std::nullopt, "the body ends at byte " + std::to_string(body_.size()) + ", inside " + inside};
    }

    std::span<const std::uint8_t> body_;
    std::size_t at_ = 0;
};

// The text form, as the decompiler lays it out: one element per line, fields in order.
std::string escaped(std::string_view latin1)
{
    std::string out;
    for (const char c : latin1) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '\r')
            out += "&#13;";
        else
            out += latin1ToUtf8(std::string_view(&c, 1));
    }
    return out;
}

std::string fixed3(float value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", double(value));
    return buffer;
}

std::string frameRate(float value)
{
    std::string text = fixed3(value);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text;
}

std::string textOf(const Model &model)
{
    static constexpr const char *stringNames[3] = {"i", "font", "text"};
    std::string text = "<fps>" + frameRate(model.fps) + "</fps>\n";
    for (const Track &track : model.tracks) {
        text += "<track>\n<name>" + escaped(track.name) + "</name>\n";
        for (const Frame &frame : track.frames) {
            text += "<t>";
            for (int n = 0; n < 8; ++n) {
                if (frame.fields[n] != unset)
                    text += std::string("<") + fieldNames[n] + ">" + fixed3(frame.fields[n]) + "</" + fieldNames[n] + ">";
            }
            for (int n = 0; n < 3; ++n) {
                if (!frame.strings[n].empty())
                    text += std::string("<") + stringNames[n] + ">" + escaped(frame.strings[n]) + "</" + stringNames[n] + ">";
            }
            text += "</t>\n";
        }
        text += "</track>\n";
    }
    return text;
}

// Reads back the line form: elements found by name, entities and UTF-8 undone.
class TextReader {
public:
    explicit TextReader(std::string_view text) : text_(text) {}

    Result<Model> read()
    {
        if (text_.find('<') == std::string_view::npos || text_.starts_with("\xD4\xFE\xAD\xDE"))
            return {std::nullopt, "the text is not well-formed XML at line 1, column 1: no element found"};
        Model model;
        if (const auto fps = element(text_, "fps"))
            model.fps = number(*fps);
        std::size_t from = 0;
        while ((from = text_.find("<track>", from)) != std::string_view::npos) {
            const std::size_t end = text_.find("</track>", from);
            if (end == std::string_view::npos)
                return {std::nullopt, "the text is not well-formed XML at line 1: a track is not closed"};
            const std::string_view body = text_.substr(from + 7, end - from - 7);
            Track &track = model.tracks.emplace_back();
            if (const auto name = element(body, "name"); name && !latin1(*name, track.name))
                return {std::nullopt, "track " + std::to_string(model.tracks.size() - 1) + ": the name holds a character outside Latin-1"};
            std::size_t at = 0;
            while ((at = body.find("<t>", at)) != std::string_view::npos) {
                const std::size_t close = body.find("</t>", at);
                if (close == std::string_view::npos)
                    return {std::nullopt, "the text is not well-formed XML: a frame is not closed"};
                const std::string_view frameText = body.substr(at + 3, close - at - 3);
                Frame &frame = track.frames.emplace_back();
                for (int n = 0; n < 8; ++n) {
                    if (const auto value = element(frameText, fieldNames[n]))
                        frame.fields[n] = number(*value);
                }
                static constexpr const char *stringNames[3] = {"i", "font", "text"};
                for (int n = 0; n < 3; ++n) {
                    if (const auto value = element(frameText, stringNames[n]))
                        latin1(*value, frame.strings[n]);
                }
                at = close + 4;
            }
            from = end + 8;
        }
        return {std::move(model), {}};
    }

private:
    static std::optional<std::string_view> element(std::string_view in, std::string_view name)
    {
        const std::string open = "<" + std::string(name) + ">";
        const std::string close = "</" + std::string(name) + ">";
        const std::size_t start = in.find(open);
        if (start == std::string_view::npos)
            return std::nullopt;
        const std::size_t end = in.find(close, start);
        if (end == std::string_view::npos)
            return std::nullopt;
        return in.substr(start + open.size(), end - start - open.size());
    }

    static float number(std::string_view text)
    {
        const std::string copy(text);
        char *end = nullptr;
        const float value = std::strtof(copy.c_str(), &end);
        return end == copy.c_str() ? 0.0f : value;
    }

    // Entities undone and UTF-8 narrowed to Latin-1; false for a character past U+00FF.
    static bool latin1(std::string_view text, std::string &out)
    {
        out.clear();
        for (std::size_t at = 0; at < text.size(); ++at) {
            const auto byte = static_cast<unsigned char>(text[at]);
            if (text.substr(at).starts_with("<![CDATA[")) {
                const std::size_t end = text.find("]]>", at);
                out += text.substr(at + 9, end == std::string_view::npos ? std::string_view::npos : end - at - 9);
                at = end == std::string_view::npos ? text.size() : end + 2;
            } else if (byte == '&') {
                static constexpr std::pair<std::string_view, char> entities[] = {
                    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&#13;", '\r'}};
                const auto found = std::find_if(std::begin(entities), std::end(entities),
                                                [&](const auto &entity) { return text.substr(at).starts_with(entity.first); });
                if (found == std::end(entities)) {
                    out += '&';
                } else {
                    out += found->second;
                    at += found->first.size() - 1;
                }
            } else if (byte < 0x80) {
                out += char(byte);
            } else if ((byte & 0xE0) == 0xC0 && at + 1 < text.size() && byte <= 0xC3) {
                out += char(((byte & 0x1F) << 6) | (static_cast<unsigned char>(text[at + 1]) & 0x3F));
                ++at;
            } else {
                return false;
            }
        }
        return true;
    }

    std::string_view text_;
};

void put(Bytes &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

void put(Bytes &out, const std::string &text)
{
    put(out, std::uint32_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

Bytes bodyOf(const Model &model)
{
    Bytes body;
    for (const std::uint32_t value : {0xB393B4C0u, 0u, std::uint32_t(model.tracks.size())})
        put(body, value);
    put(body, bitsOf(model.fps));
    put(body, 0u);
    put(body, 12u);
    for (const Track &track : model.tracks) {
        put(body, 0x0862F9B8u);
        put(body, 0x08759760u);
        put(body, std::uint32_t(track.frames.size()));
    }
    for (const Track &track : model.tracks) {
        put(body, track.name);
        put(body, 44u);
        for (const Frame &frame : track.frames) {
            for (const float field : frame.fields)
                put(body, bitsOf(field));
            for (const std::uint32_t value : {0u, 0u, 0x00B8AE3Cu})
                put(body, value);
        }
        for (const Frame &frame : track.frames) {
            for (const std::string &text : frame.strings)
                put(body, text);
        }
    }
    return body;
}

Bytes framed(const Bytes &body)
{
    uLongf size = compressBound(uLong(body.size()));
    Bytes file(8 + size);
    if (compress2(file.data() + 8, &size, body.data(), uLong(body.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::bad_alloc();
    file.resize(8 + size);
    Bytes header;
    put(header, magic);
    put(header, std::uint32_t(body.size()));
    std::copy(header.begin(), header.end(), file.begin());
    return file;
}

Result<Model> modelOf(std::span<const std::uint8_t> bytes, bool compiled)
{
    if (!compiled)
        return TextReader(std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size())).read();
    Result<Bytes> body = inflateBody(bytes);
    if (!body.value)
        return {std::nullopt, body.why};
    return BodyReader(*body.value).read();
}

std::string decompiledName(const std::string &path)
{
    const std::size_t split = path.rfind('/') + 1;
    const std::string folder = path.substr(0, split);
    std::string name = path.substr(split);
    if (const std::size_t at = name.find(".reanim.compiled"); at != std::string::npos) {
        name.replace(at, 16, ".reanim");
    } else {
        if (endsWith(name, ".compiled"))
            name.resize(name.size() - 9);
        if (!endsWith(name, ".reanim") || folder + name == path)
            name += ".reanim";
    }
    if (endsWith(name, ".compiled"))
        name += ".reanim";
    return folder + name;
}

std::string outputName(const std::string &name, bool decompile)
{
    return decompile ? decompiledName(name) : name + ".compiled";
}

std::string number(float value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9g", double(value));
    return buffer;
}

bool same(float a, float b)
{
    return bitsOf(a) == bitsOf(b) || (std::isnan(a) && std::isnan(b));
}

std::optional<std::string> firstDifference(const Model &a, const Model &b)
{
    if (!same(a.fps, b.fps))
        return "the frame rate " + number(a.fps) + " comes back as " + number(b.fps);
    if (a.tracks.size() != b.tracks.size())
        return std::to_string(a.tracks.size()) + " tracks come back as " + std::to_string(b.tracks.size());
    for (std::size_t t = 0; t < a.tracks.size(); ++t) {
        const Track &ta = a.tracks[t];
        const Track &tb = b.tracks[t];
        const std::string label = "track " + std::to_string(t) + (ta.name.empty() ? "" : " \"" + latin1ToUtf8(ta.name) + "\"");
        if (ta.frames.size() != tb.frames.size())
            return label + ": " + std::to_string(ta.frames.size()) + " frames come back as " + std::to_string(tb.frames.size());
        for (std::size_t f = 0; f < ta.frames.size(); ++f) {
            for (int n = 0; n < 8; ++n) {
                if (!same(ta.frames[f].fields[n], tb.frames[f].fields[n]))
                    return label + ", frame " + std::to_string(f) + ": " + fieldNames[n] + " " + number(ta.frames[f].fields[n])
                           + " comes back as " + number(tb.frames[f].fields[n]);
            }
        }
    }
    return std::nullopt;
}

Conversion convert(const std::string &name, std::span<const std::uint8_t> bytes, bool decompile)
{
    Conversion done;
    done.output = outputName(name, decompile);
    try {
        Result<Model> model = modelOf(bytes, decompile);
        if (!model.value) {
            done.lines.push_back("ERROR: " + name + ": " + model.why);
            return done;
        }
        if (decompile) {
            const std::string text = textOf(*model.value);
            done.bytes.assign(text.begin(), text.end());
        } else {
            done.bytes = framed(bodyOf(*model.value));
        }
    } catch (const std::bad_alloc &) {
        done.bytes.clear();
        done.lines.push_back("ERROR: not enough memory to convert " + name + "; nothing was written");
        return done;
    }
    done.ok = true;
    done.lines.push_back((decompile ? "Decompiled " : "Compiled ") + name + " to " + done.output);
    return done;
}

int frameIndex(std::size_t index)
{
    return int(std::min<std::size_t>(index, 0x7FFFFFFF));
}

bool marksClip(const Track &track)
{
    return track.name.starts_with("anim_")
           && std::all_of(track.frames.begin(), track.frames.end(), [](const Frame &frame) { return frame.strings[0].empty(); });
}

} // namespace

std::vector<PlannedOutput> outputs(const std::vector<std::string> &names, bool decompile)
{
    std::vector<PlannedOutput> planned;
    std::map<std::string, std::size_t> firstWriter;
    std::map<std::string, std::size_t> inputAt;
    for (std::size_t n = 0; n < names.size(); ++n)
        inputAt.emplace(names[n], n);
    for (std::size_t n = 0; n < names.size(); ++n) {
        PlannedOutput item{outputName(names[n], decompile), {}};
        if (const auto other = inputAt.find(item.output); other != inputAt.end() && other->second != n)
            item.refusal = "ERROR: the output " + item.output + " of " + names[n]
                           + " would replace another input of this run; nothing was written";
        if (const auto writer = firstWriter.find(item.output); writer != firstWriter.end()) {
            const std::string clash = "ERROR: " + names[writer->second] + " and " + names[n] + " would both be written to "
                                      + item.output + "; neither was converted";
            planned[writer->second].refusal = clash;
            item.refusal = clash;
        }
        firstWriter.emplace(item.output, n);
        planned.push_back(std::move(item));
    }
    for (PlannedOutput &item : planned) {
        if (!item.refusal.empty())
            item.output.clear();
    }
    return planned;
}

Conversion decompile(const std::string &name, std::span<const std::uint8_t> bytes)
{
    return convert(name, bytes, true);
}

Conversion compile(const std::string &name, std::span<const std::uint8_t> bytes, bool)
{
    return convert(name, bytes, false);
}

Checked check(const std::string &name, std::span<const std::uint8_t> bytes, bool)
{
    Checked checked;
    const Result<Model> model = modelOf(bytes, kindByName(name, bytes) == "compiled");
    if (!model.value) {
        checked.lines.push_back("ERROR: " + name + ": " + model.why);
        return checked;
    }
    const std::string text = textOf(*model.value);
    const Result<Model> again = TextReader(text).read();
    std::optional<std::string> difference;
    if (model.value->bodyEnd < model.value->bodySize)
        difference = std::to_string(model.value->bodySize - model.value->bodyEnd) + " bytes after the last track, which a decompile drops";
    else if (!again.value)
        difference = "it does not come back: " + again.why;
    else
        difference = firstDifference(*model.value, *again.value);
    if (difference) {
        checked.outcome = Checked::Outcome::Different;
        checked.lines.push_back("ERROR: " + name + " does not come back the same: " + *difference);
    } else {
        checked.outcome = Checked::Outcome::Same;
        checked.lines.push_back(name + ": comes back the same");
    }
    return checked;
}

Info info(const std::string &name, std::span<const std::uint8_t> bytes)
{
    Info described;
    described.kind = kindByName(name, bytes);
    const Result<Model> model = modelOf(bytes, described.kind == "compiled");
    if (!model.value) {
        described.error = "ERROR: " + name + ": " + model.why;
        return described;
    }
    described.ok = true;
    described.fps = model.value->fps;
    described.fpsKnown = std::isfinite(model.value->fps);
    for (const Track &track : model.value->tracks) {
        TrackInfo &shown = described.tracks.emplace_back();
        shown.name = latin1ToUtf8(track.name);
        shown.frames = std::int64_t(track.frames.size());
        described.frames = std::max(described.frames, shown.frames);
        for (const Frame &frame : track.frames) {
            const std::string image = latin1ToUtf8(frame.strings[0]);
            if (!image.empty() && std::find(shown.images.begin(), shown.images.end(), image) == shown.images.end())
                shown.images.push_back(image);
        }
    }
    const Evaluated evaluated = evaluate(name, bytes);
    described.clips = evaluated.clips;
    return described;
}

Evaluated evaluate(const std::string &name, std::span<const std::uint8_t> bytes)
{
    Evaluated animation;
    const Result<Model> model = modelOf(bytes, isCompiled(bytes));
    if (!model.value) {
        animation.error = "ERROR: " + name + ": " + model.why;
        return animation;
    }
    animation.ok = true;
    animation.fps = model.value->fps;
    animation.strings.push_back({});
    std::map<std::string, std::uint32_t> stringAt{{std::string(), 0}};
    for (const Track &track : model.value->tracks) {
        EvaluatedTrack &out = animation.tracks.emplace_back();
        out.name = latin1ToUtf8(track.name);
        out.marksClip = marksClip(track);
        float state[8] = {0, 0, 0, 0, 1, 1, 0, 1};
        std::uint32_t strings[3] = {0, 0, 0};
        for (const Frame &frame : track.frames) {
            for (int n = 0; n < 8; ++n) {
                if (frame.fields[n] != unset)
                    state[n] = frame.fields[n];
            }
            for (int n = 0; n < 3; ++n) {
                if (frame.strings[n].empty())
                    continue;
                const auto [at, added] = stringAt.emplace(frame.strings[n], std::uint32_t(animation.strings.size()));
                if (added)
                    animation.strings.push_back(latin1ToUtf8(frame.strings[n]));
                strings[n] = at->second;
            }
            out.values.insert(out.values.end(), std::begin(state), std::end(state));
            out.strings.insert(out.strings.end(), std::begin(strings), std::end(strings));
        }
        const int frames = frameIndex(track.frames.size());
        animation.frameCount = std::max(animation.frameCount, frames);
        if (!out.marksClip)
            continue;
        int first = -1;
        int last = -1;
        for (int f = 0; f < frames; ++f) {
            if (out.values[std::size_t(f) * 8 + 6] >= 0.0f) {
                first = first < 0 ? f : first;
                last = f;
            }
        }
        if (first >= 0)
            animation.clips.push_back({out.name.substr(5), first, last - first + 1});
    }
    return animation;
}

std::string implementation()
{
    return "stand-in";
}

} // namespace web
