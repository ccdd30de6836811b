#pragma once

#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "qt/qtcore.h"

#include <QByteArray>

#include <optional>

// The core's calls in the tests' own types: bytes made and compared as QByteArray. Nothing
// here converts anything but types.
namespace testcore {

inline QByteArray wrap(const QByteArray &body)
{
    return qorqt::toQByteArray(qor::ByteView(qor::wrapBody(qorqt::bytesOf(body))));
}

inline QByteArray serialize(const qor::Reanim &reanim)
{
    return qorqt::toQByteArray(qor::ByteView(qor::serializeReanim(reanim)));
}

inline std::optional<QByteArray> textOf(const QByteArray &body, qor::LogSink &log)
{
    const auto text = qor::decompileBodyToText(qorqt::bytesOf(body), log);
    return text ? std::optional(qorqt::toQByteArray(std::string_view(*text))) : std::nullopt;
}

inline std::optional<qor::Reanim> readBody(const QByteArray &body, qor::LogSink &log, std::size_t *end = nullptr)
{
    return qor::readReanimBody(qorqt::bytesOf(body), log, end);
}

} // namespace testcore
