#include "core/files/conversionguard.h"

#include "core/format/allocationguard.h"
#include "core/files/pathnames.h"

#include <system_error>

namespace qor {

bool guardConversion(const std::filesystem::path &inPath, const std::filesystem::path &outPath, LogSink &log,
                     const std::function<bool()> &convert)
{
    std::error_code error;
    if (!inPath.empty() && !outPath.empty() && std::filesystem::equivalent(inPath, outPath, error)) {
        log.logLine("ERROR: the output " + displayPath(outPath) + " is the input itself; nothing was written");
        return false;
    }
    return guardAllocation("convert " + displayPath(inPath) + "; nothing was written", log, convert);
}

} // namespace qor
