#pragma once

#include "core/format/logsink.h"
#include "core/format/reanim.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Something the reader silently drops or changes, and the line of the text it stands on.
struct ReaderWarning {
    std::int64_t line;
    std::string text; // UTF-8
};

// Fills `reanim` (freshly created) from the bytes of a reanim XML text and logs one line per
// track. Returns false after "setcontent" and the parser's reason when the text is not
// well-formed, or after an "ERROR:" line when a name does not fit the compiled form or the
// elements nest deeper than any reanim text does.
//
// The text is a run of top-level elements: it is read as if inside one root element. The
// walk inside a track or a frame ends at its first child that is not an element (white
// space aside); elements of other names are skipped with everything inside them. Given
// `warnings`, it also collects what it skips, drops or changes without a word.
bool readReanimXml(std::string_view bytes, Reanim &reanim, LogSink &log, std::vector<ReaderWarning> *warnings = nullptr);

// Elements nested deeper than this are refused; a reanim text needs four levels.
inline constexpr int maxElementDepth = 10000;

} // namespace qor
