// The JavaScript face of web/api.h: each function takes a name and a Uint8Array and gives a
// plain object, with bytes and numbers as typed arrays copied out of the module's memory, so
// nothing the caller keeps points into it.

#include "web/api.h"
#include "web/pictureoptions.h"
#include "web/session.h"

#include "core/format/text.h"
#include "core/image/animatedimage.h"
#include "core/scene/imagename.h"
#include "core/scene/sheet.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using emscripten::val;

web::Bytes bytesOf(const val &array)
{
    web::Bytes bytes(array["length"].as<std::size_t>());
    if (!bytes.empty())
        val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<void>("set", array);
    return bytes;
}

template <typename T>
val copied(const std::vector<T> &values)
{
    return val(emscripten::typed_memory_view(values.size(), values.data())).call<val>("slice");
}

// A plain object of the given fields.
val object(std::initializer_list<std::pair<const char *, val>> fields)
{
    val made = val::object();
    for (const auto &[key, value] : fields)
        made.set(key, value);
    return made;
}

// An array of each item as `entry` gives it; of texts, the texts themselves.
template <typename T, typename Entry>
val array(const std::vector<T> &items, Entry entry)
{
    val made = val::array();
    for (const T &item : items)
        made.call<void>("push", entry(item));
    return made;
}
val array(const std::vector<std::string> &texts)
{
    return array(texts, [](const std::string &text) { return val(text); });
}

val clips(const std::vector<web::ClipInfo> &all)
{
    return array(all, [](const web::ClipInfo &clip) {
        return object({{"name", val(clip.name)}, {"first", val(clip.first)}, {"frames", val(clip.frames)}});
    });
}

val conversion(const web::Conversion &done)
{
    return object({{"ok", val(done.ok)},
                   {"output", val(done.output)},
                   {"bytes", copied(done.bytes)},
                   {"lines", array(done.lines)},
                   {"warnings", val(done.warnings)}});
}

// The texts of a JavaScript array; none for undefined or null.
std::vector<std::string> texts(const val &items)
{
    std::vector<std::string> list;
    if (!items.isUndefined() && !items.isNull()) {
        const auto count = items["length"].as<std::size_t>();
        for (std::size_t n = 0; n < count; ++n)
            list.push_back(items[n].as<std::string>());
    }
    return list;
}

val outputs(const val &names, bool decompile)
{
    return array(web::outputs(texts(names), decompile), [](const web::PlannedOutput &planned) {
        return object({{"output", val(planned.output)}, {"refusal", val(planned.refusal)}});
    });
}

val takenFromFolder(const val &paths)
{
    return array(web::takenFromFolder(texts(paths)), [](std::size_t n) { return val(double(n)); });
}

// totals: {done, failed, skipped, different, warnings, interrupted}, each 0 where missing.
qor::RunTotals totalsOf(const val &totals)
{
    const auto count = [&](const char *field) {
        const val value = totals[field];
        return value.isNumber() ? value.as<int>() : 0;
    };
    return {count("done"), count("failed"), count("skipped"), count("different"), count("warnings"), count("interrupted")};
}

val summary(const std::string &op, const val &totals, double files)
{
    const std::string line = web::summary(op, totalsOf(totals), std::size_t(files));
    return line.empty() ? val::null() : val(line);
}

std::string totalsWords(const std::string &op, const val &totals)
{
    return web::totalsWords(op, totalsOf(totals));
}

val decompile(const std::string &name, const val &bytes)
{
    return conversion(web::decompile(name, bytesOf(bytes)));
}

val compile(const std::string &name, const val &bytes, bool strict)
{
    return conversion(web::compile(name, bytesOf(bytes), strict));
}

// What is beside the files of a run, from {listed: [paths], animations: [names]}: made once for
// the object a run passes with each of its files, not once a file.
const web::Beside &besideOf(const val &files)
{
    static val last = val::undefined();
    static web::Beside beside;
    if (files.isUndefined() || files.isNull()) {
        static const web::Beside nothing;
        return nothing;
    }
    if (!files.strictlyEquals(last)) {
        beside = web::Beside(texts(files["listed"]), texts(files["animations"]));
        last = files;
    }
    return beside;
}

