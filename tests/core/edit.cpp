#include "checks.h"
#include "testdata.h"

#include "core/edit/document.h"
#include "core/edit/keeping.h"
#include "core/edit/operations.h"
#include "core/edit/saving.h"
#include "core/files/namerules.h"
#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/compiler.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/scene/evaluated.h"

#include <zlib.h>

#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace qor::edit;

// The editing model: every change undone and redone byte for byte, saves as the converters
// write them, the evaluation kept in step, and what the edits mean read back through the scene.
namespace {

// A figure of two clips ("walk" frames 0-3, "idle" 4-7), two parts that give only what changes
// (angles near the wrap), and a label.
qor::Reanim figure()
{
    qor::Reanim reanim;
    reanim.fps = 24.0f;
    const auto clip = [](std::string name, int first, int count) {
        qor::ReanimTrack track{std::move(name), std::vector<qor::ReanimTransform>(8)};
        track.transforms[0].f = first == 0 ? 0.0f : -1.0f;
        track.transforms[std::size_t(first)].f = 0.0f;
        if (first + count < 8)
            track.transforms[std::size_t(first + count)].f = -1.0f;
        return track;
    };
    reanim.tracks.push_back(clip("anim_walk", 0, 4));
    reanim.tracks.push_back(clip("anim_idle", 4, 4));
    for (const char *name : {"body", "arm"}) {
        qor::ReanimTrack part{name, std::vector<qor::ReanimTransform>(8)};
        part.transforms[0].x = 10.0f;
        part.transforms[0].y = -4.5f;
        part.transforms[0].i = std::string("IMAGE_REANIM_") + name;
        for (std::size_t n = 0; n < 8; n += 2)
            part.transforms[n].kx = part.transforms[n].ky = float(350 + 5 * n) - (n >= 4 ? 360.0f : 0.0f);
        part.transforms[3].a = 0.5f;
        reanim.tracks.push_back(std::move(part));
    }
    qor::ReanimTrack label{"label", std::vector<qor::ReanimTransform>(8)};
    label.transforms[0].text = "walker";
    label.transforms[0].font = "FONT_SMALL";
    reanim.tracks.push_back(std::move(label));
    return reanim;
}

// The animations every change is tried on: the figure, and random ones of a few tracks.
std::vector<std::pair<std::string, qor::Reanim>> animations()
{
    std::vector<std::pair<std::string, qor::Reanim>> made{{"figure", figure()}};
    std::mt19937 random(20261208);
    qor::DiscardingLog quiet;
    for (int n = 0; n < 6; ++n)
        made.emplace_back("random " + std::to_string(n),
                          qor::readReanimBody(testdata::buildBody(12.0f, testdata::randomTracks(random)), quiet).value());
    return made;
}

qor::Bytes compiledOf(const qor::Reanim &reanim)
{
    return qor::wrapBody(qor::serializeReanim(reanim));
}

std::string decompiled(const qor::Reanim &reanim)
{
    qor::DiscardingLog quiet;
    return qor::decompileBodyToText(qor::serializeReanim(reanim), quiet).value();
}

Document opened(std::string_view name, const qor::ByteView bytes)
{
    auto result = Document::open(std::string(name), bytes, qor::kindOf(name, bytes));
    REQUIRE(bool(result.document));
    return std::move(*result.document);
}

Document opened(std::string_view name, const std::string &text)
{
    return opened(name, qor::bytesOf(text));
}

// Both saves of a document.
struct Saved {
    std::string text;
    qor::Bytes compiled;
    bool operator==(const Saved &) const = default;
};

Saved saved(const Document &document)
{
    qor::DiscardingLog quiet;
    return {saveText(document, quiet).value(), saveCompiled(document, quiet).value()};
}

bool sameStates(const qor::TrackState &a, const qor::TrackState &b)
{
    return qor::wordOf(a.x) == qor::wordOf(b.x) && qor::wordOf(a.y) == qor::wordOf(b.y)
        && qor::wordOf(a.kx) == qor::wordOf(b.kx) && qor::wordOf(a.ky) == qor::wordOf(b.ky)
        && qor::wordOf(a.sx) == qor::wordOf(b.sx) && qor::wordOf(a.sy) == qor::wordOf(b.sy)
        && qor::wordOf(a.f) == qor::wordOf(b.f) && qor::wordOf(a.a) == qor::wordOf(b.a) && a.image == b.image
        && a.font == b.font && a.text == b.text;
}

// The clips as "NAME FIRST COUNT".
std::vector<std::string> clipsOf(const qor::EvaluatedAnimation &animation)
{
    std::vector<std::string> clips;
    for (const qor::Clip &clip : animation.clips)
        clips.push_back(clip.name + ' ' + std::to_string(clip.firstFrame) + ' ' + std::to_string(clip.frameCount));
    return clips;
}

// The document's kept evaluation against one made afresh by the scene.
void checkEvaluation(Document &document)
{
    const qor::EvaluatedAnimation fresh = qor::evaluate(document.reanim());
    const qor::EvaluatedAnimation &kept = document.evaluated();
    REQUIRE(kept.tracks.size() == fresh.tracks.size());
    CHECK(kept.frameCount == fresh.frameCount);
    CHECK(qor::wordOf(kept.fps) == qor::wordOf(fresh.fps));
    for (std::size_t t = 0; t < fresh.tracks.size(); ++t) {
        CHECK(kept.tracks[t].name == fresh.tracks[t].name);
        CHECK(kept.tracks[t].marksClip == fresh.tracks[t].marksClip);
        REQUIRE(kept.tracks[t].frames.size() == fresh.tracks[t].frames.size());
        for (std::size_t f = 0; f < fresh.tracks[t].frames.size(); ++f)
            CHECK(sameStates(kept.tracks[t].frames[f], fresh.tracks[t].frames[f]));
    }
    CHECK(clipsOf(kept) == clipsOf(fresh));
}

using Operation = std::function<std::optional<Change>(const qor::Reanim &)>;

std::vector<std::size_t> firstTracks(const qor::Reanim &reanim, std::size_t count)
{
    auto tracks = allTracks(reanim);
    tracks.resize(std::min(count, tracks.size()));
    return tracks;
}

// Every operation, with arguments that fit most animations (those it does not fit give nothing).
const std::vector<std::pair<std::string, Operation>> &operations()
{
    static const std::vector<std::pair<std::string, Operation>> table{
        {"set x of frame 1", [](auto &r) { return setNumber(r, firstTracks(r, 1), 1, 1, Field::X, 12.5f); }},
        {"set f of two tracks", [](auto &r) { return setNumber(r, firstTracks(r, 2), 0, 1, Field::F, -1.0f); }},
        {"clear sy", [](auto &r) { return setNumber(r, firstTracks(r, 1), 0, 2, Field::Sy, std::nullopt); }},
        {"set image of two tracks", [](auto &r) { return setString(r, firstTracks(r, 2), 0, StringKind::Image, "IMAGE_REANIM_NEW"); }},
        {"clear text", [](auto &r) { return setString(r, 0, 0, StringKind::Text, ""); }},
        {"move", [](auto &r) {
             const DragValue values[] = {{0, 0, 3.0f, 4.0f}, {1, 0, -3.0f, 8.25f}};
             return drag(r, Drag::Move, values);
         }},
        {"scale", [](auto &r) {
             const DragValue values[] = {{0, 1, 2.0f, 0.5f}};
             return drag(r, Drag::Scale, values);
         }},
        {"insert frames", [](auto &r) { return insertFrames(r, allTracks(r), 1, 2); }},
        {"duplicate frame", [](auto &r) { return duplicateFrame(r, allTracks(r), 0); }},
        {"duplicate frames", [](auto &r) { return duplicateFrames(r, allTracks(r), 1, 3); }},
        {"delete frames", [](auto &r) { return deleteFrames(r, allTracks(r), 1, 2); }},
        {"insert a track's frame", [](auto &r) { return insertFrames(r, firstTracks(r, 1), 0, 1); }},
        {"delete a track's frame", [](auto &r) { return deleteFrames(r, firstTracks(r, 1), 0, 1); }},
        {"paste over", [](auto &r) {
             const std::size_t from[] = {0};
             const std::size_t to[] = {r.tracks.size() - 1};
             return pasteFrames(r, copyFrames(r, from, 1, 2), to, 0, false);
         }},
        {"paste inserted past the end", [](auto &r) {
             const std::size_t from[] = {0};
             return pasteFrames(r, copyFrames(r, from, 0, 3), from, 9, true);
         }},
        {"tween", [](auto &r) { return tween(r, 2, 0, 2, std::nullopt, Easing::EaseInOut); }},
        {"tween of tracks", [](auto &r) { return tween(r, allTracks(r), 0, 4, Field::Kx, Easing::Linear); }},
        {"set key", [](auto &r) { return setKey(r, allTracks(r), 3); }},
        {"clear key", [](auto &r) { return clearKey(r, firstTracks(r, 4), 2); }},
        {"add track", [](auto &r) { return addTrack(r, 1, "new"); }},
        {"rename track", [](auto &r) { return renameTrack(r, 0, "renamed"); }},
        {"duplicate track", [](auto &r) { return duplicateTrack(r, 0); }},
        {"delete track", [](auto &r) { return deleteTrack(r, r.tracks.size() - 1); }},
        {"reorder tracks", [](auto &r) { return moveTrack(r, 0, r.tracks.size() - 1); }},
        {"make clip", [](auto &r) { return makeClip(r, "jump", 1, 2); }},
        {"move clip", [](auto &r) { return moveClip(r, 0, 2, 3); }},
        {"rename clip", [](auto &r) { return renameClip(r, 1, "rest"); }},
        {"delete clip", [](auto &r) { return deleteClip(r, 0); }},
        {"change frame rate", [](auto &r) { return setFps(r, 30.0f); }},
    };
    return table;
}

} // namespace

