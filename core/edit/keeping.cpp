#include "core/edit/keeping.h"

#include "core/format/bytecursor.h"
#include "core/format/bytewriter.h"

#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>

namespace qor::edit {

namespace {

constexpr std::string_view magic = "QORE";
constexpr std::uint32_t formVersion = 1;
// A step's name and merge key are short words; anything longer is not ours.
constexpr std::size_t maxWordBytes = 4096;
// The least a frame and a track take in the bytes, to refuse counts the bytes cannot hold.
constexpr std::size_t frameBytes = 8 * 4 + 3 * 4;
constexpr std::size_t trackBytes = 2 * 4;
constexpr std::size_t stepBytes = 2 * 4 + 8 + 4; // name, merge key, version, parts

class Writer {
public:
    explicit Writer(Bytes &out) : out_(std::in_place, out) {}

    // The bytes written, whole: the writer is done with them.
    Bytes finished(Bytes &bytes)
    {
        out_.reset();
        return std::move(bytes);
    }

    void raw(std::string_view bytes) { out_->bytes(bytes); }
    void word(std::uint32_t value) { out_->u32(value); }
    void wide(std::uint64_t value)
    {
        word(std::uint32_t(value));
        word(std::uint32_t(value >> 32));
    }
    void string(std::string_view bytes)
    {
        word(std::uint32_t(bytes.size()));
        out_->bytes(bytes);
    }
    void frame(const ReanimTransform &frame)
    {
        for (const NumberField &field : numberFields)
            out_->f32(frame.*field.member);
        for (const StringField &field : stringFields)
            string((frame.*field.member).view());
    }
    void frames(const std::vector<ReanimTransform> &frames)
    {
        word(std::uint32_t(frames.size()));
        for (const ReanimTransform &each : frames)
            frame(each);
    }
    void track(const ReanimTrack &track)
    {
        string(track.name);
        frames(track.transforms);
    }
    void tracks(const std::vector<ReanimTrack> &tracks)
    {
        word(std::uint32_t(tracks.size()));
        for (const ReanimTrack &each : tracks)
            track(each);
    }
    void part(const Primitive &part)
    {
        word(std::uint32_t(part.index()));
        std::visit(Overloaded{
                       [&](const FrameSplice &change) {
                           word(std::uint32_t(change.track));
                           word(std::uint32_t(change.at));
                           frames(change.removed);
                           frames(change.inserted);
                       },
                       [&](const TrackSplice &change) {
                           word(std::uint32_t(change.at));
                           tracks(change.removed);
                           tracks(change.inserted);
                       },
                       [&](const TrackRename &change) {
                           word(std::uint32_t(change.track));
                           string(change.before);
                           string(change.after);
                       },
                       [&](const TrackMove &change) {
                           word(std::uint32_t(change.from));
                           word(std::uint32_t(change.to));
                       },
                       [&](const FpsChange &change) {
                           out_->f32(change.before);
                           out_->f32(change.after);
                       },
                   },
                   part);
    }
    template <class Steps>
    void steps(const Steps &steps)
    {
        word(std::uint32_t(steps.size()));
        for (const Step &step : steps) {
            string(step.name);
            string(step.mergeKey);
            wide(step.version);
            word(std::uint32_t(step.parts.size()));
            for (const Primitive &each : step.parts)
                part(each);
        }
    }

private:
    std::optional<ByteWriter> out_;
};

// Reads what Writer writes; every read checks what is left, and a count is refused when the
// bytes left could not hold that many of its items, so no input makes it reserve much.
class Reader {
public:
    explicit Reader(ByteView bytes) : in_(bytes) {}

    bool whole() const { return in_.remaining() == 0; }

