#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace qor {

// The file of an attached animation named `name` (Latin-1 bytes) in the first of `folders`
// that holds one, its name matched without regard to case; nothing when none does.
std::optional<std::filesystem::path> findAttachedFile(const std::vector<std::filesystem::path> &folders,
                                                      std::string_view name);

} // namespace qor
