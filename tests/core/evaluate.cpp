#include "checks.h"

#include "core/scene/attachment.h"
#include "core/scene/evaluated.h"

#include <initializer_list>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// What an animation shows: values carried forward, clips, what can be placed, attachments.
namespace {

constexpr float unset = qor::unsetValue;
using Field = float qor::TrackState::*;

// The eight fields of a state, in the order of a frame's (qor::numberFields).
constexpr Field stateFields[] = {&qor::TrackState::x,  &qor::TrackState::y,  &qor::TrackState::kx,
                                 &qor::TrackState::ky, &qor::TrackState::sx, &qor::TrackState::sy,
                                 &qor::TrackState::f,  &qor::TrackState::a};

// A track whose frames give `f` as listed; frame `imageAt` also names an image.
qor::ReanimTrack track(const std::string &name, std::initializer_list<float> shown, int imageAt = -1)
{
    qor::ReanimTrack made{name, {}};
    for (const float f : shown) {
        qor::ReanimTransform &frame = made.transforms.emplace_back();
        frame.f = f;
        if (int(made.transforms.size()) - 1 == imageAt)
            frame.i = "IMAGE_REANIM_PART";
    }
    return made;
}

qor::Reanim animation(std::vector<qor::ReanimTrack> tracks)
{
    qor::Reanim reanim;
    reanim.tracks = std::move(tracks);
    return reanim;
}

// What a frame's text asks to attach: name, clip, rate and end, written as "NAME|CLIP|FPS|END"
// (FPS 0 for the file's own rate), or "-" for no attachment.
std::string describe(const std::optional<qor::Attachment> &attachment)
{
    if (!attachment)
        return "-";
    constexpr const char *ends[] = {"loop", "hold", "once"};
    std::ostringstream out;
    out << attachment->name << '|' << attachment->clip << '|' << attachment->fps.value_or(0.0f) << '|'
        << ends[int(attachment->end)];
    return out.str();
}

} // namespace

TEST_CASE("a field a frame leaves unset carries the previous frame's value, or its default")
{
    const struct {
        std::string_view name;
        int field;
        std::vector<float> given;
        std::vector<float> shown;
    } rows[] = {
        {"x defaults to 0 and keeps its last value", 0, {unset, 5, unset, -3, unset}, {0, 5, 5, -3, -3}},
        {"y defaults to 0", 1, {unset, 7}, {0, 7}},
        {"kx defaults to 0", 2, {unset, 90, unset}, {0, 90, 90}},
        {"ky defaults to 0", 3, {unset}, {0}},
        {"sx defaults to 1", 4, {unset, 2, unset}, {1, 2, 2}},
        {"sy defaults to 1, 0 is a value", 5, {unset, 0, unset}, {1, 0, 0}},
        {"f: hidden stays hidden until shown", 6, {-1, unset, 0, unset}, {-1, -1, 0, 0}},
        {"a defaults to 1", 7, {unset, 0.5f, unset}, {1, 0.5f, 0.5f}},
        {"a value next to the unset one is a value", 0, {-9999.99f, unset}, {-9999.99f, -9999.99f}},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        qor::ReanimTrack made;
        for (const float value : row.given)
            made.transforms.emplace_back().*qor::numberFields[std::size_t(row.field)].member = value;
        std::vector<float> carried;
        for (const qor::TrackState &state : qor::carryForward(made))
            carried.push_back(state.*stateFields[row.field]);
        CHECK(carried == row.shown);
    }
}

TEST_CASE("an empty image, font or text keeps the previous frame's")
{
    qor::ReanimTrack made;
    made.transforms.resize(3);
    made.transforms[0].i = "A";
    made.transforms[0].font = "F";
    made.transforms[1].text = "hello";
    made.transforms[2].i = "B";
    const auto states = qor::carryForward(made);
    REQUIRE(states.size() == 3);
    CHECK(states[1].image == "A");
    CHECK(states[2].image == "B");
    CHECK(states[2].font == "F");
    CHECK(states[2].text == "hello");
    CHECK(states[0].text.empty());
}

