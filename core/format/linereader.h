#pragma once

#include "core/format/reanim.h"

#include <string_view>

#include <optional>

namespace qor {

// Reads a text laid out exactly as the decompiler writes it: an fps line, then per track a
// "<track>" line, a name line, one line per frame and a "</track>" line, with only the
// escapes and characters the decompiler writes. Such a text is well-formed XML and reads to
// the model the general reader would give, several times faster. Nothing when the text
// strays from that form anywhere; the general reader then reads it.
std::optional<Reanim> readDecompilerLines(std::string_view text, bool quietNumbersOnly = false);

} // namespace qor
