#include "core/scene/attachment.h"

#include "core/format/numbers.h"
#include "core/format/text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qor {

namespace {

constexpr std::string_view attachPrefix = "attacher__";
constexpr std::string_view nameEnd = "__";
constexpr std::string_view clipPrefix = "anim_";
// A hair more than the rounding of float rates, so that 10 frames at 10 fps in a 30 fps
// parent land on frame 10, not 9.
constexpr double frameEpsilon = 1e-6;

// Latin-1 lower case: A-Z and À-Þ but for the multiplication sign.
char lowerLatin1(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
        return static_cast<char>(u + 0x20);
    return c;
}

// A tag as a word: without white space at its ends, in lower case.
std::string tagWord(std::string_view text)
{
    return lowerName(trimAsciiSpace(text));
}

void applyTag(Attachment &attachment, std::string_view tag)
{
    attachment.tags.emplace_back(tag);
    const std::string word = tagWord(tag);
    const std::optional<float> rate = readDecimal(word);
    if (rate && std::isfinite(*rate) && *rate > 0.0f)
        attachment.fps = *rate;
    else if (word == "hold")
        attachment.end = AttachmentEnd::Hold;
    else if (word == "once")
        attachment.end = AttachmentEnd::Once;
}

} // namespace

std::optional<Attachment> parseAttachment(std::string_view text)
{
    if (!text.starts_with(attachPrefix))
        return std::nullopt;
    const std::string_view rest = text.substr(attachPrefix.size());
    const size_t tagsAt = std::min(rest.find('['), rest.size());
    const std::string_view head = rest.substr(0, tagsAt);
    const size_t split = head.find(nameEnd);
    Attachment attachment;
    attachment.name = std::string(head.substr(0, split));
    if (attachment.name.empty())
        return std::nullopt;
    if (split != std::string_view::npos) {
        std::string_view clip = head.substr(split + nameEnd.size());
        if (clip.starts_with(clipPrefix))
            clip.remove_prefix(clipPrefix.size());
        attachment.clip = std::string(clip);
    }
    for (std::string_view tags = rest.substr(tagsAt); !tags.empty();) {
        const size_t open = tags.find('[');
        if (open == std::string_view::npos)
            break;
        const size_t close = tags.find(']', open);
        applyTag(attachment, tags.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                   : close - open - 1));
        tags = close == std::string_view::npos ? std::string_view() : tags.substr(close + 1);
    }
    return attachment;
}

std::vector<Attachment> attachmentsOf(const Reanim &reanim)
{
    std::vector<Attachment> found;
    std::vector<std::string_view> texts;
    for (const ReanimTrack &track : reanim.tracks) {
        for (const ReanimTransform &frame : track.transforms) {
            if (frame.text.empty() || std::find(texts.begin(), texts.end(), frame.text) != texts.end())
                continue;
            texts.emplace_back(frame.text);
            if (auto attachment = parseAttachment(frame.text))
                found.push_back(std::move(*attachment));
        }
    }
    return found;
}

std::string lowerName(std::string_view latin1)
{
    std::string lower(latin1);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerLatin1);
    return lower;
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerLatin1(x) == lowerLatin1(y); });
}

Clip attachedClip(const EvaluatedAnimation &attached, const Attachment &attachment, bool *found)
{
    *found = true;
    if (attachment.clip.empty())
        return attached.whole();
    for (const Clip &clip : attached.clips) {
        if (sameNameIgnoringCase(clip.name, attachment.clip))
            return clip;
    }
    *found = false;
    return attached.whole();
}

int attachmentStart(const EvaluatedTrack &track, int frame, int earliest)
{
    const int last = std::min(frame, int(std::min(track.frames.size(), size_t(std::numeric_limits<int>::max()))) - 1);
    if (last < 0 || earliest > last)
        return frame;
    const std::string &text = track.frames[size_t(last)].text;
    int start = std::max(earliest, 0);
    for (int n = last; n > start; --n) {
        if (track.frames[size_t(n - 1)].text != text) {
            start = n;
            break;
        }
    }
    while (start < last && !track.frames[size_t(start)].shown())
        ++start;
    return start;
}

std::optional<int> attachedFrame(const Attachment &attachment, int elapsed, float parentFps, float ownFps,
                                 int clipFrames)
{
    if (clipFrames <= 0 || elapsed < 0)
        return std::nullopt;
    const double rate = playbackFps(attachment.fps.value_or(ownFps));
    double position = std::floor(double(elapsed) * rate / double(playbackFps(parentFps)) + frameEpsilon);
    if (!std::isfinite(position))
        position = elapsed == 0 ? 0.0 : std::numeric_limits<double>::max(); // rates too far apart
    switch (attachment.end) {
    case AttachmentEnd::Hold:
        return int(std::min(position, double(clipFrames - 1)));
    case AttachmentEnd::Once:
        return position < double(clipFrames) ? std::optional<int>(int(position)) : std::nullopt;
    case AttachmentEnd::Loop:
        break;
    }
    return int(std::fmod(position, double(clipFrames)));
}

std::vector<std::string> attachedFileNames(std::string_view name)
{
    const std::string base(name);
    return {base + ".reanim.compiled", base + ".reanim"};
}

std::string attachedFileWords(std::string_view name)
{
    std::string words;
    for (const std::string &file : attachedFileNames(name))
        words += (words.empty() ? "" : " or ") + latin1ToUtf8(file);
    return words;
}

} // namespace qor
