#pragma once

#include "core/reanim.h"

#include <string>
#include <vector>

namespace qor {

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
};

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

// The frames per second an animation plays at: its own rate, or 12 when it gives none that
// is a positive number.
float playbackFps(float fps);

std::vector<TrackState> carryForward(const ReanimTrack &track);

// Whether a track marks a clip: its name starts with "anim_" and no frame names an image.
bool marksClip(const ReanimTrack &track);

EvaluatedAnimation evaluate(const Reanim &reanim);

} // namespace qor
