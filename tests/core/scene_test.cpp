// The scene of a frame worked out by hand: placement matrices, what a frame draws and in what
// order, attached animations (hold, once, loop, a rate tag, a cycle), hit areas, bounds and
// sheets, with image sizes and attached animations held in memory.
#include "core/scene/attachment.h"
#include "core/scene/bounds.h"
#include "core/scene/imagename.h"
#include "core/scene/opening.h"
#include "core/scene/scene.h"
#include "core/scene/sheet.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {

using qor::ItemKind;
using Path = std::vector<std::uint32_t>;

// Images by key (a 4 by 4 "red", a 40 by 10 "wide"); a text is 6 units a character, 10 high.
class Sizes : public qor::ImageSizes {
public:
    std::optional<qor::Size> imageSize(std::string_view name) const override
    {
        const std::string key = qor::imageFileKey(name);
        if (key == "red")
            return qor::Size{4, 4};
        if (key == "wide")
            return qor::Size{40, 10};
        return std::nullopt;
    }
    qor::Size textSize(std::string_view text, std::string_view) const override
    {
        return {6.0 * double(text.size()), 10.0};
    }
};

// Animations by lower-case name, and the problems noted, each once.
class Source : public qor::AnimationSource {
public:
    std::map<std::string, qor::EvaluatedAnimation> animations;
    mutable std::vector<std::string> problems;

    std::string topName() const override { return "parent"; }
    const qor::EvaluatedAnimation *animation(std::string_view name) const override
    {
        const auto found = animations.find(qor::lowerName(name));
        return found == animations.end() ? nullptr : &found->second;
    }
    void noteProblem(std::string_view line) const override
    {
        if (std::find(problems.begin(), problems.end(), line) == problems.end())
            problems.emplace_back(line);
    }
};

qor::ReanimTransform frame(float x, float y, const char *image = "", const char *text = "")
{
    return {.x = x, .y = y, .i = image, .font = {}, .text = text};
}

// A track of `frames` frames whose text is `text` from frame 0, shown from `shownFrom`.
qor::ReanimTrack textTrack(const std::string &name, int frames, const std::string &text, int shownFrom = 0)
{
    qor::ReanimTrack track{name, std::vector<qor::ReanimTransform>(size_t(frames))};
    track.transforms[0].text = text;
    if (shownFrom > 0) {
        track.transforms[0].f = -1;
        track.transforms[size_t(shownFrom)].f = 0;
    }
    return track;
}

// A track of `frames` frames shown only from `from` to `to` (inclusive); an image track draws
// the 4 by 4 "red" there, a clip marker names no image.
qor::ReanimTrack shownTrack(const std::string &name, int frames, int from, int to, const char *image = "")
{
    qor::ReanimTrack track{name, std::vector<qor::ReanimTransform>(size_t(frames))};
    track.transforms[0].i = image;
    track.transforms[0].f = -1;
    if (from < frames)
        track.transforms[size_t(from)].f = 0;
    if (to + 1 < frames)
        track.transforms[size_t(to + 1)].f = -1;
    return track;
}

// The child: a red square at x = 4 k in its frame k of 6 (12 fps); its clip "x" is frames 2
// to 4.
qor::EvaluatedAnimation child()
{
    qor::Reanim reanim;
    qor::ReanimTrack square{"square", {}};
    for (int k = 0; k < 6; ++k)
        square.transforms.push_back(frame(4.0f * float(k), qor::unsetValue, k == 0 ? "IMAGE_REANIM_RED" : ""));
    reanim.tracks = {shownTrack("anim_x", 6, 2, 4), square};
    return qor::evaluate(reanim);
}

void checkMatrix(const qor::Matrix &found, const qor::Matrix &expected)
{
    for (const auto field : {&qor::Matrix::a, &qor::Matrix::b, &qor::Matrix::c, &qor::Matrix::d, &qor::Matrix::e,
                             &qor::Matrix::f})
        CHECK(found.*field == doctest::Approx(expected.*field).epsilon(1e-6));
}

} // namespace

