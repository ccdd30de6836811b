#include "core/format/allocationguard.h"

#include <new>
#include <string>

namespace qor {

bool guardAllocation(std::string_view doing, LogSink &log, const std::function<bool()> &work)
{
    try {
        return work();
    } catch (const std::bad_alloc &) {
        log.logLine("ERROR: not enough memory to " + std::string(doing));
        return false;
    }
}

} // namespace qor
