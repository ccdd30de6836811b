// web/api.h over the format core: the same converters, checks and evaluation as the command
// line, with the command line's way of naming a file in its lines and planning its outputs
// (qor::FileLines, core/files/runreport.h, core/files/outputplan.h), for files that come as
// bytes rather than paths.

#include "web/api.h"

#include "core/format/allocationguard.h"
#include "core/scene/attachment.h"
#include "core/scene/check.h"
#include "core/format/compiler.h"
#include "core/format/container.h"
#include "core/format/decompiler.h"
#include "core/scene/evaluated.h"
#include "core/format/filelines.h"
#include "core/format/loader.h"
#include "core/files/namerules.h"
#include "core/files/outputname.h"
#include "core/files/outputplan.h"
#include "core/files/runreport.h"
#include "core/scene/sheet.h"
#include "core/format/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <span>
#include <string_view>

namespace web {

namespace {

// A path for a message line, escaped as the command line shows paths.
std::string shown(std::string_view name)
{
    return qor::escapedBytes(name);
}

using qor::FileLines;

std::string outputName(const std::string &name, bool decompile)
{
    return decompile ? qor::decompiledPathFor(name).string() : qor::compiledPathFor(name).string();
}

// The page has names, not files: two names are one file when they are one path.
class ListedFiles : public qor::PlanFiles {
public:
    std::string identity(const std::filesystem::path &path) const override { return path.lexically_normal().string(); }
    bool liesWithin(const std::filesystem::path &, const std::filesystem::path &) const override { return true; }
};

// What the command line reads of a file before anything else: too large a file is refused
// with its size.
bool withinLimit(const std::string &name, std::span<const std::uint8_t> bytes, std::size_t limit, FileLines &log)
{
    if (bytes.size() <= limit)
        return true;
    log.logLine(qor::tooLargeLine(shown(name), bytes.size(), limit));
    return false;
}

// Runs `work`, turning a failed allocation into the command line's line for it.
bool guarded(const std::string &name, FileLines &log, const std::function<bool()> &work)
{
    return qor::guardAllocation("convert " + shown(name) + "; nothing was written", log, work);
}

std::vector<std::string> imagesOf(const qor::ReanimTrack &track)
{
    std::vector<std::string> images;
    for (const qor::ReanimTransform &frame : track.transforms) {
        const std::string image = qor::latin1ToUtf8(frame.i);
        if (!image.empty() && std::find(images.begin(), images.end(), image) == images.end())
            images.push_back(image);
    }
    return images;
}

std::vector<ClipInfo> clipsOf(const qor::EvaluatedAnimation &animation)
{
    std::vector<ClipInfo> clips;
    for (const qor::Clip &clip : animation.clips)
        clips.push_back({qor::latin1ToUtf8(clip.name), clip.firstFrame, clip.frameCount});
    return clips;
}

// The animation in a file read as `kind`, or the "ERROR: NAME: ..." line info gives.
std::optional<qor::LoadedAnimation> loaded(const std::string &name, std::span<const std::uint8_t> bytes,
                                           qor::FileKind kind, std::string &error)
{
    // As info reads a file: the reason alone, put after the file's name.
    FileLines log;
    std::optional<qor::LoadedAnimation> animation;
    const bool read = withinLimit(name, bytes, qor::maxCompiledFileSize, log) && guarded(name, log, [&] {
        animation = qor::decodeAnimation(bytes, kind, log);
        return animation.has_value();
    });
    if (!read)
        error = "ERROR: " + shown(name) + ": " + log.lastError();
    return animation;
}

// One file through a converter: `convert` fills the output's bytes from the input's, or
// reports why it can't; `warnings` are its warnings, read once it has run.
template <typename Convert>
Conversion converted(const std::string &name, std::span<const std::uint8_t> bytes, bool decompile,
                     std::size_t limit, const std::vector<qor::ReaderWarning> &warnings, Convert convert)
{
    Conversion result;
    result.output = outputName(name, decompile);
    FileLines log(shown(name));
    result.ok = withinLimit(name, bytes, limit, log) && guarded(name, log, [&] { return convert(result.bytes, log); });
    if (!result.ok)
        result.bytes.clear();
    result.warnings = int(warnings.size());
    result.lines = qor::conversionReport(shown(name), shown(result.output), result.ok, decompile, log, warnings);
    return result;
}

qor::RunKind runKindOf(const std::string &op)
{
    return op == "check" ? qor::RunKind::Check : op == "info" ? qor::RunKind::Info : qor::RunKind::Convert;
}

// A listed path's folder with the '/' after it, empty at the top of the list.
std::string_view folderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

} // namespace

std::vector<PlannedOutput> outputs(const std::vector<std::string> &names, bool decompile)
{
    std::vector<qor::PlanInput> inputs;
    for (const std::string &name : names)
        inputs.push_back({name, name});
    qor::PlanRequest request;
    request.decompile = decompile;
    // One entry per name: a name listed twice (the list keeps each path once) has its first's.
    std::vector<PlannedOutput> planned(names.size());
    std::vector<bool> found(names.size());
    for (const qor::PlannedOutput &item : qor::planOutputs(inputs, request, ListedFiles())) {
        planned[item.input] = {item.refusal ? std::string() : item.output.string(), item.refusal.value_or(std::string())};
        found[item.input] = true;
    }
    for (std::size_t n = 0; n < names.size(); ++n) {
        for (std::size_t first = 0; !found[n] && first < n; ++first) {
            if (found[first] && ListedFiles().identity(names[first]) == ListedFiles().identity(names[n])) {
                planned[n] = planned[first];
                found[n] = true;
            }
        }
    }
    return planned;
}

std::vector<std::size_t> takenFromFolder(const std::vector<std::string> &paths)
{
    return qor::takenFromListing(paths, {std::string(qor::compiledSuffix), std::string(qor::textSuffix)});
}

std::string summary(const std::string &op, const qor::RunTotals &totals, std::size_t files)
{
    return qor::summaryLine(runKindOf(op), totals, files).value_or(std::string());
}

std::string totalsWords(const std::string &op, const qor::RunTotals &totals)
{
    return qor::totalsWords(runKindOf(op), totals);
}

Conversion decompile(const std::string &name, std::span<const std::uint8_t> bytes)
{
    return converted(name, bytes, true, qor::maxCompiledFileSize, {}, [&](Bytes &out, FileLines &log) {
        qor::Bytes body;
        std::string text;
        if (!qor::inflateCompiledFile(bytes, body, log) || !qor::decompileBodyToText(body, text, log))
            return false;
        out.assign(text.begin(), text.end());
        return true;
    });
}

Conversion compile(const std::string &name, std::span<const std::uint8_t> bytes, bool strict)
{
    qor::CompileDetails details;
    details.refuseWarnings = strict;
    return converted(name, bytes, false, qor::maxTextFileSize, details.warnings, [&](Bytes &out, FileLines &log) {
        return qor::compileText(qor::charsOf(bytes), out, log, &details);
    });
}

std::string latin1Of(std::string_view utf8)
{
    std::string bytes;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if ((lead == 0xc2 || lead == 0xc3) && at + 1 < utf8.size())
            bytes += char(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[++at]) & 0x3f));
        else
            bytes += char(lead);
    }
    return bytes;
}

