#pragma once

#include "core/bytes.h"
#include "core/loader.h"
#include "core/xmlreader.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Whether a file comes back the same through a decompile and a compile, in words.
struct CheckResult {
    std::optional<std::string> error;      // it could not be read at all: the "ERROR:" line's reason
    std::optional<std::string> difference; // it does not come back the same: the first difference
    std::vector<ReaderWarning> warnings;   // what a compile drops or changes without a word
};

// A compiled file: its body against the body of its text compiled again.
CheckResult checkCompiledFile(ByteView file);

// A text: its model against the model of its compiled body decompiled again.
CheckResult checkText(std::string_view text);

CheckResult checkFile(ByteView bytes, FileKind kind);

} // namespace qor
