#include "core/edit/document.h"

#include "core/format/bodyreader.h"
#include "core/format/container.h"

#include <algorithm>

namespace qor::edit {

namespace {

class KeptLines : public LogSink {
public:
    void logLine(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

bool replacesInPlace(const Primitive &part)
{
    const auto *frames = std::get_if<FrameSplice>(&part);
    return frames && frames->removed.size() == frames->inserted.size();
}

// Folds `parts` (just applied) into `step`. A replacement of the frames the last part of the
// step to touch them replaced, exactly those, keeps that part's "before" and takes the new
// "after", so a drag of a thousand moves keeps one copy of the frames it moves; anything else
// is added to the step.
void foldInto(Step &step, std::vector<Primitive> parts)
{
    const bool onlyReplacements = std::all_of(step.parts.begin(), step.parts.end(), replacesInPlace);
    for (Primitive &part : parts) {
        if (onlyReplacements && replacesInPlace(part)) {
            auto &frames = std::get<FrameSplice>(part);
            const auto touches = [&](const Primitive &old) {
                const auto &before = std::get<FrameSplice>(old);
                return before.track == frames.track && before.at < frames.at + frames.removed.size()
                    && frames.at < before.at + before.removed.size();
            };
            const auto last = std::find_if(step.parts.rbegin(), step.parts.rend(), touches);
            if (last != step.parts.rend()) {
                auto &before = std::get<FrameSplice>(*last);
                if (before.at == frames.at && before.removed.size() == frames.removed.size()) {
                    before.inserted = std::move(frames.inserted);
                    continue;
                }
            }
        }
        step.parts.push_back(std::move(part));
    }
}

// Whether `reanim` takes every part of `steps` in turn, each step's parts in order, or, with
// `backwards`, each step undone from the last, its parts inverted from the last.
template <class Steps>
bool walks(Reanim &reanim, const Steps &steps, bool backwards)
{
    const auto take = [&](const Primitive &part) {
        if (!fits(reanim, part))
            return false;
        qor::edit::apply(reanim, part);
        return true;
    };
    if (!backwards) {
        for (const Step &step : steps)
            if (!std::all_of(step.parts.begin(), step.parts.end(), take))
                return false;
        return true;
    }
    for (auto step = steps.rbegin(); step != steps.rend(); ++step)
        for (auto part = step->parts.rbegin(); part != step->parts.rend(); ++part)
            if (!take(inverse(*part)))
                return false;
    return true;
}

bool sameModel(const Reanim &a, const Reanim &b)
{
    return wordOf(a.fps) == wordOf(b.fps)
        && std::equal(a.tracks.begin(), a.tracks.end(), b.tracks.begin(), b.tracks.end(),
                      [](const ReanimTrack &x, const ReanimTrack &y) {
                          return x.name == y.name
                              && std::equal(x.transforms.begin(), x.transforms.end(), y.transforms.begin(),
                                            y.transforms.end(), sameFrame);
                      });
}

// Every version a history names is one it has handed out, so the next change gets a new one.
bool versionsSound(const History &history, std::uint64_t savedVersion)
{
    const std::uint64_t last = history.lastVersion();
    const auto handedOut = [&](const Step &step) { return step.version > 0 && step.version <= last; };
    return history.base() <= last && savedVersion <= last
        && std::all_of(history.done().begin(), history.done().end(), handedOut)
        && std::all_of(history.undone().begin(), history.undone().end(), handedOut);
}

} // namespace

Document::Document(std::string name, FileKind kind, Reanim reanim)
    : name_(std::move(name)), kind_(kind), reanim_(std::move(reanim))
{
    evaluation_.reset(reanim_);
}

Document Document::blank(std::string name)
{
    return Document(std::move(name), FileKind::Text, Reanim());
}

Opened Document::open(std::string name, ByteView bytes, FileKind kind)
{
    Opened opened;
    KeptLines log;
    Reanim reanim;
    std::vector<ReaderWarning> warnings;
    Bytes body;
    if (kind == FileKind::Text) {
        if (!readReanimXml(charsOf(bytes), reanim, log, &warnings)) {
            opened.lines = std::move(log.lines);
            return opened;
        }
    } else {
        auto read = inflateCompiledFile(bytes, body, log) ? readReanimBody(body, log) : std::nullopt;
        if (!read) {
            opened.lines = std::move(log.lines);
            return opened;
        }
        reanim = std::move(*read);
    }
    Document document(std::move(name), kind, std::move(reanim));
    document.original_.assign(bytes.begin(), bytes.end());
    document.originalBody_ = std::move(body);
    document.warnings_ = std::move(warnings);
    opened.document.emplace(std::move(document));
    return opened;
}

void Document::applyOne(const Primitive &part)
{
    qor::edit::apply(reanim_, part);
    evaluation_.changed(part);
}

bool Document::applyParts(const std::vector<Primitive> &parts)
{
    for (std::size_t n = 0; n < parts.size(); ++n) {
        if (!fits(reanim_, parts[n])) {
            while (n-- > 0)
                applyOne(inverse(parts[n]));
            return false;
        }
        applyOne(parts[n]);
    }
    return true;
}

bool Document::apply(Change change)
{
    if (change.parts.empty() || !applyParts(change.parts))
        return false;
    if (groupDepth_ > 0) {
        foldInto(group_, std::move(change.parts));
    } else if (Step *last = history_.foldable(change.mergeKey)) {
        foldInto(*last, std::move(change.parts));
        last->version = history_.newVersion();
    } else {
        history_.push(Step{std::move(change.name), std::move(change.mergeKey), std::move(change.parts), history_.newVersion()});
    }
    return true;
}

void Document::beginGroup(std::string name)
{
    if (groupDepth_++ == 0)
        group_ = Step{std::move(name), {}, {}, 0};
}

void Document::endGroup()
{
    if (groupDepth_ > 0 && --groupDepth_ == 0)
        closeGroup();
}

void Document::closeGroup()
{
    groupDepth_ = 0;
    if (group_.parts.empty())
        return;
    group_.version = history_.newVersion();
    history_.push(std::move(group_));
    history_.sealLast();
    group_ = Step();
}

std::string Document::undoName() const
{
    if (!group_.parts.empty())
        return group_.name;
    const Step *step = history_.lastDone();
    return step ? step->name : std::string();
}

std::string Document::redoName() const
{
    const Step *step = history_.nextRedo();
    return step ? step->name : std::string();
}

bool Document::undo()
{
    closeGroup();
    const Step *step = history_.lastDone();
    if (!step)
        return false;
    for (auto part = step->parts.rbegin(); part != step->parts.rend(); ++part)
        applyOne(inverse(*part));
    history_.undid();
    return true;
}

bool Document::redo()
{
    closeGroup();
    const Step *step = history_.nextRedo();
    if (!step)
        return false;
    for (const Primitive &part : step->parts)
        applyOne(part);
    history_.redid();
    return true;
}

void Document::markSaved()
{
    closeGroup();
    savedVersion_ = history_.version();
    history_.sealLast();
}

bool Document::resume(Reanim current, const History &history, std::uint64_t savedVersion)
{
    if (canUndo() || canRedo() || !atOrigin() || !versionsSound(history, savedVersion))
        return false;
    // The undone steps are redone from `current`, the next to redo last in the list.
    Reanim forward = current;
    const std::vector<Step> &undone = history.undone();
    if (!walks(forward, std::vector<Step>(undone.rbegin(), undone.rend()), false))
        return false;
    Reanim back = current;
    if (!walks(back, history.done(), true) || (history.base() == 0 && !sameModel(back, reanim_)))
        return false;
    reanim_ = std::move(current);
    evaluation_.reset(reanim_);
    history_.restore(history.done(), history.undone(), history.base(), history.lastVersion());
    savedVersion_ = savedVersion;
    return true;
}

std::size_t Document::frameCount() const
{
    std::size_t count = 0;
    for (const ReanimTrack &track : reanim_.tracks)
        count = std::max(count, track.transforms.size());
    return count;
}

} // namespace qor::edit