TEST_CASE("an anim_ track that names no image marks a clip from its first to its last shown frame")
{
    const struct {
        std::string_view name;
        qor::Reanim reanim;
        std::vector<std::string> clips;
    } rows[] = {
        {"one run", animation({track("anim_idle", {-1, 0, unset, -1})}), {"idle 1 2"}},
        {"two runs span the gap", animation({track("anim_walk", {0, -1, -1, 0, -1})}), {"walk 0 4"}},
        {"unset f in the first frame shows", animation({track("anim_blink", {unset, -1})}), {"blink 0 1"}},
        {"never shown", animation({track("anim_never", {-1, unset})}), {}},
        {"no frames", animation({track("anim_empty", {})}), {}},
        {"names an image", animation({track("anim_head", {0, 0}, 1)}), {}},
        {"no anim_ prefix", animation({track("idle", {0}), track("Anim_x", {0})}), {}},
        {"empty clip name", animation({track("anim_", {-1, 0})}), {" 1 1"}},
        {"in track order, beside drawn tracks",
         animation({track("anim_b", {-1, -1, 0}), track("body", {0, 0, 0}, 0), track("anim_a", {0})}),
         {"b 2 1", "a 0 1"}},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        std::vector<std::string> found;
        for (const qor::Clip &clip : qor::evaluate(row.reanim).clips)
            found.push_back(clip.name + ' ' + std::to_string(clip.firstFrame) + ' ' + std::to_string(clip.frameCount));
        CHECK(found == row.clips);
    }
}

// What can be placed: x, y, kx, ky, sx, sy numbers, and x, y, sx, sy within 2^24 units.
TEST_CASE("a state is placeable when its placement is made of numbers within 2^24 units")
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        std::string_view name;
        int field;
        float value;
        std::string unplaceable;
    } rows[] = {
        {"2^24 is placed", 0, 16777216.0f, ""},
        {"the next float past it is not", 0, 16777218.0f, "x is 16777218"},
        {"nor far below", 1, -1e30f, "y is -1.00000002e+30"},
        {"NaN", 1, nan, "y is nan"},
        {"an infinite skew", 2, inf, "kx is inf"},
        {"a skew of any size turns", 3, 1e30f, ""},
        {"a scale past 2^24", 4, -2e7f, "sx is -20000000"},
        {"an infinite scale", 5, -inf, "sy is -inf"},
        {"f and a are not placement", 6, nan, ""},
        {"nor is a", 7, inf, ""},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        qor::TrackState state;
        state.*stateFields[row.field] = row.value;
        CHECK(state.placeable() == row.unplaceable.empty());
        CHECK(qor::unplaceableValue(state) == row.unplaceable);
    }
}

TEST_CASE("frames past a track's end are not there")
{
    const auto evaluated = qor::evaluate(animation({track("a", {0}), track("b", {0, 0, 0})}));
    CHECK(evaluated.frameCount == 3);
    CHECK(evaluated.state(0, 0));
    CHECK(!evaluated.state(0, 1));
    CHECK(!evaluated.state(1, -1));
    CHECK(!evaluated.state(2, 0));
}

TEST_CASE("an attacher__ text names an animation, its clip, rate and end")
{
    const struct {
        std::string_view name;
        std::string text;
        std::string expected;
    } rows[] = {
        {"a name", "attacher__Child", "Child||0|loop"},
        {"a clip", "attacher__Child__anim_walk", "Child|walk|0|loop"},
        {"a clip without anim_", "attacher__Child__walk", "Child|walk|0|loop"},
        {"tags in any case and spacing", "attacher__C[ 7.5 ][ HOLD ]", "C||7.5|hold"},
        {"no positive rate, unknown words", "attacher__C[0][-3][fast][once]", "C||0|once"},
        {"an unclosed tag", "attacher__C[once", "C||0|once"},
        {"no name", "attacher__", "-"},
        {"another text", "hello attacher__C", "-"},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        CHECK(describe(qor::parseAttachment(row.text)) == row.expected);
    }
}

TEST_CASE("an attachment shows the frame its rate and end give after the time its parent has played")
{
    const struct {
        std::string_view name;
        std::string text;
        float parentFps;
        int elapsed;
        int expected; // -1 once it is gone
    } rows[] = {
        {"loops at its own 12 fps in 24", "attacher__C", 24, 9, 0},
        {"10 fps in 30 lands on frame 1", "attacher__C[10]", 30, 3, 1},
        {"hold", "attacher__C[24][hold]", 24, 50, 3},
        {"once", "attacher__C[24][once]", 24, 4, -1},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        const auto attachment = qor::parseAttachment(row.text);
        REQUIRE(attachment);
        CHECK(qor::attachedFrame(*attachment, row.elapsed, row.parentFps, 12.0f, 4).value_or(-1) == row.expected);
    }
}