Beside::Beside(const std::vector<std::string> &listed, const std::vector<std::string> &animations)
{
    for (const std::string &path : listed)
        listed_.insert(qor::lowerAsciiName(path));
    for (const std::string &file : animations)
        animations_.insert(qor::lowerAsciiName(file));
}

bool Beside::has(std::string_view path, std::string_view name) const
{
    const std::string folder = qor::lowerAsciiName(folderOf(path));
    for (const std::string &file : qor::attachedFileNames(name)) {
        const std::string lower = qor::lowerAsciiName(qor::latin1ToUtf8(file));
        if (animations_.contains(lower) || listed_.contains(folder + lower))
            return true;
    }
    return false;
}

Checked check(const std::string &name, std::span<const std::uint8_t> bytes, bool strict, const Beside &beside)
{
    // As check reads a file: the reason alone, put after the file's name.
    FileLines log;
    qor::CheckResult checked;
    if (!withinLimit(name, bytes, qor::maxCompiledFileSize, log) || !guarded(name, log, [&] {
            checked = qor::checkFile(bytes, qor::kindOf(name, bytes),
                                     [&](std::string_view attached) { return beside.has(name, attached); });
            return true;
        }))
        checked.error = log.lastError();
    return qor::reportCheck(shown(name), checked, strict);
}

