#include "core/edit/operations.h"

#include "core/format/decompiler.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace qor::edit {

namespace {

using NumberMember = float ReanimTransform::*;
using StringMember = CompactString ReanimTransform::*;

NumberMember member(Field field)
{
    return numberFields[std::size_t(field)].member;
}

StringMember member(StringKind kind)
{
    return stringFields[std::size_t(kind)].member;
}

std::string_view fieldTag(Field field)
{
    return numberFields[std::size_t(field)].tag;
}

bool isAngle(Field field)
{
    return field == Field::Kx || field == Field::Ky;
}

// Tracks that are there, each named once (a change of the same frames twice would not fit).
bool validTracks(const Reanim &reanim, std::span<const std::size_t> tracks)
{
    std::vector<std::size_t> sorted(tracks.begin(), tracks.end());
    std::sort(sorted.begin(), sorted.end());
    return !sorted.empty() && sorted.back() < reanim.tracks.size()
        && std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

// "body" for one track, "3 tracks" for more.
std::string whose(const Reanim &reanim, std::span<const std::size_t> tracks)
{
    if (tracks.size() == 1)
        return reanim.tracks[tracks.front()].name;
    return std::to_string(tracks.size()) + " tracks";
}

std::string frames(std::size_t count)
{
    return count == 1 ? std::string("frame") : std::to_string(count) + " frames";
}

// The frames [at, at + count) of a track replaced by `after`, when that changes anything.
void replaceFrames(std::vector<Primitive> &parts, const Reanim &reanim, std::size_t track, std::size_t at,
                   std::vector<ReanimTransform> after)
{
    const auto &transforms = reanim.tracks[track].transforms;
    std::vector<ReanimTransform> before(transforms.begin() + std::ptrdiff_t(at),
                                        transforms.begin() + std::ptrdiff_t(at + after.size()));
    if (!std::equal(before.begin(), before.end(), after.begin(), after.end(), sameFrame))
        parts.emplace_back(FrameSplice{track, at, std::move(before), std::move(after)});
}

std::optional<Change> made(std::string name, std::vector<Primitive> parts, std::string mergeKey = {})
{
    if (parts.empty())
        return std::nullopt;
    return Change{std::move(name), std::move(parts), std::move(mergeKey)};
}

// A frame's unset fields given what `earlier` sets, as carrying forward reads them.
void fillUnset(ReanimTransform &frame, const ReanimTransform &earlier)
{
    for (const NumberField &field : numberFields)
        if (frame.*field.member == unsetValue)
            frame.*field.member = earlier.*field.member;
    for (const StringField &field : stringFields)
        if ((frame.*field.member).empty())
            frame.*field.member = earlier.*field.member;
}

// The last value each field was given in frames [0, end) (unset where none was).
ReanimTransform lastGiven(const std::vector<ReanimTransform> &transforms, std::size_t end)
{
    ReanimTransform given;
    // Backwards, stopping once every field has been found.
    for (std::size_t n = std::min(end, transforms.size()); n-- > 0;) {
        fillUnset(given, transforms[n]);
        const bool complete =
            std::none_of(numberFields.begin(), numberFields.end(),
                         [&](const NumberField &field) { return given.*field.member == unsetValue; })
            && std::none_of(stringFields.begin(), stringFields.end(),
                            [&](const StringField &field) { return (given.*field.member).empty(); });
        if (complete)
            break;
    }
    return given;
}

// What a track shows where no frame gave a field, in the order of numberFields.
constexpr float defaults[] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};

// What a track shows after frames [0, end): the last value each field was given, or its default.
ReanimTransform shownAt(const std::vector<ReanimTransform> &transforms, std::size_t end)
{
    ReanimTransform shown = lastGiven(transforms, end);
    for (std::size_t n = 0; n < numberFields.size(); ++n)
        if (shown.*numberFields[n].member == unsetValue)
            shown.*numberFields[n].member = defaults[n];
    return shown;
}

// The frame after a run of frames that changed, made to look as it did: each field it leaves
// unset that it carried one way before and would carry another way now is given the value it
// had. (A string it had none of stays empty, as an empty string gives nothing.)
ReanimTransform keptLook(ReanimTransform next, const ReanimTransform &before, const ReanimTransform &now)
{
    for (std::size_t n = 0; n < numberFields.size(); ++n) {
        float ReanimTransform::*field = numberFields[n].member;
        if (next.*field == unsetValue && wordOf(before.*field) != wordOf(now.*field))
            next.*field = before.*field == unsetValue ? defaults[n] : before.*field;
    }
    for (const StringField &field : stringFields)
        if ((next.*field.member).empty() && before.*field.member != now.*field.member)
            next.*field.member = before.*field.member;
    return next;
}

// The short way round from one angle to another, in degrees.
float angleStep(float from, float to)
{
    float step = std::fmod(to - from, 360.0f);
    if (step > 180.0f)
        step -= 360.0f;
    else if (step < -180.0f)
        step += 360.0f;
    return step;
}

std::vector<ReanimTransform> emptyFrames(std::size_t count)
{
    return std::vector<ReanimTransform>(count);
}

// The f of a clip track's frames: 0 inside [first, first + count), -1 outside, given where it
// changes (and in the first frame), unset elsewhere.
float clipF(std::size_t frame, std::size_t first, std::size_t count)
{
    const auto inside = [&](std::size_t n) { return n >= first && n - first < count; };
    if (frame == 0 || inside(frame) != inside(frame - 1))
        return inside(frame) ? 0.0f : -1.0f;
    return unsetValue;
}

bool isClipTrack(const Reanim &reanim, std::size_t track)
{
    return track < reanim.tracks.size() && reanim.tracks[track].name.starts_with(clipPrefix);
}

} // namespace

