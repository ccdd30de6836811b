#pragma once

// What the page asks of the format core, one file at a time, in plain C++ types. The page's
// worker does the batch work (which files, in what order, the summary line) on top of these;
// web/binding.cpp hands them to JavaScript. Nothing here touches a file system.
//
// Names: a file is named by its path as the page lists it, relative, with '/' between folders,
// in UTF-8 ("mod/anims/walk.reanim.compiled"). Every line said about a file is the line that
// `qorutil-cli COMMAND NAME...` prints for it on stderr by default (neither -v nor -q), run in
// the folder that holds the listed paths: the same words, the same escaping of odd names, the
// same "ERROR:" lines; summary() gives the line that ends a run over several files.
//
// Strings of the animation (track, image, font, clip names, texts) are its Latin-1 bytes, each
// widened to one character and given as UTF-8, as `info --json` gives them.
//
// No function throws or stops the program: an input that can't be read, one that inflates past
// the limits, or a failed allocation ends in the "ERROR:" line the command line gives for it.

#include "core/files/runreport.h"
#include "core/scene/bounds.h"
#include "core/scene/check.h"
#include "core/scene/opening.h"
#include "core/scene/scene.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace web {

using Bytes = std::vector<std::uint8_t>;

// The Latin-1 bytes of a text the page holds as UTF-8 of them (each byte one character); a
// character past U+00FF has no byte and is kept as its UTF-8, which no name check lets through.
std::string latin1Of(std::string_view utf8);

// The output each input of a decompile or compile run gets, worked out before anything is
// converted, as the command line plans a run over the same names (outputs beside their inputs).
struct PlannedOutput {
    std::string output;  // the output's name; empty when refused
    std::string refusal; // the "ERROR:" line that refuses this input, else empty
};

// One entry per name, in order. Decompile names "a/walk.reanim.compiled" "a/walk.reanim",
// compile "a/walk.reanim" "a/walk.reanim.compiled". Two inputs that would share one output
// both get the command line's refusal ("ERROR: X and Y would both be written to Z; neither was
// converted"); so does an input whose output is another input of the run.
std::vector<PlannedOutput> outputs(const std::vector<std::string> &names, bool decompile);

// Of a picked or dropped folder's files, given by their paths ("mod/anims/walk.reanim"), those
// the command line takes from a folder (both forms, any case, nothing hidden), as their places
// in `paths` in its order.
std::vector<std::size_t> takenFromFolder(const std::vector<std::string> &paths);

// The line the command line ends `qorutil-cli OP` over `files` files with ("3 converted, 0
// failed, 0 skipped", "2 come back the same, ...", "2 read, 0 failed"); empty where it has none.
// `op` is "decompile", "compile", "check" or "info".
std::string summary(const std::string &op, const qor::RunTotals &totals, std::size_t files);
// The same words for a run of any size, one file included ("0 converted, 1 failed, 0 skipped"):
// what the page's status says once a run is over.
std::string totalsWords(const std::string &op, const qor::RunTotals &totals);

// One conversion. `ok` with the whole output in `bytes`; otherwise `bytes` is empty.
struct Conversion {
    bool ok = false;
    std::string output; // the output's name, as outputs() gives it for this name alone
    Bytes bytes;
    // The file's lines: its warnings ("NAME:LINE: warning: ..."), then "Decompiled NAME to
    // OUTPUT" / "Compiled NAME to OUTPUT", or the "ERROR:" lines that say why not.
    std::vector<std::string> lines;
    int warnings = 0;
};

// The compiled file `bytes` as reanim text, as `qorutil-cli decompile NAME` writes it.
Conversion decompile(const std::string &name, std::span<const std::uint8_t> bytes);

// The reanim text `bytes` as a compiled file, as `qorutil-cli compile [--strict] NAME` writes
// it; with `strict`, a text with warnings is refused.
Conversion compile(const std::string &name, std::span<const std::uint8_t> bytes, bool strict);

// What a check finds beside a listed file, as the command line finds an attached animation in
// the file's folder on disk: a file listed in the same folder, or one of the animations folder.
class Beside {
public:
    Beside() = default;
    // `listed`: every path of the list; `animations`: the names of the files in the animations
    // folder, which are beside every file. Made once for a run.
    Beside(const std::vector<std::string> &listed, const std::vector<std::string> &animations);
    // Whether a file of the attached animation `name` (Latin-1 bytes) is beside `path`; names
    // match without regard to ASCII case, as on disk.
    bool has(std::string_view path, std::string_view name) const;

private:
    std::unordered_set<std::string> listed_;     // "FOLDER/name" (or "name" at the top), lower case
    std::unordered_set<std::string> animations_; // names, lower case
};