TEST_CASE("placement: scale and skew in degrees, then the offset, as six numbers by hand")
{
    struct Row {
        const char *name;
        float x, y, kx, ky, sx, sy;
        qor::Matrix expected;
    };
    const double c30 = std::sqrt(3.0) / 2;
    const Row rows[] = {
        {"the identity at the origin", 0, 0, 0, 0, 1, 1, {1, 0, 0, 1, 0, 0}},
        {"moved by x 10, y 20", 10, 20, 0, 0, 1, 1, {1, 0, 0, 1, 10, 20}},
        {"scaled 2 by 3", 0, 0, 0, 0, 2, 3, {2, 0, 0, 3, 0, 0}},
        {"kx = ky = 90: a quarter turn clockwise", 0, 0, 90, 90, 1, 1, {0, 1, -1, 0, 0, 0}},
        {"sx 2, kx 30, ky 60 at (5, 7)", 5, 7, 30, 60, 2, 1, {2 * c30, 1, -c30, 0.5, 5, 7}},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        const qor::TrackState state{.x = row.x, .y = row.y, .kx = row.kx, .ky = row.ky, .sx = row.sx, .sy = row.sy,
                                    .f = 0, .a = 1, .image = {}, .font = {}, .text = {}};
        checkMatrix(qor::placement(state), row.expected);
    }
}

TEST_CASE("a frame draws its tracks back to front: image, placeholder, text; hidden and unplaceable left out")
{
    qor::Reanim reanim;
    reanim.tracks = {{"body", {frame(10, 20, "IMAGE_REANIM_RED")}},
                     {"gone", {frame(0, 0, "IMAGE_REANIM_NOWHERE")}},
                     {"label", {frame(1, 2, "", "hi")}},
                     {"lost", {frame(std::nanf(""), 0, "IMAGE_REANIM_RED")}},
                     {"anim_idle", {frame(0, 0)}}};
    reanim.tracks[0].transforms[0].a = 0.5f;
    const qor::EvaluatedAnimation animation = qor::evaluate(reanim);
    const Sizes sizes;
    const auto items = qor::frameScene(animation, 0, sizes);
    REQUIRE(items.size() == 3);
    CHECK(items[0].kind == ItemKind::Image);
    CHECK(items[0].key == "red");
    CHECK(items[0].opacity == 0.5);
    CHECK(items[0].size == qor::Size{4, 4});
    CHECK(items[0].path == Path{0});
    checkMatrix(items[0].matrix, {1, 0, 0, 1, 10, 20});
    CHECK(items[1].kind == ItemKind::Placeholder);
    CHECK(items[1].text == "gone");
    CHECK(items[1].size == qor::Size{40, 40});
    CHECK(items[2].kind == ItemKind::Text);
    CHECK(items[2].text == "hi");
    CHECK(items[2].size == qor::Size{12, 10});
    CHECK(items[2].path == Path{2});

    const auto hidden = qor::frameScene(animation, 0, sizes, {{false, true}, nullptr});
    REQUIRE(hidden.size() == 2);
    CHECK(hidden[1].path == Path{2});
    CHECK(qor::frameScene(animation, 1, sizes).empty());
}

TEST_CASE("an attached animation is composed into its track: which frame shows, by hold, once, loop and rate")
{
    struct Row {
        const char *name;
        qor::ReanimTrack track;
        int frame;
        std::optional<double> squareAt; // the square's x, nothing when nothing is drawn
    };
    const Row rows[] = {
        {"the whole animation loops", textTrack("t", 12, "attacher__Child"), 7, 4},
        {"its name in any case", textTrack("t", 12, "attacher__cHILD"), 2, 8},
        {"a clip, looping", textTrack("t", 12, "attacher__Child__anim_x"), 4, 12},
        {"a rate tag: 6 fps in 12", textTrack("t", 12, "attacher__Child[6]"), 5, 8},
        {"hold stays on the last frame", textTrack("t", 12, "attacher__Child__anim_x[hold]"), 10, 16},
        {"once plays it out", textTrack("t", 12, "attacher__Child__anim_x[once]"), 2, 16},
        {"once, then gone", textTrack("t", 12, "attacher__Child__anim_x[once]"), 3, std::nullopt},
        {"starts when first shown", textTrack("t", 12, "attacher__Child", 3), 5, 8},
    };
    Source source;
    source.animations.emplace("child", child());
    const Sizes sizes;
    for (const Row &row : rows) {
        CAPTURE(row.name);
        qor::Reanim parent;
        parent.tracks = {row.track};
        const auto items = qor::frameScene(qor::evaluate(parent), row.frame, sizes, {{}, &source});
        if (!row.squareAt) {
            CHECK(items.empty());
            continue;
        }
        REQUIRE(items.size() == 1);
        CHECK(items[0].matrix.e == *row.squareAt);
        CHECK(items[0].path == Path{0, 1});
    }
    CHECK(source.problems.empty());
}

