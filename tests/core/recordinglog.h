#pragma once

#include "core/format/logsink.h"

#include <string>
#include <string_view>
#include <vector>

// A log sink that keeps every line, for checking what a conversion reported.
class RecordingLog : public qor::LogSink {
public:
    void logLine(std::string_view text) override { lines.emplace_back(text); }

    std::vector<std::string> lines;
};
