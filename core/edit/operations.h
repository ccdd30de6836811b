#pragma once

#include "core/edit/history.h"
#include "core/format/reanim.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The edits a person asks for, each made into a Change of primitives for Document::apply(), by
// tracks and frames given as indices. Each gives nothing when a place it names does not exist
// or is named twice, a name could not be saved, or it would change nothing.
namespace qor::edit {

// A frame's number fields, in the order of numberFields, and its strings, in the order of
// stringFields.
enum class Field : std::uint8_t { X, Y, Kx, Ky, Sx, Sy, F, A };
enum class StringKind : std::uint8_t { Image, Font, Text };

// Every track's index, for the edits that keep the tracks aligned.
std::vector<std::size_t> allTracks(const Reanim &reanim);

// Whether a track, clip, image, font or text name can be saved: at most maxNameBytes bytes and
// nothing the text cannot carry.
bool savableName(std::string_view name);

// --- Fields
// Sets (or, without a value, clears) one field of frames [first, first + count) of `tracks`.
std::optional<Change> setNumber(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t first,
                                std::size_t count, Field field, std::optional<float> value);
// Sets a frame's image, font or text; an empty one clears it.
std::optional<Change> setString(const Reanim &reanim, std::size_t track, std::size_t frame, StringKind kind,
                                std::string_view value);
// The same in frame `frame` of each of `tracks`.
std::optional<Change> setString(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame,
                                StringKind kind, std::string_view value);

// A drag of the canvas: sets x,y (Move), kx,ky (Turn, Skew) or sx,sy (Scale) of given frames of
// given tracks to numbers the page worked out, keeping the other fields. Its merge key folds a
// drag's moves into one step until Document::sealStep() (or another change) ends it.
enum class Drag : std::uint8_t { Move, Turn, Scale, Skew };
struct DragValue {
    std::size_t track = 0;
    std::size_t frame = 0;
    float first = 0.0f;  // x, kx or sx
    float second = 0.0f; // y, ky or sy
};
std::optional<Change> drag(const Reanim &reanim, Drag kind, std::span<const DragValue> values);

// --- Frames, of the tracks given (allTracks() keeps them aligned)
// `count` frames that give nothing (so they hold the frame before) inserted before frame `at`
// of each track at least `at` frames long.
std::optional<Change> insertFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t at,
                                   std::size_t count);
// A copy of frame `frame` after it, in each track that has it.
std::optional<Change> duplicateFrame(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame);
// A copy of frames [first, first + count) after them, in each track that has frame `first`; the
// first copy is given what it would otherwise carry differently, so the copies look as the run.
std::optional<Change> duplicateFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t first,
                                      std::size_t count);
// Frames [at, at + count) removed; what they set that the next frame leaves unset moves to the
// next frame, so the frames after look as they did.
std::optional<Change> deleteFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t at,
                                   std::size_t count);

// --- Copy and paste, between tracks and between documents
// Frames copied from some tracks: the first of each row gives every field the track had by then,
// so pasted elsewhere it looks as it did.
struct Clipboard {
    std::vector<std::vector<ReanimTransform>> rows;
};
Clipboard copyFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t first, std::size_t count);
// Row n pasted into tracks[n] at frame `at`: over the frames there (the track grows as it must),
// or inserted before them. The frame after the pasted ones keeps its look.
std::optional<Change> pasteFrames(const Reanim &reanim, const Clipboard &clipboard, std::span<const std::size_t> tracks,
                                  std::size_t at, bool insert);

// --- Tweens
// The frames between `from` and `to` of a track given values running from the one to the other
// for `field`, or for every field both frames set; angles go the short way round.
enum class Easing : std::uint8_t { Linear, EaseInOut };
std::optional<Change> tween(const Reanim &reanim, std::size_t track, std::size_t from, std::size_t to,
                            std::optional<Field> field, Easing easing);

// The same tween of frames `from` to `to` in each of `tracks`, as one step (tracks it gives
// nothing in are left as they are).
std::optional<Change> tween(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t from, std::size_t to,
                            std::optional<Field> field, Easing easing);

// --- Keys
// Frame `frame` of each track made a key: each of the eight number fields given the value the
// track shows there, so later changes before it leave it as it is.
std::optional<Change> setKey(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame);
// The eight number fields of frame `frame` of each track cleared, so that it carries them from
// the frames before; the frame after keeps its look.
std::optional<Change> clearKey(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame);

// --- Tracks
// A track of as many empty frames as the longest one, inserted at `at`.
std::optional<Change> addTrack(const Reanim &reanim, std::size_t at, std::string_view name);
std::optional<Change> renameTrack(const Reanim &reanim, std::size_t track, std::string_view name);
// A copy named NAME_copy, after it.
std::optional<Change> duplicateTrack(const Reanim &reanim, std::size_t track);
std::optional<Change> deleteTrack(const Reanim &reanim, std::size_t track);
// The track at `from` moved so that it stands at `to`.
std::optional<Change> moveTrack(const Reanim &reanim, std::size_t from, std::size_t to);

// --- Clips: an "anim_NAME" track with no image whose f is 0 inside the clip and -1 outside
inline constexpr std::string_view clipPrefix = "anim_";
// A clip of frames [first, first + count), its track after the clip tracks at the top.
std::optional<Change> makeClip(const Reanim &reanim, std::string_view name, std::size_t first, std::size_t count);
std::optional<Change> renameClip(const Reanim &reanim, std::size_t track, std::string_view name);
// The clip of track `track` made to run over frames [first, first + count); its other fields stay.
std::optional<Change> moveClip(const Reanim &reanim, std::size_t track, std::size_t first, std::size_t count);
std::optional<Change> deleteClip(const Reanim &reanim, std::size_t track);

std::optional<Change> setFps(const Reanim &reanim, float fps);

} // namespace qor::edit
