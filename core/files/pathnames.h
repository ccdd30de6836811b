#pragma once

#include "core/format/text.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace qor {

// A path for a log line (UTF-8): as it is where it is UTF-8, each byte that is not as \xHH.
std::string displayPath(const std::filesystem::path &path);

// A path for one line of a message, escaped as escapedBytes (core/text.h) escapes.
std::string escapedPath(const std::filesystem::path &path);

} // namespace qor
