#include "core/edit/change.h"

#include "core/format/bytes.h"

#include <algorithm>

namespace qor::edit {

namespace {

bool sameNumber(float a, float b)
{
    return wordOf(a) == wordOf(b);
}

bool sameTrack(const ReanimTrack &a, const ReanimTrack &b)
{
    return a.name == b.name
        && std::equal(a.transforms.begin(), a.transforms.end(), b.transforms.begin(), b.transforms.end(), sameFrame);
}

// Whether [at, at + count) lies within `size` items.
bool within(std::size_t at, std::size_t count, std::size_t size)
{
    return at <= size && count <= size - at;
}

template <class Item, class Same>
bool holds(const std::vector<Item> &items, std::size_t at, const std::vector<Item> &expected, Same same)
{
    return within(at, expected.size(), items.size())
        && std::equal(expected.begin(), expected.end(), items.begin() + std::ptrdiff_t(at), same);
}

template <class Item>
void splice(std::vector<Item> &items, std::size_t at, std::size_t removed, const std::vector<Item> &inserted)
{
    const auto first = items.begin() + std::ptrdiff_t(at);
    const std::size_t common = std::min(removed, inserted.size());
    std::copy_n(inserted.begin(), common, first);
    if (removed > common)
        items.erase(first + std::ptrdiff_t(common), first + std::ptrdiff_t(removed));
    else
        items.insert(first + std::ptrdiff_t(common), inserted.begin() + std::ptrdiff_t(common), inserted.end());
}

} // namespace

bool sameFrame(const ReanimTransform &a, const ReanimTransform &b)
{
    for (const NumberField &field : numberFields)
        if (!sameNumber(a.*field.member, b.*field.member))
            return false;
    return a.i == b.i && a.font == b.font && a.text == b.text;
}

bool fits(const Reanim &reanim, const Primitive &primitive)
{
    return std::visit(
        Overloaded{
            [&](const FrameSplice &change) {
                return change.track < reanim.tracks.size()
                    && holds(reanim.tracks[change.track].transforms, change.at, change.removed, sameFrame);
            },
            [&](const TrackSplice &change) { return holds(reanim.tracks, change.at, change.removed, sameTrack); },
            [&](const TrackRename &change) {
                return change.track < reanim.tracks.size() && reanim.tracks[change.track].name == change.before;
            },
            [&](const TrackMove &change) { return change.from < reanim.tracks.size() && change.to < reanim.tracks.size(); },
            [&](const FpsChange &change) { return sameNumber(reanim.fps, change.before); },
        },
        primitive);
}

void apply(Reanim &reanim, const Primitive &primitive)
{
    std::visit(Overloaded{
                   [&](const FrameSplice &change) {
                       splice(reanim.tracks[change.track].transforms, change.at, change.removed.size(), change.inserted);
                   },
                   [&](const TrackSplice &change) { splice(reanim.tracks, change.at, change.removed.size(), change.inserted); },
                   [&](const TrackRename &change) { reanim.tracks[change.track].name = change.after; },
                   [&](const TrackMove &change) {
                       const auto from = reanim.tracks.begin() + std::ptrdiff_t(change.from);
                       const auto to = reanim.tracks.begin() + std::ptrdiff_t(change.to);
                       if (change.from < change.to)
                           std::rotate(from, from + 1, to + 1);
                       else
                           std::rotate(to, from, from + 1);
                   },
                   [&](const FpsChange &change) { reanim.fps = change.after; },
               },
               primitive);
}

Primitive inverse(Primitive primitive)
{
    std::visit(Overloaded{
                   [](FrameSplice &change) { std::swap(change.removed, change.inserted); },
                   [](TrackSplice &change) { std::swap(change.removed, change.inserted); },
                   [](TrackRename &change) { std::swap(change.before, change.after); },
                   [](TrackMove &change) { std::swap(change.from, change.to); },
                   [](FpsChange &change) { std::swap(change.before, change.after); },
               },
               primitive);
    return primitive;
}

} // namespace qor::edit
