#include "core/edit/evaluation.h"

#include <algorithm>
#include <limits>

namespace qor::edit {

namespace {

template <class Item>
void moveItem(std::vector<Item> &items, std::size_t from, std::size_t to)
{
    Item taken = std::move(items[from]);
    items.erase(items.begin() + std::ptrdiff_t(from));
    items.insert(items.begin() + std::ptrdiff_t(to), std::move(taken));
}

template <class Item>
void spliceCount(std::vector<Item> &items, std::size_t at, std::size_t removed, std::size_t inserted, const Item &fill)
{
    items.erase(items.begin() + std::ptrdiff_t(at), items.begin() + std::ptrdiff_t(at + removed));
    items.insert(items.begin() + std::ptrdiff_t(at), inserted, fill);
}

} // namespace

void LiveEvaluation::reset(const Reanim &reanim)
{
    const std::size_t count = reanim.tracks.size();
    evaluated_ = EvaluatedAnimation();
    evaluated_.tracks.resize(count);
    clips_.assign(count, std::nullopt);
    stale_.assign(count, true);
    anyStale_ = true;
}

void LiveEvaluation::changed(const Primitive &primitive)
{
    anyStale_ = true;
    if (const auto *frames = std::get_if<FrameSplice>(&primitive)) {
        stale_[frames->track] = true;
    } else if (const auto *rename = std::get_if<TrackRename>(&primitive)) {
        stale_[rename->track] = true;
    } else if (const auto *tracks = std::get_if<TrackSplice>(&primitive)) {
        spliceCount(evaluated_.tracks, tracks->at, tracks->removed.size(), tracks->inserted.size(), EvaluatedTrack());
        spliceCount(clips_, tracks->at, tracks->removed.size(), tracks->inserted.size(), std::optional<Clip>());
        // std::vector<bool> has no insert of a count of a value through the same template.
        stale_.erase(stale_.begin() + std::ptrdiff_t(tracks->at),
                     stale_.begin() + std::ptrdiff_t(tracks->at + tracks->removed.size()));
        stale_.insert(stale_.begin() + std::ptrdiff_t(tracks->at), tracks->inserted.size(), true);
    } else if (const auto *move = std::get_if<TrackMove>(&primitive)) {
        moveItem(evaluated_.tracks, move->from, move->to);
        moveItem(clips_, move->from, move->to);
        const bool stale = stale_[move->from];
        stale_.erase(stale_.begin() + std::ptrdiff_t(move->from));
        stale_.insert(stale_.begin() + std::ptrdiff_t(move->to), stale);
    }
}

const EvaluatedAnimation &LiveEvaluation::of(const Reanim &reanim)
{
    if (!anyStale_)
        return evaluated_;
    evaluated_.fps = reanim.fps;
    evaluated_.frameCount = 0;
    evaluated_.clips.clear();
    for (std::size_t n = 0; n < reanim.tracks.size(); ++n) {
        const ReanimTrack &track = reanim.tracks[n];
        if (stale_[n]) {
            ClipFinder finder(track.name);
            for (const ReanimTransform &frame : track.transforms)
                finder.frame(frame.f, frame.i);
            evaluated_.tracks[n] = EvaluatedTrack{track.name, finder.marksClip(), carryForward(track)};
            clips_[n] = finder.clip();
            stale_[n] = false;
        }
        const std::size_t frames = evaluated_.tracks[n].frames.size();
        evaluated_.frameCount =
            std::max(evaluated_.frameCount, int(std::min<std::size_t>(frames, std::numeric_limits<int>::max())));
        if (clips_[n])
            evaluated_.clips.push_back(*clips_[n]);
    }
    anyStale_ = false;
    return evaluated_;
}

} // namespace qor::edit