TEST_CASE("an attachment multiplies matrices and opacity down, and a cycle is cut once with a warning")
{
    Source source;
    qor::Reanim inner;
    inner.tracks = {{"square", {frame(2, 0, "IMAGE_REANIM_RED")}}};
    inner.tracks[0].transforms[0].a = 0.5f;
    source.animations.emplace("inner", qor::evaluate(inner));
    qor::Reanim loop;
    loop.tracks = {{"square", {frame(0, 0, "IMAGE_REANIM_RED")}}, textTrack("back", 1, "attacher__Parent")};
    source.animations.emplace("loop", qor::evaluate(loop));

    qor::Reanim parent;
    parent.tracks = {{"holder", {frame(10, 20, "", "attacher__Inner")}},
                     textTrack("round", 1, "attacher__LOOP"),
                     textTrack("missing", 1, "attacher__Nobody")};
    parent.tracks[0].transforms[0].sx = 2;
    parent.tracks[0].transforms[0].sy = 3;
    parent.tracks[0].transforms[0].a = 0.5f;
    const qor::EvaluatedAnimation animation = qor::evaluate(parent);
    const Sizes sizes;
    for (int pass = 0; pass < 2; ++pass) {
        const auto items = qor::frameScene(animation, 0, sizes, {{}, &source});
        REQUIRE(items.size() == 3);
        checkMatrix(items[0].matrix, {2, 0, 0, 3, 14, 20});
        CHECK(items[0].opacity == 0.25);
        CHECK(items[0].path == Path{0, 0});
        CHECK(items[1].path == Path{1, 0}); // the loop's square; its attachment back is cut
        CHECK(items[2].kind == ItemKind::Placeholder);
        CHECK(items[2].text == "Nobody");
        CHECK(qor::boundsOf({items[0]}) == qor::Rect{14, 20, 8, 12});
    }
    REQUIRE(source.problems.size() == 1);
    CHECK(source.problems[0] == "attachments go round: parent attaches loop attaches parent; cut at the second parent");
}

TEST_CASE("a point on the canvas is traced to the track path of the topmost item under it")
{
    Source source;
    qor::Reanim inner;
    inner.tracks = {{"first", {frame(0, 0)}}, {"wide", {frame(0, 0, "IMAGE_REANIM_WIDE")}}};
    source.animations.emplace("inner", qor::evaluate(inner));
    qor::Reanim parent;
    parent.tracks = {{"back", {frame(0, 0, "IMAGE_REANIM_WIDE")}},
                     {"front", {frame(30, 0, "", "attacher__inner")}},
                     {"turned", {frame(100, 0, "IMAGE_REANIM_RED")}}};
    parent.tracks[2].transforms[0].kx = 90;
    parent.tracks[2].transforms[0].ky = 90;
    const Sizes sizes;
    const auto items = qor::frameScene(qor::evaluate(parent), 0, sizes, {{}, &source});
    struct Row {
        qor::Point at;
        std::optional<Path> path;
    };
    const Row rows[] = {{{5, 5}, Path{0}},     {{35, 5}, Path{1, 1}}, {{69.5, 9.5}, Path{1, 1}}, {{5, 11}, std::nullopt},
                        {{97, 2}, Path{2}},    {{101, 2}, std::nullopt}};
    for (const Row &row : rows) {
        CAPTURE(row.at.x);
        CAPTURE(row.at.y);
        CHECK(qor::itemAt(items, row.at) == row.path);
    }
}

TEST_CASE("a box drawn on the canvas meets the tracks whose items are inside it, across it or touch it")
{
    // A square of 10 at the origin; a square of 10 turned by the angle whose cosine is 0.8, at
    // (30, 0): its corners are (30, 0), (38, 6), (32, 14) and (24, 8); and inside an attached
    // animation, two items of one track, and one flattened to nothing.
    const auto item = [](qor::Matrix matrix, Path path) {
        qor::SceneItem made;
        made.matrix = matrix;
        made.size = {10, 10};
        made.path = std::move(path);
        return made;
    };
    const std::vector<qor::SceneItem> items{item({}, {0}), item({0.8, 0.6, -0.6, 0.8, 30, 0}, {1}),
                                            item({1, 0, 0, 1, 60, 0}, {2, 0}), item({1, 0, 0, 1, 70, 0}, {2, 1}),
                                            item({0, 0, 0, 0, 5, 5}, {3})};
    struct Row {
        qor::Rect box;
        Path tracks;
    };
    const Row rows[] = {
        {{-1, -1, 100, 100}, {0, 1, 2}},  // around all
        {{2, 2, 3, 3}, {0}},              // inside one
        {{10, 0, 5, 5}, {0}},             // touching its edge
        {{24.5, 0, 1, 1}, {}},            // inside the turned one's box but not the turned one
        {{29, 0, 1, 1}, {1}},             // across its edge
        {{65, 2, 10, 1}, {2}},            // two items of one track, once
        {{11, 11, 5, 5}, {}},             // nothing there
    };
    for (const Row &row : rows) {
        CAPTURE(row.box.x);
        CAPTURE(row.box.y);
        CHECK(qor::tracksIn(items, row.box) == row.tracks);
    }
}

