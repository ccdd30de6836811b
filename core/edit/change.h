#pragma once

#include "core/format/reanim.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace qor::edit {

// The few reversible changes every edit is made of. Each holds both sides of what it changes,
// so its inverse is the same value with the sides swapped, and a step keeps only what it touched.

// The frames [at, at + removed.size()) of a track become `inserted`: a replacement of frames
// when the two are as long, an insertion when nothing is removed, a removal when nothing is
// inserted.
struct FrameSplice {
    std::size_t track = 0;
    std::size_t at = 0;
    std::vector<ReanimTransform> removed;
    std::vector<ReanimTransform> inserted;
};

// The tracks [at, at + removed.size()) become `inserted`.
struct TrackSplice {
    std::size_t at = 0;
    std::vector<ReanimTrack> removed;
    std::vector<ReanimTrack> inserted;
};

struct TrackRename {
    std::size_t track = 0;
    std::string before;
    std::string after;
};

// The track at `from` taken out and put back so that it stands at `to`.
struct TrackMove {
    std::size_t from = 0;
    std::size_t to = 0;
};

struct FpsChange {
    float before = 12.0f;
    float after = 12.0f;
};

using Primitive = std::variant<FrameSplice, TrackSplice, TrackRename, TrackMove, FpsChange>;

// Lambdas joined into one visitor, for std::visit over a Primitive. Clang 14, which the
// WebAssembly build uses, deduces an aggregate's arguments only by a guide.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Whether `primitive` fits `reanim` as it is now: its places exist and its "before" side is what
// they hold (compared bit for bit), so that applying it and then its inverse restores them.
bool fits(const Reanim &reanim, const Primitive &primitive);

// Applies a primitive that fits.
void apply(Reanim &reanim, const Primitive &primitive);

// The primitive that undoes `primitive`.
Primitive inverse(Primitive primitive);

// Two frames the same field for field, numbers bit for bit (so NaNs and -0 count).
bool sameFrame(const ReanimTransform &a, const ReanimTransform &b);

} // namespace qor::edit
