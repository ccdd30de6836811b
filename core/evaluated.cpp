#include "core/evaluated.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace qor {

namespace {

constexpr char clipPrefix[] = "anim_";
constexpr float fallbackFps = 12.0f;

void carry(float &field, float given)
{
    if (given != unsetValue)
        field = given;
}

void carry(std::string &field, const std::string &given)
{
    if (!given.empty())
        field = given;
}

TrackState nextState(TrackState state, const ReanimTransform &frame)
{
    carry(state.x, frame.x);
    carry(state.y, frame.y);
    carry(state.kx, frame.kx);
    carry(state.ky, frame.ky);
    carry(state.sx, frame.sx);
    carry(state.sy, frame.sy);
    carry(state.f, frame.f);
    carry(state.a, frame.a);
    carry(state.image, frame.i);
    carry(state.font, frame.font);
    carry(state.text, frame.text);
    return state;
}

int frameIndex(size_t index)
{
    return int(std::min(index, size_t(std::numeric_limits<int>::max())));
}

// From the first to the last shown frame; nothing when no frame is shown.
std::optional<Clip> clipOf(const EvaluatedTrack &track)
{
    const auto shown = [](const TrackState &state) { return state.shown(); };
    const auto first = std::find_if(track.frames.begin(), track.frames.end(), shown);
    if (first == track.frames.end())
        return std::nullopt;
    const auto last = std::find_if(track.frames.rbegin(), track.frames.rend(), shown);
    const int firstFrame = frameIndex(size_t(first - track.frames.begin()));
    const int lastFrame = frameIndex(size_t(track.frames.rend() - last) - 1);
    return Clip{track.name.substr(sizeof clipPrefix - 1), firstFrame, lastFrame - firstFrame + 1};
}

} // namespace

float playbackFps(float fps)
{
    return std::isfinite(fps) && fps > 0.0f ? fps : fallbackFps;
}

const TrackState *EvaluatedAnimation::state(size_t track, int frame) const
{
    if (track >= tracks.size() || frame < 0 || size_t(frame) >= tracks[track].frames.size())
        return nullptr;
    return &tracks[track].frames[size_t(frame)];
}

std::vector<TrackState> carryForward(const ReanimTrack &track)
{
    std::vector<TrackState> states;
    states.reserve(track.transforms.size());
    TrackState state;
    for (const ReanimTransform &frame : track.transforms)
        states.push_back(state = nextState(state, frame));
    return states;
}

bool marksClip(const ReanimTrack &track)
{
    return track.name.starts_with(clipPrefix)
           && std::all_of(track.transforms.begin(), track.transforms.end(),
                          [](const ReanimTransform &frame) { return frame.i.empty(); });
}

EvaluatedAnimation evaluate(const Reanim &reanim)
{
    EvaluatedAnimation animation;
    animation.fps = reanim.fps;
    animation.tracks.reserve(reanim.tracks.size());
    for (const ReanimTrack &track : reanim.tracks) {
        EvaluatedTrack &evaluated = animation.tracks.emplace_back(
            EvaluatedTrack{track.name, marksClip(track), carryForward(track)});
        animation.frameCount = std::max(animation.frameCount, frameIndex(evaluated.frames.size()));
        if (evaluated.marksClip) {
            if (auto clip = clipOf(evaluated))
                animation.clips.push_back(std::move(*clip));
        }
    }
    return animation;
}

} // namespace qor
