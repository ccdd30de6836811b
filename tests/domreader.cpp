#include "domreader.h"

#include "core/format/messages.h"
#include "core/format/numbers.h"

#include <QDomDocument>

#include <algorithm>

using namespace qor;

namespace domreader {

namespace {

// A reanim text is a run of top-level elements; this makes it one document.
constexpr char wrapperOpen[] = "<xml version='1.0'>";
constexpr char wrapperClose[] = "</xml>";
constexpr int wrapperOpenLength = sizeof(wrapperOpen) - 1;

// Why a text can't become one of the 8-bit strings of the compiled form, if it can't.
template <typename Field>
std::optional<QString> toLatin1Field(const QString &text, Field &field)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return QString::fromLatin1("holds a character outside Latin-1 (U+%1)")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    }
    if (std::size_t(text.size()) > maxNameBytes)
        return QString::fromLatin1("is %1 bytes long, more than %2").arg(text.size()).arg(maxNameBytes);
    field = text.toLatin1().toStdString();
    return std::nullopt;
}

// The walk inside a track or a frame: element children from the first, ending at the
// first child that is not an element.
template <typename Visit>
void forEachLeadingElement(const QDomElement &parent, Visit visit)
{
    for (QDomElement child = parent.firstChild().toElement(); !child.isNull();
         child = child.nextSibling().toElement())
        visit(child);
}

std::optional<QString> readFrame(const QDomElement &element, ReanimTransform &frame)
{
    std::optional<QString> problem;
    forEachLeadingElement(element, [&](const QDomElement &child) {
        const QString tag = child.tagName();
        for (const NumberField &field : numberFields) {
            if (tag == qorqt::fromUtf8(field.tag))
                frame.*field.member = parseDecimal(child.text().toStdString());
        }
        for (const StringField &field : stringFields) {
            if (tag != qorqt::fromUtf8(field.tag) || problem)
                continue;
            if (const auto why = toLatin1Field(child.text(), frame.*field.member))
                problem = qorqt::fromUtf8(field.words) + QLatin1Char(' ') + *why;
        }
    });
    return problem;
}


std::optional<QString> readTrack(const QDomElement &element, ReanimTrack &track)
{
    std::optional<QString> problem;
    forEachLeadingElement(element, [&](const QDomElement &child) {
        if (problem)
            return;
        const QString tag = child.tagName();
        if (tag == QLatin1String("name")) {
            if (const auto why = toLatin1Field(child.text(), track.name))
                problem = QLatin1String("the name ") + *why;
        }
        if (tag == QLatin1String("t")) {
            ReanimTransform frame;
            if (const auto why = readFrame(child, frame))
                problem = *why + QString::fromLatin1(" in frame %1").arg(track.transforms.size());
            track.transforms.push_back(std::move(frame));
        }
    });
    return problem;
}

} // namespace

bool readReanimXml(const QByteArray &bytes, Reanim &reanim, qorqt::LogSink &log)
{
    QByteArray wrapped;
    wrapped.reserve(wrapperOpenLength + bytes.size() + qsizetype(sizeof(wrapperClose)));
    wrapped.append(wrapperOpen).append(bytes).append(wrapperClose);

    QDomDocument document;
    QString reason;
    int line = 0;
    int column = 0;
    if (!document.setContent(wrapped, &reason, &line, &column)) {
        log.logLine(QLatin1String("setcontent"));
        if (line == 1)
            column = std::max(1, column - wrapperOpenLength);
        log.logLine(QString::fromLatin1("ERROR: the text is not well-formed XML at line %1, column %2: %3")
                        .arg(line)
                        .arg(column)
                        .arg(reason));
        return false;
    }

    const QDomElement root = document.documentElement();
    for (QDomNode node = root.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement element = node.toElement();
        if (element.isNull())
            continue;
        if (element.tagName() == QLatin1String("fps"))
            reanim.fps = parseDecimal(element.text().toStdString());
        if (element.tagName() == QLatin1String("track")) {
            ReanimTrack track;
            if (const auto problem = readTrack(element, track)) {
                log.logLine(QLatin1String("ERROR: ") + qorqt::fromUtf8(qor::trackLabel(reanim.tracks.size(), track.name))
                            + QLatin1String(": ") + *problem + QLatin1String("; nothing was written"));
                return false;
            }
            log.logFormat("%s %d", track.name.c_str(), int(track.transforms.size()));
            reanim.tracks.push_back(std::move(track));
        }
    }
    return true;
}

} // namespace domreader