Info info(const std::string &name, std::span<const std::uint8_t> bytes)
{
    Info result;
    const qor::FileKind kind = qor::kindOf(name, bytes);
    result.kind = kind == qor::FileKind::Compiled ? "compiled" : "text";
    const auto animation = loaded(name, bytes, kind, result.error);
    if (!animation)
        return result;
    result.ok = true;
    result.fpsKnown = std::isfinite(animation->reanim.fps);
    result.fps = result.fpsKnown ? double(animation->reanim.fps) : 0.0;
    for (const qor::ReanimTrack &track : animation->reanim.tracks) {
        result.tracks.push_back({qor::latin1ToUtf8(track.name), std::int64_t(track.transforms.size()), imagesOf(track)});
        result.frames = std::max(result.frames, std::int64_t(track.transforms.size()));
    }
    result.clips = clipsOf(qor::evaluate(animation->reanim));
    for (const qor::Attachment &attachment : qor::attachmentsOf(animation->reanim)) {
        AttachmentInfo &out = result.attachments.emplace_back();
        out.name = qor::latin1ToUtf8(attachment.name);
        out.clip = qor::latin1ToUtf8(attachment.clip);
        for (const std::string &tag : attachment.tags)
            out.tags.push_back(qor::latin1ToUtf8(tag));
    }
    return result;
}

namespace {

// The evaluation as the page reads it: values and strings as flat arrays.
Evaluated flattened(const qor::EvaluatedAnimation &evaluated)
{
    Evaluated result;
    result.fps = evaluated.fps;
    result.frameCount = evaluated.frameCount;
    result.clips = clipsOf(evaluated);
    result.strings.push_back(std::string());
    std::map<std::string, std::uint32_t> indices{{std::string(), 0}};
    const auto indexOf = [&](const std::string &latin1) {
        const auto [at, added] = indices.emplace(latin1, std::uint32_t(result.strings.size()));
        if (added)
            result.strings.push_back(qor::latin1ToUtf8(latin1));
        return at->second;
    };
    for (const qor::EvaluatedTrack &track : evaluated.tracks) {
        EvaluatedTrack &out = result.tracks.emplace_back();
        out.name = qor::latin1ToUtf8(track.name);
        out.marksClip = track.marksClip;
        out.values.reserve(track.frames.size() * 8);
        out.strings.reserve(track.frames.size() * 3);
        for (const qor::TrackState &state : track.frames) {
            out.values.insert(out.values.end(),
                              {state.x, state.y, state.kx, state.ky, state.sx, state.sy, state.f, state.a});
            out.strings.insert(out.strings.end(), {indexOf(state.image), indexOf(state.font), indexOf(state.text)});
        }
    }
    result.ok = true;
    return result;
}

// A file read and evaluated, and flattened for the page, within the allocation guard.
Evaluated readAndEvaluate(const std::string &name, std::span<const std::uint8_t> bytes,
                          std::optional<qor::EvaluatedAnimation> &animation)
{
    Evaluated result;
    const auto read = loaded(name, bytes, qor::kindOf(name, bytes), result.error);
    if (!read)
        return result;
    FileLines log;
    if (!guarded(name, log, [&] {
            animation = qor::evaluate(read->reanim);
            result = flattened(*animation);
            return true;
        })) {
        animation.reset();
        result = Evaluated();
        result.error = log.errorLines().front();
    }
    return result;
}

// The last part of a listed name, '/' between folders.
std::string_view fileNameOf(std::string_view name)
{
    const size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

} // namespace

Evaluated evaluate(const std::string &name, std::span<const std::uint8_t> bytes)
{
    std::optional<qor::EvaluatedAnimation> animation;
    return readAndEvaluate(name, bytes, animation);
}

// The animations a previewed file attaches, found among the page's files by name in any case:
// beside the file first, then anywhere in the list, each read once when first asked for.
class Preview::Attached : public qor::AnimationSource {
public:
    Attached(const std::string &name, const PageFiles &files) : name_(name), files_(files) {}

