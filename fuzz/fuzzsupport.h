#pragma once

#include "core/format/bytes.h"
#include "core/format/logsink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

// What every fuzz target shares: the input as the core takes it, and the report of a broken
// invariant.
namespace qorfuzz {

using qor::DiscardingLog;

inline qor::ByteView bytesOf(const uint8_t *data, size_t size)
{
    return {data, size};
}

inline std::string_view charsOf(const uint8_t *data, size_t size)
{
    return {reinterpret_cast<const char *>(data), size};
}

// Bytes other than text and markup percent-encoded, so both sides of a difference can be read.
inline std::string shown(std::string_view bytes)
{
    static constexpr std::string_view plain = " <>/=\"&#;!?[]-_.:'\n";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || plain.find(c) != std::string_view::npos) {
            out += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            out += escaped;
        }
    }
    return out;
}

// A broken invariant: says which, shows the two sides and stops the fuzzer.
[[noreturn]] inline void failed(const char *invariant, const std::optional<std::string> &first = std::nullopt,
                                const std::optional<std::string> &second = std::nullopt)
{
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n", invariant);
    for (const auto *side : {&first, &second})
        if (*side)
            std::fprintf(stderr, "---- %zu bytes:\n%s\n", (*side)->size(), shown(**side).c_str());
    std::abort();
}

inline std::string asString(qor::ByteView bytes)
{
    return std::string(qor::charsOf(bytes));
}

} // namespace qorfuzz
