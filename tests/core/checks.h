#pragma once

#include "core/format/bytes.h"

#include <doctest/doctest.h>

#include <string>
#include <vector>

// How the checks show bytes and lists of lines when they differ.
namespace doctest {

template <>
struct StringMaker<qor::Bytes> {
    static String convert(const qor::Bytes &bytes)
    {
        static constexpr char digits[] = "0123456789ABCDEF";
        std::string hex = std::to_string(bytes.size()) + " bytes: ";
        for (const std::uint8_t byte : bytes)
            hex += {digits[byte >> 4], digits[byte & 15]};
        return hex.c_str();
    }
};

template <>
struct StringMaker<std::vector<std::string>> {
    static String convert(const std::vector<std::string> &lines)
    {
        std::string shown = "{";
        for (const std::string &line : lines)
            shown += "\n  \"" + line + '"';
        return (shown + "\n}").c_str();
    }
};

} // namespace doctest
