#pragma once

#include "core/format/bytes.h"
#include "core/format/layout.h"
#include "core/format/logsink.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// A body that inflates past this is refused rather than allowed to exhaust memory.
inline constexpr std::size_t maxBodySize = std::size_t(1) << 30;

// The largest compiled file that can hold a body within maxBodySize (a stored stream is a
// little larger than its body), and the largest text read.
inline constexpr std::size_t maxCompiledFileSize = maxBodySize + (maxBodySize >> 10);
inline constexpr std::size_t maxTextFileSize = maxBodySize;

// The line that refuses a file of `size` bytes, more than `limit` (one of the two above), given
// its path as shown.
std::string tooLargeLine(std::string_view shownPath, std::uint64_t size, std::size_t limit);

// The inflated body of a compiled file, into `body` (whose room is kept for the next one);
// false after an "ERROR:" line. A body larger than `limit` bytes is refused.
bool inflateCompiledFile(ByteView file, Bytes &body, LogSink &log, std::size_t limit = maxBodySize);
std::optional<Bytes> inflateCompiledFile(ByteView file, LogSink &log, std::size_t limit = maxBodySize);

// A body wrapped in its container: magic, body length, zlib stream at the default level.
void wrapBody(ByteView body, Bytes &file);
Bytes wrapBody(ByteView body);

// The two inflaters, each on its own, for comparing them. libdeflate's first buffer has the
// size word's length where the stream can hold that much; false when it finds the stream
// damaged or the body past the limit. zlib's says why, in an "ERROR:" line.
bool inflateWithLibdeflate(ByteView stream, std::uint32_t sizeWord, std::size_t limit, Bytes &body);
bool inflateWithZlib(ByteView stream, std::uint32_t sizeWord, std::size_t limit, Bytes &body, LogSink &log);

} // namespace qor
