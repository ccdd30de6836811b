#pragma once

#include "core/logsink.h"
#include "core/reanim.h"

#include <QByteArray>
#include <QDomElement>
#include <QString>

#include <optional>

namespace qor {

// Fills `reanim` (freshly created) from the bytes of a reanim XML text and logs one line per
// track. Returns false after "setcontent" and the parser's reason when the text is not
// well-formed, or after an "ERROR:" line when a name does not fit the compiled form.
bool readReanimXml(const QByteArray &bytes, Reanim &reanim, LogSink &log);

// Fills the reset `track` from a `track` element. Returns what does not fit the compiled
// form (a name longer than 255 bytes or outside Latin-1), without the track's own name.
std::optional<QString> readTrack(const QDomElement &element, ReanimTrack &track);

} // namespace qor