    std::optional<std::uint32_t> word() { return in_.u32(); }
    std::optional<std::uint64_t> wide()
    {
        const auto low = word();
        const auto high = low ? word() : std::nullopt;
        return high ? std::optional<std::uint64_t>(*low | std::uint64_t(*high) << 32) : std::nullopt;
    }
    std::optional<float> number() { return in_.f32(); }
    std::optional<std::string> string(std::size_t most)
    {
        const auto size = word();
        const auto bytes = size && *size <= most ? in_.bytes(*size) : std::nullopt;
        return bytes ? std::optional<std::string>(std::string(charsOf(*bytes))) : std::nullopt;
    }
    std::optional<std::size_t> count(std::size_t itemBytes)
    {
        const auto size = word();
        return size && std::uint64_t(*size) * itemBytes <= in_.remaining() ? std::optional<std::size_t>(*size)
                                                                            : std::nullopt;
    }
    std::optional<ReanimTransform> frame()
    {
        ReanimTransform frame;
        for (const NumberField &field : numberFields) {
            const auto value = number();
            if (!value)
                return std::nullopt;
            frame.*field.member = *value;
        }
        for (const StringField &field : stringFields) {
            const auto value = string(maxNameBytes);
            if (!value)
                return std::nullopt;
            frame.*field.member = *value;
        }
        return frame;
    }
    // A count of items, then that many as `readOne` reads each; nothing when any of them fails.
    template <class Item, class ReadOne>
    std::optional<std::vector<Item>> listOf(std::size_t itemBytes, ReadOne readOne)
    {
        const auto size = count(itemBytes);
        if (!size)
            return std::nullopt;
        std::vector<Item> items;
        items.reserve(*size);
        for (std::size_t n = 0; n < *size; ++n) {
            std::optional<Item> each = readOne();
            if (!each)
                return std::nullopt;
            items.push_back(std::move(*each));
        }
        return items;
    }
    std::optional<std::vector<ReanimTransform>> frames()
    {
        return listOf<ReanimTransform>(frameBytes, [&] { return frame(); });
    }
    std::optional<std::vector<ReanimTrack>> tracks()
    {
        return listOf<ReanimTrack>(trackBytes, [&]() -> std::optional<ReanimTrack> {
            auto name = string(maxNameBytes);
            auto transforms = name ? frames() : std::nullopt;
            if (!transforms)
                return std::nullopt;
            return ReanimTrack{std::move(*name), std::move(*transforms)};
        });
    }
    std::optional<Primitive> part()
    {
        const auto kind = word();
        if (!kind)
            return std::nullopt;
        switch (*kind) {
        case 0: {
            const auto track = word();
            const auto at = track ? word() : std::nullopt;
            auto removed = at ? frames() : std::nullopt;
            auto inserted = removed ? frames() : std::nullopt;
            if (!inserted)
                return std::nullopt;
            return FrameSplice{*track, *at, std::move(*removed), std::move(*inserted)};
        }
        case 1: {
            const auto at = word();
            auto removed = at ? tracks() : std::nullopt;
            auto inserted = removed ? tracks() : std::nullopt;
            if (!inserted)
                return std::nullopt;
            return TrackSplice{*at, std::move(*removed), std::move(*inserted)};
        }
        case 2: {
            const auto track = word();
            auto before = track ? string(maxNameBytes) : std::nullopt;
            auto after = before ? string(maxNameBytes) : std::nullopt;
            if (!after)
                return std::nullopt;
            return TrackRename{*track, std::move(*before), std::move(*after)};
        }
        case 3: {
            const auto from = word();
            const auto to = from ? word() : std::nullopt;
            if (!to)
                return std::nullopt;
            return TrackMove{*from, *to};
        }
        case 4: {
            const auto before = number();
            const auto after = before ? number() : std::nullopt;
            if (!after)
                return std::nullopt;
            return FpsChange{*before, *after};
        }
        default:
            return std::nullopt;
        }
    }
    template <class Steps>
    std::optional<Steps> steps()
    {
        const auto size = count(stepBytes);
        if (!size)
            return std::nullopt;
        Steps steps;
        for (std::size_t n = 0; n < *size; ++n) {
            Step step;
            auto name = string(maxWordBytes);
            auto mergeKey = name ? string(maxWordBytes) : std::nullopt;
            const auto version = mergeKey ? wide() : std::nullopt;
            const auto parts = version ? count(4) : std::nullopt;
            if (!parts)
                return std::nullopt;
            step.name = std::move(*name);
            step.mergeKey = std::move(*mergeKey);
            step.version = *version;
            for (std::size_t p = 0; p < *parts; ++p) {
                auto each = part();
                if (!each)
                    return std::nullopt;
                step.parts.push_back(std::move(*each));
            }
            steps.push_back(std::move(step));
        }
        return steps;
    }

private:
    ByteCursor in_;
};

static_assert(std::is_same_v<std::variant_alternative_t<0, Primitive>, FrameSplice>
              && std::is_same_v<std::variant_alternative_t<4, Primitive>, FpsChange>);

} // namespace

Bytes keptEdits(const Document &document)
{
    Bytes bytes;
    Writer out(bytes);
    out.raw(magic);
    out.word(formVersion);
    const Reanim &reanim = document.reanim();
    out.word(wordOf(reanim.fps));
    out.tracks(reanim.tracks);
    const History &history = document.history();
    out.steps(history.done());
    out.steps(history.undone());
    out.wide(history.base());
    out.wide(history.lastVersion());
    out.wide(document.savedVersion());
    return out.finished(bytes);
}

bool resumeEdits(Document &document, ByteView kept)
{
    if (kept.size() < magic.size() || charsOf(kept.first(magic.size())) != magic)
        return false;
    Reader body(kept.subspan(magic.size()));
    Reanim current;
    const auto version = body.word();
    const auto fps = version && *version == formVersion ? body.number() : std::nullopt;
    auto tracks = fps ? body.tracks() : std::nullopt;
    auto done = tracks ? body.steps<std::deque<Step>>() : std::nullopt;
    auto undone = done ? body.steps<std::vector<Step>>() : std::nullopt;
    const auto base = undone ? body.wide() : std::nullopt;
    const auto last = base ? body.wide() : std::nullopt;
    const auto saved = last ? body.wide() : std::nullopt;
    if (!saved || !body.whole())
        return false;
    current.fps = *fps;
    current.tracks = std::move(*tracks);
    History history(std::numeric_limits<std::size_t>::max()); // the document keeps to its own limit
    history.restore(std::move(*done), std::move(*undone), *base, *last);
    return document.resume(std::move(current), history, *saved);
}

} // namespace qor::edit