val check(const std::string &name, const val &bytes, bool strict, const val &files)
{
    const web::Checked checked = web::check(name, bytesOf(bytes), strict, besideOf(files));
    static constexpr const char *outcomes[] = {"same", "different", "failed"};
    return object({{"outcome", val(std::string(outcomes[static_cast<int>(checked.outcome)]))},
                   {"lines", array(checked.lines)},
                   {"warnings", val(checked.warnings)}});
}

val info(const std::string &name, const val &bytes)
{
    const web::Info described = web::info(name, bytesOf(bytes));
    return object({{"ok", val(described.ok)},
                   {"kind", val(described.kind)},
                   {"fps", described.fpsKnown ? val(described.fps) : val::null()},
                   {"frames", val(double(described.frames))},
                   {"tracks", array(described.tracks,
                                    [](const web::TrackInfo &track) {
                                        return object({{"name", val(track.name)},
                                                       {"frames", val(double(track.frames))},
                                                       {"images", array(track.images)}});
                                    })},
                   {"clips", clips(described.clips)},
                   {"attachments", array(described.attachments,
                                         [](const web::AttachmentInfo &attachment) {
                                             return object({{"name", val(attachment.name)},
                                                            {"clip", val(attachment.clip)},
                                                            {"tags", array(attachment.tags)}});
                                         })},
                   {"error", val(described.error)}});
}

val trackObject(const web::EvaluatedTrack &track)
{
    return object({{"name", val(track.name)},
                   {"marksClip", val(track.marksClip)},
                   {"values", copied(track.values)},
                   {"strings", copied(track.strings)}});
}

// An evaluation for the page; with `only`, just those tracks (in `tracks`, their indices in
// `changedTracks`): the rest are as the page has them.
val evaluatedObject(const web::Evaluated &animation, const std::vector<std::uint32_t> *only = nullptr)
{
    val made = object({{"ok", val(animation.ok)},
                       {"error", val(animation.error)},
                       {"fps", val(animation.fps)},
                       {"frameCount", val(animation.frameCount)},
                       {"strings", array(animation.strings)},
                       {"clips", clips(animation.clips)}});
    if (!only) {
        made.set("tracks", array(animation.tracks, trackObject));
        return made;
    }
    made.set("tracks", array(*only, [&](std::uint32_t n) { return trackObject(animation.tracks[n]); }));
    made.set("changedTracks", copied(*only));
    return made;
}

val evaluate(const std::string &name, const val &bytes)
{
    return evaluatedObject(web::evaluate(name, bytesOf(bytes)));
}

// The page's files, as { names: [...], read(name) -> Uint8Array or null }.
class PageFiles : public web::PageFiles {
public:
    explicit PageFiles(val files) : files_(std::move(files)) {}
    // Another set of files in the same place: what holds this one holds those now.
    void replace(val files) { files_ = std::move(files); }

    std::vector<std::string> names() const override
    {
        std::vector<std::string> list;
        const val names = files_["names"];
        const auto count = names["length"].as<std::size_t>();
        for (std::size_t n = 0; n < count; ++n)
            list.push_back(names[n].as<std::string>());
        return list;
    }

    std::optional<web::Bytes> read(const std::string &name) const override
    {
        const val bytes = files_.call<val>("read", name);
        if (bytes.isNull() || bytes.isUndefined())
            return std::nullopt;
        return bytesOf(bytes);
    }

private:
    val files_;
};

// The page's sizes, as { images: Map(key -> [width, height]), measure(text, font) -> [width,
// height] }: images by the key the image-name rule gives. Each name is asked of the page once.
class PageSizes : public qor::ImageSizes {
public:
    explicit PageSizes(val sizes) : images_(sizes["images"]), sizes_(std::move(sizes)) {}

    std::optional<qor::Size> imageSize(std::string_view name) const override
    {
        auto known = knownImages_.find(name);
        if (known == knownImages_.end()) {
            const val found = images_.call<val>("get", qor::latin1ToUtf8(qor::imageFileKey(name)));
            const bool there = !found.isUndefined() && !found.isNull();
            known = knownImages_.emplace(std::string(name), there ? std::optional<qor::Size>(qor::Size{
                                                                  found[0].as<double>(), found[1].as<double>()})
                                                            : std::nullopt)
                        .first;
        }
        return known->second;
    }

