#include "core/messages.h"

namespace qor {

QString printableName(QByteArrayView name, qsizetype shown)
{
    QString text;
    for (const char c : name.first(std::min(shown, name.size()))) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else if (c == '\t')
            text += QLatin1String("\\t");
        else if (byte < 0x20 || byte == 0x7F)
            text += QString::fromLatin1("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QChar(QLatin1Char(c));
    }
    if (name.size() > shown)
        text += QLatin1String("...");
    return text;
}

QString trackLabel(qsizetype index, QByteArrayView name)
{
    const QString label = QString::fromLatin1("track %1").arg(index);
    return name.isEmpty() ? label : label + QLatin1String(" \"") + printableName(name) + QLatin1Char('"');
}

} // namespace qor
