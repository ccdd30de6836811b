#include "core/bodywalker.h"

namespace qor::bodywalk {

QString Place::describe() const
{
    QString text = QString::fromLatin1(what);
    if (lengthWord)
        text.prepend(QLatin1String("the length of "));
    if (text.contains(QLatin1String("%1")))
        text = text.arg(count);
    if (frame >= 0)
        text += QString::fromLatin1(" of frame %1").arg(frame);
    if (track >= 0)
        text += QString::fromLatin1(" of track %1").arg(track);
    return text;
}

} // namespace qor::bodywalk