// Whether a file comes back the same through a decompile and a compile, as `qorutil-cli check
// [--strict] NAME` says. The form is told by the name where it says, else by the content.
// Its lines are its warnings, then "NAME: comes back the same", "ERROR: NAME does not come
// back the same: ..." or "ERROR: NAME: ..."; it has Failed when it could not be read at all, or
// (with `strict`) when it came back the same but has warnings. Its warnings end with each
// animation it attaches that is not `beside` it.
using Checked = qor::CheckReport;
Checked check(const std::string &name, std::span<const std::uint8_t> bytes, bool strict, const Beside &beside);

// What `qorutil-cli info --json NAME` says of a file.
struct TrackInfo {
    std::string name;
    std::int64_t frames = 0;
    std::vector<std::string> images; // each image name once, in the order they first appear
};
struct ClipInfo {
    std::string name;
    int first = 0;  // its first frame
    int frames = 0; // how many frames it has
};
struct AttachmentInfo {
    std::string name;              // the attached animation's name
    std::string clip;              // the clip it plays; empty for the whole animation
    std::vector<std::string> tags; // its tags, as written
};
struct Info {
    bool ok = false;
    std::string kind;       // "compiled" or "text", told as check tells it; set even when !ok
    double fps = 0;         // meaningful when fpsKnown
    bool fpsKnown = false;  // false for a rate that is no finite number (JSON's null)
    std::int64_t frames = 0; // of the longest track
    std::vector<TrackInfo> tracks;
    std::vector<ClipInfo> clips;
    std::vector<AttachmentInfo> attachments; // the animations its frames' texts attach, each once
    std::string error; // when !ok: the "ERROR: NAME: ..." line info prints
};
Info info(const std::string &name, std::span<const std::uint8_t> bytes);

// An animation ready to draw, as the preview and `qorutil-cli render` evaluate it: the form is
// told as info and check tell it (qor::kindOf: by the name, else by the content), so a file
// fails here with the line info gives for it; every field a frame leaves unset carries the track's previous
// value (in the first frame x, y, kx, ky, f 0; sx, sy, a 1), as do an empty image, font or text.
// A track is shown in a frame when its f there is 0 or more.
struct EvaluatedTrack {
    std::string name;
    bool marksClip = false;    // an "anim_" track that names no image: never drawn
    std::vector<float> values; // 8 a frame: x, y, kx, ky (degrees), sx, sy, f, a
    // 3 a frame: image, font and text, as indices into Evaluated::strings (0 is "").
    std::vector<std::uint32_t> strings;
};
struct Evaluated {
    bool ok = false;
    std::string error; // when !ok: "ERROR: NAME: ..." as info gives it
    float fps = 12.0f;
    int frameCount = 0; // of the longest track
    std::vector<std::string> strings; // strings[0] is ""
    std::vector<EvaluatedTrack> tracks;
    std::vector<ClipInfo> clips; // in track order
};
Evaluated evaluate(const std::string &name, std::span<const std::uint8_t> bytes);

// The other files the page was given, by their listed names: where attached animations are
// looked for.
class PageFiles {
public:
    virtual ~PageFiles() = default;
    virtual std::vector<std::string> names() const = 0;
    // The file's bytes; nothing when it can't be read.
    virtual std::optional<Bytes> read(const std::string &name) const = 0;
};

// Every frame's scene of an animation, flat, for the page to paint with Canvas 2D: item n of
// frame k is at frameStart[k] + n, back to front. Strings are UTF-8 of the Latin-1 bytes.
struct Scenes {
    std::vector<std::uint32_t> frameStart; // frameCount + 1
    std::vector<std::uint8_t> kinds;       // qor::ItemKind: 0 image, 1 text, 2 placeholder
    std::vector<double> matrices;          // 6 an item: a, b, c, d, e, f
    std::vector<double> opacities;
    std::vector<double> sizes; // 2 an item: its width and height in its own units
    // 3 an item, indices into `strings`: the image's key, the text or the placeholder's name;
    // the font; the name of the track that draws it.
    std::vector<std::uint32_t> texts;
    std::vector<std::uint32_t> pathStart; // items + 1
    std::vector<std::uint32_t> paths;     // each item's track path, outermost first
    std::vector<std::string> strings;     // strings[0] is ""
};