TEST_CASE("each change undoes to the bytes before and redoes to the bytes after")
{
    for (const auto &animation : animations()) {
        const std::string text = decompiled(animation.second);
        for (const auto &[operationName, operation] : operations()) {
            CAPTURE(animation.first);
            const std::string &named = operationName;
            CAPTURE(named);
            Document document = opened("a.reanim", text);
            const Saved before = saved(document);
            auto change = operation(document.reanim());
            if (!change)
                continue;
            REQUIRE(document.apply(std::move(*change)));
            CHECK(document.changed());
            checkEvaluation(document);
            const Saved after = saved(document);
            REQUIRE(document.undo());
            CHECK(saved(document) == before);
            CHECK_FALSE(document.changed());
            checkEvaluation(document);
            REQUIRE(document.redo());
            CHECK(saved(document) == after);
            CHECK(document.changed());
            checkEvaluation(document);
        }
    }
}

TEST_CASE("what the edits mean, read back through the scene")
{
    struct Case {
        const char *name;
        Operation operation;
        std::function<void(const qor::EvaluatedAnimation &before, const qor::EvaluatedAnimation &after)> check;
    };
    const auto state = [](const qor::EvaluatedAnimation &e, std::size_t track, int frame) {
        return *e.state(track, frame);
    };
    const std::vector<Case> cases{
        {"deleted frames leave the later frames as they looked",
         [](auto &r) { return deleteFrames(r, allTracks(r), 1, 2); },
         [&](auto &before, auto &after) {
             for (std::size_t t = 0; t < before.tracks.size(); ++t)
                 for (int f = 3; f < 8; ++f)
                     CHECK(sameStates(state(before, t, f), state(after, t, f - 2)));
             CHECK(after.frameCount == 6);
         }},
        {"inserted frames hold the frame before, and the later frames look as they did",
         [](auto &r) { return insertFrames(r, allTracks(r), 3, 2); },
         [&](auto &before, auto &after) {
             for (std::size_t t = 0; t < before.tracks.size(); ++t) {
                 CHECK(sameStates(state(after, t, 3), state(before, t, 2)));
                 CHECK(sameStates(state(after, t, 4), state(before, t, 2)));
                 for (int f = 3; f < 8; ++f)
                     CHECK(sameStates(state(before, t, f), state(after, t, f + 2)));
             }
         }},
        {"a duplicated frame shows twice",
         [](auto &r) { return duplicateFrame(r, allTracks(r), 2); },
         [&](auto &before, auto &after) {
             for (std::size_t t = 0; t < before.tracks.size(); ++t) {
                 CHECK(sameStates(state(after, t, 3), state(before, t, 2)));
                 CHECK(sameStates(state(after, t, 8), state(before, t, 7)));
             }
         }},
        {"duplicated frames show twice, and the frames after them as they did",
         [](auto &r) { return duplicateFrames(r, allTracks(r), 1, 3); },
         [&](auto &before, auto &after) {
             CHECK(after.frameCount == 11);
             for (std::size_t t = 0; t < before.tracks.size(); ++t)
                 for (int f = 1; f < 8; ++f)
                     CHECK(sameStates(state(after, t, f + 3), state(before, t, f)));
         }},
        {"a key changes how no frame looks",
         [](auto &r) { return setKey(r, allTracks(r), 3); },
         [&](auto &before, auto &after) {
             for (std::size_t t = 0; t < before.tracks.size(); ++t)
                 for (int f = 0; f < 8; ++f)
                     CHECK(sameStates(state(after, t, f), state(before, t, f)));
         }},
        {"a cleared key carries the frames before into it, and the frame after looks as it did",
         [](auto &r) {
             const std::size_t arm[] = {3};
             return clearKey(r, arm, 3);
         },
         [&](auto &before, auto &after) {
             CHECK(state(after, 3, 3).a == 1.0f); // its 0.5 gone, the default carries
             CHECK(state(after, 3, 3).kx == state(before, 3, 2).kx);
             for (int f = 4; f < 8; ++f)
                 CHECK(sameStates(state(after, 3, f), state(before, 3, f)));
         }},
        {"pasted frames look as the copied ones did, and the frame after them as it did",
         [](auto &r) {
             const std::size_t from[] = {2};
             const std::size_t to[] = {3};
             return pasteFrames(r, copyFrames(r, from, 5, 2), to, 1, false);
         },
         [&](auto &before, auto &after) {
             CHECK(sameStates(state(after, 3, 1), state(before, 2, 5)));
             CHECK(sameStates(state(after, 3, 2), state(before, 2, 6)));
             CHECK(sameStates(state(after, 3, 3), state(before, 3, 3)));
         }},
        {"a tween of several tracks runs each the short way round from 350 to 10 degrees, linearly",
         [](auto &r) {
             const std::size_t parts[] = {2, 3};
             return tween(r, parts, 0, 4, std::nullopt, Easing::Linear);
         },
         [&](auto &, auto &after) {
             CHECK(state(after, 2, 1).kx == 355.0f);
             CHECK(state(after, 2, 2).ky == 360.0f);
             CHECK(state(after, 2, 3).kx == 365.0f);
             CHECK(state(after, 2, 3).x == 10.0f); // given by one frame only, so not tweened
             CHECK(state(after, 2, 3).a == 0.5f);
             CHECK(state(after, 3, 3).ky == 365.0f);
         }},
        {"an eased tween of one field starts slow and keeps the others",
         [](auto &r) { return tween(r, 3, 0, 4, Field::Kx, Easing::EaseInOut); },
         [&](auto &, auto &after) {
             CHECK(state(after, 3, 1).kx == 353.125f); // 350 + 20 * (3t^2 - 2t^3) at t = 1/4
             CHECK(state(after, 3, 1).ky == 350.0f);
             CHECK(state(after, 3, 2).kx == 360.0f);
         }},
        {"a made clip is read back as a clip of its frames",
         [](auto &r) { return makeClip(r, "jump", 2, 5); },
         [&](auto &, auto &after) {
             CHECK(clipsOf(after) == std::vector<std::string>{"walk 0 4", "idle 4 4", "jump 2 5"});
             CHECK(after.tracks[2].marksClip);
         }},
        {"a moved clip is read back where it was moved to",
         [](auto &r) { return moveClip(r, 1, 0, 1); },
         [&](auto &, auto &after) {
             CHECK(clipsOf(after) == std::vector<std::string>{"walk 0 4", "idle 0 1"});
         }},
        {"a renamed clip keeps its frames",
         [](auto &r) { return renameClip(r, 0, "run"); },
         [&](auto &, auto &after) {
             CHECK(clipsOf(after) == std::vector<std::string>{"run 0 4", "idle 4 4"});
         }},
        {"a turn keeps the other fields",
         [](auto &r) {
             const DragValue values[] = {{3, 0, 45.0f, 40.0f}};
             return drag(r, Drag::Turn, values);
         },
         [&](auto &before, auto &after) {
             CHECK(state(after, 3, 0).kx == 45.0f);
             CHECK(state(after, 3, 0).ky == 40.0f);
             CHECK(state(after, 3, 0).x == state(before, 3, 0).x);
             CHECK(state(after, 3, 0).image == "IMAGE_REANIM_arm");
         }},
    };
    for (const Case &each : cases) {
        CAPTURE(each.name);
        Document document = opened("figure.reanim", decompiled(figure()));
        const qor::EvaluatedAnimation before = qor::evaluate(document.reanim());
        auto change = each.operation(document.reanim());
        REQUIRE(change);
        REQUIRE(document.apply(std::move(*change)));
        each.check(before, qor::evaluate(document.reanim()));
    }
}