std::vector<std::size_t> allTracks(const Reanim &reanim)
{
    std::vector<std::size_t> tracks(reanim.tracks.size());
    std::iota(tracks.begin(), tracks.end(), std::size_t(0));
    return tracks;
}

bool savableName(std::string_view name)
{
    return name.size() <= maxNameBytes && name.find('\0') == std::string_view::npos && !unwritableCharacter(name);
}

std::optional<Change> setNumber(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t first,
                                std::size_t count, Field field, std::optional<float> value)
{
    if (!validTracks(reanim, tracks) || count == 0)
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks) {
        const auto &transforms = reanim.tracks[track].transforms;
        if (first >= transforms.size() || count > transforms.size() - first)
            return std::nullopt;
        std::vector<ReanimTransform> after(transforms.begin() + std::ptrdiff_t(first),
                                           transforms.begin() + std::ptrdiff_t(first + count));
        for (ReanimTransform &frame : after)
            frame.*member(field) = value.value_or(unsetValue);
        replaceFrames(parts, reanim, track, first, std::move(after));
    }
    return made(std::string(value ? "Set " : "Clear ") + std::string(fieldTag(field)) + " of " + whose(reanim, tracks),
                std::move(parts));
}

std::optional<Change> setString(const Reanim &reanim, std::size_t track, std::size_t frame, StringKind kind,
                                std::string_view value)
{
    return setString(reanim, std::span<const std::size_t>(&track, 1), frame, kind, value);
}

std::optional<Change> setString(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame,
                                StringKind kind, std::string_view value)
{
    if (!validTracks(reanim, tracks) || !savableName(value))
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks) {
        if (frame >= reanim.tracks[track].transforms.size())
            return std::nullopt;
        std::vector<ReanimTransform> after{reanim.tracks[track].transforms[frame]};
        after.front().*member(kind) = value;
        replaceFrames(parts, reanim, track, frame, std::move(after));
    }
    static constexpr std::string_view words[] = {"image", "font", "text"};
    return made("Set " + std::string(words[std::size_t(kind)]) + " of " + whose(reanim, tracks), std::move(parts));
}

std::optional<Change> drag(const Reanim &reanim, Drag kind, std::span<const DragValue> values)
{
    static constexpr std::string_view names[] = {"Move", "Turn", "Scale", "Skew"};
    static constexpr Field firstFields[] = {Field::X, Field::Kx, Field::Sx, Field::Kx};
    const Field firstField = firstFields[std::size_t(kind)];
    const Field secondField = Field(std::size_t(firstField) + 1);
    std::vector<Primitive> parts;
    std::vector<std::size_t> tracks;
    for (auto value = values.begin(); value != values.end(); ++value) {
        const auto same = [&](const DragValue &other) { return other.track == value->track && other.frame == value->frame; };
        if (value->track >= reanim.tracks.size() || value->frame >= reanim.tracks[value->track].transforms.size()
            || std::any_of(values.begin(), value, same))
            return std::nullopt;
        ReanimTransform frame = reanim.tracks[value->track].transforms[value->frame];
        frame.*member(firstField) = value->first;
        frame.*member(secondField) = value->second;
        replaceFrames(parts, reanim, value->track, value->frame, {std::move(frame)});
        if (std::find(tracks.begin(), tracks.end(), value->track) == tracks.end())
            tracks.push_back(value->track);
    }
    if (tracks.empty())
        return std::nullopt;
    std::string key = "drag " + std::string(names[std::size_t(kind)]);
    for (const std::size_t track : tracks)
        key += ' ' + std::to_string(track);
    return made(std::string(names[std::size_t(kind)]) + ' ' + whose(reanim, tracks), std::move(parts), std::move(key));
}

