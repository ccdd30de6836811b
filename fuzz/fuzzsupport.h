#pragma once

#include "core/logsink.h"

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

// What every fuzz target shares: a log that discards its lines, a quiet debug channel, and
// the input as the core takes it.
namespace qorfuzz {

class DiscardingLog : public qor::LogSink {
public:
    void logLine(const QString &) override {}
};

// serializeReanim reports each body's length on Qt's debug channel; millions of runs would
// bury the fuzzer's own report under those lines. Warnings and worse still go through.
inline void dropDebugMessages()
{
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (type != QtDebugMsg && previous)
                previous(type, context, message);
        });
}

inline QByteArrayView bytesOf(const uint8_t *data, size_t size)
{
    return {reinterpret_cast<const char *>(data), qsizetype(size)};
}

// A broken invariant: says which, shows the two sides (bytes other than text and markup
// percent-encoded) and stops the fuzzer.
[[noreturn]] inline void failed(const char *invariant, const std::optional<QByteArray> &first = std::nullopt,
                                const std::optional<QByteArray> &second = std::nullopt)
{
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n", invariant);
    for (const auto *side : {&first, &second})
        if (*side)
            std::fprintf(stderr, "---- %lld bytes:\n%s\n", static_cast<long long>((*side)->size()),
                         (*side)->toPercentEncoding(" <>/=\"&#;!?[]-_.:'\n").constData());
    std::abort();
}

} // namespace qorfuzz
