#pragma once

#include "core/bytes.h"
#include "core/logsink.h"
#include "core/reanim.h"

#include <optional>

namespace qor {

// The model of a compiled body, walked as the decompiler walks it: the frame rate, the
// tracks and every frame with its image, font and text. Names are cut at their first zero
// byte, as the text carries them. Nothing after an "ERROR:" line when the body ends before
// its counts and lengths say. `end` receives the first byte after the last track.
std::optional<Reanim> readReanimBody(ByteView body, LogSink &log, std::size_t *end = nullptr);

} // namespace qor
