#include "core/format/logsink.h"

#include "core/format/text.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace qor {

std::string formatLogText(const char *format, va_list args)
{
    std::array<char, maxFormattedLineLength + 1> buffer{};
    // vsnprintf cuts at the buffer's size and always terminates; its count is not needed.
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    buffer.back() = '\0';
    return latin1ToUtf8({buffer.data(), std::strlen(buffer.data())});
}

void LogSink::logFormat(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = formatLogText(format, args);
    va_end(args);
    logLine(text);
}

} // namespace qor
