#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qor {

// Text on its way out: handed on in pieces of about 64 KiB as it is made, or kept in memory
// when nothing takes it.
class TextOut {
public:
    using Taker = std::function<void(std::string_view)>;

    TextOut() = default;
    explicit TextOut(Taker take) : take_(std::move(take)) {}
    ~TextOut() { flush(); }
    TextOut(const TextOut &) = delete;
    TextOut &operator=(const TextOut &) = delete;

    TextOut &operator<<(std::string_view bytes);
    TextOut &operator<<(std::int64_t number);

    // Bytes of a name (Latin-1) as UTF-8.
    TextOut &latin1(std::string_view name);
    // Bytes of a name as a JSON string: each byte the character of its number (U+0000 to
    // U+00FF), in UTF-8, with the escapes JSON needs.
    TextOut &jsonLatin1(std::string_view name);
    // UTF-8 text as a JSON string with the escapes JSON needs.
    TextOut &jsonUtf8(std::string_view text);

    // Hands on what is kept; without a taker the text stays in `text()`.
    void flush();
    const std::string &text() const { return buffer_; }

private:
    TextOut &spill();
    void jsonCharacter(char32_t character);

    Taker take_;
    std::string buffer_;
};

} // namespace qor
