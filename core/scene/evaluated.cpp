#include "core/scene/evaluated.h"

#include <algorithm>
#include <cmath>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

namespace qor {

namespace {

constexpr std::string_view clipPrefix = "anim_";
constexpr float fallbackFps = 12.0f;

void carry(float &field, float given)
{
    if (given != unsetValue)
        field = given;
}

void carry(std::string &field, const CompactString &given)
{
    if (!given.empty())
        field = given.view();
}

int frameIndex(std::int64_t index)
{
    return int(std::min<std::int64_t>(index, std::numeric_limits<int>::max()));
}

// The fields placeable() looks at, with their names, and whether their size is bounded.
struct PlacedField {
    const char *name;
    float TrackState::*field;
    bool bounded;
};
constexpr PlacedField placedFields[] = {{"x", &TrackState::x, true},   {"y", &TrackState::y, true},
                                        {"kx", &TrackState::kx, false}, {"ky", &TrackState::ky, false},
                                        {"sx", &TrackState::sx, true},  {"sy", &TrackState::sy, true}};

bool placeableValue(const PlacedField &placed, const TrackState &state)
{
    const float value = state.*placed.field;
    return std::isfinite(value) && (!placed.bounded || std::abs(value) <= farthestPlacement);
}

} // namespace

bool TrackState::placeable() const
{
    return std::all_of(std::begin(placedFields), std::end(placedFields),
                       [this](const PlacedField &placed) { return placeableValue(placed, *this); });
}

std::string unplaceableValue(const TrackState &state)
{
    for (const PlacedField &placed : placedFields) {
        if (!placeableValue(placed, state)) {
            char value[32];
            std::snprintf(value, sizeof value, "%.9g", double(state.*placed.field));
            return std::string(placed.name) + " is " + value;
        }
    }
    return {};
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

ClipFinder::ClipFinder(std::string_view trackName) : name_(trackName), marks_(trackName.starts_with(clipPrefix)) {}

void ClipFinder::frame(float f, std::string_view image)
{
    marks_ = marks_ && image.empty();
    carry(f_, f);
    if (f_ >= 0.0f) {
        if (firstShown_ < 0)
            firstShown_ = frames_;
        lastShown_ = frames_;
    }
    ++frames_;
}

std::optional<Clip> ClipFinder::clip() const
{
    if (!marks_ || firstShown_ < 0)
        return std::nullopt;
    const int first = frameIndex(firstShown_);
    return Clip{std::string(name_.substr(clipPrefix.size())), first, frameIndex(lastShown_) - first + 1};
}

EvaluatedAnimation evaluate(const Reanim &reanim)
{
    EvaluatedAnimation animation;
    animation.fps = reanim.fps;
    animation.tracks.reserve(reanim.tracks.size());
    for (const ReanimTrack &track : reanim.tracks) {
        ClipFinder finder(track.name);
        for (const ReanimTransform &frame : track.transforms)
            finder.frame(frame.f, frame.i);
        const EvaluatedTrack &evaluated =
            animation.tracks.emplace_back(EvaluatedTrack{track.name, finder.marksClip(), carryForward(track)});
        animation.frameCount = std::max(animation.frameCount, frameIndex(std::int64_t(evaluated.frames.size())));
        if (auto clip = finder.clip())
            animation.clips.push_back(std::move(*clip));
    }
    return animation;
}

} // namespace qor
