#pragma once

#include "core/scene/evaluated.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// What an attached animation does after its last frame: starts again, stays on it, or goes.
enum class AttachmentEnd { Loop, Hold, Once };

// Another animation drawn in a track's place, asked for by the frame's text
// "attacher__NAME", "attacher__NAME__anim_CLIP", each optionally followed by tags in
// brackets: a number is the frame rate, "hold" and "once" say how it ends.
struct Attachment {
    std::string name;         // the animation file's name without its ending (Latin-1 bytes)
    std::string clip;         // the clip it plays; empty for the whole animation
    std::optional<float> fps; // the rate tag; else the attached file's own rate
    AttachmentEnd end = AttachmentEnd::Loop;
    std::vector<std::string> tags; // every tag as written, in order

    bool operator==(const Attachment &) const = default;
};

// The attachment a frame's text asks for, or nothing when the text is no attachment.
std::optional<Attachment> parseAttachment(std::string_view text);

// The attachments an animation's frames ask for, each text once, in the order they appear.
std::vector<Attachment> attachmentsOf(const Reanim &reanim);

// The clip an attachment plays in the animation it attaches: the one it names, in any case,
// else the whole animation; `found` says whether the named one is there.
Clip attachedClip(const EvaluatedAnimation &attached, const Attachment &attachment, bool *found);

// The frame where the track's present attachment started: the first frame, not before
// `earliest`, in which the track shows the text it shows in `frame`, counting from the
// last change of its text.
int attachmentStart(const EvaluatedTrack &track, int frame, int earliest);

// The frame of a clip of `clipFrames` frames that an attachment shows `elapsed` frames of
// its parent after it started; nothing once a "once" attachment has played. `parentFps` and
// `ownFps` are the parent's rate and the attached file's own.
std::optional<int> attachedFrame(const Attachment &attachment, int elapsed, float parentFps, float ownFps,
                                 int clipFrames);

// The two file names an attachment may have (Latin-1 bytes), in the order they are looked for.
std::vector<std::string> attachedFileNames(std::string_view name);
// The same as words, in UTF-8, for a line saying what was looked for: "walker.reanim.compiled
// or walker.reanim".
std::string attachedFileWords(std::string_view name);

// A Latin-1 name in lower case, and whether two are the same but for case.
std::string lowerName(std::string_view latin1);
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

} // namespace qor
