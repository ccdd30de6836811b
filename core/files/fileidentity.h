#pragma once

#include <filesystem>
#include <string>

namespace qor {

// What a file is, whatever it is called: two paths that name the same file (through a link, a
// hard link, "..", or another spelling of a folder) give the same key. For a file that does not
// exist yet it is its path with the links of its existing folders worked out, so two spellings
// of one future output still meet.
std::string fileIdentity(const std::filesystem::path &path);

// Whether `path` lies inside `folder` (or is it), after their links are worked out.
bool liesWithin(const std::filesystem::path &path, const std::filesystem::path &folder);

} // namespace qor
