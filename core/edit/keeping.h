#pragma once

#include "core/edit/document.h"
#include "core/format/bytes.h"

namespace qor::edit {

// A document's edits as bytes that outlive the program (the page keeps them in the browser's
// storage): the model as the edits left it, every step of the history both ways, and the saved
// point. Taken up again by the same file opened anew, it undoes and redoes as before, and every
// save at every step is the same byte for byte.
//
// The bytes: "QORE", a little-endian word of the form's version, then words and runs of bytes
// (a string is its length and its bytes; a float its bits). Nothing else reads them.
Bytes keptEdits(const Document &document);

// Takes up `kept` in a document just opened from the bytes it was opened from before. False,
// with the document as it was, when `kept` is not such bytes (another version of the form, cut
// short) or does not fit the document.
bool resumeEdits(Document &document, ByteView kept);

} // namespace qor::edit
