#pragma once

#include "core/scene/evaluated.h"
#include "render/attachedanimations.h"
#include "render/imagelibrary.h"

#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <vector>

namespace qor {

// What to leave out of a frame.
struct DrawOptions {
    std::vector<bool> hidden; // by track index; tracks past its end are shown
    // Where the animations that tracks attach are found; without it they draw nothing.
    const AttachedAnimations *attached = nullptr;

    bool hides(size_t track) const { return track < hidden.size() && hidden[track]; }
};

// A track in a frame.
struct TrackFrame {
    size_t track;
    int frame;
};

// The side of the box drawn for a track whose image is not in the folder.
inline constexpr qreal placeholderSide = 40.0;

// Where a track's own coordinates go: scale and skew (degrees, y down), then the offset.
QTransform placement(const TrackState &state);

// Draws one frame in track order, the first track at the back, in the painter's current
// coordinates (animation units). Clip markers, hidden tracks and hidden frames draw nothing.
// A track whose text attaches another animation draws that animation's frame in its place,
// through its own transform and opacity; one that is not there draws the placeholder.
void drawFrame(QPainter &painter, const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
               const DrawOptions &options = {});

// The box, in animation units, around all that a frame draws, or around all that the
// frames of a clip draw; empty when they draw nothing.
QRectF frameBounds(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
                   const AttachedAnimations *attached = nullptr);
QRectF clipBounds(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                  const AttachedAnimations *attached = nullptr);

// The track and frame of a clip that reach farthest from the origin, to name in a refusal.
std::optional<TrackFrame> farthestReach(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                                        const AttachedAnimations *attached = nullptr);

// Draws one track as it shows in `frame`, with what it attaches, in the painter's current
// coordinates (animation units). A clip marker, a hidden frame and a state that can't be
// placed draw nothing.
void drawTrack(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
               const ImageLibrary &images, const AttachedAnimations *attached = nullptr);

// Marks one track: the outline of what it covers in `frame` and the path of its origin
// over the clip's frames. Lines keep their width whatever the painter's scale.
void drawSelection(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
                   const Clip &clip, const ImageLibrary &images, const AttachedAnimations *attached = nullptr);

} // namespace qor