std::optional<Change> insertFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t at,
                                   std::size_t count)
{
    if (!validTracks(reanim, tracks) || count == 0)
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks)
        if (at <= reanim.tracks[track].transforms.size())
            parts.emplace_back(FrameSplice{track, at, {}, emptyFrames(count)});
    return made("Insert " + frames(count), std::move(parts));
}

std::optional<Change> duplicateFrame(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame)
{
    return duplicateFrames(reanim, tracks, frame, 1);
}

std::optional<Change> duplicateFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t first,
                                      std::size_t count)
{
    if (!validTracks(reanim, tracks) || count == 0)
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks) {
        const auto &transforms = reanim.tracks[track].transforms;
        if (first >= transforms.size())
            continue;
        const std::size_t end = first + std::min(count, transforms.size() - first);
        std::vector<ReanimTransform> copies(transforms.begin() + std::ptrdiff_t(first),
                                            transforms.begin() + std::ptrdiff_t(end));
        // After the run, the first copy would carry what the run's last frame left.
        copies.front() = keptLook(copies.front(), lastGiven(transforms, first), lastGiven(transforms, end));
        parts.emplace_back(FrameSplice{track, end, {}, std::move(copies)});
    }
    return made("Duplicate " + frames(count), std::move(parts));
}

std::optional<Change> deleteFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t at,
                                   std::size_t count)
{
    if (!validTracks(reanim, tracks) || count == 0)
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks) {
        const auto &transforms = reanim.tracks[track].transforms;
        if (at >= transforms.size())
            continue;
        const std::size_t removed = std::min(count, transforms.size() - at);
        const auto first = transforms.begin() + std::ptrdiff_t(at);
        FrameSplice splice{track, at, std::vector<ReanimTransform>(first, first + std::ptrdiff_t(removed)), {}};
        if (at + removed < transforms.size()) {
            // The next frame takes over what the removed ones gave, where it gives nothing itself.
            ReanimTransform next = transforms[at + removed];
            splice.removed.push_back(next);
            for (auto given = splice.removed.rbegin() + 1; given != splice.removed.rend(); ++given)
                fillUnset(next, *given);
            splice.inserted.push_back(std::move(next));
        }
        parts.emplace_back(std::move(splice));
    }
    return made("Delete " + frames(count), std::move(parts));
}

Clipboard copyFrames(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t first, std::size_t count)
{
    Clipboard clipboard;
    for (const std::size_t track : tracks) {
        std::vector<ReanimTransform> &row = clipboard.rows.emplace_back();
        if (track >= reanim.tracks.size())
            continue;
        const auto &transforms = reanim.tracks[track].transforms;
        for (std::size_t n = first; n < transforms.size() && n - first < count; ++n)
            row.push_back(transforms[n]);
        if (!row.empty())
            fillUnset(row.front(), lastGiven(transforms, first));
    }
    return clipboard;
}

std::optional<Change> pasteFrames(const Reanim &reanim, const Clipboard &clipboard, std::span<const std::size_t> tracks,
                                  std::size_t at, bool insert)
{
    if (!validTracks(reanim, tracks) || tracks.size() != clipboard.rows.size())
        return std::nullopt;
    std::vector<Primitive> parts;
    for (std::size_t n = 0; n < tracks.size(); ++n) {
        const std::vector<ReanimTransform> &row = clipboard.rows[n];
        const auto &transforms = reanim.tracks[tracks[n]].transforms;
        if (row.empty())
            continue;
        // A paste past the end first fills the gap with frames that hold.
        const std::size_t start = std::min(at, transforms.size());
        std::vector<ReanimTransform> inserted = emptyFrames(at - start);
        inserted.insert(inserted.end(), row.begin(), row.end());
        std::size_t replaced = insert ? 0 : std::min(inserted.size(), transforms.size() - start);
        if (start + replaced < transforms.size()) {
            // The frame after the paste keeps its look.
            ReanimTransform now = lastGiven(inserted, inserted.size());
            fillUnset(now, lastGiven(transforms, start));
            inserted.push_back(keptLook(transforms[start + replaced], lastGiven(transforms, start + replaced), now));
            ++replaced;
        }
        const auto first = transforms.begin() + std::ptrdiff_t(start);
        parts.emplace_back(FrameSplice{tracks[n], start,
                                       std::vector<ReanimTransform>(first, first + std::ptrdiff_t(replaced)),
                                       std::move(inserted)});
    }
    return made("Paste " + frames(clipboard.rows.empty() ? 0 : clipboard.rows.front().size()), std::move(parts));
}

