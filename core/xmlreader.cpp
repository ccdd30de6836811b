#include "core/xmlreader.h"

#include "core/linereader.h"
#include "core/messages.h"
#include "core/numbers.h"

#include <QUtf8StringView>

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
constexpr qsizetype feedChunk = qsizetype(1) << 26;

// What an element is to the reader, by its name and where it stands.
enum class Kind : quint8 { Ignored, Fps, Track, Name, Frame, FloatField, StringField };

// Element levels: 1 the wrapper, 2 top-level elements, 3 children of a track, 4 of a frame.
constexpr int topLevel = 2;
constexpr int trackLevel = 3;
constexpr int frameLevel = 4;

constexpr std::array<const char *, 8> floatNames{"x", "y", "kx", "ky", "sx", "sy", "f", "a"};
constexpr std::array<float ReanimTransform::*, 8> floatFields{
    &ReanimTransform::x,  &ReanimTransform::y,  &ReanimTransform::kx, &ReanimTransform::ky,
    &ReanimTransform::sx, &ReanimTransform::sy, &ReanimTransform::f,  &ReanimTransform::a};
constexpr std::array<const char *, 3> stringNames{"i", "font", "text"};
constexpr std::array<QByteArray ReanimTransform::*, 3> stringFields{&ReanimTransform::i, &ReanimTransform::font,
                                                                    &ReanimTransform::text};
constexpr std::array<const char *, 3> stringWords{"the image name", "the font name", "the text"};

int indexOf(const auto &names, const char *name)
{
    const auto found = std::find_if(names.begin(), names.end(), [&](const char *n) { return std::strcmp(n, name) == 0; });
    return found == names.end() ? -1 : int(found - names.begin());
}

// White space as the document reader judged it: beyond ASCII, Unicode's spaces count too.
bool isBlank(const std::string &text)
{
    for (const char c : text) {
        if (c & 0x80)
            return QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed().isEmpty();
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return false;
    }
    return true;
}

// Why UTF-8 text can't become one of the 8-bit strings of the compiled form, if it can't.
std::optional<QString> toLatin1Field(const std::string &text, QByteArray &field)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(text.size()));
    for (size_t n = 0; n < text.size(); ++n) {
        const auto lead = static_cast<unsigned char>(text[n]);
        if (lead < 0x80) {
            bytes.append(char(lead));
            continue;
        }
        // Expat hands over valid UTF-8 only; two-byte sequences from C2 and C3 are Latin-1.
        if (lead == 0xC2 || lead == 0xC3) {
            bytes.append(char(((lead & 0x03) << 6) | (static_cast<unsigned char>(text[++n]) & 0x3F)));
            continue;
        }
        const int followers = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        char32_t codePoint = lead & (0x3F >> followers);
        for (int k = 1; k <= followers; ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[n + size_t(k)]) & 0x3F);
        return QString::fromLatin1("holds a character outside Latin-1 (U+%1)")
            .arg(QString::number(quint32(codePoint), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    }
    if (bytes.size() > maxNameBytes)
        return QString::fromLatin1("is %1 bytes long, more than %2").arg(bytes.size()).arg(maxNameBytes);
    field = std::move(bytes);
    return std::nullopt;
}

