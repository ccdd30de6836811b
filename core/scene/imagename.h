#pragma once

#include <string>
#include <string_view>

namespace qor {

// The file an image name looks for, lower case and without its ending: "IMAGE_REANIM_FOO_BAR"
// (the prefix in any case) finds foo_bar.png or foo_bar.jpg, in any case; a name without the
// prefix is taken whole. Latin-1 bytes in and out.
std::string imageFileKey(std::string_view name);

// The name a frame gives to draw the image file of that key (lower case, without its ending):
// "foo_bar" is IMAGE_REANIM_FOO_BAR, which imageFileKey() takes back to "foo_bar".
std::string imageNameOf(std::string_view key);

} // namespace qor
