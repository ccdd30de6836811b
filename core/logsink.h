#pragma once

#include <QString>

#include <cstdarg>

namespace qor {

// Where the converters report. The window shows each line in its Output Window, the
// command line prints it on stderr, tests collect it.
class LogSink {
public:
    virtual ~LogSink() = default;

    // One finished message line.
    virtual void logLine(const QString &text) = 0;

    // One printf-style line; see formatLogText for what it understands.
    void logFormat(const char *format, ...) Q_ATTRIBUTE_FORMAT_PRINTF(2, 3);
};

// The longest line logFormat produces; anything beyond is cut.
inline constexpr int maxFormattedLineLength = 1023;

// Formats like the 8-bit Windows formatter the log was made for: integer, character and
// string conversions with flags, width and precision, into 1,024 bytes at most (the
// terminating zero included). The result is widened as Latin-1 up to its first zero byte.
QString formatLogText(const char *format, va_list args);

} // namespace qor