    qor::Size textSize(std::string_view text, std::string_view font) const override
    {
        const std::pair<std::string, std::string> key{text, font};
        auto known = knownTexts_.find(key);
        if (known == knownTexts_.end()) {
            const val size = sizes_.call<val>("measure", qor::latin1ToUtf8(text), qor::latin1ToUtf8(font));
            known = knownTexts_.emplace(key, qor::Size{size[0].as<double>(), size[1].as<double>()}).first;
        }
        return known->second;
    }

private:
    val images_;
    val sizes_;
    mutable std::map<std::string, std::optional<qor::Size>, std::less<>> knownImages_;
    mutable std::map<std::pair<std::string, std::string>, qor::Size> knownTexts_;
};

val point(const qor::Point &at)
{
    val made = val::array();
    made.call<void>("push", at.x);
    made.call<void>("push", at.y);
    return made;
}

// A framing as the page gives it, {area: {x, y, w, h}, scale}, and a sheet's layout,
// {columns, padding, numbers}.
qor::Framing framingOf(const val &framing)
{
    const val area = framing["area"];
    return {{area["x"].as<double>(), area["y"].as<double>(), area["w"].as<double>(), area["h"].as<double>()},
            framing["scale"].as<double>()};
}

qor::SheetLayout layoutOf(const val &layout)
{
    const auto count = [&](const char *field) {
        const val value = layout[field];
        return value.isNumber() ? std::max(value.as<int>(), 0) : 0;
    };
    return {count("columns"), count("padding"), layout["numbers"].isTrue()};
}

// The pictures of a framing: a frame's size in pixels, and a sheet of `frames` cells laid out
// as `layout` asks with each cell's place and number; where a picture can't be drawn, null and
// the reason the command line gives (frameProblem, sheetProblem; animationProblem for the
// frames as an animation).
val pictures(const val &framingGiven, const val &layoutGiven, int frames)
{
    const qor::Framing framing = framingOf(framingGiven);
    const qor::SheetLayout layout = layoutOf(layoutGiven);
    const auto cell = framing.pixelSize();
    const std::string frameProblem = cell ? std::string() : qor::sheetSizeProblem(framing, {}, 1);
    const std::string sheetProblem = qor::sheetSizeProblem(framing, layout, frames);
    val sheet = val::null();
    if (cell && !qor::sheetGrid(frames, layout.columns).empty() && sheetProblem.empty()) {
        const qor::Size size = qor::sheetSize(*cell, layout, frames);
        val cells = val::array();
        for (int index = 0; index < frames; ++index) {
            const qor::SheetCell place = qor::sheetCell(index, *cell, layout, frames);
            cells.call<void>("push", object({{"number", val(place.number)},
                                             {"x", val(place.x)},
                                             {"y", val(place.y)},
                                             {"width", val(place.width)},
                                             {"height", val(place.height)}}));
        }
        sheet = object({{"width", val(size.width)}, {"height", val(size.height)}, {"cells", cells}});
    }
    return object({{"frame", cell ? object({{"width", val(cell->width)}, {"height", val(cell->height)}}) : val::null()},
                   {"sheet", sheet},
                   {"frameProblem", val(frameProblem)},
                   {"sheetProblem", val(sheetProblem.empty() && sheet.isNull() ? frameProblem : sheetProblem)},
                   {"animationProblem", val(frames > 0 ? frameProblem : qor::animationFramesProblem(frames))}});
}

// The description beside a clip's sheet (OUT.json), for clip {name, first, frames}, its
// framing, the sheet's layout and its size {width, height}.
std::string sheetDescription(const val &clip, const val &framing, const val &layout, const val &size)
{
    const qor::Clip described{web::latin1Of(clip["name"].as<std::string>()), clip["first"].as<int>(), clip["frames"].as<int>()};
    return qor::sheetDescription(described, framingOf(framing), layoutOf(layout),
                                 {size["width"].as<double>(), size["height"].as<double>()});
}

