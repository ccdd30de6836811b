#pragma once

#include "core/edit/change.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qor::edit {

// A change as one asks for it: its primitives in the order they apply, the name of the step it
// makes ("Move body"), and a key under which consecutive changes fold into one step (a drag
// sends one change per move, all under one key; empty: never folds).
struct Change {
    std::string name;
    std::vector<Primitive> parts;
    std::string mergeKey;
};

// One step of the history, and the document's version once it is done.
struct Step {
    std::string name;
    std::string mergeKey;
    std::vector<Primitive> parts;
    std::uint64_t version = 0;
};

// The steps done, newest last, and the steps undone, next to redo last. At most `limit` steps
// are kept; older ones are dropped, and the version of the state they led to is the oldest one
// left to go back to.
class History {
public:
    explicit History(std::size_t limit = 1000) : limit_(limit) {}

    // A step done: the steps undone are gone.
    void push(Step step);
    // The last step done, when a change may still fold into it.
    Step *foldable(const std::string &mergeKey);
    // No change folds into the last step any more (after an undo, a save, another step).
    void sealLast() { lastOpen_ = false; }

    const Step *lastDone() const { return done_.empty() ? nullptr : &done_.back(); }
    const Step *nextRedo() const { return undone_.empty() ? nullptr : &undone_.back(); }
    // The step just undone or redone moves to the other side.
    void undid();
    void redid();

    std::size_t undoCount() const { return done_.size(); }
    std::size_t redoCount() const { return undone_.size(); }
    // The version of the current state: of the last step done, or of the oldest state kept.
    std::uint64_t version() const { return done_.empty() ? base_ : done_.back().version; }
    std::uint64_t newVersion() { return ++lastVersion_; }

    void setLimit(std::size_t limit);

    // What the history holds, for keeping it beyond the program (keeping.h), and taking it up
    // again: sealed, and trimmed to the limit.
    const std::deque<Step> &done() const { return done_; }
    const std::vector<Step> &undone() const { return undone_; }
    std::uint64_t base() const { return base_; }
    std::uint64_t lastVersion() const { return lastVersion_; }
    void restore(std::deque<Step> done, std::vector<Step> undone, std::uint64_t base, std::uint64_t lastVersion);

private:
    void trim();

    std::size_t limit_;
    std::deque<Step> done_;
    std::vector<Step> undone_;
    std::uint64_t base_ = 0;
    std::uint64_t lastVersion_ = 0;
    bool lastOpen_ = false;
};

} // namespace qor::edit
