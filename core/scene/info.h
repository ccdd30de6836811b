#pragma once

#include "core/format/textout.h"
#include "core/format/walkable.h"

#include <string_view>

namespace qor {

enum class InfoFormat { Text, Json };

// What info says of a file: its kind, frame rate, tracks (name, frames, images each once in
// the order they first appear) and clips, worked out by walking it three times and written as
// it goes, so no model of the file and no document is ever made. `path` is UTF-8. As JSON it
// is one object of the run's "files" array; names are written byte for byte as U+0000 to
// U+00FF, cut at a zero byte as the text carries them.
void describeFile(const WalkableFile &file, std::string_view path, InfoFormat format, TextOut &out);

} // namespace qor
