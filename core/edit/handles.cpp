#include "core/edit/handles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

namespace qor::edit {

namespace {

constexpr double degreesPerRadian = 180.0 / std::numbers::pi;
// Nearer the pivot than this along an axis, the pointer gives no factor along it.
constexpr double leastReach = 1e-6;

// The angle from `a` to `b` about the origin, in (-180, 180].
double turnBetween(Point a, Point b)
{
    if ((a.x == 0.0 && a.y == 0.0) || (b.x == 0.0 && b.y == 0.0))
        return 0.0;
    double angle = (std::atan2(b.y, b.x) - std::atan2(a.y, a.x)) * degreesPerRadian;
    if (angle > 180.0)
        angle -= 360.0;
    else if (angle <= -180.0)
        angle += 360.0;
    return angle;
}

double factor(double from, double to)
{
    return std::abs(from) < leastReach ? 1.0 : to / from;
}

// A point from the pivot in the handles' own axes, which a scale measures along: its parts along
// each, as the track's placement would take it there from its own coordinates. Axes all but
// parallel measure along the stage's.
Point inAxes(const Gesture &gesture, Point at)
{
    const double kx = gesture.axisX / degreesPerRadian;
    const double ky = gesture.axisY / degreesPerRadian;
    const double spread = std::cos(kx) * std::cos(ky) + std::sin(kx) * std::sin(ky);
    if (std::abs(spread) < leastReach)
        return at;
    return {(at.x * std::cos(ky) + at.y * std::sin(ky)) / spread, (at.y * std::cos(kx) - at.x * std::sin(kx)) / spread};
}

bool touchesX(Handle handle)
{
    return handle != Handle::North && handle != Handle::South;
}

bool touchesY(Handle handle)
{
    return handle != Handle::East && handle != Handle::West;
}

// The pair a drag sets for one track; nothing when it is no finite number.
std::optional<std::pair<double, double>> pairOf(const Gesture &gesture, const Pose &pose, Point to, bool constrain)
{
    const Point from{gesture.from.x - gesture.pivot.x, gesture.from.y - gesture.pivot.y};
    const Point now{to.x - gesture.pivot.x, to.y - gesture.pivot.y};
    std::pair<double, double> made;
    switch (gesture.kind) {
    case Drag::Move:
        made = {pose.x + (to.x - gesture.from.x), pose.y + (to.y - gesture.from.y)};
        break;
    case Drag::Turn:
    case Drag::Skew: {
        double angle = turnBetween(from, now);
        if (constrain)
            angle = std::round(angle / turnStep) * turnStep;
        const bool both = gesture.kind == Drag::Turn;
        const bool xAxis = both || gesture.handle == Handle::East || gesture.handle == Handle::West;
        const bool yAxis = both || gesture.handle == Handle::North || gesture.handle == Handle::South;
        made = {pose.kx + (xAxis ? angle : 0.0), pose.ky + (yAxis ? angle : 0.0)};
        break;
    }
    case Drag::Scale: {
        const Point was = inAxes(gesture, from);
        const Point is = inAxes(gesture, now);
        double fx = touchesX(gesture.handle) ? factor(was.x, is.x) : 1.0;
        double fy = touchesY(gesture.handle) ? factor(was.y, is.y) : 1.0;
        if (constrain) {
            if (touchesX(gesture.handle) && touchesY(gesture.handle)) {
                // Along the diagonal grabbed: the pointer's reach projected on it.
                const double along = was.x * was.x + was.y * was.y;
                fx = fy = along < leastReach * leastReach ? 1.0 : (was.x * is.x + was.y * is.y) / along;
            } else {
                fx = fy = touchesX(gesture.handle) ? fx : fy;
            }
        }
        made = {pose.sx * fx, pose.sy * fy};
        break;
    }
    }
    if (!std::isfinite(made.first) || !std::isfinite(made.second) ||
        std::abs(made.first) > double(std::numeric_limits<float>::max()) ||
        std::abs(made.second) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return made;
}

} // namespace

std::optional<HandleFrame> handleFrame(std::span<const Selection> marks)
{
    if (marks.empty() || !marks.front().origin)
        return std::nullopt;
    std::optional<Rect> bounds;
    const Selection *alone = nullptr; // the one outlined, while there is only one
    int outlined = 0;
    for (const Selection &mark : marks) {
        if (!mark.outline)
            continue;
        alone = ++outlined == 1 ? &mark : nullptr;
        for (const Point &corner : *mark.outline) {
            if (!bounds) {
                bounds = Rect{corner.x, corner.y, 0.0, 0.0};
                continue;
            }
            const double left = std::min(bounds->x, corner.x);
            const double top = std::min(bounds->y, corner.y);
            const double right = std::max(bounds->right(), corner.x);
            const double bottom = std::max(bounds->bottom(), corner.y);
            bounds = Rect{left, top, right - left, bottom - top};
        }
    }
    if (!bounds)
        return std::nullopt;
    const Rect &box = *bounds;
    const std::array<Point, 4> square{{{box.x, box.y}, {box.right(), box.y}, {box.right(), box.bottom()}, {box.x, box.bottom()}}};
    return HandleFrame{box, alone ? *alone->outline : square, *marks.front().origin};
}

std::vector<DragValue> dragged(const Gesture &gesture, std::span<const Pose> start, Point to, bool constrain)
{
    std::vector<DragValue> values;
    for (const Pose &pose : start) {
        if (const auto made = pairOf(gesture, pose, to, constrain))
            values.push_back({pose.track, pose.frame, float(made->first), float(made->second)});
    }
    return values;
}

void keepUntouched(const Reanim &reanim, const Gesture &gesture, bool constrain, std::span<DragValue> values)
{
    const bool across = gesture.handle == Handle::North || gesture.handle == Handle::South;
    const bool along = gesture.handle == Handle::East || gesture.handle == Handle::West;
    const bool oneField = gesture.kind == Drag::Skew || (gesture.kind == Drag::Scale && !constrain);
    if (!oneField || !(across || along))
        return;
    const bool scale = gesture.kind == Drag::Scale;
    float ReanimTransform::*const kept = along ? (scale ? &ReanimTransform::sy : &ReanimTransform::ky)
                                               : (scale ? &ReanimTransform::sx : &ReanimTransform::kx);
    for (DragValue &value : values) {
        if (value.track >= reanim.tracks.size() || value.frame >= reanim.tracks[value.track].transforms.size())
            continue;
        (along ? value.second : value.first) = reanim.tracks[value.track].transforms[value.frame].*kept;
    }
}

} // namespace qor::edit