TEST_CASE("a key gives each number field what the track shows there; a cleared key gives none")
{
    Document document = opened("figure.reanim", decompiled(figure()));
    const std::size_t arm[] = {3};
    REQUIRE(document.apply(*setKey(document.reanim(), arm, 5)));
    const qor::ReanimTransform &key = document.reanim().tracks[3].transforms[5];
    const float expected[] = {10.0f, -4.5f, 10.0f, 10.0f, 1.0f, 1.0f, 0.0f, 0.5f}; // x y kx ky sx sy f a
    for (std::size_t n = 0; n < qor::numberFields.size(); ++n) {
        CAPTURE(qor::numberFields[n].tag);
        CHECK(key.*qor::numberFields[n].member == expected[n]);
    }
    CHECK(key.i.empty()); // the strings still carry
    CHECK(document.undoName() == "Set key of arm");
    REQUIRE(document.apply(*clearKey(document.reanim(), arm, 5)));
    for (const qor::NumberField &field : qor::numberFields)
        CHECK(document.reanim().tracks[3].transforms[5].*field.member == qor::unsetValue);
    CHECK_FALSE(setKey(document.reanim(), arm, 8).has_value()); // no such frame
}

TEST_CASE("an unchanged document saves as the converters write it")
{
    qor::DiscardingLog quiet;
    for (const auto &animation : animations()) {
        CAPTURE(animation.first);
        const qor::Reanim &reanim = animation.second;
        // A text the decompiler wrote comes back byte for byte, and compiled as a compile gives.
        const std::string text = decompiled(reanim);
        Document fromText = opened("a.REANIM", text);
        CHECK(fromText.kind() == qor::FileKind::Text);
        CHECK(saved(fromText) == Saved{text, qor::compileText(text, quiet).value()});
        CHECK(droppedOnSave(fromText).empty());

        // A compiled file made by another compressor is kept as it is when its body comes back.
        const qor::Bytes body = qor::serializeReanim(reanim);
        qor::Bytes other(compressBound(uLong(body.size())) + 8);
        uLongf length = uLongf(other.size() - 8);
        REQUIRE(compress2(other.data() + 8, &length, body.data(), uLong(body.size()), Z_NO_COMPRESSION) == Z_OK);
        other.resize(8 + length);
        qor::storeLittle32(other.data(), 0xDEADFED4);
        qor::storeLittle32(other.data() + 4, std::uint32_t(body.size()));
        Document fromCompiled = opened("a.reanim.compiled", qor::ByteView(other));
        CHECK(other != qor::compileText(text, quiet).value());
        CHECK(saved(fromCompiled) == Saved{text, other});
    }
    // A body the text cannot carry exactly (four decimals) saves as the converters give it.
    qor::Reanim fine;
    fine.tracks.push_back({"part", std::vector<qor::ReanimTransform>(1)});
    fine.tracks[0].transforms[0].x = 1.2345f;
    const qor::Bytes file = compiledOf(fine);
    Document document = opened("fine.compiled", qor::ByteView(file));
    const Saved result = saved(document);
    CHECK(result.text == "<fps>12</fps>\n<track>\n<name>part</name>\n<t><x>1.235</x></t>\n</track>\n");
    CHECK(result.compiled == qor::compileText(result.text, quiet).value());
    CHECK(result.compiled != file);
}

