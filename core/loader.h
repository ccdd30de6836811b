#pragma once

#include "core/logsink.h"
#include "core/reanim.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qor {

// The two forms of an animation file.
enum class FileKind { Compiled, Text };

// A file's form by its content: a compiled file starts with the magic bytes D4 FE AD DE;
// anything else is taken for text.
FileKind kindOf(const QByteArray &bytes);

// The animation in a file of either form, told apart by content, with the file's form.
struct LoadedAnimation {
    FileKind kind;
    Reanim reanim;
};

// Reads and decodes the file at `path`: a compiled file through its body, a text through
// the reader. Nothing after the log has said why (an "ERROR:" line or the reader's lines).
std::optional<LoadedAnimation> loadAnimation(const QString &path, LogSink &log);

// The same for bytes already in memory, read as `kind`.
std::optional<LoadedAnimation> decodeAnimation(const QByteArray &bytes, FileKind kind, LogSink &log);

} // namespace qor
