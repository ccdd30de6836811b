#pragma once

#include <QString>

#include <filesystem>
#include <optional>
#include <string_view>

namespace qor {

// A Qt path as the file system's own (its bytes in the local encoding on POSIX systems).
std::filesystem::path fileSystemPath(const QString &path);

// A file system path as a Qt path, when the name survives the trip both ways; nothing when it
// does not (a name of bytes that are not text in the local encoding).
std::optional<QString> qtPath(const std::filesystem::path &path);

// A path for one line of a message: printable text as it is, and each byte that is a control
// character or not valid UTF-8 as \xHH (a backslash as \\), so a name with a line feed or with
// bytes of another encoding stays one line and can be told apart from any other.
std::string escapedPath(const std::filesystem::path &path);
std::string escapedBytes(std::string_view bytes);

} // namespace qor
