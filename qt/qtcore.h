#pragma once

#include "core/format/bytes.h"
#include "core/format/logsink.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The core speaks std types: bodies as bytes, names as Latin-1 bytes, texts and log lines as
// UTF-8, paths as std::filesystem::path. These are the conversions to and from Qt's types for
// the programs built on Qt (the window, the preview, the drawing library, the render helper);
// the command line is plain C++ and speaks the core's types throughout.
namespace qorqt {

// Bytes both ways; a view of a QByteArray copies nothing.
inline qor::ByteView bytesOf(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}
inline std::string_view charsOf(const QByteArray &bytes)
{
    return {bytes.constData(), std::size_t(bytes.size())};
}
inline QByteArray toQByteArray(qor::ByteView bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}
inline QByteArray toQByteArray(std::string_view bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

// A name of the format (Latin-1 bytes) as text, and back.
inline QString fromName(std::string_view latin1)
{
    return QString::fromLatin1(latin1.data(), qsizetype(latin1.size()));
}
inline std::string toName(const QString &text)
{
    return text.toLatin1().toStdString();
}

// A log line or other text of the core (UTF-8).
inline QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A name given as bytes (a program argument) as text that keeps every byte: UTF-8 where the
// bytes are UTF-8, each other byte as the lone surrogate U+DC80 + its value (bytes 0x80 and
// up), which toPath turns back into that byte. Shown, such a byte is a replacement character.
QString fromArgument(std::string_view bytes);

// A Qt path as the file system's own (the bytes fromArgument kept included), and back where the
// name survives the trip.
std::filesystem::path toPath(const QString &path);
std::optional<QString> fromPath(const std::filesystem::path &path);
// A path for showing, whatever bytes it holds.
QString shownPath(const std::filesystem::path &path);

// A log sink for Qt code: each line arrives as a QString.
class LogSink : public qor::LogSink {
public:
    using qor::LogSink::logFormat;
    void logLine(std::string_view text) final { logText(fromUtf8(text)); }
    void logLine(const QString &text) { logText(text); }
    virtual void logText(const QString &text) = 0;
};

} // namespace qorqt
