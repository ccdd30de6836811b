#include "core/edit/handles.h"
#include "core/format/reanim.h"

#include <doctest/doctest.h>

#include <array>
#include <optional>
#include <vector>

using namespace qor::edit;

// The handles on the canvas: where they sit and what a drag of each gives, every case worked
// out by hand (angles in degrees, y down).
// Found by argument-dependent lookup, as the comparisons of vectors need.
namespace qor::edit {
static bool operator==(const DragValue &a, const DragValue &b)
{
    return a.track == b.track && a.frame == b.frame && a.first == b.first && a.second == b.second;
}
} // namespace qor::edit

namespace doctest {
template <>
struct StringMaker<std::vector<DragValue>> {
    static String convert(const std::vector<DragValue> &values)
    {
        std::string shown = "{";
        for (const DragValue &value : values)
            shown += " [" + std::to_string(value.track) + "@" + std::to_string(value.frame) + ": " +
                     std::to_string(value.first) + ", " + std::to_string(value.second) + "]";
        return (shown + " }").c_str();
    }
};
} // namespace doctest

TEST_CASE("a drag of each handle gives the two fields of its kind, about the pivot")
{
    // Posed at x 10, y -4, turned 5, skewed nowhere, scaled 1 by 2; the pivot at (10, 20).
    const Pose pose{3, 7, 10.0, -4.0, 5.0, 5.0, 1.0, 2.0};
    const qor::Point pivot{10, 20};
    struct Row {
        const char *what;
        Drag kind;
        Handle handle;
        qor::Point from;
        qor::Point to;
        bool constrain;
        std::vector<DragValue> values;
    };
    const Row rows[] = {
        {"a move adds the way moved", Drag::Move, Handle::Inside, {100, 100}, {103, 95}, false, {{3, 7, 13, -9}}},
        {"a quarter turn, east to south", Drag::Turn, Handle::Turn, {20, 20}, {10, 30}, false, {{3, 7, 95, 95}}},
        {"a turn across west goes the short way", Drag::Turn, Handle::Turn, {9, 21}, {9, 19}, false, {{3, 7, 95, 95}}},
        {"a turn of 26.6 in steps of 15 is 30", Drag::Turn, Handle::Turn, {12, 20}, {12, 21}, true, {{3, 7, 35, 35}}},
        {"a constrained turn under half a step is none", Drag::Turn, Handle::Turn, {30, 20}, {30, 21}, true,
         {{3, 7, 5, 5}}},
        {"an east edge skews x alone", Drag::Skew, Handle::East, {20, 20}, {20, 30}, false, {{3, 7, 50, 5}}},
        {"a south edge skews y alone", Drag::Skew, Handle::South, {10, 30}, {0, 30}, false, {{3, 7, 5, 50}}},
        {"a corner scales each way by its own factor", Drag::Scale, Handle::SouthEast, {20, 40}, {30, 30}, false,
         {{3, 7, 2, 1}}},
        {"an east edge scales x alone", Drag::Scale, Handle::East, {20, 40}, {40, 70}, false, {{3, 7, 3, 2}}},
        {"a constrained corner keeps the proportions along its diagonal", Drag::Scale, Handle::SouthEast, {13, 24},
         {16, 24}, true, {{3, 7, float(34.0 / 25.0), float(2 * 34.0 / 25.0)}}},
        {"a constrained edge scales both by its own factor", Drag::Scale, Handle::South, {10, 30}, {15, 50}, true,
         {{3, 7, 3, 6}}},
        {"a handle at the pivot's height gives no factor across it", Drag::Scale, Handle::SouthEast, {20, 20},
         {40, 30}, false, {{3, 7, 3, 2}}},
        {"a factor past what a frame holds leaves the track out", Drag::Scale, Handle::East, {11, 20}, {1e300, 20},
         false, {}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.what);
        const Pose poses[] = {pose};
        CHECK(dragged({row.kind, row.handle, pivot, row.from}, poses, row.to, row.constrain) == row.values);
    }
}