    std::string topName() const override { return qor::animationName(fileNameOf(name_)); }

    const qor::EvaluatedAnimation *animation(std::string_view wanted) const override
    {
        const std::string key = qor::lowerName(wanted);
        auto found = loaded_.find(key);
        if (found == loaded_.end())
            found = loaded_.emplace(key, load(wanted)).first;
        return found->second ? &*found->second : nullptr;
    }

    void noteProblem(std::string_view line) const override
    {
        if (std::find(problems_.begin(), problems_.end(), line) == problems_.end())
            problems_.emplace_back(line);
    }

    const std::vector<std::string> &problems() const { return problems_; }

    std::optional<std::string> find(std::string_view wanted) const
    {
        const std::vector<std::string> names = files_.names();
        for (const bool beside : {true, false}) {
            for (const std::string &file : qor::attachedFileNames(wanted)) {
                const std::string utf8 = qor::latin1ToUtf8(file);
                for (const std::string &listed : names) {
                    if ((!beside || folderOf(listed) == folderOf(name_)) && qor::sameNameAnyCase(fileNameOf(listed), utf8))
                        return listed;
                }
            }
        }
        return std::nullopt;
    }

private:
    std::optional<qor::EvaluatedAnimation> load(std::string_view wanted) const
    {
        const auto path = find(wanted);
        if (!path) {
            noteProblem("no attached animation " + qor::latin1ToUtf8(wanted) + ": looked for "
                        + qor::attachedFileWords(wanted) + " among the files given");
            return std::nullopt;
        }
        const auto bytes = files_.read(*path);
        std::optional<qor::EvaluatedAnimation> animation;
        const std::string error = bytes ? readAndEvaluate(*path, *bytes, animation).error : std::string();
        if (!animation) {
            // The reason alone, without the "ERROR: NAME: " the file's own line starts with.
            const std::string prefix = "ERROR: " + shown(*path) + ": ";
            noteProblem("attached animation " + shown(*path) + " does not read: "
                        + (error.starts_with(prefix) ? error.substr(prefix.size()) : "it could not be read"));
        }
        return animation;
    }