// The Export bar's scale, bounds and frame rate, as typed, read as render reads them, and the
// framing of each of `areas` ({x, y, w, h}, all a run's frames draw) under them:
// {refusal, fps (null for the file's), framings: [{area, scale}]}; a refusal's line is
// render's, and then there are no framings.
val pictureFramings(const std::string &scale, const std::string &bounds, const std::string &fps, const val &areas)
{
    const web::PictureOptions options = web::pictureOptions(scale, bounds, fps);
    val framings = val::array();
    if (options.refusal.empty()) {
        const auto count = areas["length"].as<unsigned>();
        for (unsigned index = 0; index < count; ++index) {
            const val area = areas[index];
            const qor::Framing framing = web::pictureFraming(
                options, {area["x"].as<double>(), area["y"].as<double>(), area["w"].as<double>(), area["h"].as<double>()});
            const qor::Rect &shown = framing.area;
            framings.call<void>("push", object({{"area", object({{"x", val(shown.x)}, {"y", val(shown.y)},
                                                                {"w", val(shown.width)}, {"h", val(shown.height)}})},
                                                {"scale", val(framing.scale)}}));
        }
    }
    return object({{"refusal", val(options.refusal)},
                   {"fps", options.fps ? val(*options.fps) : val::null()},
                   {"framings", framings}});
}

