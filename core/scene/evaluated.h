#pragma once

#include "core/format/reanim.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The farthest x, y, sx and sy may take a track from the origin, in animation units: past
// 2^24 a float no longer tells neighbouring units apart, and no picture reaches that far.
inline constexpr float farthestPlacement = 16777216.0f;

// One track in one frame as it is shown: every field the frame leaves unset carries the
// value of the track's previous frame, or its default in the track's first frame.
struct TrackState {
    float x = 0.0f;
    float y = 0.0f;
    float kx = 0.0f; // degrees
    float ky = 0.0f; // degrees
    float sx = 1.0f;
    float sy = 1.0f;
    float f = 0.0f; // below 0 hides the track
    float a = 1.0f; // opacity, 0 to 1
    std::string image;
    std::string font;
    std::string text;

    bool shown() const { return f >= 0.0f; }
    // Whether it can be placed at all: x, y, kx, ky, sx and sy are numbers (not NaN or
    // infinite), and x, y, sx and sy lie within farthestPlacement. Drawing and the bounds of
    // a picture leave the other states out.
    bool placeable() const;
};

// What keeps a state from being placed, as "x is nan" or "sx is 1e+30"; empty when it can be.
std::string unplaceableValue(const TrackState &state);

// A sub-animation: a run of frames marked by an "anim_" track.
struct Clip {
    std::string name;
    int firstFrame = 0;
    int frameCount = 0;
};

struct EvaluatedTrack {
    std::string name;
    bool marksClip = false; // a clip marker, never drawn
    std::vector<TrackState> frames;
};

// An animation ready to draw: every track's frames carried forward, and its clips.
struct EvaluatedAnimation {
    float fps = 12.0f;
    int frameCount = 0; // of the longest track
    std::vector<EvaluatedTrack> tracks;
    std::vector<Clip> clips; // in track order

    // The track's state in `frame`, or null past the track's last frame.
    const TrackState *state(size_t track, int frame) const;
    // The whole animation as one clip with an empty name.
    Clip whole() const { return {std::string(), 0, frameCount}; }
};

// The state after `frame`, from the state before it.
TrackState nextState(TrackState state, const ReanimTransform &frame);

// The frames per second an animation plays at: its own rate, or 12 when it gives none that
// is a positive number.
float playbackFps(float fps);

std::vector<TrackState> carryForward(const ReanimTrack &track);

// The clip a track marks, found a frame at a time, so a walk of a body finds the clips without
// a model: a track marks a clip when its name starts with "anim_" and no frame names an image;
// the clip runs from the first to the last frame that shows the track. The name is read where
// it lies, so it must outlive the finder.
class ClipFinder {
public:
    explicit ClipFinder(std::string_view trackName);

    // The next frame: its f as given (or unset), and its image name as the text carries it.
    void frame(float f, std::string_view image);

    bool marksClip() const { return marks_; }
    // Nothing when the track marks no clip or shows in no frame.
    std::optional<Clip> clip() const;

private:
    std::string_view name_;
    bool marks_;
    float f_ = TrackState().f;
    std::int64_t frames_ = 0;
    std::int64_t firstShown_ = -1;
    std::int64_t lastShown_ = -1;
};

EvaluatedAnimation evaluate(const Reanim &reanim);

} // namespace qor
