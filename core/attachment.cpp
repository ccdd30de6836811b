#include "core/attachment.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qor {

namespace {

constexpr QByteArrayView attachPrefix("attacher__");
constexpr QByteArrayView nameEnd("__");
constexpr QByteArrayView clipPrefix("anim_");
// A hair more than the rounding of float rates, so that 10 frames at 10 fps in a 30 fps
// parent land on frame 10, not 9.
constexpr double frameEpsilon = 1e-6;

void applyTag(Attachment &attachment, const QByteArray &tag)
{
    attachment.tags.append(tag);
    const QByteArray word = tag.trimmed().toLower();
    bool isNumber = false;
    const float rate = word.toFloat(&isNumber);
    if (isNumber && std::isfinite(rate) && rate > 0.0f)
        attachment.fps = rate;
    else if (word == "hold")
        attachment.end = AttachmentEnd::Hold;
    else if (word == "once")
        attachment.end = AttachmentEnd::Once;
}

} // namespace

std::optional<Attachment> parseAttachment(const QByteArray &text)
{
    if (!text.startsWith(attachPrefix))
        return std::nullopt;
    const QByteArrayView rest = QByteArrayView(text).sliced(attachPrefix.size());
    const qsizetype bracket = rest.indexOf('[');
    const qsizetype tagsAt = bracket < 0 ? rest.size() : bracket;
    const QByteArrayView head = rest.first(tagsAt);
    const qsizetype split = head.indexOf(nameEnd);
    Attachment attachment;
    attachment.name = (split < 0 ? head : head.first(split)).toByteArray();
    if (attachment.name.isEmpty())
        return std::nullopt;
    if (split >= 0) {
        QByteArrayView clip = head.sliced(split + nameEnd.size());
        if (clip.startsWith(clipPrefix))
            clip = clip.sliced(clipPrefix.size());
        attachment.clip = clip.toByteArray();
    }
    for (QByteArrayView tags = rest.sliced(tagsAt); !tags.isEmpty();) {
        const qsizetype open = tags.indexOf('[');
        if (open < 0)
            break;
        const qsizetype close = tags.indexOf(']', open);
        applyTag(attachment, tags.sliced(open + 1, (close < 0 ? tags.size() : close) - open - 1).toByteArray());
        tags = close < 0 ? QByteArrayView() : tags.sliced(close + 1);
    }
    return attachment;
}

std::vector<Attachment> attachmentsOf(const Reanim &reanim)
{
    std::vector<Attachment> found;
    QList<QByteArray> texts;
    for (const ReanimTrack &track : reanim.tracks) {
        for (const ReanimTransform &frame : track.transforms) {
            if (frame.text.isEmpty() || texts.contains(frame.text))
                continue;
            texts.append(frame.text);
            if (auto attachment = parseAttachment(frame.text))
                found.push_back(std::move(*attachment));
        }
    }
    return found;
}

Clip attachedClip(const EvaluatedAnimation &attached, const Attachment &attachment, bool *found)
{
    *found = true;
    if (attachment.clip.isEmpty())
        return attached.whole();
    for (const Clip &clip : attached.clips) {
        if (clip.name.compare(attachment.clip, Qt::CaseInsensitive) == 0)
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
    const QByteArray &text = track.frames[size_t(last)].text;
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

QStringList attachedFileNames(const QByteArray &name)
{
    const QString base = QString::fromLatin1(name);
    return {base + QStringLiteral(".reanim.compiled"), base + QStringLiteral(".reanim")};
}

QString findAttachedFile(const QStringList &folders, const QByteArray &name)
{
    const QStringList wanted = attachedFileNames(name);
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QStringList files = dir.entryList(QDir::Files | QDir::Readable, QDir::Name);
        for (const QString &each : wanted) {
            // Only a name the folder lists can match, so no name leads out of the folder.
            const auto found = std::find_if(files.begin(), files.end(), [&](const QString &file) {
                return file.compare(each, Qt::CaseInsensitive) == 0;
            });
            if (found != files.end())
                return dir.absoluteFilePath(*found);
        }
    }
    return {};
}

} // namespace qor
