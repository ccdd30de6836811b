#include "core/scene/bounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qor {

namespace {

Rect itemBox(const SceneItem &item)
{
    return item.matrix.mapRect({0.0, 0.0, item.size.width, item.size.height});
}

// Calls `use(track, frame, box)` with the box of each track in each frame of the clip that it
// draws: track by track over the frames each track has, so that frames past a track's end
// cost nothing, however many tracks there are.
template <typename Use>
void forEachDrawnBox(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes,
                     const AnimationSource *attached, Use use)
{
    std::vector<SceneItem> items;
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const std::int64_t end = std::min<std::int64_t>(std::int64_t(clip.firstFrame) + clip.frameCount,
                                                        std::int64_t(animation.tracks[track].frames.size()));
        for (std::int64_t frame = clip.firstFrame; frame < end; ++frame) {
            items.clear();
            trackScene(animation, track, int(frame), sizes, attached, items);
            const Rect box = boundsOf(items);
            if (!box.null())
                use(track, int(frame), box);
        }
    }
}

std::string pixels(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

} // namespace

Rect boundsOf(std::span<const SceneItem> items)
{
    Rect bounds;
    for (const SceneItem &item : items) {
        if (!item.size.empty())
            bounds = bounds.united(itemBox(item));
    }
    return bounds;
}

Rect frameBounds(const EvaluatedAnimation &animation, int frame, const ImageSizes &sizes,
                 const AnimationSource *attached)
{
    return boundsOf(frameScene(animation, frame, sizes, {{}, attached}));
}

Rect clipBounds(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes,
                const AnimationSource *attached)
{
    Rect bounds;
    forEachDrawnBox(animation, clip, sizes, attached, [&](size_t, int, const Rect &box) { bounds = bounds.united(box); });
    return bounds;
}

Rect clipBounds(const DrawnBoxes &boxes, const Clip &clip)
{
    // Track by track, frame by frame, as forEachDrawnBox goes: the same boxes united in the
    // same order give the same box to the last bit.
    Rect bounds;
    for (const std::vector<Rect> &track : boxes) {
        const std::int64_t end =
            std::min<std::int64_t>(std::int64_t(clip.firstFrame) + clip.frameCount, std::int64_t(track.size()));
        for (std::int64_t frame = std::max(clip.firstFrame, 0); frame < end; ++frame)
            bounds = bounds.united(track[size_t(frame)]);
    }
    return bounds;
}

std::optional<TrackFrame> farthestReach(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes,
                                        const AnimationSource *attached)
{
    std::optional<TrackFrame> farthest;
    double reach = 0;
    forEachDrawnBox(animation, clip, sizes, attached, [&](size_t track, int frame, const Rect &box) {
        const double distance =
            std::max({std::abs(box.x), std::abs(box.right()), std::abs(box.y), std::abs(box.bottom())});
        if (!farthest || distance > reach) {
            farthest = TrackFrame{track, frame};
            reach = distance;
        }
    });
    return farthest;
}

std::optional<std::vector<std::uint32_t>> itemAt(const std::vector<SceneItem> &items, Point point)
{
    for (auto item = items.rbegin(); item != items.rend(); ++item) {
        const Matrix &m = item->matrix;
        const double determinant = m.a * m.d - m.b * m.c;
        if (determinant == 0.0 || !std::isfinite(determinant))
            continue;
        const double x = point.x - m.e;
        const double y = point.y - m.f;
        const Point own{(m.d * x - m.c * y) / determinant, (m.a * y - m.b * x) / determinant};
        if (Rect{0.0, 0.0, item->size.width, item->size.height}.contains(own))
            return item->path;
    }
    return std::nullopt;
}

