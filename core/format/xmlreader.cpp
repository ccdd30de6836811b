#include "core/format/xmlreader.h"

#include "core/format/linereader.h"
#include "core/format/messages.h"
#include "core/format/numbers.h"
#include "core/format/text.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace qor {

namespace {

// A reanim text is a run of top-level elements; this makes it one document.
constexpr char wrapperOpen[] = "<xml version='1.0'>";
constexpr char wrapperClose[] = "</xml>";
constexpr int wrapperOpenLength = sizeof(wrapperOpen) - 1;
// Expat takes its input in int-sized pieces.
constexpr std::size_t feedChunk = std::size_t(1) << 26;

// What an element is to the reader, by its name and where it stands.
enum class Kind : std::uint8_t { Ignored, Fps, Track, Name, Frame, FloatField, StringField };

// Element levels: 1 the wrapper, 2 top-level elements, 3 children of a track, 4 of a frame.
constexpr int topLevel = 2;
constexpr int trackLevel = 3;
constexpr int frameLevel = 4;

int indexOf(const auto &fields, const char *name)
{
    const auto found = std::find_if(fields.begin(), fields.end(), [&](const auto &field) { return field.tag == name; });
    return found == fields.end() ? -1 : int(found - fields.begin());
}

// White space as the document reader judged it: beyond ASCII, Unicode's spaces count too.
bool isBlank(const std::string &text)
{
    for (const char c : text) {
        if (c & 0x80)
            return trimmed(text).empty();
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return false;
    }
    return true;
}

// Why UTF-8 text can't become one of the 8-bit strings of the compiled form, if it can't; a
// track's name or a frame's string.
template <typename Field>
std::optional<std::string> toLatin1Field(const std::string &text, Field &field)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t n = 0; n < text.size(); ++n) {
        const auto lead = static_cast<unsigned char>(text[n]);
        if (lead < 0x80) {
            bytes += char(lead);
            continue;
        }
        // Expat hands over valid UTF-8 only; two-byte sequences from C2 and C3 are Latin-1.
        if (lead == 0xC2 || lead == 0xC3) {
            bytes += char(((lead & 0x03) << 6) | (static_cast<unsigned char>(text[++n]) & 0x3F));
            continue;
        }
        const int followers = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        char32_t codePoint = lead & (0x3F >> followers);
        for (int k = 1; k <= followers; ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[n + size_t(k)]) & 0x3F);
        return "holds a character outside Latin-1 (" + codePointName(codePoint) + ")";
    }
    if (bytes.size() > maxNameBytes)
        return "is " + std::to_string(bytes.size()) + " bytes long, more than " + std::to_string(maxNameBytes);
    field = std::move(bytes);
    return std::nullopt;
}

// One line per track read: its name and its number of frames.
void logTracks(const Reanim &reanim, std::size_t count, LogSink &log)
{
    for (std::size_t n = 0; n < count; ++n) {
        const ReanimTrack &track = reanim.tracks[n];
        log.logFormat("%s %d", track.name.c_str(), int(track.transforms.size()));
    }
}

struct ExpatDeleter {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// Builds the model from expat's events. Character data between two other events is one text
// node: white space alone is dropped, anything else is text of the elements around it and,
// like a comment, a CDATA section or a processing instruction, ends the walk of its parent
// when that is a track or a frame.
class Reader {
public:
    Reader(Reanim &reanim, std::vector<ReaderWarning> *warnings)
        : reanim_(reanim), warnings_(warnings), parser_(XML_ParserCreate("UTF-8"))
    {
        if (!parser_)
            throw std::bad_alloc();
#ifdef __EMSCRIPTEN__
        // Expat seeds its hash tables from /dev/urandom where it has no other source, and the
        // page has no file system; any salt of its own spares that read.
        XML_SetHashSalt(parser_.get(), static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(this)) | 1u);
#endif
        XML_SetUserData(parser_.get(), this);
        XML_SetElementHandler(parser_.get(), &Reader::onStart, &Reader::onEnd);
        XML_SetCharacterDataHandler(parser_.get(), &Reader::onText);
        XML_SetCdataSectionHandler(parser_.get(), &Reader::onCdataStart, &Reader::onCdataEnd);
        XML_SetCommentHandler(parser_.get(), &Reader::onComment);
        XML_SetProcessingInstructionHandler(parser_.get(), &Reader::onInstruction);
    }

