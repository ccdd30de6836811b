#include "core/scene/check.h"

#include "core/format/bodyreader.h"
#include "core/format/bodywriter.h"
#include "core/format/bytes.h"
#include "core/format/decompiler.h"
#include "core/format/messages.h"
#include "core/format/text.h"
#include "core/scene/attachment.h"
#include "core/scene/evaluated.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <variant>

namespace qor {

namespace {

// What a file comes to: a model, or the reason it does not read.
using Result = std::variant<Reanim, std::string>;

// The same number, bit for bit: a NaN's payload and sign are part of the value.
bool sameValue(float a, float b)
{
    return wordOf(a) == wordOf(b);
}

// A NaN with the bits that tell one from another.
std::string number(float value)
{
    char text[32];
    if (std::isnan(value))
        std::snprintf(text, sizeof text, "nan (0x%08X)", unsigned(wordOf(value)));
    else
        std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}

std::string quoted(std::string_view name)
{
    return '"' + printableName(name, 80) + '"';
}

// How a string of the track `label` (at `frame`, or the track's name) comes back, when not as
// it was: a zero byte inside, which the text can't carry, ends it there.
std::optional<std::string> stringDifference(const std::string &label, std::int64_t frame, std::string_view words,
                                            std::string_view what, std::string_view before, std::string_view after)
{
    if (before == after)
        return std::nullopt;
    const std::string where = label + (frame < 0 ? std::string() : ", frame " + std::to_string(frame)) + ": ";
    const std::size_t zero = before.find('\0');
    if (zero != std::string::npos && after == upToZero(before))
        return where + std::string(words) + " holds a zero byte at byte " + std::to_string(zero) + "; it comes back as "
            + quoted(after);
    return where + std::string(what) + ' ' + (frame < 0 ? std::string() : quoted(before) + ' ') + "comes back as "
        + quoted(after);
}

std::optional<std::string> frameDifference(const std::string &label, std::int64_t frame, const ReanimTransform &a,
                                           const ReanimTransform &b)
{
    for (const NumberField &field : numberFields) {
        if (!sameValue(a.*field.member, b.*field.member))
            return label + ", frame " + std::to_string(frame) + ": " + std::string(field.tag) + ' '
                + number(a.*field.member) + " comes back as " + number(b.*field.member);
    }
    static constexpr std::string_view words[] = {"image", "font", "text"};
    for (std::size_t n = 0; n < stringFields.size(); ++n) {
        if (auto difference = stringDifference(label, frame, stringFields[n].words, words[n], a.*stringFields[n].member,
                                               b.*stringFields[n].member))
            return difference;
    }
    return std::nullopt;
}

// The model a piece comes back as through its body and the text of it, as a decompile and a
// compile take it.
Result throughText(const Reanim &piece)
{
    LastError log;
    const auto text = decompileBodyToText(serializeReanim(piece), log);
    Reanim again;
    if (!text || !readReanimXml(*text, again, log))
        return log.reason;
    return again;
}

// The most tracks a file's check names for values no picture can place; the rest are counted.
constexpr std::size_t maxPlacementWarnings = 20;

// The round trip of a file, a piece at a time: the walk's tracks and frames gather in a small
// model of every byte of their names and values, which goes through its body, text and reader
// and is compared with what comes back. So a check takes little more memory than the file,
// however large, and finds the first value that does not come back in walk order.
class RoundTrip {
public:
    bool header(float fps, std::uint32_t tracks)
    {
        piece_.fps = fps;
        tracks_ = tracks;
        return true;
    }

    bool beginTrack(std::uint32_t track, std::string_view name, std::uint32_t frames)
    {
        if (piece_.tracks.empty()) {
            firstTrack_ = track;
            firstFrame_ = 0;
        }
        piece_.tracks.push_back({std::string(name), {}});
        // As many frames as the piece will hold, so they are stored once.
        piece_.tracks.back().transforms.reserve(std::min<std::size_t>(frames, pieceSize / frameSize + 1));
        frames_.push_back(frames);
        size_ += trackSize + name.size();
        state_ = {};
        return true;
    }

