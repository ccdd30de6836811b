#pragma once

#include <string>
#include <string_view>

namespace qor {

// The file an image name looks for, lower case and without its ending: "IMAGE_REANIM_FOO_BAR"
// (the prefix in any case) finds foo_bar.png or foo_bar.jpg, in any case; a name without the
// prefix is taken whole. Latin-1 bytes in and out.
std::string imageFileKey(std::string_view name);

} // namespace qor
