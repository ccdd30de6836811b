#pragma once

// A file being edited on the page: the core's document (its history, its saves) and the preview
// of what it looks like now, kept in step. The page sends edits as plain values (Edit) and draws
// the scenes it gets back; undo and redo are the document's.

#include "web/api.h"

#include "core/edit/document.h"
#include "core/edit/handles.h"
#include "core/edit/operations.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace web {

// One edit as the page names it. Names and strings are UTF-8 of Latin-1 bytes, as everywhere.
struct Edit {
    // setNumber, setString, drag, insertFrames, duplicateFrame, duplicateFrames, deleteFrames,
    // pasteFrames, tween, setKey, clearKey, makeClip, renameClip, moveClip, deleteClip, addTrack,
    // renameTrack, duplicateTrack, deleteTrack, moveTrack, setFps
    std::string op;
    // The tracks edited: setNumber's, setString's, setKey's, clearKey's, pasteFrames' and a tween's (else its
    // `track`); the frame edits take these, or every track when none are given
    std::vector<std::size_t> tracks;
    std::size_t track = 0;
    std::size_t frame = 0; // the first frame (the one before which frames are inserted; a tween's start)
    std::size_t count = 1;
    std::size_t to = 0;    // a tween's last frame; where moveTrack puts the track
    std::string field;     // x ... a (setNumber, tween: none for every field), image/font/text
                           // (setString), move/turn/scale/skew (drag)
    std::optional<float> value; // setNumber's value (none clears), setFps's rate
    std::string text;           // setString's value, a track's or clip's name
    std::string clip;           // renameClip's, moveClip's and deleteClip's clip, by name (else `track`)
    std::vector<qor::edit::DragValue> drags;
    bool easeInOut = false;
    bool insert = false;               // pasteFrames: before the frames at `frame` rather than over them
    qor::edit::Clipboard clipboard;    // pasteFrames' frames
};

struct Saved {
    bool ok = false;
    Bytes bytes;
    std::vector<std::string> lines; // what the save logged ("ERROR:" when it could not)
};

class Session {
public:
    // The file `name` read from `bytes` in the form qor::kindOf tells; or, without bytes, a blank
    // animation of that name. ok() says whether it read; lines() what the reader said if not.
    Session(const std::string &name, const std::optional<Bytes> &bytes, const PageFiles &files);

    bool ok() const { return document_.has_value(); }
    const std::vector<std::string> &lines() const { return lines_; }
    // "text" or "compiled": the form it came in, in which it saves by default.
    std::string kind() const;

    // False, with nothing changed, for an edit that names places that do not exist or would
    // change nothing.
    bool apply(const Edit &edit);
    // The drag under way is over: the next one is a step of its own.
    void sealStep();
    bool undo();
    bool redo();
    std::string undoName() const;
    std::string redoName() const;
    bool changed() const;
    // The document as it is now is what was last saved.
    void markSaved();

    Saved saveText() const;
    Saved saveCompiled() const;
    std::vector<std::string> droppedOnSave() const;

    // What frame `frame` of track `track` itself gives, before anything is carried forward into
    // it; nothing when there is no such frame.
    const qor::ReanimTransform *frameOf(std::size_t track, std::size_t frame) const;
    // For each track, a byte a frame: whether the frame itself gives a number field (1), an
    // image, font or text (2), both (3) or nothing (0). What the timeline marks.
    std::vector<Bytes> givenFrames() const;
    // Frames [first, first + count) of `tracks`, to paste into this file or another.
    qor::edit::Clipboard copy(const std::vector<std::size_t> &tracks, std::size_t first, std::size_t count) const;

    // A drag of the canvas's handles: `kind` move/turn/scale/skew, `handle` inside, turn, n, s,
    // e, w, ne, nw, se or sw, of the tracks given (the first the one it turns about) in a frame,
    // from a point of the stage. False, and no drag, when none of the tracks is placed there.
    bool beginDrag(const std::string &kind, const std::string &handle, const std::vector<std::size_t> &tracks,
                   std::size_t frame, qor::Point from);
    // The pointer is at `to` now (`constrain`: Shift is held): the tracks as the drag leaves
    // them, folded into the drag's one step. False when that changes nothing.
    bool dragTo(qor::Point to, bool constrain);
    // The drag is over: its moves are one step.
    void endDrag();

    // What the document looks like now, for the page to draw.
    const Preview &preview();
    // The page's files changed (or one of them was edited): attached animations are found and
    // read again when next drawn.
    void filesChanged() { preview_.reset(); }

    // The bytes the file was opened from (none for a blank animation), and its edits as bytes
    // that outlive the page (qor::edit::keptEdits): a session of the same name opened from the
    // same bytes takes them up with resumeEdits(), which is false, changing nothing, when it
    // can't.
    Bytes original() const;
    Bytes keptEdits() const;
    bool resumeEdits(std::span<const std::uint8_t> kept);

private:
    std::optional<qor::edit::Change> changeOf(const Edit &edit) const;

    struct Dragging {
        qor::edit::Gesture gesture;
        std::vector<qor::edit::Pose> start;
    };

    std::optional<qor::edit::Document> document_;
    std::vector<std::string> lines_;
    std::string name_;
    const PageFiles &files_;
    std::optional<Preview> preview_;
    std::uint64_t previewed_ = 0; // the document's version the preview shows
    std::optional<Dragging> dragging_;
};

} // namespace web