TEST_CASE("bounds: of a frame, of a clip, and the track that reaches farthest")
{
    qor::Reanim reanim;
    qor::ReanimTrack &square = reanim.tracks.emplace_back();
    for (int k = 0; k < 6; ++k)
        square.transforms.push_back(frame(10.0f * float(k), 3, k == 0 ? "red" : ""));
    reanim.tracks.push_back({"skewed", {frame(5, 7, "IMAGE_REANIM_RED")}});
    reanim.tracks[1].transforms[0].kx = 30;
    reanim.tracks[1].transforms[0].ky = 60;
    reanim.tracks[1].transforms[0].sx = 2;
    const qor::EvaluatedAnimation animation = qor::evaluate(reanim);
    const Sizes sizes;
    // The square at (0, 3) and the skewed one: (4, 0) -> (5 + 8 cos 30, 7 + 8 sin 30) and
    // (4, 4) -> (.., 7 + 8 sin 30 + 4 cos 60).
    const qor::Rect skewed = qor::frameBounds(animation, 0, sizes);
    CHECK(skewed.x == 0);
    CHECK(skewed.y == 3);
    CHECK(skewed.right() == doctest::Approx(5 + 8 * std::sqrt(3.0) / 2).epsilon(1e-9));
    CHECK(skewed.bottom() == doctest::Approx(13).epsilon(1e-9));
    CHECK(qor::clipBounds(animation, {"", 1, 5}, sizes) == qor::Rect{10, 3, 44, 4});
    CHECK(qor::clipBounds(animation, {"", 6, 2}, sizes).null());
    const auto farthest = qor::farthestReach(animation, {"", 0, 6}, sizes);
    REQUIRE(farthest);
    CHECK(farthest->track == 0);
    CHECK(farthest->frame == 5);
    CHECK(qor::clipFraming(animation, {"", 6, 2}, sizes, 2).area == qor::Rect{0, 0, 1, 1});
    CHECK(qor::Framing{{0, 0, 20000, 20000}, 1}.pixelSize() == std::nullopt);
    CHECK(qor::pictureSizeProblem(20000, 20000)
          == "the picture would be 20000 x 20000 pixels, more than the 268435456 pixels a picture may have");
}

TEST_CASE("a file opens on its first clip, else on the first frame that draws anything")
{
    struct Row {
        const char *name;
        std::vector<qor::ReanimTrack> tracks;
        bool attached; // whether attached animations are found
        qor::OpeningView expected;
    };
    qor::ReanimTrack flattened = shownTrack("square", 6, 0, 5, "IMAGE_REANIM_RED");
    flattened.transforms[0].sx = 0;
    flattened.transforms[2].sx = 1;
    const Row rows[] = {
        {"the first clip in track order, from its first frame",
         {shownTrack("square", 8, 0, 7, "IMAGE_REANIM_RED"), shownTrack("anim_late", 8, 4, 5), shownTrack("anim_early", 8, 1, 2)},
         false,
         {0, 4}},
        {"a clip whose frames draw nothing is still the first clip",
         {shownTrack("square", 8, 6, 7, "IMAGE_REANIM_RED"), shownTrack("anim_idle", 8, 0, 3)},
         false,
         {0, 0}},
        {"no clips: the first frame shown", {shownTrack("square", 8, 3, 7, "IMAGE_REANIM_RED")}, false, {std::nullopt, 3}},
        {"a frame whose items cover nothing is passed over", {flattened}, false, {std::nullopt, 2}},
        {"an attached animation draws", {textTrack("t", 6, "attacher__Child", 2)}, true, {std::nullopt, 2}},
        {"an attachment not found draws nothing", {textTrack("t", 6, "attacher__Child", 2)}, false, {}},
        {"nothing drawn at all: frame 0", {shownTrack("square", 8, 8, 8, "IMAGE_REANIM_RED")}, false, {}},
        {"no tracks", {}, false, {}},
    };
    Source source;
    source.animations.emplace("child", child());
    const Sizes sizes;
    for (const Row &row : rows) {
        CAPTURE(row.name);
        qor::Reanim reanim;
        reanim.tracks = row.tracks;
        const qor::OpeningView found = qor::openingView(qor::evaluate(reanim), sizes, row.attached ? &source : nullptr);
        CHECK(found.clip == row.expected.clip);
        CHECK(found.frame == row.expected.frame);
    }
}

