#pragma once

#include "core/scene/evaluated.h"
#include "core/scene/geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The side of the box drawn for an image that is not there or an attached animation whose
// file is not there.
inline constexpr double placeholderSide = 40.0;

// What the program knows of the pictures a frame names and of its fonts: the painter draws
// what these sizes say.
class ImageSizes {
public:
    virtual ~ImageSizes() = default;
    // The size in pixels of the image a frame names (Latin-1 bytes); nothing when it can't
    // be drawn, and a placeholder stands in.
    virtual std::optional<Size> imageSize(std::string_view name) const = 0;
    // The box a text (Latin-1 bytes) takes in a font, drawn from its top-left corner.
    virtual Size textSize(std::string_view text, std::string_view font) const = 0;
};

// Where the animations that tracks attach come from: the native programs search folders,
// the page the files it was given. Each problem is kept once, whatever asks for it again.
class AnimationSource {
public:
    virtual ~AnimationSource() = default;
    // The name, lower case and without its ending, of the animation drawn at the top: an
    // attachment of that name closes a cycle.
    virtual std::string topName() const = 0;
    // The animation of that name (Latin-1 bytes, any case), or null when none reads.
    virtual const EvaluatedAnimation *animation(std::string_view name) const = 0;
    // A line (UTF-8) about what could not be drawn as asked.
    virtual void noteProblem(std::string_view line) const = 0;
};

enum class ItemKind : std::uint8_t { Image, Text, Placeholder };

// One thing a frame draws, in its own coordinates from (0, 0) to `size`, put in place by
// `matrix` (animation units).
struct SceneItem {
    ItemKind kind = ItemKind::Image;
    std::string image; // Image: the name as the frame gives it (Latin-1 bytes)
    std::string key;   // Image: the file the image-name rule looks for (imageFileKey)
    std::string text;  // Text: the text; Placeholder: the name written in it
    std::string font;  // Text: the font's name
    std::string track; // the name of the track that draws it, for a placeholder in its place
    Matrix matrix;
    double opacity = 1.0;
    Size size;
    // The track that draws it and, inside an attached animation, the track there, to any depth.
    std::vector<std::uint32_t> path;

    bool operator==(const SceneItem &) const = default;
};

// What to leave out of a frame, and where attached animations come from (without a source,
// attachments draw nothing).
struct SceneOptions {
    std::vector<bool> hidden; // by track index; tracks past its end are shown
    const AnimationSource *attached = nullptr;

    bool hides(size_t track) const { return track < hidden.size() && hidden[track]; }
};

// Where a track's own coordinates go: scale and skew (degrees, y down), then the offset.
Matrix placement(const TrackState &state);

// Whether a track draws in a frame: it is no clip marker, the frame is shown and placeable.
const TrackState *drawnState(const EvaluatedAnimation &animation, size_t track, int frame);

// What a frame draws, back to front: its tracks in order, the first at the back, each its
// image (or the placeholder), then what it attaches or its text. Clip markers, hidden tracks,
// hidden frames and values no picture can place draw nothing.
std::vector<SceneItem> frameScene(const EvaluatedAnimation &animation, int frame, const ImageSizes &sizes,
                                  const SceneOptions &options = {});

// What one track draws in a frame, placed as in the frame (or, with `own`, in the track's own
// coordinates), appended to `items`.
void trackScene(const EvaluatedAnimation &animation, size_t track, int frame, const ImageSizes &sizes,
                const AnimationSource *attached, std::vector<SceneItem> &items, bool own = false);

} // namespace qor
