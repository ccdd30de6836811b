#include "core/decompiler.h"

#include "core/bytecursor.h"
#include "core/container.h"
#include "core/numbers.h"
#include "core/outputfile.h"

#include <algorithm>
#include <array>
#include <optional>

namespace qor {

namespace {

constexpr float unsetField = -10000.0f;
constexpr qsizetype headerSize = 24;
constexpr qsizetype trackEntrySize = 12;
constexpr qsizetype transformSize = 44;
constexpr qsizetype flushThreshold = 64 * 1024;

// What the walk was reading; put into words only when the body runs out there.
struct Place {
    const char *what;
    qint64 track = -1;
    qint64 frame = -1;
    quint64 count = 0;
    bool lengthWord = false; // the length in front of the string `what`

    QString describe() const
    {
        QString text = QString::fromLatin1(what);
        if (lengthWord)
            text.prepend(QLatin1String("the length of "));
        if (text.contains(QString::fromLatin1("%1")))
            text = text.arg(count);
        if (frame >= 0)
            text += QString::fromLatin1(" of frame %1").arg(frame);
        if (track >= 0)
            text += QString::fromLatin1(" of track %1").arg(track);
        return text;
    }
};

// Raised inside the walk when the body runs out.
struct BodyEnded {
    Place place;
};

// Buffers the text and hands it to the output file in large pieces.
class TextWriter {
public:
    explicit TextWriter(OutputFile &file) : file_(file) { buffer_.reserve(flushThreshold * 2); }

    TextWriter &operator<<(const char *literal)
    {
        buffer_.append(literal);
        return *this;
    }

    void fixed3(float value) { appendFixed3(buffer_, value); }
    void frameRate(float value) { appendFrameRate(buffer_, value); }

    // A name as text: cut at its first zero byte, markup characters escaped, bytes
    // 0x80-0xFF as the UTF-8 of their Latin-1 character.
    void name(QByteArrayView raw)
    {
        const qsizetype zero = raw.indexOf('\0');
        if (zero >= 0)
            raw = raw.first(zero);
        // The reader drops text made only of blanks; inside CDATA it is kept.
        const bool blanksOnly = !raw.isEmpty() && std::all_of(raw.begin(), raw.end(), [](char c) {
            return QChar(QLatin1Char(c)).isSpace();
        });
        if (blanksOnly)
            buffer_.append("<![CDATA[");
        // Plain runs are copied whole; the buffer is handed on as it fills, so a name of any
        // length costs no more memory than a line.
        qsizetype plainStart = 0;
        for (qsizetype at = 0; at < raw.size(); ++at) {
            const char c = raw[at];
            if (isPlainTextByte(c))
                continue;
            buffer_.append(raw.data() + plainStart, at - plainStart);
            plainStart = at + 1;
            appendEscaped(c);
            if (buffer_.size() >= flushThreshold)
                flush();
        }
        for (qsizetype at = plainStart; at < raw.size(); at += flushThreshold) {
            buffer_.append(raw.sliced(at, std::min(flushThreshold, raw.size() - at)));
            if (buffer_.size() >= flushThreshold)
                flush();
        }
        if (blanksOnly)
            buffer_.append("]]>");
    }

    bool endLine()
    {
        buffer_.append('\n');
        return buffer_.size() < flushThreshold || flush();
    }

    bool flush()
    {
        const bool ok = file_.write(buffer_);
        buffer_.clear();
        return ok;
    }

private:
    static bool isPlainTextByte(char c) { return c != '&' && c != '<' && c != '>' && !(c & 0x80); }

    void appendEscaped(char c)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&')
            buffer_.append("&amp;");
        else if (c == '<')
            buffer_.append("&lt;");
        else if (c == '>')
            buffer_.append("&gt;");
        else
            buffer_.append(char(0xC0 | (byte >> 6))).append(char(0x80 | (byte & 0x3F)));
    }

    OutputFile &file_;
    QByteArray buffer_;
};

class BodyWalker {
public:
    BodyWalker(const QByteArray &body, TextWriter &out) : cursor_(body), out_(out) {}

