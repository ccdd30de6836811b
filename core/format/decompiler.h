#pragma once

#include "core/format/bytes.h"
#include "core/format/logsink.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// The reanim XML text of `body`, handed to `write` in pieces as the body is walked; false after
// an "ERROR:" line (a body that ends before its counts and lengths say, a name no text can
// carry) or when `write` fails (which has said why).
bool decompileBody(ByteView body, const std::function<bool(std::string_view)> &write, LogSink &log);

// The same, into memory (`text` keeps its room for the next one).
bool decompileBodyToText(ByteView body, std::string &text, LogSink &log);
std::optional<std::string> decompileBodyToText(ByteView body, LogSink &log);

// What in a name (up to its first zero byte) no reanim text can carry, which makes a decompile
// refuse the body: a control character other than tab and line feed, or a carriage return in
// a name of blanks alone (which only CDATA keeps, and CDATA turns it into a line feed).
// Nothing when the name can be written.
std::optional<char> unwritableCharacter(std::string_view name);

// The line of a body that ends before its counts and lengths say.
void logBodyEnded(std::size_t bodySize, const std::string &inside, LogSink &log);

} // namespace qor