TEST_CASE("a one-field change is a one-line difference of the saved text")
{
    const std::string text = decompiled(figure());
    const auto lines = [](const std::string &text) {
        std::vector<std::string> split;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            split.push_back(line);
        return split;
    };
    for (std::size_t track = 0; track < figure().tracks.size(); ++track) {
        for (const Field field : {Field::X, Field::Kx, Field::A}) {
            Document document = opened("figure.reanim", text);
            const std::size_t tracks[] = {track};
            REQUIRE(document.apply(*setNumber(document.reanim(), tracks, 5, 1, field, 0.25f)));
            const auto before = lines(text);
            const auto after = lines(saved(document).text);
            REQUIRE(before.size() == after.size());
            int differing = 0;
            for (std::size_t n = 0; n < before.size(); ++n)
                differing += before[n] != after[n];
            CHECK(differing == 1);
        }
    }
}

TEST_CASE("random changes undone all the way give back the original bytes")
{
    for (const auto &animation : animations()) {
        const std::string &name = animation.first;
        const qor::Reanim &reanim = animation.second;
        CAPTURE(name);
        const std::string text = decompiled(reanim);
        Document document = opened("a.reanim", text);
        const Saved original = saved(document);
        std::mt19937 random(std::uint32_t(name.size()) * 7919u + std::uint32_t(reanim.tracks.size()));
        int applied = 0;
        for (int n = 0; n < 300; ++n) {
            const auto &[operationName, operation] =
                operations()[std::size_t(testdata::randomInt(random, 0, int(operations().size())))];
            auto change = operation(document.reanim());
            if (change && document.apply(std::move(*change)))
                ++applied;
            if (n % 50 == 0)
                checkEvaluation(document);
        }
        checkEvaluation(document);
        const Saved last = saved(document);
        while (document.undo())
            --applied;
        CHECK(applied == 0);
        CHECK(saved(document) == original);
        CHECK_FALSE(document.changed());
        checkEvaluation(document);
        while (document.redo()) {
        }
        CHECK(saved(document) == last);
        checkEvaluation(document);
    }
}

