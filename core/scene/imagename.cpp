#include "core/scene/imagename.h"

#include "core/scene/attachment.h"

namespace qor {

namespace {

constexpr std::string_view imagePrefix = "image_reanim_";
constexpr std::string_view namePrefix = "IMAGE_REANIM_";

// Latin-1 upper case of the letters lowerName() lowers: a-z and à-þ but for the division sign.
char upperLatin1(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        return static_cast<char>(u - 0x20);
    return c;
}

} // namespace

std::string imageFileKey(std::string_view name)
{
    std::string key = lowerName(name);
    if (key.starts_with(imagePrefix))
        key.erase(0, imagePrefix.size());
    return key;
}

std::string imageNameOf(std::string_view key)
{
    std::string name(namePrefix);
    for (const char c : key)
        name += upperLatin1(c);
    return name;
}

} // namespace qor
