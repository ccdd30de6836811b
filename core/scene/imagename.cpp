#include "core/scene/imagename.h"

#include "core/scene/attachment.h"

namespace qor {

namespace {

constexpr std::string_view imagePrefix = "image_reanim_";

} // namespace

std::string imageFileKey(std::string_view name)
{
    std::string key = lowerName(name);
    if (key.starts_with(imagePrefix))
        key.erase(0, imagePrefix.size());
    return key;
}

} // namespace qor
