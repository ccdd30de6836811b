#pragma once

#include "core/format/logsink.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The lines said about one file, kept together as the command line prints them and the page
// shows them: each ends in a line feed, and a line feed or carriage return inside a message is
// shown as \n or \r, so one message stays one line.
//
// Given the file it is about (as shown in messages), it names that file in any "ERROR:" line
// that does not already, so that a report read alone, or with --quiet, still says which file
// it is about.
class FileLines : public LogSink {
public:
    explicit FileLines(std::string subject = {}) : subject_(std::move(subject)) {}

    void logLine(std::string_view text) override;

    // The reason of the last "ERROR:" line, or what is said of a file without one.
    std::string lastError() const;

    // The "ERROR:" lines alone, without their line feeds.
    std::vector<std::string> errorLines() const;

    std::string text;

private:
    std::string subject_;
};

} // namespace qor