    std::string name_;
    const PageFiles &files_;
    mutable std::map<std::string, std::optional<qor::EvaluatedAnimation>, std::less<>> loaded_;
    mutable std::vector<std::string> problems_;
};

Preview::Preview(const std::string &name, std::span<const std::uint8_t> bytes, const PageFiles &files)
    : name_(name), evaluated_(readAndEvaluate(name, bytes, animation_)),
      attached_(std::make_unique<Attached>(name, files))
{
}

Preview::Preview(const std::string &name, const qor::EvaluatedAnimation &animation, const PageFiles &files)
    : name_(name), attached_(std::make_unique<Attached>(name, files))
{
    update(animation);
}

Preview::~Preview() = default;

void Preview::update(const qor::EvaluatedAnimation &animation)
{
    borrowed_ = &animation;
    flatStale_ = true;
}

const Evaluated &Preview::evaluated() const
{
    if (flatStale_ && borrowed_) {
        evaluated_ = flattened(*borrowed_);
        flatStale_ = false;
    }
    return evaluated_;
}

Scenes Preview::scenes(const qor::ImageSizes &sizes) const
{
    return frameScenes(-1, sizes);
}

Scenes Preview::frameScenes(int frame, const qor::ImageSizes &sizes) const
{
    return guarded([&] { return allScenes(sizes, frame >= 0 ? std::optional<int>(frame) : std::nullopt); });
}

Scenes Preview::scenesAndAreas(const qor::ImageSizes &sizes, const std::vector<qor::Clip> &runs,
                               std::vector<Area> &areas) const
{
    qor::DrawnBoxes boxes;
    Scenes scenes = guarded([&] { return allScenes(sizes, std::nullopt, &boxes); });
    if (scenes.frameStart.empty()) // they did not fit: nor does what was laid out of them count
        boxes.clear();
    areas.clear();
    for (const qor::Clip &run : runs) {
        const qor::Rect bounds = qor::clipBounds(boxes, run);
        areas.push_back({qor::clipFraming(bounds, 1.0).area, !bounds.empty()});
    }
    return scenes;
}

Scenes Preview::guarded(const std::function<Scenes()> &layOut) const
{
    Scenes scenes;
    FileLines log;
    if (!qor::guardAllocation("draw " + shown(name_), log, [&] {
            scenes = layOut();
            return true;
        })) {
        scenes = Scenes();
        scenes.strings.push_back(std::string());
        attached_->noteProblem(log.errorLines().front().substr(std::string_view("ERROR: ").size()));
    }
    return scenes;
}

// Every frame's scene, or only frame `only`'s.
Scenes Preview::allScenes(const qor::ImageSizes &sizes, std::optional<int> only, qor::DrawnBoxes *boxes) const
{
    Scenes scenes;
    scenes.strings.push_back(std::string());
    if (!animation())
        return scenes;
    const qor::EvaluatedAnimation &animation = *this->animation();
    std::map<std::string, std::uint32_t> indices{{std::string(), 0}};
    const auto indexOf = [&](const std::string &latin1) {
        const auto [at, added] = indices.emplace(latin1, std::uint32_t(scenes.strings.size()));
        if (added)
            scenes.strings.push_back(qor::latin1ToUtf8(latin1));
        return at->second;
    };
    // Track by track over the frames each has, so that frames past a track's end cost nothing;
    // then each frame's items in track order.
    std::vector<std::vector<qor::SceneItem>> frames(only ? 1 : size_t(std::max(animation.frameCount, 0)));
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const size_t count = animation.tracks[track].frames.size();
        if (only && size_t(*only) < count)
            qor::trackScene(animation, track, *only, sizes, attached_.get(), frames[0]);
        if (boxes && !only)
            boxes->emplace_back(count);
        for (size_t frame = 0; !only && frame < count; ++frame) {
            std::vector<qor::SceneItem> &items = frames[frame];
            const size_t before = items.size();
            qor::trackScene(animation, track, int(frame), sizes, attached_.get(), items);
            if (boxes)
                boxes->back()[frame] = qor::boundsOf(std::span(items).subspan(before));
        }
    }
    scenes.frameStart.push_back(0);
    scenes.pathStart.push_back(0);
    for (const std::vector<qor::SceneItem> &items : frames) {
        for (const qor::SceneItem &item : items) {
            scenes.kinds.push_back(std::uint8_t(item.kind));
            const qor::Matrix &m = item.matrix;
            scenes.matrices.insert(scenes.matrices.end(), {m.a, m.b, m.c, m.d, m.e, m.f});
            scenes.opacities.push_back(item.opacity);
            scenes.sizes.insert(scenes.sizes.end(), {item.size.width, item.size.height});
            scenes.texts.insert(scenes.texts.end(),
                                {indexOf(item.kind == qor::ItemKind::Image ? item.key : item.text), indexOf(item.font),
                                 indexOf(item.track)});
            scenes.paths.insert(scenes.paths.end(), item.path.begin(), item.path.end());
            scenes.pathStart.push_back(std::uint32_t(scenes.paths.size()));
        }
        scenes.frameStart.push_back(std::uint32_t(scenes.kinds.size()));
    }
    return scenes;
}

qor::Framing Preview::clipFraming(int first, int frames, const qor::ImageSizes &sizes, bool *drawn) const
{
    const qor::EvaluatedAnimation none;
    const qor::EvaluatedAnimation &animation = this->animation() ? *this->animation() : none;
    const qor::Clip clip{std::string(), first, frames};
    const qor::Rect bounds = qor::clipBounds(animation, clip, sizes, attached_.get());
    *drawn = !bounds.empty();
    return qor::clipFraming(bounds, 1);
}

qor::Selection Preview::selection(int track, int frame, int first, int frames, const qor::ImageSizes &sizes) const
{
    if (!animation() || track < 0)
        return {};
    return qor::selectionOf(*animation(), size_t(track), frame, {std::string(), first, frames}, sizes, attached_.get());
}

qor::OpeningView Preview::opening(const qor::ImageSizes &sizes) const
{
    return animation() ? qor::openingView(*animation(), sizes, attached_.get()) : qor::OpeningView();
}