    bool frame(std::uint32_t track, std::uint32_t frame, const BodyFrame &values)
    {
        ReanimTrack &current = piece_.tracks.back();
        current.transforms.push_back(transformOf(values, NameBytes::All));
        size_ += frameSize + values.image.size() + values.font.size() + values.text.size();
        notePlacement(track, frame, current.transforms.back());
        if (size_ < pieceSize || frame + 1 == frames_.back())
            return true;
        if (!compare())
            return false;
        // The track goes on in the next piece, in the room this one had.
        std::string name = std::move(current.name);
        const std::int64_t frames = frames_.back();
        std::vector<ReanimTransform> room = std::move(current.transforms);
        room.clear();
        clear();
        size_ = trackSize + name.size();
        piece_.tracks.push_back({std::move(name), std::move(room)});
        frames_.push_back(frames);
        firstTrack_ = track;
        firstFrame_ = std::int64_t(frame) + 1;
        return true;
    }

    bool endTrack(std::uint32_t)
    {
        if (size_ < pieceSize)
            return true;
        if (!compare())
            return false;
        clear();
        return true;
    }

    // After the walk: the first value that does not come back, in words.
    std::optional<std::string> difference()
    {
        if (!difference_ && (!piece_.tracks.empty() || !compared_))
            compare();
        return difference_;
    }

    std::vector<std::string> placementWarnings() const
    {
        std::vector<std::string> warnings = placementWarnings_;
        if (unnamedPlacements_ > 0)
            warnings.push_back(std::to_string(unnamedPlacements_) + " more tracks hold values render leaves out");
        return warnings;
    }

private:
    // The bytes of a body a track and a frame take besides their strings, near enough to size
    // the pieces.
    static constexpr std::size_t trackSize = layout::trackEntrySize + 8;
    static constexpr std::size_t frameSize = layout::transformRecordSize + 12;
    static constexpr std::size_t pieceSize = std::size_t(1) << 20;

    // A state that no picture can place, where it starts: drawing leaves the track out there.
    void notePlacement(std::uint32_t track, std::uint32_t frame, const ReanimTransform &given)
    {
        const bool placedBefore = state_.placeable();
        state_ = nextState(state_, given);
        if (state_.placeable() || !placedBefore || placementTrack_ == std::int64_t(track))
            return;
        placementTrack_ = track;
        if (placementWarnings_.size() < maxPlacementWarnings)
            placementWarnings_.push_back(trackLabel(track, upToZero(piece_.tracks.back().name)) + ", frame "
                                         + std::to_string(frame) + ": " + unplaceableValue(state_)
                                         + ", which no picture can place; render leaves the track out there");
        else
            ++unnamedPlacements_;
    }

    // Sends the piece through and compares; false when it does not come back the same.
    bool compare()
    {
        compared_ = true;
        const Result again = throughText(piece_);
        if (const auto *why = std::get_if<std::string>(&again))
            difference_ = "it does not come back: " + (firstTrack_ > 0 || firstFrame_ > 0 ? whyInPlace() : *why);
        else
            difference_ = firstDifference(std::get<Reanim>(again));
        return !difference_;
    }

    void clear()
    {
        piece_.tracks.clear();
        frames_.clear();
        size_ = 0;
    }

    // Why the piece does not come back, with the tracks and frames before it in place, empty,
    // so that the reason names them as in the whole file.
    std::string whyInPlace() const
    {
        Reanim placed;
        placed.fps = piece_.fps;
        placed.tracks.resize(firstTrack_);
        placed.tracks.insert(placed.tracks.end(), piece_.tracks.begin(), piece_.tracks.end());
        std::vector<ReanimTransform> &frames = placed.tracks[firstTrack_].transforms;
        frames.insert(frames.begin(), std::size_t(firstFrame_), ReanimTransform());
        const Result again = throughText(placed);
        const auto *why = std::get_if<std::string>(&again);
        return why ? *why : "it could not be read";
    }

    // The first value of the piece that is not the same in `again`, in words, where it is in
    // the whole file.
    std::optional<std::string> firstDifference(const Reanim &again) const
    {
        if (!sameValue(piece_.fps, again.fps))
            return "the frame rate " + number(piece_.fps) + " comes back as " + number(again.fps);
        const auto lost = std::int64_t(piece_.tracks.size()) - std::int64_t(again.tracks.size());
        if (lost != 0)
            return std::to_string(tracks_) + " tracks come back as " + std::to_string(std::int64_t(tracks_) - lost);
        for (std::size_t t = 0; t < piece_.tracks.size(); ++t) {
            const ReanimTrack &ta = piece_.tracks[t];
            const ReanimTrack &tb = again.tracks[t];
            const std::string track = trackLabel(firstTrack_ + t, upToZero(ta.name));
            if (auto difference = stringDifference(track, -1, "the name", "the name", ta.name, tb.name))
                return difference;
            const auto lostFrames = std::int64_t(ta.transforms.size()) - std::int64_t(tb.transforms.size());
            if (lostFrames != 0)
                return track + ": " + std::to_string(frames_[t]) + " frames come back as "
                    + std::to_string(frames_[t] - lostFrames);
            const std::int64_t offset = t == 0 ? firstFrame_ : 0;
            for (std::size_t f = 0; f < ta.transforms.size(); ++f) {
                if (auto difference = frameDifference(track, offset + std::int64_t(f), ta.transforms[f], tb.transforms[f]))
                    return difference;
            }
        }
        return std::nullopt;
    }