TEST_CASE("the image-name rule: the prefix in any case goes, the rest in lower case")
{
    CHECK(qor::imageFileKey("IMAGE_REANIM_FOO_Bar") == "foo_bar");
    CHECK(qor::imageFileKey("image_reanim_x") == "x");
    CHECK(qor::imageFileKey("Plain") == "plain");
    CHECK(qor::imageFileKey("IMAGE_REANIM_\xC9T\xC9") == "\xE9t\xE9");
    // A file's key named as a frame names it, and back.
    for (const char *key : {"foo_bar", "\xE9t\xE9", "x\xF7y"}) {
        CAPTURE(key);
        CHECK(qor::imageFileKey(qor::imageNameOf(key)) == key);
    }
    CHECK(qor::imageNameOf("foo_bar") == "IMAGE_REANIM_FOO_BAR");
    CHECK(qor::imageNameOf("\xE9t\xE9") == "IMAGE_REANIM_\xC9T\xC9");
}

TEST_CASE("sheets: the grid, the cells with padding, numbers from the clip's start, and the description")
{
    struct Grid {
        int frames, columns;
        qor::SheetGrid grid;
    };
    for (const Grid &row : {Grid{0, 0, {}}, Grid{1, 0, {1, 1}}, Grid{2, 0, {2, 1}}, Grid{5, 0, {3, 2}},
                            Grid{101, 0, {11, 10}}, Grid{12, 5, {5, 3}}, Grid{3, 8, {3, 1}}}) {
        CAPTURE(row.frames);
        CHECK(qor::sheetGrid(row.frames, row.columns) == row.grid);
    }
    const qor::SheetLayout layout{.columns = 5, .padding = 2};
    CHECK(qor::sheetCell(11, {20, 30}, layout, 12) == qor::SheetCell{11, 2 + 22, 2 + 2 * 32, 20, 30});
    CHECK(qor::sheetSize({20, 30}, layout, 12) == qor::Size{5 * 22 + 2, 3 * 32 + 2});

    // Many cells in rows are tst_render's, read back as JSON.
    const qor::Framing cell{{-2.5, -4, 4, 3}, 2};
    CHECK(qor::sheetDescription({"walk", 7, 1}, cell, {}, {8, 6}) == R"({
    "clip": "walk",
    "frames": [
        {
            "frame": 0,
            "height": 6,
            "width": 8,
            "x": 0,
            "y": 0
        }
    ],
    "height": 6,
    "origin": {
        "x": 5,
        "y": 8
    },
    "scale": 2,
    "width": 8
}
)");
    CHECK(qor::sheetDescriptionPath("out/Sheet.PNG") == "out/Sheet.json");
    CHECK(qor::sheetDescriptionPath("sheet") == "sheet.json");
    CHECK(qor::animationName("Walk.Reanim.Compiled") == "walk");
    CHECK(qor::clipFileName("walker", "a/b\\c\x01", "png") == "walker-a_b_c_.png");
    CHECK(qor::clipFileName("walker", "", "gif") == "walker.gif");
    CHECK(qor::frameFileName("walker", "idle", 3) == "walker-idle-frame3.png");
    CHECK(qor::frameFileName("walker", "", 0) == "walker-frame0.png");
    // The size said is the whole sheet's, cells rounded up and padded: (1000.5 -> 1001 + 3) * 33 + 3.
    CHECK(qor::sheetSizeProblem({{0, 0, 1000.5, 10}, 1}, {.columns = 33, .padding = 3}, 40)
          == "the picture would be 33135 x 29 pixels, more than 32768 pixels a side");
    CHECK(qor::sheetSizeProblem({{0, 0, 1000.5, 10}, 1}, {}, 1).empty());
}
