// web/api.h over the format core: the same converters, checks and evaluation as the command
// line, with the command line's way of naming a file in its lines (qor::FileLines, and the one
// line a file of cli/convert.cpp), for files that come as bytes rather than paths.

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
#include "core/files/outputname.h"
#include "core/format/text.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <optional>
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

std::string identity(const std::string &name)
{
    return std::filesystem::path(name).lexically_normal().string();
}

// What the command line reads of a file before anything else: too large a file is refused
// with its size.
bool withinLimit(const std::string &name, std::span<const std::uint8_t> bytes, std::size_t limit, FileLines &log)
{
    if (bytes.size() <= limit)
        return true;
    log.logLine(qor::tooLargeLine(shown(name), bytes.size(), limit));
    return false;
}

// The warnings, then the file's one line: what was done, or the "ERROR:" lines that say why not.
std::vector<std::string> reportOf(const std::string &name, const std::string &output, bool done, bool decompile,
                                  const FileLines &log, const std::vector<qor::ReaderWarning> &warnings)
{
    std::vector<std::string> lines;
    for (const qor::ReaderWarning &warning : warnings)
        lines.push_back(qor::warningLine(shown(name), warning));
    if (done) {
        lines.push_back(std::string(decompile ? "Decompiled " : "Compiled ") + shown(name) + " to " + shown(output));
    } else if (const auto errors = log.errorLines(); !errors.empty()) {
        lines.insert(lines.end(), errors.begin(), errors.end());
    } else {
        lines.push_back("ERROR: " + shown(name) + ": " + log.lastError());
    }
    return lines;
}

// Runs `work`, turning a failed allocation into the command line's line for it.
bool guarded(const std::string &name, FileLines &log, const std::function<bool()> &work)
{
    return qor::guardAllocation("convert " + shown(name) + "; nothing was written", log, work);
}

qor::FileKind kindByName(const std::string &name, std::span<const std::uint8_t> bytes)
{
    if (qor::endsWithAnyCase(name, ".compiled"))
        return qor::FileKind::Compiled;
    if (qor::endsWithAnyCase(name, ".reanim"))
        return qor::FileKind::Text;
    return qor::kindOf(bytes);
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
    result.lines = reportOf(name, result.output, result.ok, decompile, log, warnings);
    return result;
}

} // namespace

std::vector<PlannedOutput> outputs(const std::vector<std::string> &names, bool decompile)
{
    std::vector<PlannedOutput> planned;
    std::map<std::string, std::size_t> firstWriter;
    std::map<std::string, std::size_t> inputAt;
    for (std::size_t n = 0; n < names.size(); ++n)
        inputAt.emplace(identity(names[n]), n);
    for (std::size_t n = 0; n < names.size(); ++n) {
        PlannedOutput item{outputName(names[n], decompile), {}};
        const std::string key = identity(item.output);
        if (const auto other = inputAt.find(key); other != inputAt.end() && other->second != n)
            item.refusal = "ERROR: the output " + shown(item.output) + " of " + shown(names[n])
                + " would replace another input of this run; nothing was written";
        if (const auto writer = firstWriter.find(key); writer != firstWriter.end()) {
            const std::string clash = "ERROR: " + shown(names[writer->second]) + " and " + shown(names[n])
                + " would both be written to " + shown(item.output) + "; neither was converted";
            planned[writer->second].refusal = clash;
            item.refusal = clash;
        }
        firstWriter.emplace(key, n);
        planned.push_back(std::move(item));
    }
    for (PlannedOutput &item : planned) {
        if (!item.refusal.empty())
            item.output.clear();
    }
    return planned;
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

Checked check(const std::string &name, std::span<const std::uint8_t> bytes, bool strict)
{
    // As check reads a file: the reason alone, put after the file's name.
    FileLines log;
    qor::CheckResult checked;
    if (!withinLimit(name, bytes, qor::maxCompiledFileSize, log) || !guarded(name, log, [&] {
            checked = qor::checkFile(bytes, kindByName(name, bytes));
            return true;
        }))
        checked.error = log.lastError();
    return qor::reportCheck(shown(name), checked, strict);
}

Info info(const std::string &name, std::span<const std::uint8_t> bytes)
{
    Info result;
    const qor::FileKind kind = kindByName(name, bytes);
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

Evaluated evaluate(const std::string &name, std::span<const std::uint8_t> bytes)
{
    Evaluated result;
    const auto animation = loaded(name, bytes, qor::kindOf(bytes), result.error);
    if (!animation)
        return result;
    try {
        const qor::EvaluatedAnimation evaluated = qor::evaluate(animation->reanim);
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
    } catch (const std::bad_alloc &) {
        result = Evaluated();
        result.error = "ERROR: not enough memory to convert " + shown(name) + "; nothing was written";
    }
    return result;
}

} // namespace web