TEST_CASE("a skew, or an edge's scale, sets only the field it changes: the other keeps what the frame gives")
{
    // Frame 0 gives kx 5 and sy 3 alone; frame 1 gives nothing.
    qor::Reanim reanim;
    reanim.tracks.push_back({"part", std::vector<qor::ReanimTransform>(2)});
    reanim.tracks[0].transforms[0].kx = 5.0f;
    reanim.tracks[0].transforms[0].sy = 3.0f;
    constexpr float unset = qor::unsetValue;
    struct Row {
        const char *what;
        Drag kind;
        Handle handle;
        bool constrain;
        DragValue kept; // from {0, frame, 1, 2}
    };
    const Row rows[] = {
        {"an east skew keeps ky unset", Drag::Skew, Handle::East, false, {0, 0, 1, unset}},
        {"a south skew keeps kx given", Drag::Skew, Handle::South, false, {0, 0, 5, 2}},
        {"an east scale keeps sy given", Drag::Scale, Handle::East, false, {0, 0, 1, 3}},
        {"a north scale keeps sx unset", Drag::Scale, Handle::North, false, {0, 0, unset, 2}},
        {"a constrained edge scale sets both", Drag::Scale, Handle::North, true, {0, 0, 1, 2}},
        {"a corner scale sets both", Drag::Scale, Handle::SouthEast, false, {0, 0, 1, 2}},
        {"a turn sets both", Drag::Turn, Handle::Turn, false, {0, 0, 1, 2}},
        {"a move sets both", Drag::Move, Handle::Inside, false, {0, 0, 1, 2}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.what);
        DragValue values[] = {{0, 0, 1, 2}, {0, 1, 1, 2}, {1, 0, 1, 2}};
        keepUntouched(reanim, {row.kind, row.handle, {}, {}}, row.constrain, values);
        CHECK(values[0] == row.kept);
        // Frame 1 gives nothing: what the drag leaves alone stays unset there too.
        CHECK(values[1].first == (row.kept.first == 1 ? 1 : unset));
        CHECK(values[1].second == (row.kept.second == 2 ? 2 : unset));
        CHECK(values[2] == DragValue{1, 0, 1, 2}); // no such track: left as it is
    }
}

TEST_CASE("every selected track gets its own values; the handles sit around all of them, turning about the first; a "
          "track alone is boxed as it is turned, and scaled along its own axes")
{
    const Pose poses[] = {{0, 2, 1, 1, 0, 0, 1, 1}, {4, 2, -5, 6, 30, -60, 2, 0.5}};
    CHECK(dragged({Drag::Move, Handle::Inside, {}, {0, 0}}, poses, {2, -1}, false) ==
          std::vector<DragValue>{{0, 2, 3, 0}, {4, 2, -3, 5}});
    CHECK(dragged({Drag::Turn, Handle::Turn, {}, {0, -1}}, poses, {1, 0}, false) ==
          std::vector<DragValue>{{0, 2, 90, 90}, {4, 2, 120, 30}});

    using Outline = std::array<qor::Point, 4>;
    const qor::Selection square{Outline{{{0, 0}, {10, 0}, {10, 5}, {0, 5}}}, qor::Point{2, 3}, {}};
    const qor::Selection turned{Outline{{{-5, 8}, {0, 3}, {5, 8}, {0, 13}}}, qor::Point{0, 8}, {}};
    const qor::Selection unplaced{std::nullopt, std::nullopt, {}};
    const auto frame = [](std::vector<qor::Selection> marks) { return handleFrame(marks); };
    const std::optional<HandleFrame> both = frame({square, turned, unplaced});
    REQUIRE(both);
    CHECK(both->bounds == qor::Rect{-5, 0, 15, 13});
    CHECK(both->corners == Outline{{{-5, 0}, {10, 0}, {10, 13}, {-5, 13}}});
    CHECK(both->pivot == qor::Point{2, 3});
    CHECK(frame({turned, unplaced})->corners == *turned.outline);
    CHECK(frame({turned, unplaced})->bounds == qor::Rect{-5, 3, 10, 10});

    // Turned a quarter, its x axis points down the stage and its y axis to the left.
    const Pose quarter[] = {{0, 0, 0, 0, 90, 90, 1, 2}};
    const Gesture east{Drag::Scale, Handle::East, {0, 0}, {0, 40}, 90, 90};
    CHECK(dragged(east, quarter, {7, 60}, false) == std::vector<DragValue>{{0, 0, 1.5f, 2}});
    const Gesture corner{Drag::Scale, Handle::SouthEast, {0, 0}, {-20, 40}, 90, 90};
    CHECK(dragged(corner, quarter, {-40, 80}, true) == std::vector<DragValue>{{0, 0, 2, 4}});
    CHECK(dragged(corner, quarter, {-60, 60}, false) == std::vector<DragValue>{{0, 0, 1.5f, 6}});
    CHECK(frame({turned, square})->pivot == qor::Point{0, 8});
    CHECK_FALSE(frame({unplaced, square}));
    CHECK_FALSE(frame({}));
}