    // False when the output failed (already reported); throws BodyEnded when the body does.
    bool walk()
    {
        const auto header = need(cursor_.bytes(headerSize), {"the header"});
        ByteCursor fields(header);
        fields.skip(8);
        const quint32 trackCount = *fields.u32();
        const float fps = *fields.f32();

        const quint64 tableSize = quint64(trackCount) * trackEntrySize;
        const auto table = need(cursor_.bytes(tableSize), {"the track table of %1 tracks", -1, -1, trackCount});
        out_ << "<fps>";
        out_.frameRate(fps);
        out_ << "</fps>";
        if (!out_.endLine())
            return false;
        for (quint32 track = 0; track < trackCount; ++track) {
            const quint32 frames = qFromLittleEndian<quint32>(table.data() + track * trackEntrySize + 8);
            if (!writeTrack(track, frames))
                return false;
        }
        return true;
    }

private:
    template <typename T>
    T need(std::optional<T> value, const Place &place)
    {
        if (!value)
            throw BodyEnded{place};
        return *value;
    }

    // A length-prefixed string; `place` names the string itself.
    QByteArrayView string(Place place)
    {
        const auto length = cursor_.u32();
        if (!length) {
            place.lengthWord = true;
            throw BodyEnded{place};
        }
        return need(cursor_.bytes(*length), place);
    }

    bool writeTrack(quint32 track, quint32 frames)
    {
        const QByteArrayView name = string({"the name", track});
        need(cursor_.u32(), {"the record size word", track});
        const auto transforms = need(cursor_.bytes(quint64(frames) * transformSize),
                                     {"the %1 transform records", track, -1, frames});
        out_ << "<track>";
        out_.endLine();
        out_ << "<name>";
        out_.name(name);
        out_ << "</name>";
        if (!out_.endLine())
            return false;
        for (quint32 frame = 0; frame < frames; ++frame) {
            writeFrame(transforms.sliced(qsizetype(frame) * transformSize, transformSize), track, frame);
            if (!out_.endLine())
                return false;
        }
        out_ << "</track>";
        return out_.endLine();
    }

    void writeFrame(QByteArrayView record, quint32 track, quint32 frame)
    {
        static constexpr std::array<const char *, 8> fieldNames{"x", "y", "kx", "ky", "sx", "sy", "f", "a"};
        const QByteArrayView image = string({"the image name", track, frame});
        const QByteArrayView font = string({"the font name", track, frame});
        const QByteArrayView text = string({"the text", track, frame});

        ByteCursor fields(record);
        out_ << "<t>";
        for (const char *field : fieldNames) {
            const float value = *fields.f32();
            if (value == unsetField)
                continue;
            out_ << "<" << field << ">";
            out_.fixed3(value);
            out_ << "</" << field << ">";
        }
        element("i", image);
        element("font", font);
        element("text", text);
        out_ << "</t>";
    }

    void element(const char *tag, QByteArrayView value)
    {
        if (value.isEmpty())
            return;
        out_ << "<" << tag << ">";
        out_.name(value);
        out_ << "</" << tag << ">";
    }

    ByteCursor cursor_;
    TextWriter &out_;
};

} // namespace

bool decompileBody(const QByteArray &body, const QString &outPath, LogSink &log, Flush flush)
{
    OutputFile file(outPath, log, flush);
    if (!file.open())
        return false;
    TextWriter text(file);
    try {
        if (!BodyWalker(body, text).walk() || !text.flush() || !file.commit())
            return false;
    } catch (const BodyEnded &ended) {
        log.logLine(QString::fromLatin1("ERROR: the body ends at byte %1, inside %2; nothing was written")
                        .arg(body.size())
                        .arg(ended.place.describe()));
        return false;
    }
    log.logLine(QLatin1String("Decompile finish [") + outPath + QLatin1Char(']'));
    return true;
}

bool decompressFile(const QString &inPath, const QString &outPath, LogSink &log, Flush flush)
{
    const auto body = loadCompiledBody(inPath, log);
    if (!body)
        return false;
    log.logLine(QLatin1String("Decompress [") + inPath + QLatin1String("] ..."));
    return decompileBody(*body, outPath, log, flush);
}

} // namespace qor
