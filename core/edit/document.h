#pragma once

#include "core/edit/evaluation.h"
#include "core/edit/history.h"
#include "core/format/bytes.h"
#include "core/format/loader.h"
#include "core/format/xmlreader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::edit {

struct Opened;

// An animation being edited: the model, where it came from (its name, its form, its bytes),
// its history, and whether it changed since it was last saved. Every change goes through
// apply(), undo() and redo(), which keep the history and the evaluation in step.
class Document {
public:
    // A new animation of no tracks at 12 frames per second, unchanged, to be saved as text.
    static Document blank(std::string name);
    // The animation in `bytes`, read as `kind` (the caller asks qor::kindOf(name, bytes), as
    // info and check do); on failure, the lines the reader logged.
    static Opened open(std::string name, ByteView bytes, FileKind kind);

    const Reanim &reanim() const { return reanim_; }
    const std::string &name() const { return name_; }
    FileKind kind() const { return kind_; }
    const Bytes &original() const { return original_; }
    // A compiled file's body as it was read; empty for a text.
    const Bytes &originalBody() const { return originalBody_; }
    // What the reader said a compile drops or changes in the text it was opened from.
    const std::vector<ReaderWarning> &readerWarnings() const { return warnings_; }

    // Applies a change as one step (or into the open group, or folded into the last step under
    // the same merge key). False, with nothing changed, when a part does not fit the model.
    bool apply(Change change);
    // Changes between these make one step named `name`; groups nest, the outermost names it.
    void beginGroup(std::string name);
    void endGroup();
    // No later change folds into the last step (the end of a drag).
    void sealStep() { history_.sealLast(); }

    bool canUndo() const { return history_.undoCount() > 0 || !group_.parts.empty(); }
    bool canRedo() const { return history_.redoCount() > 0; }
    // The names of the steps undo and redo would take back or do again; empty when none.
    std::string undoName() const;
    std::string redoName() const;
    bool undo();
    bool redo();
    void setHistoryLimit(std::size_t steps) { history_.setLimit(steps); }

    // Changed since the last save (or since it was opened): undoing back to that state makes it
    // unchanged again.
    bool changed() const { return history_.version() != savedVersion_; }
    void markSaved();
    // In the state it was opened in (whatever was saved since).
    bool atOrigin() const { return history_.version() == 0; }
    // A number for the current state, different for every state reached by a change.
    std::uint64_t version() const { return history_.version(); }

    // The steps and the saved point, for keeping the edits beyond the program (keeping.h).
    const History &history() const { return history_; }
    std::uint64_t savedVersion() const { return savedVersion_; }
    // Takes up edits kept of this document as it was opened: the model as they left it, their
    // history and their saved point. False, with nothing changed, unless the document is as it
    // was opened and the history leads from `current` back to it step by step (or to the oldest
    // state the history kept) and forward through the steps undone.
    bool resume(Reanim current, const History &history, std::uint64_t savedVersion);

    // The animation as drawn: every track carried forward and its clips, redone only for the
    // tracks changed since it was last asked for.
    const EvaluatedAnimation &evaluated() { return evaluation_.of(reanim_); }
    // The frames of the longest track.
    std::size_t frameCount() const;

private:
    Document(std::string name, FileKind kind, Reanim reanim);

    // Applies parts in order; on a part that does not fit, takes back those applied and fails.
    bool applyParts(const std::vector<Primitive> &parts);
    void applyOne(const Primitive &part);
    void closeGroup();

    std::string name_;
    FileKind kind_;
    Bytes original_;
    Bytes originalBody_;
    std::vector<ReaderWarning> warnings_;
    Reanim reanim_;
    History history_;
    LiveEvaluation evaluation_;
    std::uint64_t savedVersion_ = 0;
    int groupDepth_ = 0;
    Step group_;
};

struct Opened {
    std::optional<Document> document;
    std::vector<std::string> lines; // what the reader logged, when it failed
};

} // namespace qor::edit