namespace {

// Whether a convex polygon and a box overlap (touching counts): no axis of the box's sides or
// the polygon's separates them.
bool meets(const std::array<Point, 4> &corners, const Rect &box)
{
    const std::array<Point, 4> sides{Point{box.x, box.y}, Point{box.right(), box.y}, Point{box.right(), box.bottom()},
                                     Point{box.x, box.bottom()}};
    const auto apart = [](const std::array<Point, 4> &a, const std::array<Point, 4> &b, Point axis) {
        double lowA = 0.0, highA = 0.0, lowB = 0.0, highB = 0.0;
        for (std::size_t n = 0; n < 4; ++n) {
            const double onA = a[n].x * axis.x + a[n].y * axis.y;
            const double onB = b[n].x * axis.x + b[n].y * axis.y;
            lowA = n == 0 ? onA : std::min(lowA, onA);
            highA = n == 0 ? onA : std::max(highA, onA);
            lowB = n == 0 ? onB : std::min(lowB, onB);
            highB = n == 0 ? onB : std::max(highB, onB);
        }
        return highA < lowB || highB < lowA;
    };
    for (const Point axis : {Point{1.0, 0.0}, Point{0.0, 1.0}}) {
        if (apart(corners, sides, axis))
            return false;
    }
    for (std::size_t n = 0; n < 2; ++n) {
        const Point edge{corners[n + 1].x - corners[n].x, corners[n + 1].y - corners[n].y};
        if (apart(corners, sides, Point{-edge.y, edge.x}))
            return false;
    }
    return true;
}

} // namespace

std::vector<std::uint32_t> tracksIn(const std::vector<SceneItem> &items, const Rect &box)
{
    std::vector<std::uint32_t> tracks;
    for (const SceneItem &item : items) {
        const Matrix &m = item.matrix;
        const double determinant = m.a * m.d - m.b * m.c;
        if (item.path.empty() || determinant == 0.0 || !std::isfinite(determinant) ||
            std::find(tracks.begin(), tracks.end(), item.path.front()) != tracks.end())
            continue;
        if (meets(m.mapCorners(Rect{0.0, 0.0, item.size.width, item.size.height}), box))
            tracks.push_back(item.path.front());
    }
    return tracks;
}

Selection selectionOf(const EvaluatedAnimation &animation, size_t track, int frame, const Clip &clip,
                      const ImageSizes &sizes, const AnimationSource *attached)
{
    Selection selection;
    if (track >= animation.tracks.size())
        return selection;
    for (std::int64_t other = clip.firstFrame; other < std::int64_t(clip.firstFrame) + clip.frameCount; ++other) {
        const TrackState *state = animation.state(track, int(other));
        if (state && state->shown() && state->placeable())
            selection.path.push_back({state->x, state->y});
    }
    const TrackState *state = animation.state(track, frame);
    if (!state || !state->placeable())
        return selection;
    const Matrix map = placement(*state);
    std::vector<SceneItem> items;
    trackScene(animation, track, frame, sizes, attached, items, true);
    selection.outline = map.mapCorners(boundsOf(items));
    selection.origin = map.map({0.0, 0.0});
    return selection;
}

std::optional<Size> Framing::pixelSize() const
{
    const double width = std::ceil(area.width * scale);
    const double height = std::ceil(area.height * scale);
    if (!(std::isfinite(scale) && scale > 0) || !pictureSizeProblem(width, height).empty())
        return std::nullopt;
    return Size{width, height};
}

std::string pictureSizeProblem(double width, double height)
{
    if (!(width >= 1.0 && height >= 1.0))
        return "the picture would be empty";
    if (width * height > double(maxPicturePixels))
        return "the picture would be " + pixels(width) + " x " + pixels(height) + " pixels, more than the "
               + std::to_string(maxPicturePixels) + " pixels a picture may have";
    if (width > maxPictureSide || height > maxPictureSide)
        return "the picture would be " + pixels(width) + " x " + pixels(height) + " pixels, more than "
               + std::to_string(maxPictureSide) + " pixels a side";
    return {};
}

Framing clipFraming(const EvaluatedAnimation &animation, const Clip &clip, const ImageSizes &sizes, double scale,
                    const AnimationSource *attached)
{
    return clipFraming(clipBounds(animation, clip, sizes, attached), scale);
}

Framing clipFraming(const Rect &bounds, double scale)
{
    return {bounds.empty() ? Rect{0, 0, 1, 1} : bounds, scale};
}

} // namespace qor
