#include "web/session.h"

#include "core/edit/keeping.h"
#include "core/edit/saving.h"
#include "core/files/namerules.h"
#include "core/format/text.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <utility>

namespace web {

namespace {

using namespace qor::edit;

// The lines a save or a read logged.
class Lines : public qor::LogSink {
public:
    void logLine(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

template <typename Enum, std::size_t N>
std::optional<Enum> named(std::string_view name, const std::array<std::string_view, N> &names)
{
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? std::nullopt : std::optional<Enum>(Enum(found - names.begin()));
}

constexpr std::array<std::string_view, 8> fieldNames{"x", "y", "kx", "ky", "sx", "sy", "f", "a"};
constexpr std::array<std::string_view, 3> stringNames{"image", "font", "text"};
constexpr std::array<std::string_view, 4> dragNames{"move", "turn", "scale", "skew"};
constexpr std::array<std::string_view, 10> handleNames{"inside", "turn", "n", "s", "e", "w", "ne", "nw", "se", "sw"};

} // namespace

Session::Session(const std::string &name, const std::optional<Bytes> &bytes, const PageFiles &files)
    : name_(name), files_(files)
{
    if (!bytes) {
        document_.emplace(Document::blank(name));
        return;
    }
    Opened opened = Document::open(name, *bytes, qor::kindOf(name, *bytes));
    lines_ = std::move(opened.lines);
    if (opened.document)
        document_.emplace(std::move(*opened.document));
}

std::string Session::kind() const
{
    return document_ && document_->kind() == qor::FileKind::Compiled ? "compiled" : "text";
}

std::optional<Change> Session::changeOf(const Edit &edit) const
{
    const qor::Reanim &reanim = document_->reanim();
    const std::vector<std::size_t> every = allTracks(reanim);
    const std::vector<std::size_t> &tracks = edit.tracks.empty() ? every : edit.tracks;
    const std::string &op = edit.op;
    if (op == "setNumber") {
        const auto field = named<Field>(edit.field, fieldNames);
        return field ? setNumber(reanim, edit.tracks, edit.frame, edit.count, *field, edit.value) : std::nullopt;
    }
    if (op == "setString") {
        const auto kind = named<StringKind>(edit.field, stringNames);
        if (!kind)
            return std::nullopt;
        if (!edit.tracks.empty())
            return setString(reanim, edit.tracks, edit.frame, *kind, latin1Of(edit.text));
        return setString(reanim, edit.track, edit.frame, *kind, latin1Of(edit.text));
    }
    if (op == "drag") {
        const auto kind = named<Drag>(edit.field, dragNames);
        return kind ? drag(reanim, *kind, edit.drags) : std::nullopt;
    }
    if (op == "insertFrames")
        return insertFrames(reanim, tracks, edit.frame, edit.count);
    if (op == "duplicateFrame")
        return duplicateFrame(reanim, tracks, edit.frame);
    if (op == "duplicateFrames")
        return duplicateFrames(reanim, tracks, edit.frame, edit.count);
    if (op == "deleteFrames")
        return deleteFrames(reanim, tracks, edit.frame, edit.count);
    if (op == "pasteFrames")
        return pasteFrames(reanim, edit.clipboard, edit.tracks, edit.frame, edit.insert);
    if (op == "tween") {
        const auto field = named<Field>(edit.field, fieldNames);
        if (!edit.field.empty() && !field)
            return std::nullopt;
        const Easing easing = edit.easeInOut ? Easing::EaseInOut : Easing::Linear;
        if (!edit.tracks.empty())
            return tween(reanim, edit.tracks, edit.frame, edit.to, field, easing);
        return tween(reanim, edit.track, edit.frame, edit.to, field, easing);
    }
    if (op == "setKey")
        return setKey(reanim, edit.tracks, edit.frame);
    if (op == "clearKey")
        return clearKey(reanim, edit.tracks, edit.frame);
    if (op == "makeClip")
        return makeClip(reanim, latin1Of(edit.text), edit.frame, edit.count);
    if (op == "renameClip" || op == "moveClip" || op == "deleteClip") {
        std::size_t clip = edit.track;
        if (!edit.clip.empty()) {
            const std::string name = std::string(clipPrefix) + latin1Of(edit.clip);
            const auto found = std::find_if(reanim.tracks.begin(), reanim.tracks.end(),
                                            [&](const qor::ReanimTrack &track) { return track.name == name; });
            clip = std::size_t(found - reanim.tracks.begin());
        }
        if (op == "renameClip")
            return renameClip(reanim, clip, latin1Of(edit.text));
        if (op == "moveClip")
            return moveClip(reanim, clip, edit.frame, edit.count);
        return deleteClip(reanim, clip);
    }
    if (op == "duplicateTrack")
        return duplicateTrack(reanim, edit.track);
    if (op == "addTrack")
        return addTrack(reanim, edit.track, latin1Of(edit.text));
    if (op == "renameTrack")
        return renameTrack(reanim, edit.track, latin1Of(edit.text));
    if (op == "deleteTrack")
        return deleteTrack(reanim, edit.track);
    if (op == "moveTrack")
        return moveTrack(reanim, edit.track, edit.to);
    if (op == "setFps" && edit.value)
        return setFps(reanim, *edit.value);
    return std::nullopt;
}

bool Session::apply(const Edit &edit)
{
    if (!document_)
        return false;
    std::optional<Change> change = changeOf(edit);
    return change && document_->apply(std::move(*change));
}

void Session::sealStep()
{
    if (document_)
        document_->sealStep();
}

bool Session::undo()
{
    return document_ && document_->undo();
}

bool Session::redo()
{
    return document_ && document_->redo();
}

std::string Session::undoName() const
{
    return document_ ? qor::latin1ToUtf8(document_->undoName()) : std::string();
}

std::string Session::redoName() const
{
    return document_ ? qor::latin1ToUtf8(document_->redoName()) : std::string();
}

bool Session::changed() const
{
    return document_ && document_->changed();
}

void Session::markSaved()
{
    if (document_)
        document_->markSaved();
}

Saved Session::saveText() const
{
    Saved saved;
    if (!document_)
        return saved;
    Lines log;
    const std::optional<std::string> text = qor::edit::saveText(*document_, log);
    saved.lines = std::move(log.lines);
    if (text) {
        saved.ok = true;
        saved.bytes.assign(text->begin(), text->end());
    }
    return saved;
}

Saved Session::saveCompiled() const
{
    Saved saved;
    if (!document_)
        return saved;
    Lines log;
    std::optional<qor::Bytes> bytes = qor::edit::saveCompiled(*document_, log);
    saved.lines = std::move(log.lines);
    if (bytes) {
        saved.ok = true;
        saved.bytes = std::move(*bytes);
    }
    return saved;
}

std::vector<std::string> Session::droppedOnSave() const
{
    return document_ ? qor::edit::droppedOnSave(*document_) : std::vector<std::string>();
}

bool Session::beginDrag(const std::string &kind, const std::string &handle, const std::vector<std::size_t> &tracks,
                        std::size_t frame, qor::Point from)
{
    dragging_.reset();
    const auto drag = named<Drag>(kind, dragNames);
    const auto grabbed = named<Handle>(handle, handleNames);
    if (!document_ || !drag || !grabbed || frame > std::size_t(std::numeric_limits<int>::max()))
        return false;
    Dragging dragging{{*drag, *grabbed, {}, from}, {}};
    const qor::EvaluatedAnimation &animation = document_->evaluated();
    for (const std::size_t track : tracks) {
        const qor::TrackState *state = track < animation.tracks.size() ? animation.state(track, int(frame)) : nullptr;
        if (!state || !state->placeable())
            continue;
        if (dragging.start.empty())
            dragging.gesture.pivot = {state->x, state->y};
        dragging.start.push_back({track, frame, state->x, state->y, state->kx, state->ky, state->sx, state->sy});
    }
    if (dragging.start.empty())
        return false;
    // A track boxed alone has handles along its own axes (handleFrame): its scale measures along them.
    if (dragging.start.size() == 1) {
        dragging.gesture.axisX = dragging.start.front().kx;
        dragging.gesture.axisY = dragging.start.front().ky;
    }
    dragging_ = std::move(dragging);
    return true;
}

bool Session::dragTo(qor::Point to, bool constrain)
{
    if (!document_ || !dragging_)
        return false;
    std::vector<DragValue> values = dragged(dragging_->gesture, dragging_->start, to, constrain);
    keepUntouched(document_->reanim(), dragging_->gesture, constrain, values);
    std::optional<Change> change = drag(document_->reanim(), dragging_->gesture.kind, values);
    return change && document_->apply(std::move(*change));
}

void Session::endDrag()
{
    dragging_.reset();
    sealStep();
}

Bytes Session::original() const
{
    return document_ ? document_->original() : Bytes();
}

Bytes Session::keptEdits() const
{
    return document_ ? qor::edit::keptEdits(*document_) : Bytes();
}

bool Session::resumeEdits(std::span<const std::uint8_t> kept)
{
    return document_ && qor::edit::resumeEdits(*document_, kept);
}

const qor::ReanimTransform *Session::frameOf(std::size_t track, std::size_t frame) const
{
    if (!document_ || track >= document_->reanim().tracks.size())
        return nullptr;
    const auto &transforms = document_->reanim().tracks[track].transforms;
    return frame < transforms.size() ? &transforms[frame] : nullptr;
}

std::vector<Bytes> Session::givenFrames() const
{
    std::vector<Bytes> given;
    if (!document_)
        return given;
    for (const qor::ReanimTrack &track : document_->reanim().tracks) {
        Bytes &marks = given.emplace_back(track.transforms.size(), std::uint8_t(0));
        for (std::size_t n = 0; n < marks.size(); ++n) {
            const qor::ReanimTransform &frame = track.transforms[n];
            const bool number = std::any_of(qor::numberFields.begin(), qor::numberFields.end(),
                                            [&](const qor::NumberField &field) { return frame.*field.member != qor::unsetValue; });
            const bool text = std::any_of(qor::stringFields.begin(), qor::stringFields.end(),
                                          [&](const qor::StringField &field) { return !(frame.*field.member).empty(); });
            marks[n] = std::uint8_t((number ? 1 : 0) | (text ? 2 : 0));
        }
    }
    return given;
}

Clipboard Session::copy(const std::vector<std::size_t> &tracks, std::size_t first, std::size_t count) const
{
    return document_ ? copyFrames(document_->reanim(), tracks, first, count) : Clipboard();
}

const Preview &Session::preview()
{
    if (!document_) {
        static const qor::EvaluatedAnimation nothing;
        if (!preview_)
            preview_.emplace(name_, nothing, files_);
        return *preview_;
    }
    if (!preview_)
        preview_.emplace(name_, document_->evaluated(), files_);
    else if (previewed_ != document_->version())
        preview_->update(document_->evaluated());
    previewed_ = document_->version();
    return *preview_;
}

} // namespace web