// One line per track read: its name and its number of frames.
void logTracks(const Reanim &reanim, qsizetype count, LogSink &log)
{
    for (qsizetype n = 0; n < count; ++n) {
        const ReanimTrack &track = reanim.tracks[size_t(n)];
        log.logFormat("%s %d", track.name.constData(), int(track.transforms.size()));
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
        XML_SetUserData(parser_.get(), this);
        XML_SetElementHandler(parser_.get(), &Reader::onStart, &Reader::onEnd);
        XML_SetCharacterDataHandler(parser_.get(), &Reader::onText);
        XML_SetCdataSectionHandler(parser_.get(), &Reader::onCdataStart, &Reader::onCdataEnd);
        XML_SetCommentHandler(parser_.get(), &Reader::onComment);
        XML_SetProcessingInstructionHandler(parser_.get(), &Reader::onInstruction);
    }

    bool read(QByteArrayView bytes, LogSink &log)
    {
        bool parsed = feed(wrapperOpen, false);
        for (qsizetype at = 0; parsed && at < bytes.size(); at += feedChunk)
            parsed = feed(bytes.sliced(at, std::min(feedChunk, bytes.size() - at)), false);
        parsed = parsed && feed(wrapperClose, true);
        if (!parsed)
            return reportParseFailure(bytes, log);
        logTracks(reanim_, problem_ ? problemTrack_ : qsizetype(reanim_.tracks.size()), log);
        if (problem_) {
            log.logLine(QLatin1String("ERROR: ") + *problem_ + QLatin1String("; nothing was written"));
            return false;
        }
        return true;
    }

private:
    bool feed(QByteArrayView piece, bool last)
    {
        return XML_Parse(parser_.get(), piece.data(), int(piece.size()), last) == XML_STATUS_OK;
    }

    bool reportParseFailure(QByteArrayView bytes, LogSink &log)
    {
        const auto line = qint64(XML_GetCurrentLineNumber(parser_.get()));
        auto column = qint64(XML_GetCurrentColumnNumber(parser_.get())) + 1;
        if (line == 1)
            column = std::max<qint64>(1, column - wrapperOpenLength);
        const QString where = QString::fromLatin1("line %1, column %2").arg(line).arg(column);
        if (tooDeep_) {
            log.logLine(QString::fromLatin1("ERROR: the elements nest more than %1 deep at %2; nothing was written")
                            .arg(maxElementDepth)
                            .arg(where));
            return false;
        }
        log.logLine(QLatin1String("setcontent"));
        if (const auto encoding = encodingProblem(bytes)) {
            log.logLine(QLatin1String("ERROR: ") + *encoding);
            return false;
        }
        const qint64 offset = qint64(XML_GetCurrentByteIndex(parser_.get())) - wrapperOpenLength;
        log.logLine(QString::fromLatin1("ERROR: the text is not well-formed XML at %1: %2")
                        .arg(where, parserReason(bytes, offset)));
        return false;
    }

    // Expat's reason, or a plainer one for a character XML does not allow at all.
    QString parserReason(QByteArrayView bytes, qint64 offset) const
    {
        const qsizetype declarationStart = std::max<qint64>(0, offset - 2);
        if (offset >= 0 && offset <= bytes.size() && bytes.sliced(declarationStart).startsWith("<!DOCTYPE"))
            return QStringLiteral("a document type declaration, which a reanim text can't have");
        if (offset >= 0 && offset < bytes.size()) {
            const auto byte = static_cast<unsigned char>(bytes[offset]);
            if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
                return QString::fromLatin1("the control character U+%1, which XML does not allow")
                    .arg(QString::number(byte, 16).toUpper().rightJustified(4, u'0'));
        }
        return QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser_.get())));
    }

    // Why the bytes are not UTF-8, naming where the first bad byte is; nothing when they are.
    static std::optional<QString> encodingProblem(QByteArrayView bytes)
    {
        if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
            return QStringLiteral("the text is UTF-16; a reanim text must be UTF-8");
        const qsizetype bad = firstNonUtf8Byte(bytes);
        if (bad < 0)
            return std::nullopt;
        const QByteArrayView before = bytes.first(bad);
        const qsizetype lineStart = before.lastIndexOf('\n') + 1;
        return QString::fromLatin1("the text is not UTF-8 (a reanim text must be UTF-8): the byte 0x%1 at line %2, "
                                   "column %3 is not part of a UTF-8 character")
            .arg(QString::number(static_cast<unsigned char>(bytes[bad]), 16).toUpper().rightJustified(2, u'0'))
            .arg(before.count('\n') + 1)
            .arg(QString::fromUtf8(before.sliced(lineStart)).size() + 1);
    }

    // The offset of the first byte that does not belong to a well-formed UTF-8 sequence, or -1.
    static qsizetype firstNonUtf8Byte(QByteArrayView bytes)
    {
        for (qsizetype at = 0; at < bytes.size();) {
            const auto lead = static_cast<unsigned char>(bytes[at]);
            const int followers = lead < 0x80 ? 0 : lead < 0xC2 ? -1 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : -1;
            if (followers < 0)
                return at;
            if (followers > 0
                && (at + followers >= bytes.size() || !QUtf8StringView(bytes.sliced(at, followers + 1)).isValidUtf8()))
                return at;
            at += followers + 1;
        }
        return -1;
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
            if ((field_ = indexOf(floatNames, name)) >= 0)
                return Kind::FloatField;
            if ((field_ = indexOf(stringNames, name)) >= 0)
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

    qint64 currentLine() const { return qint64(XML_GetCurrentLineNumber(parser_.get())); }

    void warn(qint64 line, const QString &text) { warnings_->push_back({line, text}); }

    // An element the reader passes over where it reads: of a name it does not know, or after
    // the node that ended the walk of its track or frame.
    void warnAboutSkipped(const char *name)
    {
        if (collectDepth_ > 0)
            return;
        const QString tag = QLatin1Char('<') + QString::fromUtf8(name) + QLatin1Char('>');
        const bool inTrack = depth_ == trackLevel && kinds_[topLevel] == Kind::Track;
        const bool inFrame = depth_ == frameLevel && kinds_[trackLevel] == Kind::Frame;
        if ((inTrack && trackWalkEnded_) || (inFrame && frameWalkEnded_))
            warn(currentLine(), tag + QString::fromLatin1(" comes after a comment, text or other node inside its %1, "
                                                          "where reading the %1 stops; it is dropped")
                                          .arg(QLatin1String(inTrack ? "track" : "frame")));
        else if (depth_ == topLevel || inTrack || inFrame)
            warn(currentLine(), tag + QLatin1String(" is not an element of a reanim text; it is skipped"));
    }

    // A number the compiler changes without a word: text that is no number, or more decimals
    // than a decompile writes.
    float number()
    {
        const auto value = readDecimal(collected_);
        if (warnings_ && !value)
            warn(collectLine_, QString::fromLatin1("<%1> holds \"%2\", which is not a number; it becomes 0")
                                   .arg(QString::fromUtf8(collectTag_), QString::fromUtf8(collected_).trimmed()));
        else if (warnings_ && decimalPlaces(collected_) > 3)
            warn(collectLine_, QString::fromLatin1("<%1> %2 has more than three decimals; a decompile rounds it")
                                   .arg(QString::fromUtf8(collectTag_), QString::fromUtf8(collected_).trimmed()));
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
            frame_.*floatFields[size_t(field_)] = number();
        else if (kind == Kind::Name)
            storeString(track_.name, "the name", QString());
        else if (kind == Kind::StringField)
            storeString(frame_.*stringFields[size_t(field_)], stringWords[size_t(field_)],
                        QString::fromLatin1(" in frame %1").arg(track_.transforms.size()));
    }

    void storeString(QByteArray &field, const char *words, const QString &where)
    {
        if (problem_)
            return;
        if (const auto why = toLatin1Field(collected_, field)) {
            problemTrack_ = qsizetype(reanim_.tracks.size());
            problem_ = trackLabel(problemTrack_, track_.name) + QLatin1String(": ") + QLatin1String(words)
                + QLatin1Char(' ') + *why + where;
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
    qint64 collectLine_ = 0;
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, ExpatDeleter> parser_;
    int depth_ = 0;
    std::array<Kind, frameLevel + 1> kinds_{};
    bool trackWalkEnded_ = false;
    bool frameWalkEnded_ = false;
    bool inCdata_ = false;
    bool tooDeep_ = false;
    int field_ = -1;
    int collectDepth_ = 0;
    std::string run_;
    std::string collected_;
    ReanimTrack track_;
    ReanimTransform frame_;
    std::optional<QString> problem_;
    qsizetype problemTrack_ = 0;
};

} // namespace

bool readReanimXml(QByteArrayView bytes, Reanim &reanim, LogSink &log, std::vector<ReaderWarning> *warnings)
{
    if (auto lines = warnings ? std::nullopt : readDecompilerLines(bytes)) {
        reanim = std::move(*lines);
        logTracks(reanim, qsizetype(reanim.tracks.size()), log);
        return true;
    }
    return Reader(reanim, warnings).read(bytes, log);
}

} // namespace qor
