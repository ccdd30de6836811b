#pragma once

#include <filesystem>
#include <string_view>

namespace qor {

// Where Decompile writes the text of `inPath`: beside it, with ".reanim.compiled" in the
// file name replaced by ".reanim" (or failing that a trailing ".compiled" dropped and
// ".reanim" made sure of). Never `inPath` itself, and never a name ending in ".compiled".
std::filesystem::path decompiledPathFor(const std::filesystem::path &inPath);

// Where Compile writes the compiled file of `inPath`: the same path with ".compiled" added.
std::filesystem::path compiledPathFor(const std::filesystem::path &inPath);

// Whether a name ends in `suffix`, ASCII letters in any case.
bool endsWithAnyCase(std::string_view name, std::string_view suffix);

} // namespace qor