// The names the command line gives a file's exports: the animation is told by the file's path
// as the page lists it, the clip by its name ("" for the whole animation).
std::string animationOf(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return qor::animationName(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The name a frame gives to draw the image of a key of the images folder (UTF-8 both ways).
std::string imageNameOf(const std::string &key)
{
    return qor::latin1ToUtf8(qor::imageNameOf(web::latin1Of(key)));
}

std::string clipFileName(const std::string &path, const std::string &clip, const std::string &suffix)
{
    return qor::clipFileName(animationOf(path), clip, suffix);
}

std::string sheetDescriptionPath(const std::string &sheetName)
{
    return qor::sheetDescriptionPath(sheetName);
}

std::string frameFileName(const std::string &path, const std::string &clip, int frame)
{
    return qor::frameFileName(animationOf(path), clip, frame);
}

// Frames the page painted, one array of straight RGBA bytes (frames x height x width x 4), as
// an animation in `format` ("webp" or "gif") at `fps`: {bytes} or {bytes: null, why}.
val encodeAnimation(const val &rgba, int width, int height, double fps, const std::string &format)
{
    const web::Bytes bytes = bytesOf(rgba);
    const auto kind = qor::animatedFormatOf("." + format);
    if (!kind)
        return object({{"bytes", val::null()}, {"why", val("there is no animated form " + format)}});
    std::vector<std::span<const std::uint8_t>> frames;
    const size_t frameBytes = width > 0 && height > 0 ? size_t(width) * size_t(height) * 4 : 0;
    for (size_t at = 0; frameBytes > 0 && at + frameBytes <= bytes.size(); at += frameBytes)
        frames.emplace_back(bytes.data() + at, frameBytes);
    const qor::EncodedAnimation encoded = qor::encodeAnimation(frames, width, height, fps, *kind);
    if (encoded.bytes.empty())
        return object({{"bytes", val::null()}, {"why", val(encoded.why)}});
    return object({{"bytes", copied(encoded.bytes)}, {"why", val(std::string())}});
}

// What each item of `scenes` draws (its kind, matrix, opacity, size and texts) and the strings
// they name; with the preview's problems.
val itemsObject(const web::Scenes &scenes, const web::Preview &preview)
{
    return object({{"kinds", copied(scenes.kinds)},
                   {"matrices", copied(scenes.matrices)},
                   {"opacities", copied(scenes.opacities)},
                   {"sizes", copied(scenes.sizes)},
                   {"texts", copied(scenes.texts)},
                   {"strings", array(scenes.strings)},
                   {"problems", array(preview.problems())}});
}

val scenesObject(const web::Scenes &scenes, const web::Preview &preview)
{
    val made = itemsObject(scenes, preview);
    made.set("frameStart", copied(scenes.frameStart));
    made.set("pathStart", copied(scenes.pathStart));
    made.set("paths", copied(scenes.paths));
    return made;
}

// The items of a layout that changed (web::ScenesChange), for the page to write over its own.
val scenesChangeObject(const web::ScenesChange &change, const web::Preview &preview)
{
    val made = itemsObject(change.changed, preview);
    made.set("items", copied(change.items));
    return made;
}

// A list of track indices as the page gives them (negative ones as 0).
std::vector<std::size_t> indicesOf(const val &given)
{
    std::vector<std::size_t> indices;
    if (given.isUndefined() || given.isNull())
        return indices;
    const auto count = given["length"].as<std::size_t>();
    for (std::size_t n = 0; n < count; ++n)
        indices.push_back(std::size_t(std::max(given[n].as<double>(), 0.0)));
    return indices;
}

std::vector<bool> flagsOf(const val &given)
{
    std::vector<bool> flags;
    const auto count = given["length"].as<std::size_t>();
    for (std::size_t n = 0; n < count; ++n)
        flags.push_back(given[n].as<bool>());
    return flags;
}

val areaObject(const qor::Rect &area, bool drawn)
{
    return object({{"x", val(area.x)}, {"y", val(area.y)}, {"w", val(area.width)}, {"h", val(area.height)}, {"drawn", val(drawn)}});
}

// What the page asks of a file it shows: its evaluation, its scenes, bounds, selection and hit
// areas for given sizes. A Preview (read once) or an Editor (a document being edited).
class Shown {
public:
    virtual ~Shown() = default;

    val evaluated() const { return evaluatedObject(shown().evaluated()); }

    val scenes(const val &sizes) const { return scenesObject(shown().scenes(PageSizes(sizes)), shown()); }

    // One frame's scene alone, laid out as scenes() lays out every frame.
    val frameScene(int frame, const val &sizes) const
    {
        return scenesObject(shown().frameScenes(std::max(frame, 0), PageSizes(sizes)), shown());
    }

    // What the page draws the file from: {version, mended, animation, scenes}. The evaluation
    // and every frame's scene, with `scenes.areas` the area of the whole animation and of each
    // clip as clipArea gives it (the frames laid out once for both). An editor's later layouts
    // are `mended`: what changed since the one before (numbered version - 1), which the page
    // writes over its copy, unless `whole` is asked or the change is not one of values alone.
    val layout(const val &sizes, bool whole)
    {
        const web::Evaluated &flat = shown().evaluated();
        std::vector<qor::Clip> runs{{std::string(), 0, flat.frameCount}};
        for (const web::ClipInfo &clip : flat.clips)
            runs.push_back({clip.name, clip.first, clip.frames});
        std::vector<web::Preview::Area> areas;
        web::Scenes scenes = shown().scenesAndAreas(PageSizes(sizes), runs, areas);
        std::optional<web::ScenesChange> change;
        std::optional<std::vector<std::uint32_t>> tracks;
        if (!whole && laidOut_) {
            change = web::scenesChange(laidOut_->scenes, scenes);
            if (!change->whole)
                tracks = web::changedTracks(laidOut_->flat, flat);
        }
        const bool mended = tracks.has_value();
        val drawn = mended ? scenesChangeObject(*change, shown()) : scenesObject(scenes, shown());
        val list = val::array();
        for (const web::Preview::Area &each : areas)
            list.call<void>("push", areaObject(each.area, each.drawn));
        drawn.set("areas", list);
        val made = object({{"version", val(++version_)},
                           {"mended", val(mended)},
                           {"animation", evaluatedObject(flat, mended ? &*tracks : nullptr)},
                           {"scenes", drawn}});
        if (keepsLayout())
            laidOut_ = LaidOut{std::move(scenes), flat};
        return made;
    }

    // The area a picture of a clip shows: what its frames draw, or one unit at the origin; and
    // whether they draw anything.
    val clipArea(int first, int frames, const val &sizes) const
    {
        bool drawn = false;
        return areaObject(shown().clipFraming(first, frames, PageSizes(sizes), &drawn).area, drawn);
    }

    val selection(int track, int frame, int first, int frames, const val &sizes) const
    {
        const qor::Selection selection = shown().selection(track, frame, first, frames, PageSizes(sizes));
        // Points as one array of their x, y pairs: a drag asks for them on every move.
        const auto flat = [](const auto &points) {
            std::vector<double> coordinates;
            coordinates.reserve(2 * points.size());
            for (const qor::Point &at : points)
                coordinates.insert(coordinates.end(), {at.x, at.y});
            return copied(coordinates);
        };
        return object({{"outline", selection.outline ? flat(*selection.outline) : val::null()},
                       {"origin", selection.origin ? point(*selection.origin) : val::null()},
                       {"path", flat(selection.path)}});
    }

    // The clip (its index, -1 for the whole animation) and frame the file opens on.
    val opening(const val &sizes) const
    {
        const qor::OpeningView opening = shown().opening(PageSizes(sizes));
        return object({{"clip", val(opening.clip ? int(*opening.clip) : -1)}, {"frame", val(opening.frame)}});
    }

    val itemAt(int frame, double x, double y, const val &hidden, const val &sizes) const
    {
        return copied(shown().itemAt(frame, {x, y}, flagsOf(hidden), PageSizes(sizes)));
    }

    // The tracks a box drawn on the stage meets in a frame.
    val tracksIn(int frame, double x, double y, double width, double height, const val &hidden, const val &sizes) const
    {
        return copied(shown().tracksIn(frame, {x, y, width, height}, flagsOf(hidden), PageSizes(sizes)));
    }

    // Where the handles of the selected tracks sit in a frame: {bounds: {x, y, w, h}, corners: [[x, y]
    // north-west, north-east, south-east, south-west], pivot: [x, y]},
    // or null when none of them is outlined there.
    val handles(const val &tracks, int frame, const val &sizes) const
    {
        const PageSizes pageSizes(sizes);
        constexpr std::size_t noTrack = std::size_t(std::numeric_limits<int>::max());
        std::vector<qor::Selection> marks;
        for (const std::size_t track : indicesOf(tracks))
            marks.push_back(shown().selection(int(std::min(track, noTrack)), frame, 0, 0, pageSizes));
        const std::optional<qor::edit::HandleFrame> frameOf = qor::edit::handleFrame(marks);
        if (!frameOf)
            return val::null();
        const qor::Rect &box = frameOf->bounds;
        const val bounds = object({{"x", val(box.x)}, {"y", val(box.y)}, {"w", val(box.width)}, {"h", val(box.height)}});
        val corners = val::array();
        for (const qor::Point &corner : frameOf->corners)
            corners.call<void>("push", point(corner));
        return object({{"bounds", bounds}, {"corners", corners}, {"pivot", point(frameOf->pivot)}});
    }

    std::string attachedFile(int track, int frame) const { return shown().attachedFile(track, frame); }

protected:
    virtual const web::Preview &shown() const = 0;
    // Whether layouts after the first are sent as what changed (an editor's are).
    virtual bool keepsLayout() const { return false; }

private:
    // The last layout sent, which the next is compared with.
    struct LaidOut {
        web::Scenes scenes;
        web::Evaluated flat;
    };
    std::optional<LaidOut> laidOut_;
    double version_ = 0;
};

// One previewed file for the page: new Preview(name, bytes, files); delete() when done.
class Preview : public Shown {
public:
    Preview(const std::string &name, const val &bytes, const val &files)
        : files_(files), preview_(name, bytesOf(bytes), files_)
    {
    }

private:
    const web::Preview &shown() const override { return preview_; }

    PageFiles files_;
    web::Preview preview_;
};

// A frame as the page holds it: each field's value, or null where the frame gives none (and
// the value before it carries).
val frameObject(const qor::ReanimTransform &transform)
{
    val made = val::object();
    for (const qor::NumberField &field : qor::numberFields) {
        const float value = transform.*field.member;
        made.set(std::string(field.tag), value == qor::unsetValue ? val::null() : val(value));
    }
    const auto text = [](const qor::CompactString &bytes) {
        return bytes.view().empty() ? val::null() : val(qor::latin1ToUtf8(bytes.view()));
    };
    made.set("image", text(transform.i));
    made.set("font", text(transform.font));
    made.set("text", text(transform.text));
    return made;
}

qor::ReanimTransform frameFrom(const val &given)
{
    qor::ReanimTransform transform;
    for (const qor::NumberField &field : qor::numberFields) {
        const val value = given[std::string(field.tag)];
        if (value.isNumber())
            transform.*field.member = value.as<float>();
    }
    const auto text = [&](const char *name) {
        const val value = given[name];
        return value.isString() ? web::latin1Of(value.as<std::string>()) : std::string();
    };
    transform.i = text("image");
    transform.font = text("font");
    transform.text = text("text");
    return transform;
}

// Copied frames as plain values the worker keeps between files: {rows: [[frame, ...], ...]}.
val clipboardObject(const qor::edit::Clipboard &clipboard)
{
    val rows = val::array();
    for (const auto &row : clipboard.rows) {
        val frames = val::array();
        for (const qor::ReanimTransform &transform : row)
            frames.call<void>("push", frameObject(transform));
        rows.call<void>("push", frames);
    }
    return object({{"rows", rows}});
}

qor::edit::Clipboard clipboardFrom(const val &given)
{
    qor::edit::Clipboard clipboard;
    if (given.isUndefined() || given.isNull() || !given["rows"]["length"].isNumber())
        return clipboard;
    const val rows = given["rows"];
    const auto count = rows["length"].as<std::size_t>();
    for (std::size_t n = 0; n < count; ++n) {
        auto &row = clipboard.rows.emplace_back();
        const val frames = rows[n];
        const auto length = frames["length"].isNumber() ? frames["length"].as<std::size_t>() : std::size_t(0);
        for (std::size_t f = 0; f < length; ++f)
            row.push_back(frameFrom(frames[f]));
    }
    return clipboard;
}

// An edit as the page sends it: {op, tracks, track, frame, count, to, field, value (a number, or
// null to clear), text, drags: [{track, frame, first, second}], easing: "linear" | "easeInOut",
// clip (a clip's name), insert, clipboard (as copy() gives it)}.
web::Edit editOf(const val &given)
{
    const auto index = [&](const char *field, std::size_t otherwise) {
        const val value = given[field];
        return value.isNumber() && value.as<double>() >= 0 ? std::size_t(value.as<double>()) : otherwise;
    };
    const auto text = [&](const char *field) {
        const val value = given[field];
        return value.isString() ? value.as<std::string>() : std::string();
    };
    web::Edit edit;
    edit.op = text("op");
    edit.tracks = indicesOf(given["tracks"]);
    edit.track = index("track", 0);
    edit.frame = index("frame", 0);
    edit.count = index("count", 1);
    edit.to = index("to", 0);
    edit.field = text("field");
    if (given["value"].isNumber())
        edit.value = given["value"].as<float>();
    edit.text = text("text");
    edit.clip = text("clip");
    const val drags = given["drags"];
    if (!drags.isUndefined() && !drags.isNull()) {
        const auto count = drags["length"].as<std::size_t>();
        for (std::size_t n = 0; n < count; ++n) {
            const val each = drags[n];
            edit.drags.push_back({std::size_t(std::max(each["track"].as<double>(), 0.0)),
                                  std::size_t(std::max(each["frame"].as<double>(), 0.0)), each["first"].as<float>(),
                                  each["second"].as<float>()});
        }
    }
    edit.easeInOut = text("easing") == "easeInOut";
    edit.insert = given["insert"].isTrue();
    edit.clipboard = clipboardFrom(given["clipboard"]);
    return edit;
}

val saved(const web::Saved &done)
{
    return object({{"ok", val(done.ok)}, {"bytes", copied(done.bytes)}, {"lines", array(done.lines)}});
}

// A file being edited: new Editor(name, bytes or null for a blank animation, files); edits as
// plain objects (editOf), undo and redo, saves; drawn as a Preview is.
class Editor : public Shown {
public:
    Editor(const std::string &name, const val &bytes, const val &files)
        : files_(files), session_(name, bytes.isNull() || bytes.isUndefined() ? std::nullopt
                                                                              : std::optional<web::Bytes>(bytesOf(bytes)),
                                  files_)
    {
    }

    bool ok() const { return session_.ok(); }
    val lines() const { return array(session_.lines()); }
    std::string kind() const { return session_.kind(); }
    bool apply(const val &edit) { return session_.apply(editOf(edit)); }
    bool beginDrag(const std::string &kind, const std::string &handle, const val &tracks, int frame, double x, double y)
    {
        return frame >= 0 && session_.beginDrag(kind, handle, indicesOf(tracks), std::size_t(frame), {x, y});
    }
    bool dragTo(double x, double y, bool constrain) { return session_.dragTo({x, y}, constrain); }
    void endDrag() { session_.endDrag(); }
    bool undo() { return session_.undo(); }
    bool redo() { return session_.redo(); }
    std::string undoName() const { return session_.undoName(); }
    std::string redoName() const { return session_.redoName(); }
    bool changed() const { return session_.changed(); }
    void markSaved() { session_.markSaved(); }
    val saveText() const { return saved(session_.saveText()); }
    val saveCompiled() const { return saved(session_.saveCompiled()); }
    val droppedOnSave() const { return array(session_.droppedOnSave()); }
    // The bytes it was opened from (empty for a blank animation), its edits kept as bytes, and
    // those taken up again by an editor opened anew from the same bytes.
    val original() const { return copied(session_.original()); }
    val keptEdits() const { return copied(session_.keptEdits()); }
    bool resumeEdits(const val &kept) { return session_.resumeEdits(bytesOf(kept)); }
    // The page's files now: attached animations are read from these when next drawn.
    void setFiles(const val &files)
    {
        files_.replace(files);
        session_.filesChanged();
    }

    // What a frame of a track itself gives (frameObject); null when there is no such frame.
    val given(int track, int frame) const
    {
        const qor::ReanimTransform *transform =
            track < 0 || frame < 0 ? nullptr : session_.frameOf(std::size_t(track), std::size_t(frame));
        return transform ? frameObject(*transform) : val::null();
    }

    // Each track's frames marked by what they give (Session::givenFrames), a Uint8Array a track.
    val givenFrames() const
    {
        val tracks = val::array();
        for (const web::Bytes &marks : session_.givenFrames())
            tracks.call<void>("push", copied(marks));
        return tracks;
    }

    // Frames [first, first + count) of the tracks given, as clipboardObject.
    val copy(const val &tracks, int first, int count) const
    {
        std::vector<std::size_t> indices;
        const auto length = tracks["length"].as<std::size_t>();
        for (std::size_t n = 0; n < length; ++n)
            indices.push_back(std::size_t(std::max(tracks[n].as<double>(), 0.0)));
        return clipboardObject(session_.copy(indices, std::size_t(std::max(first, 0)), std::size_t(std::max(count, 0))));
    }

private:
    const web::Preview &shown() const override { return session_.preview(); }
    bool keepsLayout() const override { return true; }

    PageFiles files_;
    mutable web::Session session_;
};

} // namespace

EMSCRIPTEN_BINDINGS(qorutil)
{
    emscripten::function("outputs", &outputs);
    emscripten::function("summary", &summary);
    emscripten::function("totalsWords", &totalsWords);
    emscripten::function("takenFromFolder", &takenFromFolder);
    emscripten::function("decompile", &decompile);
    emscripten::function("compile", &compile);
    emscripten::function("check", &check);
    emscripten::function("info", &info);
    emscripten::function("evaluate", &evaluate);
    emscripten::function("pictures", &pictures);
    emscripten::function("sheetDescription", &sheetDescription);
    emscripten::function("pictureFramings", &pictureFramings);
    emscripten::function("clipFileName", &clipFileName);
    emscripten::function("frameFileName", &frameFileName);
    emscripten::function("sheetDescriptionPath", &sheetDescriptionPath);
    emscripten::function("encodeAnimation", &encodeAnimation);
    emscripten::function("imageNameOf", &imageNameOf);
    emscripten::class_<Shown>("Shown")
        .function("evaluated", &Shown::evaluated)
        .function("scenes", &Shown::scenes)
        .function("layout", &Shown::layout)
        .function("frameScene", &Shown::frameScene)
        .function("clipArea", &Shown::clipArea)
        .function("selection", &Shown::selection)
        .function("opening", &Shown::opening)
        .function("itemAt", &Shown::itemAt)
        .function("tracksIn", &Shown::tracksIn)
        .function("handles", &Shown::handles)
        .function("attachedFile", &Shown::attachedFile);
    emscripten::class_<Preview, emscripten::base<Shown>>("Preview")
        .constructor<const std::string &, const val &, const val &>();
    emscripten::class_<Editor, emscripten::base<Shown>>("Editor")
        .constructor<const std::string &, const val &, const val &>()
        .function("ok", &Editor::ok)
        .function("lines", &Editor::lines)
        .function("kind", &Editor::kind)
        .function("apply", &Editor::apply)
        .function("undo", &Editor::undo)
        .function("redo", &Editor::redo)
        .function("undoName", &Editor::undoName)
        .function("redoName", &Editor::redoName)
        .function("changed", &Editor::changed)
        .function("markSaved", &Editor::markSaved)
        .function("saveText", &Editor::saveText)
        .function("saveCompiled", &Editor::saveCompiled)
        .function("droppedOnSave", &Editor::droppedOnSave)
        .function("given", &Editor::given)
        .function("beginDrag", &Editor::beginDrag)
        .function("dragTo", &Editor::dragTo)
        .function("endDrag", &Editor::endDrag)
        .function("original", &Editor::original)
        .function("keptEdits", &Editor::keptEdits)
        .function("resumeEdits", &Editor::resumeEdits)
        .function("setFiles", &Editor::setFiles)
        .function("givenFrames", &Editor::givenFrames)
        .function("copy", &Editor::copy);
}
