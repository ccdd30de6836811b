#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace qor {

// Where the converters report. The window shows each line in its Output Window, the
// command line prints it on stderr, tests collect it. Lines are UTF-8.
class LogSink {
public:
    virtual ~LogSink() = default;

    // One finished message line.
    virtual void logLine(std::string_view text) = 0;

    // One printf-style line, formatted by formatLogText.
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((format(printf, 2, 3)))
#endif
    void logFormat(const char *format, ...);
};

// A sink that drops every line, for callers that want only the result.
class DiscardingLog : public LogSink {
public:
    void logLine(std::string_view) override {}
};

// A sink that keeps only the reason of the last "ERROR:" line, for work whose other lines
// nobody reads (the text reader logs a line per track).
class LastError : public LogSink {
public:
    void logLine(std::string_view text) override
    {
        if (text.starts_with("ERROR: "))
            reason = std::string(text.substr(7));
    }
    std::string reason = "it could not be read";
};

// The longest line logFormat produces; anything beyond is cut.
inline constexpr int maxFormattedLineLength = 1023;

// Formats as the C library's vsnprintf does, into 1,024 bytes at most (the terminating zero
// included), where the 8-bit Windows formatter the log was made for cut its lines too. The
// result is taken as Latin-1 up to its first zero byte and widened to UTF-8.
std::string formatLogText(const char *format, va_list args);

} // namespace qor
