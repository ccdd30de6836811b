#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

// Pieces of log lines that name parts of an animation.

// Bytes of a name as Latin-1 text for a log line (UTF-8), at most `shown` of them ("..." after
// a cut), with control characters written as \r, \n, \t or \xNN so a message stays one line.
std::string printableName(std::string_view name, std::size_t shown = 40);

// "track 3 "walk"", or "track 3" for a track without a name (yet).
std::string trackLabel(std::size_t index, std::string_view name);

} // namespace qor