    Reanim piece_;
    std::vector<std::int64_t> frames_; // each track's frames in the whole file
    std::uint32_t tracks_ = 0;
    std::size_t firstTrack_ = 0;
    std::int64_t firstFrame_ = 0;
    std::size_t size_ = 0;
    bool compared_ = false;
    std::optional<std::string> difference_;
    TrackState state_;
    std::int64_t placementTrack_ = -1;
    std::vector<std::string> placementWarnings_;
    std::int64_t unnamedPlacements_ = 0;
};

} // namespace

CheckResult checkWalkable(const WalkableFile &file)
{
    CheckResult checked;
    if (const std::size_t after = file.bytesAfterLastTrack(); after > 0) {
        checked.difference = std::to_string(after) + " bytes after the last track, which a decompile drops";
        return checked;
    }
    RoundTrip trip;
    file.walk(trip);
    checked.difference = trip.difference();
    checked.placementWarnings = trip.placementWarnings();
    return checked;
}

std::vector<std::string> missingAttachments(const WalkableFile &file, const AttachedFileBeside &beside)
{
    // The distinct texts of the frames, walked rather than modelled, so a large file costs no
    // more memory here than the check already spends on it.
    struct Texts {
        bool header(float, std::uint32_t) { return true; }
        bool beginTrack(std::uint32_t, std::string_view, std::uint32_t) { return true; }
        bool frame(std::uint32_t, std::uint32_t, const BodyFrame &values)
        {
            const std::string_view text = upToZero(values.text);
            if (text.starts_with("attacher__") && std::find(seen.begin(), seen.end(), text) == seen.end())
                seen.emplace_back(text);
            return true;
        }
        bool endTrack(std::uint32_t) { return true; }
        std::vector<std::string> seen;
    } texts;
    file.walk(texts);
    std::vector<std::string> missing;
    for (const std::string &text : texts.seen) {
        const auto attachment = parseAttachment(text);
        if (!attachment || beside(attachment->name))
            continue;
        const std::string looked = attachedFileWords(attachment->name);
        if (std::find(missing.begin(), missing.end(), looked) == missing.end())
            missing.push_back(looked);
    }
    for (std::string &each : missing)
        each = "attached animation not beside it: no " + each;
    return missing;
}

CheckResult checkFile(ByteView bytes, FileKind kind, const AttachedFileBeside &beside)
{
    LastError log;
    std::vector<ReaderWarning> warnings;
    const auto file = WalkableFile::read(bytes, kind, log, &warnings);
    CheckResult checked = file ? checkWalkable(*file) : CheckResult{log.reason, {}, {}, {}, {}};
    if (file)
        checked.attachmentWarnings = missingAttachments(*file, beside);
    checked.warnings = std::move(warnings);
    return checked;
}

std::string warningLine(std::string_view shownName, const ReaderWarning &warning)
{
    return std::string(shownName) + ':' + std::to_string(warning.line) + ": warning: " + warning.text;
}

CheckReport reportCheck(std::string_view shownName, const CheckResult &checked, bool strict)
{
    const std::string name(shownName);
    CheckReport report;
    for (const ReaderWarning &warning : checked.warnings)
        report.lines.push_back(warningLine(name, warning));
    for (const auto *more : {&checked.placementWarnings, &checked.attachmentWarnings}) {
        for (const std::string &warning : *more)
            report.lines.push_back(name + ": warning: " + warning);
    }
    report.warnings = int(report.lines.size());
    if (checked.error) {
        report.lines.push_back("ERROR: " + name + ": " + *checked.error);
        report.outcome = CheckReport::Outcome::Failed;
    } else if (checked.difference) {
        report.lines.push_back("ERROR: " + name + " does not come back the same: " + *checked.difference);
        report.outcome = CheckReport::Outcome::Different;
    } else {
        report.lines.push_back(name + ": comes back the same");
        report.outcome = strict && report.warnings > 0 ? CheckReport::Outcome::Failed : CheckReport::Outcome::Same;
    }
    return report;
}

} // namespace qor
