#pragma once

#include "core/format/bytes.h"
#include "core/format/logsink.h"
#include "core/format/reanim.h"

#include <optional>

namespace qor {

// The two forms of an animation file.
enum class FileKind { Compiled, Text };

// A file's form by its content alone: a compiled file starts with the magic bytes D4 FE AD DE;
// anything else is taken for text. Files are told by their name first (kindOf in
// core/files/namerules.h); this is what that rule falls back on.
FileKind kindByContent(ByteView bytes);

// The animation in a file of either form, with the file's form.
struct LoadedAnimation {
    FileKind kind;
    Reanim reanim;
};

// Decodes the bytes of a file read as `kind`: a compiled file through its body, a text through
// the reader. Nothing after the log has said why (an "ERROR:" line or the reader's lines).
std::optional<LoadedAnimation> decodeAnimation(ByteView bytes, FileKind kind, LogSink &log);

} // namespace qor