// What a new layout of a file's frames changes in one the page holds, so that after an edit it
// mends its copy in place instead of taking every frame again: the items drawn differently, each
// with its new kind, matrix, opacity, size and texts. Whole (take `after` instead) when the frames
// have other numbers of items, or the items other track paths.
struct ScenesChange {
    bool whole = true;
    std::vector<std::uint32_t> items; // ascending
    Scenes changed;                   // kinds to texts of `items`, in their order; every string
};
ScenesChange scenesChange(const Scenes &before, const Scenes &after);

// The tracks whose evaluation differs between two of one file, ascending; nothing when the tracks
// themselves differ (in number, name or clip mark), as then the page takes them all.
std::optional<std::vector<std::uint32_t>> changedTracks(const Evaluated &before, const Evaluated &after);

// One file previewed: its evaluation, and its scenes with the page's other files as attached
// animations and the page's image and text sizes.
class Preview {
public:
    Preview(const std::string &name, std::span<const std::uint8_t> bytes, const PageFiles &files);
    // Over an animation another keeps (a document being edited), which outlives the preview;
    // update() once it changed.
    Preview(const std::string &name, const qor::EvaluatedAnimation &animation, const PageFiles &files);
    ~Preview();
    void update(const qor::EvaluatedAnimation &animation);

    // Flattened when first asked for after a change.
    const Evaluated &evaluated() const;
    // Every frame's scene; none, and a problem line, when they would not fit in memory.
    Scenes scenes(const qor::ImageSizes &sizes) const;
    // The area a picture of a run of frames shows, at one pixel a unit, and whether they draw
    // anything at all.
    struct Area {
        qor::Rect area;
        bool drawn = false;
    };
    // Every frame's scene, and each of `runs`' area (as clipFraming() gives it): the frames laid
    // out once for both.
    Scenes scenesAndAreas(const qor::ImageSizes &sizes, const std::vector<qor::Clip> &runs, std::vector<Area> &areas) const;
    // The scene of one frame alone, laid out as scenes() lays out every frame (frameStart [0, n]).
    Scenes frameScenes(int frame, const qor::ImageSizes &sizes) const;
    // How a picture of a clip's frames frames them at scale 1 (qor::clipFraming), and whether
    // they draw anything at all.
    qor::Framing clipFraming(int first, int frames, const qor::ImageSizes &sizes, bool *drawn) const;
    qor::Selection selection(int track, int frame, int first, int frames, const qor::ImageSizes &sizes) const;
    // The clip and frame the file opens on (qor::openingView).
    qor::OpeningView opening(const qor::ImageSizes &sizes) const;
    // The track path of the topmost item under a point of the frame; empty when none is.
    std::vector<std::uint32_t> itemAt(int frame, qor::Point point, const std::vector<bool> &hidden,
                                      const qor::ImageSizes &sizes) const;
    // The tracks with something drawn in the frame that meets a box (qor::tracksIn).
    std::vector<std::uint32_t> tracksIn(int frame, const qor::Rect &box, const std::vector<bool> &hidden,
                                        const qor::ImageSizes &sizes) const;
    // What went wrong with attached animations, each once, as warning lines say it.
    std::vector<std::string> problems() const;
    // The listed file of the animation track `track` attaches in frame `frame`, found as the
    // drawing finds it; empty when it attaches none or none is found.
    std::string attachedFile(int track, int frame) const;

private:
    class Attached;
    // The scenes `layOut` makes; none, and a problem line, when they would not fit in memory.
    Scenes guarded(const std::function<Scenes()> &layOut) const;
    // `boxes`, when given, gets what each track draws in each frame (every frame laid out).
    Scenes allScenes(const qor::ImageSizes &sizes, std::optional<int> only, qor::DrawnBoxes *boxes = nullptr) const;

    std::string name_;
    const qor::EvaluatedAnimation *animation() const { return borrowed_ ? borrowed_ : animation_ ? &*animation_ : nullptr; }

    std::optional<qor::EvaluatedAnimation> animation_; // before evaluated_, which fills it
    mutable Evaluated evaluated_;
    const qor::EvaluatedAnimation *borrowed_ = nullptr;
    mutable bool flatStale_ = false; // evaluated_ is not yet the borrowed animation's
    std::unique_ptr<Attached> attached_;
};


} // namespace web