std::optional<Change> tween(const Reanim &reanim, std::size_t track, std::size_t from, std::size_t to,
                            std::optional<Field> field, Easing easing)
{
    if (track >= reanim.tracks.size() || from >= to || to >= reanim.tracks[track].transforms.size() || to - from < 2)
        return std::nullopt;
    const auto &transforms = reanim.tracks[track].transforms;
    const ReanimTransform &start = transforms[from];
    const ReanimTransform &end = transforms[to];
    std::vector<ReanimTransform> between(transforms.begin() + std::ptrdiff_t(from + 1),
                                         transforms.begin() + std::ptrdiff_t(to));
    bool any = false;
    for (std::size_t f = 0; f < numberFields.size(); ++f) {
        const Field each = Field(f);
        const float a = start.*member(each);
        const float b = end.*member(each);
        if ((field && *field != each) || a == unsetValue || b == unsetValue)
            continue;
        any = true;
        const float step = isAngle(each) ? angleStep(a, b) : b - a;
        for (std::size_t n = 0; n < between.size(); ++n) {
            float t = float(n + 1) / float(to - from);
            if (easing == Easing::EaseInOut)
                t = t * t * (3.0f - 2.0f * t);
            between[n].*member(each) = a + step * t;
        }
    }
    if (!any)
        return std::nullopt;
    std::vector<Primitive> parts;
    replaceFrames(parts, reanim, track, from + 1, std::move(between));
    return made("Tween " + (field ? std::string(fieldTag(*field)) + " of " : std::string()) + reanim.tracks[track].name,
                std::move(parts));
}

std::optional<Change> tween(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t from, std::size_t to,
                            std::optional<Field> field, Easing easing)
{
    if (tracks.size() == 1)
        return tween(reanim, tracks.front(), from, to, field, easing);
    if (!validTracks(reanim, tracks))
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks)
        if (auto each = tween(reanim, track, from, to, field, easing))
            std::move(each->parts.begin(), each->parts.end(), std::back_inserter(parts));
    return made("Tween " + (field ? std::string(fieldTag(*field)) + " of " : std::string()) + whose(reanim, tracks),
                std::move(parts));
}

namespace {

// A change of one frame of each track given (those that have it): the frames `framesAt`
// makes of a track's frames, written from that frame on.
template <typename FramesAt>
std::optional<Change> keyChange(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame,
                                std::string name, FramesAt framesAt)
{
    if (!validTracks(reanim, tracks))
        return std::nullopt;
    std::vector<Primitive> parts;
    for (const std::size_t track : tracks) {
        const auto &transforms = reanim.tracks[track].transforms;
        if (frame < transforms.size())
            replaceFrames(parts, reanim, track, frame, framesAt(transforms));
    }
    return made(std::move(name) + whose(reanim, tracks), std::move(parts));
}

} // namespace

std::optional<Change> setKey(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame)
{
    return keyChange(reanim, tracks, frame, "Set key of ", [&](const std::vector<ReanimTransform> &transforms) {
        const ReanimTransform shown = shownAt(transforms, frame + 1);
        ReanimTransform key = transforms[frame];
        for (const NumberField &field : numberFields)
            key.*field.member = shown.*field.member;
        return std::vector<ReanimTransform>{std::move(key)};
    });
}

std::optional<Change> clearKey(const Reanim &reanim, std::span<const std::size_t> tracks, std::size_t frame)
{
    return keyChange(reanim, tracks, frame, "Clear key of ", [&](const std::vector<ReanimTransform> &transforms) {
        std::vector<ReanimTransform> after{transforms[frame]};
        for (const NumberField &field : numberFields)
            after.front().*field.member = unsetValue;
        if (frame + 1 < transforms.size()) {
            // Compared as shown (defaults where nothing was given), so that the next frame takes
            // on only the values that really change.
            ReanimTransform now = after.front();
            fillUnset(now, shownAt(transforms, frame));
            after.push_back(keptLook(transforms[frame + 1], shownAt(transforms, frame + 1), now));
        }
        return after;
    });
}

