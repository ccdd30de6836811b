#pragma once

#include "core/format/logsink.h"

#include <functional>
#include <string_view>

namespace qor {

// Runs `work`, turning a failed allocation into the one line "ERROR: not enough memory to "
// followed by `doing`, so a hostile input ends with a report rather than an abort.
bool guardAllocation(std::string_view doing, LogSink &log, const std::function<bool()> &work);

} // namespace qor
