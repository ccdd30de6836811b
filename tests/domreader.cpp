#include "domreader.h"

#include "core/messages.h"
#include "core/numbers.h"

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
std::optional<QString> toLatin1Field(const QString &text, QByteArray &field)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return QString::fromLatin1("holds a character outside Latin-1 (U+%1)")
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    }
    if (text.size() > maxNameBytes)
        return QString::fromLatin1("is %1 bytes long, more than %2").arg(text.size()).arg(maxNameBytes);
    field = text.toLatin1();
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
        const struct {
            const char *name;
            float ReanimTransform::*field;
        } floats[] = {{"x", &ReanimTransform::x},   {"y", &ReanimTransform::y},   {"kx", &ReanimTransform::kx},
                      {"ky", &ReanimTransform::ky}, {"sx", &ReanimTransform::sx}, {"sy", &ReanimTransform::sy},
                      {"f", &ReanimTransform::f},   {"a", &ReanimTransform::a}};
        for (const auto &[name, field] : floats) {
            if (tag == QLatin1String(name))
                frame.*field = parseDecimal(child.text().toStdString());
        }
        const struct {
            const char *name;
            QByteArray ReanimTransform::*field;
            const char *words;
        } strings[] = {{"i", &ReanimTransform::i, "the image name"},
                       {"font", &ReanimTransform::font, "the font name"},
                       {"text", &ReanimTransform::text, "the text"}};
        for (const auto &[name, field, words] : strings) {
            if (tag != QLatin1String(name) || problem)
                continue;
            if (const auto why = toLatin1Field(child.text(), frame.*field))
                problem = QLatin1String(words) + QLatin1Char(' ') + *why;
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

bool readReanimXml(const QByteArray &bytes, Reanim &reanim, LogSink &log)
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
                log.logLine(QLatin1String("ERROR: ") + qor::trackLabel(qsizetype(reanim.tracks.size()), track.name)
                            + QLatin1String(": ") + *problem + QLatin1String("; nothing was written"));
                return false;
            }
            log.logFormat("%s %d", track.name.constData(), int(track.transforms.size()));
            reanim.tracks.push_back(std::move(track));
        }
    }
    return true;
}

} // namespace domreader
