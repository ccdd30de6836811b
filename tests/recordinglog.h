#pragma once

#include "qt/qtcore.h"

#include <QStringList>

// A log sink that keeps every line, for checking what a conversion reported.
class RecordingLog : public qorqt::LogSink {
public:
    void logText(const QString &text) override { lines.append(text); }

    QStringList lines;
};
