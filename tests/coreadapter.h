#pragma once

#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/files/fileconversions.h"
#include "core/files/outputfile.h"
#include "qt/qtcore.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The core's calls in the tests' own types: bytes made and compared as QByteArray, paths as
// QString. Nothing here converts anything but types.
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

inline std::optional<QByteArray> inflate(const QByteArray &file, qor::LogSink &log, std::size_t limit = qor::maxBodySize)
{
    const auto body = qor::inflateCompiledFile(qorqt::bytesOf(file), log, limit);
    return body ? std::optional(qorqt::toQByteArray(qor::ByteView(*body))) : std::nullopt;
}

inline std::optional<QByteArray> loadBody(const QString &path, qor::LogSink &log)
{
    const auto body = qor::loadCompiledBody(qorqt::toPath(path), log);
    return body ? std::optional(qorqt::toQByteArray(qor::ByteView(*body))) : std::nullopt;
}

// The text of `body` written to `outPath` as Decompile writes it, with its last line.
inline bool writeText(const QByteArray &body, const QString &outPath, qor::LogSink &log, qor::Flush flush = qor::Flush::No)
{
    qor::OutputFile file(qorqt::toPath(outPath), log, flush);
    if (!file.open()
        || !qor::decompileBody(qorqt::bytesOf(body), [&](std::string_view piece) { return file.write(piece); }, log)
        || !file.commit())
        return false;
    log.logLine("Decompile finish [" + outPath.toStdString() + ']');
    return true;
}

inline bool decompileFile(const QString &in, const QString &out, qor::LogSink &log, qor::Flush flush = qor::Flush::No)
{
    return qor::decompileFile(qorqt::toPath(in), qorqt::toPath(out), log, flush);
}

inline bool compileFile(const QString &in, const QString &out, qor::LogSink &log, qor::Flush flush = qor::Flush::No)
{
    return qor::compileFile(qorqt::toPath(in), qorqt::toPath(out), log, flush);
}

inline std::optional<qor::Reanim> readBody(const QByteArray &body, qor::LogSink &log, std::size_t *end = nullptr)
{
    return qor::readReanimBody(qorqt::bytesOf(body), log, end);
}

} // namespace testcore
