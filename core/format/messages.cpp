#include "core/format/messages.h"

#include "core/format/text.h"

#include <algorithm>

namespace qor {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return text;
}

} // namespace

std::string printableName(std::string_view name, std::size_t shown)
{
    std::string text;
    for (const char c : name.substr(0, std::min(shown, name.size()))) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\t')
            text += "\\t";
        else if (byte < 0x20 || byte == 0x7F)
            text += "\\x" + lowerCase(hexadecimal(byte, 2));
        else
            text += latin1ToUtf8({&c, 1});
    }
    if (name.size() > shown)
        text += "...";
    return text;
}

std::string trackLabel(std::size_t index, std::string_view name)
{
    const std::string label = "track " + std::to_string(index);
    return name.empty() ? label : label + " \"" + printableName(name) + '"';
}

} // namespace qor
