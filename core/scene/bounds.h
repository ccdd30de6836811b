#pragma once

#include "core/scene/scene.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qor {

// The box, in animation units, around what items cover; null when they cover nothing.
Rect boundsOf(std::span<const SceneItem> items);
inline Rect boundsOf(const std::vector<SceneItem> &items)
{
    return boundsOf(std::span<const SceneItem>(items));
}

// The box around all that a frame draws, or around all that the frames of a clip draw; null
// when they draw nothing. Hidden tracks count: the box does not move as tracks are hidden.
Rect frameBounds(const EvaluatedAnimation &animation, int frame, const ImageSizes &sizes,
                 const AnimationSource *attached = nullptr);
Rect clipBounds(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes,
                const AnimationSource *attached = nullptr);

// The box around what each track draws in each frame it has (boxes[track][frame]; null where it
// draws nothing), laid out once: the bounds of any clip follow from it, the same box as
// clipBounds gives, without laying the frames out again.
using DrawnBoxes = std::vector<std::vector<Rect>>;
Rect clipBounds(const DrawnBoxes &boxes, const Clip &clip);

// A track in a frame.
struct TrackFrame {
    size_t track;
    int frame;
};

// The track and frame of a clip that reach farthest from the origin, to name in a refusal.
std::optional<TrackFrame> farthestReach(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes,
                                        const AnimationSource *attached = nullptr);

// The track path of the topmost item under a point (animation units); nothing when none is.
std::optional<std::vector<std::uint32_t>> itemAt(const std::vector<SceneItem> &items, Point point);

// The tracks (at the top, as the first of a path) with an item that meets `box` (animation
// units): inside it, across it or touching its edge; each once, back to front. Items that cover
// no area, as itemAt() finds none in them, meet nothing.
std::vector<std::uint32_t> tracksIn(const std::vector<SceneItem> &items, const Rect &box);

// How a selected track is marked: the outline of what it covers in a frame (when it can be
// placed), its origin there, and the path of its origin over the frames of a clip that show it.
struct Selection {
    std::optional<std::array<Point, 4>> outline;
    std::optional<Point> origin;
    std::vector<Point> path;
};
Selection selectionOf(const EvaluatedAnimation &animation, size_t track, int frame, const Clip &clip,
                      const ImageSizes &sizes, const AnimationSource *attached = nullptr);

// The part of the animation a picture shows and its pixels per animation unit: at scale 1
// the point (x, y) is the pixel (x - left, y - top).
struct Framing {
    Rect area;
    double scale = 1.0;

    // The picture's size in pixels; nothing when it would be empty or larger than pictures go.
    std::optional<Size> pixelSize() const;
};

// The largest picture side drawn, in pixels, and the most pixels in one picture.
inline constexpr int maxPictureSide = 32768;
inline constexpr std::int64_t maxPicturePixels = std::int64_t(1) << 28;

// Why a picture of that many pixels a side is not drawn, in words; empty when it is.
std::string pictureSizeProblem(double width, double height);

// The framing that covers all a clip's frames draw, at `scale`; a single unit at the origin
// when they draw nothing.
Framing clipFraming(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes, double scale,
                    const AnimationSource *attached = nullptr);
// The same for a clip whose bounds are known already.
Framing clipFraming(const Rect &bounds, double scale);

} // namespace qor
