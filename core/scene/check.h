#pragma once

#include "core/format/bytes.h"
#include "core/format/loader.h"
#include "core/format/walkable.h"
#include "core/format/xmlreader.h"

#include <functional>
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
    // Tracks with values no picture can place, each where it starts ("track 1 "t", frame 1: x
    // is nan, ..."), at most 20 and then a count.
    std::vector<std::string> placementWarnings;
    // Each animation it attaches whose file is not beside it ("attached animation not beside
    // it: no NAME.reanim.compiled or NAME.reanim"), once, in the order first attached.
    std::vector<std::string> attachmentWarnings;
};

// Whether a file of the attached animation `name` (Latin-1 bytes, without its ending) is
// beside the file checked: on disk for the command line, in its list for the page.
using AttachedFileBeside = std::function<bool(std::string_view name)>;

// The attachment warnings of `file`: each distinct attachment text its frames show, asked of
// `beside` by the attached animation's name.
std::vector<std::string> missingAttachments(const WalkableFile &file, const AttachedFileBeside &beside);

// Whether a file comes back the same through its text, bit for bit and byte for byte: it goes
// through the body writer, the decompiler and the reader in pieces of about 1 MiB, so a check
// takes little more memory than the body however large it is.
CheckResult checkWalkable(const WalkableFile &file);

// The same for a file's bytes, read in the form `kind` gives, with its attachment warnings.
CheckResult checkFile(ByteView bytes, FileKind kind, const AttachedFileBeside &beside);

// A reader's warning as a line about the file `shownName`: "NAME:LINE: warning: TEXT".
std::string warningLine(std::string_view shownName, const ReaderWarning &warning);

// What check says of a file named `shownName`: a line per warning (the reader's, the
// placement warnings, then the attachment warnings), and last whether it comes back the same
// or the "ERROR:" line that says why not. With `strict`, a warning fails a file that comes back.
struct CheckReport {
    enum class Outcome { Same, Different, Failed };
    Outcome outcome = Outcome::Same;
    std::vector<std::string> lines;
    int warnings = 0;
};
CheckReport reportCheck(std::string_view shownName, const CheckResult &checked, bool strict);

} // namespace qor