TEST_CASE("the history: steps as a person expects them, the saved point, the limit")
{
    const std::string text = decompiled(figure());
    const std::size_t body[] = {2};
    // Run afresh for each case.
    Document document = opened("figure.reanim", text);
    SUBCASE("a drag is one step, ended by sealStep")
    {
        for (int move = 0; move < 20; ++move) {
            const DragValue values[] = {{2, 0, float(move), float(-move)}};
            REQUIRE(document.apply(*drag(document.reanim(), Drag::Move, values)));
        }
        document.sealStep();
        const DragValue again[] = {{2, 0, 100.0f, 100.0f}};
        REQUIRE(document.apply(*drag(document.reanim(), Drag::Move, again)));
        CHECK(document.undoName() == "Move body");
        REQUIRE(document.undo());
        CHECK(document.reanim().tracks[2].transforms[0].x == 19.0f);
        REQUIRE(document.undo());
        CHECK(saved(document).text == text);
        CHECK_FALSE(document.undo());
        CHECK(document.redoName() == "Move body");
    }
    SUBCASE("a group is one step named by its outermost name")
    {
        document.beginGroup("Nudge body");
        document.beginGroup("inner");
        REQUIRE(document.apply(*setNumber(document.reanim(), body, 0, 1, Field::X, 1.0f)));
        document.endGroup();
        REQUIRE(document.apply(*setNumber(document.reanim(), body, 0, 1, Field::Y, 1.0f)));
        document.endGroup();
        CHECK(document.undoName() == "Nudge body");
        REQUIRE(document.undo());
        CHECK(saved(document).text == text);
        CHECK_FALSE(document.canUndo());
        // Changes of overlapping frames in one step, each set again after another touched it.
        document.beginGroup("Overlapping");
        const std::size_t both[] = {2, 3};
        for (const auto &[first, count] : {std::pair{0, 2}, {1, 1}, {0, 2}, {1, 3}, {0, 2}}) {
            const float value = float(first * 10 + count);
            REQUIRE(document.apply(*setNumber(document.reanim(), both, std::size_t(first), std::size_t(count), Field::X, value)));
        }
        document.endGroup();
        const Saved after = saved(document);
        REQUIRE(document.undo());
        CHECK(saved(document).text == text);
        REQUIRE(document.redo());
        CHECK(saved(document) == after);
    }
    SUBCASE("undoing back to the saved point makes the document unchanged again")
    {
        REQUIRE(document.apply(*setNumber(document.reanim(), body, 0, 1, Field::X, 1.0f)));
        document.markSaved();
        CHECK_FALSE(document.changed());
        REQUIRE(document.apply(*setNumber(document.reanim(), body, 0, 1, Field::X, 2.0f)));
        CHECK(document.changed());
        REQUIRE(document.undo());
        CHECK_FALSE(document.changed());
        REQUIRE(document.undo());
        CHECK(document.changed());
        CHECK(document.atOrigin());
    }
    SUBCASE("at most the limit of steps is kept, and the oldest state left is where undo stops")
    {
        document.setHistoryLimit(1000);
        for (int n = 1; n <= 1005; ++n)
            REQUIRE(document.apply(*setNumber(document.reanim(), body, 0, 1, Field::X, float(n))));
        int undone = 0;
        while (document.undo())
            ++undone;
        CHECK(undone == 1000);
        CHECK(document.reanim().tracks[2].transforms[0].x == 5.0f);
        CHECK(document.changed());
    }
    SUBCASE("a change that does not fit changes nothing")
    {
        Change stale{"Stale", {FpsChange{99.0f, 1.0f}}, {}};
        CHECK_FALSE(document.apply(stale));
        CHECK_FALSE(document.canUndo());
        CHECK(saved(document).text == text);
        CHECK_FALSE(setNumber(document.reanim(), body, 8, 1, Field::X, 1.0f));
        CHECK_FALSE(renameTrack(document.reanim(), 0, std::string(256, 'n')));
        CHECK_FALSE(setString(document.reanim(), 0, 0, StringKind::Text, "bell\a"));
        const std::size_t twice[] = {2, 3, 2};
        CHECK_FALSE(setNumber(document.reanim(), twice, 0, 1, Field::X, 1.0f));
        CHECK_FALSE(deleteFrames(document.reanim(), twice, 0, 1));
        const DragValue sameFrame[] = {{2, 0, 1.0f, 1.0f}, {3, 0, 1.0f, 1.0f}, {2, 0, 2.0f, 2.0f}};
        CHECK_FALSE(drag(document.reanim(), Drag::Move, sameFrame));
    }
}