    bool read(std::string_view bytes, LogSink &log)
    {
        bool parsed = feed(wrapperOpen, false);
        for (std::size_t at = 0; parsed && at < bytes.size(); at += feedChunk)
            parsed = feed(bytes.substr(at, feedChunk), false);
        parsed = parsed && feed(wrapperClose, true);
        if (!parsed)
            return reportParseFailure(bytes, log);
        logTracks(reanim_, problem_ ? problemTrack_ : reanim_.tracks.size(), log);
        if (warnings_ && !sawFps_ && reanim_.tracks.empty())
            warn(1, "the text has no <fps> and no <track>: it compiles to an animation of nothing");
        if (problem_) {
            log.logLine("ERROR: " + *problem_ + "; nothing was written");
            return false;
        }
        return true;
    }

private:
    bool feed(std::string_view piece, bool last)
    {
        return XML_Parse(parser_.get(), piece.data(), int(piece.size()), last) == XML_STATUS_OK;
    }

    bool reportParseFailure(std::string_view bytes, LogSink &log)
    {
        const auto line = std::int64_t(XML_GetCurrentLineNumber(parser_.get()));
        auto column = std::int64_t(XML_GetCurrentColumnNumber(parser_.get())) + 1;
        if (line == 1)
            column = std::max<std::int64_t>(1, column - wrapperOpenLength);
        const std::string where = "line " + std::to_string(line) + ", column " + std::to_string(column);
        if (tooDeep_) {
            log.logLine("ERROR: the elements nest more than " + std::to_string(maxElementDepth) + " deep at " + where
                        + "; nothing was written");
            return false;
        }
        log.logLine("setcontent");
        if (const auto encoding = encodingProblem(bytes)) {
            log.logLine("ERROR: " + *encoding);
            return false;
        }
        const std::int64_t offset = std::int64_t(XML_GetCurrentByteIndex(parser_.get())) - wrapperOpenLength;
        log.logLine("ERROR: the text is not well-formed XML at " + where + ": " + parserReason(bytes, offset));
        return false;
    }

    // Expat's reason, or a plainer one for a character XML does not allow at all.
    std::string parserReason(std::string_view bytes, std::int64_t offset) const
    {
        const std::size_t declarationStart = std::size_t(std::max<std::int64_t>(0, offset - 2));
        if (offset >= 0 && std::size_t(offset) <= bytes.size() && bytes.substr(declarationStart).starts_with("<!DOCTYPE"))
            return "a document type declaration, which a reanim text can't have";
        if (offset >= 0 && std::size_t(offset) < bytes.size()) {
            const auto byte = static_cast<unsigned char>(bytes[std::size_t(offset)]);
            if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
                return "the control character " + codePointName(byte) + ", which XML does not allow";
        }
        return XML_ErrorString(XML_GetErrorCode(parser_.get()));
    }

    // Why the bytes are not UTF-8, naming where the first bad byte is; nothing when they are.
    static std::optional<std::string> encodingProblem(std::string_view bytes)
    {
        if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
            return "the text is UTF-16; a reanim text must be UTF-8";
        const std::size_t bad = firstNonUtf8Byte(bytes);
        if (bad == std::string_view::npos)
            return std::nullopt;
        const std::string_view before = bytes.substr(0, bad);
        const std::size_t lineStart = before.rfind('\n') + 1; // npos + 1 is 0
        return "the text is not UTF-8 (a reanim text must be UTF-8): the byte 0x"
            + hexadecimal(static_cast<unsigned char>(bytes[bad]), 2) + " at line "
            + std::to_string(std::count(before.begin(), before.end(), '\n') + 1) + ", column "
            + std::to_string(utf16Length(before.substr(lineStart)) + 1) + " is not part of a UTF-8 character";
    }

