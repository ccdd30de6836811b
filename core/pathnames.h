#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qor {

// A path for a log line (UTF-8): as it is where it is UTF-8, each byte that is not as \xHH.
std::string displayPath(const std::filesystem::path &path);

// A path for one line of a message: printable text as it is, and each byte that is a control
// character or not valid UTF-8 as \xHH (a backslash as \\), so a name with a line feed or with
// bytes of another encoding stays one line and can be told apart from any other.
std::string escapedPath(const std::filesystem::path &path);
std::string escapedBytes(std::string_view bytes);

} // namespace qor