std::optional<Change> addTrack(const Reanim &reanim, std::size_t at, std::string_view name)
{
    if (at > reanim.tracks.size() || !savableName(name))
        return std::nullopt;
    std::size_t longest = 0;
    for (const ReanimTrack &track : reanim.tracks)
        longest = std::max(longest, track.transforms.size());
    std::vector<ReanimTrack> inserted{ReanimTrack{std::string(name), emptyFrames(longest)}};
    return made("Add track " + std::string(name), {TrackSplice{at, {}, std::move(inserted)}});
}

std::optional<Change> renameTrack(const Reanim &reanim, std::size_t track, std::string_view name)
{
    if (track >= reanim.tracks.size() || !savableName(name) || reanim.tracks[track].name == name)
        return std::nullopt;
    return made("Rename " + reanim.tracks[track].name, {TrackRename{track, reanim.tracks[track].name, std::string(name)}});
}

std::optional<Change> duplicateTrack(const Reanim &reanim, std::size_t track)
{
    if (track >= reanim.tracks.size())
        return std::nullopt;
    ReanimTrack copy = reanim.tracks[track];
    copy.name += "_copy";
    if (!savableName(copy.name))
        return std::nullopt;
    return made("Duplicate " + reanim.tracks[track].name, {TrackSplice{track + 1, {}, {std::move(copy)}}});
}

std::optional<Change> deleteTrack(const Reanim &reanim, std::size_t track)
{
    if (track >= reanim.tracks.size())
        return std::nullopt;
    return made("Delete " + reanim.tracks[track].name, {TrackSplice{track, {reanim.tracks[track]}, {}}});
}

std::optional<Change> moveTrack(const Reanim &reanim, std::size_t from, std::size_t to)
{
    if (from >= reanim.tracks.size() || to >= reanim.tracks.size() || from == to)
        return std::nullopt;
    return made("Move " + reanim.tracks[from].name + (from < to ? " down" : " up"), {TrackMove{from, to}});
}

std::optional<Change> makeClip(const Reanim &reanim, std::string_view name, std::size_t first, std::size_t count)
{
    const std::string trackName = std::string(clipPrefix) + std::string(name);
    if (name.empty() || count == 0 || !savableName(trackName))
        return std::nullopt;
    std::size_t longest = first + count;
    std::size_t at = 0;
    for (std::size_t n = 0; n < reanim.tracks.size(); ++n) {
        longest = std::max(longest, reanim.tracks[n].transforms.size());
        if (isClipTrack(reanim, n))
            at = n + 1;
    }
    ReanimTrack clip{trackName, emptyFrames(longest)};
    for (std::size_t n = 0; n < longest; ++n)
        clip.transforms[n].f = clipF(n, first, count);
    return made("Make clip " + std::string(name), {TrackSplice{at, {}, {std::move(clip)}}});
}

std::optional<Change> renameClip(const Reanim &reanim, std::size_t track, std::string_view name)
{
    if (!isClipTrack(reanim, track) || name.empty())
        return std::nullopt;
    auto change = renameTrack(reanim, track, std::string(clipPrefix) + std::string(name));
    if (change)
        change->name = "Rename clip " + reanim.tracks[track].name.substr(clipPrefix.size());
    return change;
}

std::optional<Change> moveClip(const Reanim &reanim, std::size_t track, std::size_t first, std::size_t count)
{
    if (!isClipTrack(reanim, track) || count == 0)
        return std::nullopt;
    const auto &transforms = reanim.tracks[track].transforms;
    std::vector<ReanimTransform> after(transforms);
    after.resize(std::max(after.size(), first + count));
    for (std::size_t n = 0; n < after.size(); ++n)
        after[n].f = clipF(n, first, count);
    std::vector<Primitive> parts{FrameSplice{track, 0, transforms, std::move(after)}};
    return made("Move clip " + reanim.tracks[track].name.substr(clipPrefix.size()), std::move(parts));
}

std::optional<Change> deleteClip(const Reanim &reanim, std::size_t track)
{
    if (!isClipTrack(reanim, track))
        return std::nullopt;
    auto change = deleteTrack(reanim, track);
    change->name = "Delete clip " + reanim.tracks[track].name.substr(clipPrefix.size());
    return change;
}

std::optional<Change> setFps(const Reanim &reanim, float fps)
{
    if (wordOf(fps) == wordOf(reanim.fps))
        return std::nullopt;
    return made("Change frame rate", {FpsChange{reanim.fps, fps}});
}

} // namespace qor::edit
