#pragma once

#include "core/format/walkable.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cli {

// What check warns about the file at `path`: each animation it attaches whose file is not
// beside it, in words.
std::vector<std::string> missingAttachments(const std::filesystem::path &path, const qor::WalkableFile &file);

} // namespace cli