std::vector<std::uint32_t> Preview::itemAt(int frame, qor::Point point, const std::vector<bool> &hidden,
                                           const qor::ImageSizes &sizes) const
{
    if (!animation())
        return {};
    return qor::itemAt(qor::frameScene(*animation(), frame, sizes, {hidden, attached_.get()}), point)
        .value_or(std::vector<std::uint32_t>());
}

std::vector<std::uint32_t> Preview::tracksIn(int frame, const qor::Rect &box, const std::vector<bool> &hidden,
                                             const qor::ImageSizes &sizes) const
{
    if (!animation())
        return {};
    return qor::tracksIn(qor::frameScene(*animation(), frame, sizes, {hidden, attached_.get()}), box);
}

std::vector<std::string> Preview::problems() const
{
    return attached_->problems();
}

std::string Preview::attachedFile(int track, int frame) const
{
    const qor::EvaluatedAnimation *animation = this->animation();
    if (!animation || track < 0 || frame < 0 || std::size_t(track) >= animation->tracks.size())
        return {};
    const auto &frames = animation->tracks[std::size_t(track)].frames;
    if (std::size_t(frame) >= frames.size())
        return {};
    const auto attachment = qor::parseAttachment(frames[std::size_t(frame)].text);
    const auto path = attachment ? attached_->find(attachment->name) : std::nullopt;
    return path ? *path : std::string();
}

namespace {

template <typename T>
bool sameRun(const std::vector<T> &before, const std::vector<T> &after, std::size_t at, std::size_t count)
{
    return std::equal(before.begin() + std::ptrdiff_t(at * count), before.begin() + std::ptrdiff_t((at + 1) * count),
                      after.begin() + std::ptrdiff_t(at * count),
                      [](const T &x, const T &y) { return std::memcmp(&x, &y, sizeof(T)) == 0; });
}

template <typename T>
void appendRun(std::vector<T> &to, const std::vector<T> &from, std::size_t at, std::size_t count)
{
    to.insert(to.end(), from.begin() + std::ptrdiff_t(at * count), from.begin() + std::ptrdiff_t((at + 1) * count));
}

} // namespace

ScenesChange scenesChange(const Scenes &before, const Scenes &after)
{
    ScenesChange change;
    if (before.frameStart != after.frameStart || before.pathStart != after.pathStart || before.paths != after.paths)
        return change;
    change.whole = false;
    change.changed.strings = after.strings;
    // Compared bit for bit, so that a value that became NaN, or -0 from 0, still counts.
    for (std::size_t item = 0; item < after.kinds.size(); ++item) {
        if (sameRun(before.kinds, after.kinds, item, 1) && sameRun(before.matrices, after.matrices, item, 6) &&
            sameRun(before.opacities, after.opacities, item, 1) && sameRun(before.sizes, after.sizes, item, 2) &&
            sameRun(before.texts, after.texts, item, 3))
            continue;
        change.items.push_back(std::uint32_t(item));
        appendRun(change.changed.kinds, after.kinds, item, 1);
        appendRun(change.changed.matrices, after.matrices, item, 6);
        appendRun(change.changed.opacities, after.opacities, item, 1);
        appendRun(change.changed.sizes, after.sizes, item, 2);
        appendRun(change.changed.texts, after.texts, item, 3);
    }
    return change;
}

std::optional<std::vector<std::uint32_t>> changedTracks(const Evaluated &before, const Evaluated &after)
{
    if (before.tracks.size() != after.tracks.size())
        return std::nullopt;
    std::vector<std::uint32_t> changed;
    for (std::size_t n = 0; n < after.tracks.size(); ++n) {
        const EvaluatedTrack &was = before.tracks[n];
        const EvaluatedTrack &is = after.tracks[n];
        if (was.name != is.name || was.marksClip != is.marksClip)
            return std::nullopt;
        const bool same = was.values.size() == is.values.size() && was.strings == is.strings &&
                          (is.values.empty() || std::memcmp(was.values.data(), is.values.data(), is.values.size() * sizeof(float)) == 0);
        if (!same)
            changed.push_back(std::uint32_t(n));
    }
    return changed;
}

} // namespace web