TEST_CASE("opening: either form by the core's rule, the reader's lines when it fails, what a save drops")
{
    struct Case {
        const char *name;
        std::string bytes;
        bool opens;
        std::vector<std::string> dropped;
    };
    const std::string plain = decompiled(figure());
    const std::vector<Case> cases{
        {"walker.reanim", plain, true, {}},
        {"walker.reanim", "<fps>12</fps>\r\n<track>\n  <name>a</name>\n  <t><x>1</x></t>\n  <foo/><foo/>\n"
                          "</track>\n<!-- the end -->\n",
         true,
         {"<foo> is not an element of a reanim text; it is skipped (2 times)", "comments", "indentation",
          "carriage returns at line ends"}},
        {"walker.reanim", "<fps>12</fps><track><name>a</name></track>", true,
         {"the layout of the text: line breaks, spaces and number forms"}},
        {"walker.reanim", "<track><name>a</name>", false, {}},
        {"walker.reanim.compiled", "not compiled at all", false, {}},
    };
    for (const Case &each : cases) {
        CAPTURE(each.bytes);
        auto result = Document::open(each.name, qor::bytesOf(each.bytes), qor::kindOf(each.name, qor::bytesOf(each.bytes)));
        REQUIRE(bool(result.document) == each.opens);
        if (!each.opens) {
            CHECK_FALSE(result.lines.empty());
            continue;
        }
        CHECK(droppedOnSave(*result.document) == each.dropped);
    }
    Document blank = Document::blank("new.reanim");
    CHECK_FALSE(blank.changed());
    REQUIRE(blank.apply(*addTrack(blank.reanim(), 0, "first")));
    CHECK(saved(blank).text == "<fps>12</fps>\n<track>\n<name>first</name>\n</track>\n");
}

