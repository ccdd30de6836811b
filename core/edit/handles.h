#pragma once

#include "core/edit/operations.h"
#include "core/scene/bounds.h"
#include "core/scene/geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The handles drawn on the selected tracks of the canvas and what dragging them does. Every
// track turns and scales about its own origin, so a drag changes only the two fields its kind
// names (operations.h: drag) and the track stays where it stands. Angles are in degrees, y down,
// as the scene places tracks.
namespace qor::edit {

// Where the handles sit, in stage units: around what the selected tracks cover in the frame
// shown, turning and scaling about the first one's origin. One track alone is boxed by its own
// outline, turned and skewed as it is; several by the box of all theirs, square to the stage.
struct HandleFrame {
    Rect bounds;                  // what the corners span
    std::array<Point, 4> corners; // north-west, north-east, south-east, south-west
    Point pivot;
};
// From the marks of the selected tracks, the first the one the selection follows; nothing when
// none of them can be outlined.
std::optional<HandleFrame> handleFrame(std::span<const Selection> marks);

// The handle grabbed: the inside (Move), the turn handle (Turn), or an edge or a corner (Scale,
// or Skew for an edge).
enum class Handle : std::uint8_t { Inside, Turn, North, South, East, West, NorthEast, NorthWest, SouthEast, SouthWest };

// What a track gives in the frame dragged, carried values included.
struct Pose {
    std::size_t track = 0;
    std::size_t frame = 0;
    double x = 0.0;
    double y = 0.0;
    double kx = 0.0;
    double ky = 0.0;
    double sx = 1.0;
    double sy = 1.0;
};

struct Gesture {
    Drag kind = Drag::Move;
    Handle handle = Handle::Inside;
    Point pivot;
    Point from; // where the pointer went down
    // The angles of the handles' x and y axes to the stage's, in degrees: a track's kx and ky
    // when it is boxed alone (handleFrame), else none.
    double axisX = 0.0;
    double axisY = 0.0;
};

inline constexpr double turnStep = 15.0; // degrees, a turn or skew with the constraint

// The fields a pointer moved from `gesture.from` to `to` gives each track posed as `start`:
// Move adds the way moved to x,y; Turn adds to kx and ky the angle the pointer turned about the
// pivot, the short way (in steps of turnStep when constrained); Skew adds it to kx alone (an
// east or west edge) or ky alone (north or south); Scale multiplies sx and sy by how far the
// pointer is from the pivot now along the handles' x and y axes against then (an edge one of
// them; constrained, both by the same factor). A track the drag would give a value no frame can hold (not a finite
// float) is left out.
std::vector<DragValue> dragged(const Gesture &gesture, std::span<const Pose> start, Point to, bool constrain);

// The field of the two that a skew, or an edge's scale without the constraint, leaves alone put
// back in `values` to what each frame itself gives (unset stays unset), so that the drag sets only
// the field it changes and the other goes on carrying.
void keepUntouched(const Reanim &reanim, const Gesture &gesture, bool constrain, std::span<DragValue> values);

} // namespace qor::edit
