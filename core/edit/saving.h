#pragma once

#include "core/edit/document.h"
#include "core/format/bytes.h"
#include "core/format/logsink.h"

#include <optional>
#include <string>
#include <vector>

namespace qor::edit {

// A document saved as the converters would write it: as text, what a decompile of its compiled
// form gives (for a compiled file opened and not changed, the decompile of its own body); nothing
// after an "ERROR:" line when a name cannot be written.
std::optional<std::string> saveText(const Document &document, LogSink &log);

// Saved compiled: what a compile of the saved text gives; for a compiled file opened and not
// changed whose body comes back the same that way, its own bytes.
std::optional<Bytes> saveCompiled(const Document &document, LogSink &log);

// What saving as text leaves out of the text the document was opened from, as plain lines
// ("comments", "indentation", the reader's warnings, "<foo> is not an element ... (3 times)");
// empty when the text is the decompiler's own and so comes back byte for byte.
std::vector<std::string> droppedOnSave(const Document &document);

} // namespace qor::edit