namespace {

// A document opened again from `bytes` with the edits kept of `before` taken up; then both
// undone and redone side by side all the way: every save, name and changed mark the same.
void checkResumed(Document &before, std::string_view name, qor::ByteView bytes)
{
    Document after = opened(name, bytes);
    REQUIRE(resumeEdits(after, keptEdits(before)));
    const auto same = [&] {
        CHECK(saved(after) == saved(before));
        CHECK(after.changed() == before.changed());
        CHECK(after.undoName() == before.undoName());
        CHECK(after.redoName() == before.redoName());
    };
    same();
    checkEvaluation(after);
    for (bool more = true; more;) {
        more = before.undo();
        CHECK(after.undo() == more);
        same();
    }
    for (bool more = true; more;) {
        more = before.redo();
        CHECK(after.redo() == more);
        same();
    }
    checkEvaluation(after);
}

} // namespace

TEST_CASE("edits kept as bytes are taken up by the file opened again, every step of undo and redo the same")
{
    for (const auto &animation : animations()) {
        const std::string &name = animation.first;
        CAPTURE(name);
        const std::string text = decompiled(animation.second);
        const qor::Bytes compiled = compiledOf(animation.second);
        for (const auto &[fileName, bytes] : {std::pair<std::string, qor::ByteView>{"a.reanim", qor::bytesOf(text)},
                                              {"a.reanim.compiled", compiled}}) {
            const std::string &file = fileName; // clang 14 captures no structured binding
            CAPTURE(file);
            Document document = opened(file, bytes);
            std::mt19937 random(std::uint32_t(name.size()) * 31u + std::uint32_t(file.size()));
            for (int n = 0; n < 60; ++n) {
                const auto &operation =
                    operations()[std::size_t(testdata::randomInt(random, 0, int(operations().size())))].second;
                if (auto change = operation(document.reanim()))
                    document.apply(std::move(*change));
                if (n == 30)
                    document.markSaved();
                if (n % 9 == 0)
                    document.undo(); // some steps are left to redo
            }
            checkResumed(document, file, bytes);
        }
    }
    const std::string text = decompiled(figure());
    const std::size_t body[] = {2};
    Document document = opened("figure.reanim", text);
    SUBCASE("unchanged, a blank animation, a history past its limit")
    {
        checkResumed(document, "figure.reanim", qor::bytesOf(text));
        Document blank = Document::blank("untitled.reanim");
        REQUIRE(blank.apply(*addTrack(blank.reanim(), 0, "track1")));
        Document again = Document::blank("untitled.reanim");
        REQUIRE(resumeEdits(again, keptEdits(blank)));
        CHECK(saved(again) == saved(blank));
        Document longHistory = opened("figure.reanim", text);
        for (int n = 1; n <= 1005; ++n)
            REQUIRE(longHistory.apply(*setNumber(longHistory.reanim(), body, 0, 1, Field::X, float(n))));
        checkResumed(longHistory, "figure.reanim", qor::bytesOf(text));
    }
    SUBCASE("a long drag keeps one step, as long as a short one")
    {
        std::size_t shortDrag = 0;
        for (int move = 0; move < 2000; ++move) {
            const DragValue values[] = {{2, 0, float(move), float(-move)}};
            REQUIRE(document.apply(*drag(document.reanim(), Drag::Move, values)));
            if (move == 1)
                shortDrag = keptEdits(document).size();
        }
        CHECK(keptEdits(document).size() == shortDrag);
        checkResumed(document, "figure.reanim", qor::bytesOf(text));
    }
    SUBCASE("bytes that are not kept edits of this file are refused, and the document left as opened")
    {
        REQUIRE(document.apply(*setNumber(document.reanim(), body, 0, 1, Field::X, 7.0f)));
        REQUIRE(document.apply(*renameTrack(document.reanim(), 2, "torso")));
        const qor::Bytes kept = keptEdits(document);
        qor::Bytes otherVersion = kept;
        otherVersion[4] = 2;
        qor::Bytes otherBody = kept;
        otherBody[kept.size() - 30] ^= 0x40; // inside the last step's parts
        const std::string otherText = decompiled(animations()[1].second);
        const std::vector<std::pair<std::string, qor::Bytes>> refused{
            {"empty", {}},
            {"cut short", qor::Bytes(kept.begin(), kept.end() - 1)},
            {"one byte more", [&] { qor::Bytes longer = kept; longer.push_back(0); return longer; }()},
            {"another version of the form", otherVersion},
            {"a count past the end", [&] { qor::Bytes big = kept; qor::storeLittle32(big.data() + 12, 0xffffffffu); return big; }()},
            {"a byte changed", otherBody},
        };
        for (const auto &[refusal, bytes] : refused) {
            const std::string &what = refusal; // clang 14 captures no structured binding
            CAPTURE(what);
            Document fresh = opened("figure.reanim", text);
            CHECK_FALSE(resumeEdits(fresh, bytes));
            CHECK(saved(fresh).text == text);
            CHECK_FALSE(fresh.canUndo());
        }
        Document other = opened("other.reanim", otherText);
        CHECK_FALSE(resumeEdits(other, kept));
        CHECK(saved(other).text == otherText);
        Document edited = opened("figure.reanim", text);
        REQUIRE(edited.apply(*setNumber(edited.reanim(), body, 0, 1, Field::Y, 1.0f)));
        CHECK_FALSE(resumeEdits(edited, kept));
    }
}