    // The offset of the first byte that does not belong to a well-formed UTF-8 sequence, or npos.
    static std::size_t firstNonUtf8Byte(std::string_view bytes)
    {
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t length = utf8SequenceLength(bytes.substr(at));
            if (length == 0)
                return at;
            at += length;
        }
        return std::string_view::npos;
    }

    // A node other than an element is a child of the element at the current depth.
    void nonElementNode()
    {
        if (depth_ == topLevel && kinds_[topLevel] == Kind::Track)
            trackWalkEnded_ = true;
        if (depth_ == trackLevel && kinds_[trackLevel] == Kind::Frame)
            frameWalkEnded_ = true;
    }

    void endTextNode()
    {
        if (!inCdata_ && isBlank(run_)) {
            run_.clear();
            return;
        }
        nonElementNode();
        if (collectDepth_ > 0)
            collected_ += run_;
        run_.clear();
    }

    Kind kindOf(const char *name)
    {
        if (collectDepth_ > 0 || depth_ > frameLevel)
            return Kind::Ignored;
        if (depth_ == topLevel)
            return std::strcmp(name, "fps") == 0 ? Kind::Fps : std::strcmp(name, "track") == 0 ? Kind::Track : Kind::Ignored;
        if (depth_ == trackLevel && kinds_[topLevel] == Kind::Track && !trackWalkEnded_)
            return std::strcmp(name, "name") == 0 ? Kind::Name : std::strcmp(name, "t") == 0 ? Kind::Frame : Kind::Ignored;
        if (depth_ == frameLevel && kinds_[trackLevel] == Kind::Frame && !frameWalkEnded_) {
            if ((field_ = indexOf(numberFields, name)) >= 0)
                return Kind::FloatField;
            if ((field_ = indexOf(stringFields, name)) >= 0)
                return Kind::StringField;
        }
        return Kind::Ignored;
    }

    void start(const char *name)
    {
        endTextNode();
        if (++depth_ > maxElementDepth) {
            tooDeep_ = true;
            XML_StopParser(parser_.get(), XML_FALSE);
            return;
        }
        if (depth_ > frameLevel)
            return;
        const Kind kind = kindOf(name);
        if (warnings_ && kind == Kind::Ignored)
            warnAboutSkipped(name);
        kinds_[size_t(depth_)] = kind;
        sawFps_ = sawFps_ || kind == Kind::Fps;
        if (kind == Kind::Track) {
            track_ = ReanimTrack();
            trackWalkEnded_ = false;
        } else if (kind == Kind::Frame) {
            frame_ = ReanimTransform();
            frameWalkEnded_ = false;
        }
        if (kind == Kind::Fps || kind == Kind::Name || kind == Kind::FloatField || kind == Kind::StringField) {
            collectDepth_ = depth_;
            collected_.clear();
            if (warnings_) {
                collectTag_ = name;
                collectLine_ = currentLine();
            }
        }
    }

    std::int64_t currentLine() const { return std::int64_t(XML_GetCurrentLineNumber(parser_.get())); }

    void warn(std::int64_t line, std::string text) { warnings_->push_back({line, std::move(text)}); }

    // An element the reader passes over where it reads: of a name it does not know, or after
    // the node that ended the walk of its track or frame.
    void warnAboutSkipped(const char *name)
    {
        if (collectDepth_ > 0)
            return;
        const std::string tag = std::string("<") + name + '>';
        const bool inTrack = depth_ == trackLevel && kinds_[topLevel] == Kind::Track;
        const bool inFrame = depth_ == frameLevel && kinds_[trackLevel] == Kind::Frame;
        if ((inTrack && trackWalkEnded_) || (inFrame && frameWalkEnded_)) {
            const std::string parent = inTrack ? "track" : "frame";
            warn(currentLine(), tag + " comes after a comment, text or other node inside its " + parent
                                    + ", where reading the " + parent + " stops; it is dropped");
        } else if (depth_ == topLevel || inTrack || inFrame) {
            warn(currentLine(), tag + " is not an element of a reanim text; it is skipped");
        }
    }

    // A number the compiler changes without a word: text that is no number, or more decimals
    // than a decompile writes.
    float number()
    {
        const auto value = readDecimal(collected_);
        if (warnings_ && !value)
            warn(collectLine_, "<" + collectTag_ + "> holds \"" + std::string(trimmed(collected_))
                                   + "\", which is not a number; it becomes 0");
        else if (warnings_ && decimalPlaces(collected_) > 3)
            warn(collectLine_, "<" + collectTag_ + "> " + std::string(trimmed(collected_))
                                   + " has more than three decimals; a decompile rounds it");
        return value.value_or(0.0f);
    }

    void end()
    {
        endTextNode();
        if (depth_ <= frameLevel) {
            if (depth_ == collectDepth_)
                store(kinds_[size_t(depth_)]);
            if (kinds_[size_t(depth_)] == Kind::Frame)
                track_.transforms.push_back(std::move(frame_));
            if (kinds_[size_t(depth_)] == Kind::Track)
                reanim_.tracks.push_back(std::move(track_));
            kinds_[size_t(depth_)] = Kind::Ignored;
        }
        --depth_;
    }

    void store(Kind kind)
    {
        collectDepth_ = 0;
        if (kind == Kind::Fps)
            reanim_.fps = number();
        else if (kind == Kind::FloatField)
            frame_.*numberFields[size_t(field_)].member = number();
        else if (kind == Kind::Name)
            storeString(track_.name, "the name", std::string());
        else if (kind == Kind::StringField)
            storeString(frame_.*stringFields[size_t(field_)].member, stringFields[size_t(field_)].words,
                        " in frame " + std::to_string(track_.transforms.size()));
    }

    template <typename Field>
    void storeString(Field &field, std::string_view words, const std::string &where)
    {
        if (problem_)
            return;
        if (const auto why = toLatin1Field(collected_, field)) {
            problemTrack_ = reanim_.tracks.size();
            problem_ = trackLabel(problemTrack_, track_.name) + ": " + std::string(words) + ' ' + *why + where;
        }
    }

    static void onStart(void *self, const XML_Char *name, const XML_Char **)
    {
        static_cast<Reader *>(self)->start(name);
    }
    static void onEnd(void *self, const XML_Char *) { static_cast<Reader *>(self)->end(); }
    static void onText(void *self, const XML_Char *text, int length)
    {
        static_cast<Reader *>(self)->run_.append(text, size_t(length));
    }
    static void onCdataStart(void *self)
    {
        auto *reader = static_cast<Reader *>(self);
        reader->endTextNode();
        reader->inCdata_ = true;
    }
    static void onCdataEnd(void *self)
    {
        auto *reader = static_cast<Reader *>(self);
        reader->endTextNode();
        reader->inCdata_ = false;
    }
    static void onComment(void *self, const XML_Char *)
    {
        auto *reader = static_cast<Reader *>(self);
        reader->endTextNode();
        reader->nonElementNode();
    }
    static void onInstruction(void *self, const XML_Char *, const XML_Char *) { onComment(self, nullptr); }

    Reanim &reanim_;
    std::vector<ReaderWarning> *warnings_;
    std::string collectTag_;
    std::int64_t collectLine_ = 0;
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, ExpatDeleter> parser_;
    int depth_ = 0;
    std::array<Kind, frameLevel + 1> kinds_{};
    bool trackWalkEnded_ = false;
    bool frameWalkEnded_ = false;
    bool inCdata_ = false;
    bool tooDeep_ = false;
    bool sawFps_ = false;
    int field_ = -1;
    int collectDepth_ = 0;
    std::string run_;
    std::string collected_;
    ReanimTrack track_;
    ReanimTransform frame_;
    std::optional<std::string> problem_;
    std::size_t problemTrack_ = 0;
};

} // namespace

bool readReanimXml(std::string_view bytes, Reanim &reanim, LogSink &log, std::vector<ReaderWarning> *warnings)
{
    // A text in the decompiler's own lines has nothing to warn about, unless it holds a number
    // the general reader would warn about (those are left to it) or nothing at all.
    auto lines = readDecompilerLines(bytes, warnings != nullptr);
    if (lines && warnings && lines->tracks.empty())
        lines.reset();
    if (lines) {
        reanim = std::move(*lines);
        logTracks(reanim, reanim.tracks.size(), log);
        return true;
    }
    return Reader(reanim, warnings).read(bytes, log);
}

} // namespace qor
