#pragma once

#include <QByteArrayView>
#include <QString>

namespace qor {

// Pieces of log lines that name parts of an animation.

// Bytes of a name as Latin-1 text for a log line, at most `shown` of them ("..." after a cut),
// with control characters written as \r, \n, \t or \xNN so a message stays one line.
QString printableName(QByteArrayView name, qsizetype shown = 40);

// "track 3 "walk"", or "track 3" for a track without a name (yet).
QString trackLabel(qsizetype index, QByteArrayView name);

} // namespace qor
