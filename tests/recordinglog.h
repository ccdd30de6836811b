#pragma once

#include "core/logsink.h"

#include <QStringList>

// A log sink that keeps every line, for checking what a conversion reported.
class RecordingLog : public qor::LogSink {
public:
    void logLine(const QString &text) override { lines.append(text); }

    QStringList lines;
};
