#pragma once

#include "core/format/bytes.h"
#include "core/format/loader.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a file's name says, as rules on names alone (the page uses them without a file
// system): the form of a file, and which names a folder walk takes.
namespace qor {

// The suffixes of the compiled form and of the text.
inline constexpr std::string_view compiledSuffix = ".compiled";
inline constexpr std::string_view textSuffix = ".reanim";

// The form a name says, ".compiled" or ".reanim" at its end in any case; nothing when it
// says neither.
std::optional<FileKind> kindByName(std::string_view name);

// The form of a file: by its name where the name says, else by its content, so that a
// damaged compiled file is read as one. Every reader of a named file (info, check, render, the
// previews) decides by this, so that one file gets one verdict.
FileKind kindOf(std::string_view name, ByteView bytes);

// Two file names the same but for the case of ASCII letters, as names are matched where case
// is not to matter (an attached animation's file, a suffix); and a name with its ASCII letters
// in lower case, to keep names that are the same in that way as one.
bool sameNameAnyCase(std::string_view a, std::string_view b);
std::string lowerAsciiName(std::string_view name);

// Whether a name is hidden (starts with a dot), such as a conversion's unfinished output.
bool isHiddenName(std::string_view name);

// Whether a folder walk takes a file of this name: not hidden, and ending in one of
// `suffixes`, ASCII letters in any case.
bool takenInFolder(std::string_view name, const std::vector<std::string> &suffixes);

// A folder's files as a list of their paths below it ('/' between the parts), as a browser
// lists a picked or dropped folder: those a folder walk takes (no hidden part, a name
// takenInFolder), as their places in `paths`, in the walk's order (part by part, as bytes).
std::vector<std::size_t> takenFromListing(const std::vector<std::string> &paths,
                                          const std::vector<std::string> &suffixes);

} // namespace qor
