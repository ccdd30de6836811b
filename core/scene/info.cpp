#include "core/scene/info.h"

#include "core/scene/attachment.h"

#include "core/scene/evaluated.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unordered_set>

namespace qor {

namespace {

// The file as a whole: its frame rate, its tracks and the frames of its longest track.
struct Shape : PassingConsumer {
    float fps = 0;
    std::uint32_t tracks = 0;
    std::uint32_t frames = 0;

    bool header(float rate, std::uint32_t count)
    {
        fps = rate;
        tracks = count;
        return true;
    }
    bool beginTrack(std::uint32_t, std::string_view, std::uint32_t count)
    {
        frames = std::max(frames, count);
        return true;
    }
};

// Each track: its name, its frames and the images it uses, each once, in the order they
// first appear.
class TrackLister : public PassingConsumer {
public:
    TrackLister(InfoFormat format, TextOut &out) : format_(format), out_(out) {}

    bool beginTrack(std::uint32_t track, std::string_view name, std::uint32_t frames)
    {
        seen_.clear();
        if (format_ == InfoFormat::Json) {
            out_ << (track > 0 ? ",\n" : "\n") << "                {\"name\": ";
            out_.jsonLatin1(upToZero(name)) << ", \"frames\": " << std::int64_t(frames) << ", \"images\": [";
        } else {
            out_ << "  track " << std::int64_t(track) << " \"";
            out_.latin1(upToZero(name)) << "\": " << std::int64_t(frames) << " frames";
        }
        return true;
    }

    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &values)
    {
        const std::string_view image = upToZero(values.image);
        if (image.empty() || seen_.contains(image))
            return true;
        if (format_ == InfoFormat::Json) {
            out_ << (seen_.empty() ? "" : ", ");
            out_.jsonLatin1(image);
        } else {
            out_ << (seen_.empty() ? ", images " : ", ");
            out_.latin1(image);
        }
        seen_.insert(image);
        return true;
    }

    bool endTrack(std::uint32_t)
    {
        out_ << (format_ == InfoFormat::Json ? "]}" : "\n");
        return true;
    }

private:
    const InfoFormat format_;
    TextOut &out_;
    std::unordered_set<std::string_view> seen_;
};

// The clips the tracks mark.
class ClipLister : public PassingConsumer {
public:
    ClipLister(InfoFormat format, TextOut &out) : format_(format), out_(out) {}

    bool beginTrack(std::uint32_t, std::string_view name, std::uint32_t)
    {
        finder_.emplace(upToZero(name));
        return true;
    }

    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &values)
    {
        finder_->frame(values.fields[6], upToZero(values.image));
        return true;
    }

    bool endTrack(std::uint32_t)
    {
        const auto clip = finder_->clip();
        if (!clip)
            return true;
        if (format_ == InfoFormat::Json) {
            out_ << (clips_ > 0 ? ",\n" : "\n") << "                {\"name\": ";
            out_.jsonLatin1(clip->name) << ", \"first\": " << std::int64_t(clip->firstFrame)
                                        << ", \"frames\": " << std::int64_t(clip->frameCount) << "}";
        } else {
            out_ << "  clip \"";
            out_.latin1(clip->name) << "\": from frame " << std::int64_t(clip->firstFrame) << ", "
                                    << std::int64_t(clip->frameCount) << " frames\n";
        }
        ++clips_;
        return true;
    }

    std::int64_t clips() const { return clips_; }

private:
    const InfoFormat format_;
    TextOut &out_;
    std::optional<ClipFinder> finder_;
    std::int64_t clips_ = 0;
};

// The animations the frames' texts attach, each text once, in the order they first appear.
class AttachmentLister : public PassingConsumer {
public:
    AttachmentLister(InfoFormat format, TextOut &out) : format_(format), out_(out) {}

    bool frame(std::uint32_t, std::uint32_t, const BodyFrame &values)
    {
        const std::string_view text = upToZero(values.text);
        if (!text.starts_with("attacher__") || std::find(seen_.begin(), seen_.end(), text) != seen_.end())
            return true;
        seen_.emplace_back(text);
        if (const auto attachment = parseAttachment(text))
            write(*attachment);
        return true;
    }

    std::int64_t count() const { return count_; }

private:
    void write(const Attachment &attachment)
    {
        if (format_ == InfoFormat::Json) {
            out_ << (count_ > 0 ? ",\n" : "\n") << "                {\"name\": ";
            out_.jsonLatin1(attachment.name) << ", \"clip\": ";
            out_.jsonLatin1(attachment.clip) << ", \"tags\": [";
            for (std::size_t n = 0; n < attachment.tags.size(); ++n) {
                out_ << (n > 0 ? ", " : "");
                out_.jsonLatin1(attachment.tags[n]);
            }
            out_ << "]}";
        } else {
            out_ << "  attaches \"";
            out_.latin1(attachment.name) << "\"";
            if (!attachment.clip.empty()) {
                out_ << ", clip \"";
                out_.latin1(attachment.clip) << "\"";
            }
            if (!attachment.tags.empty()) {
                out_ << ", tags ";
                for (const std::string &tag : attachment.tags) {
                    out_ << "[";
                    out_.latin1(tag) << "]";
                }
            }
            out_ << "\n";
        }
        ++count_;
    }

    const InfoFormat format_;
    TextOut &out_;
    std::vector<std::string> seen_;
    std::int64_t count_ = 0;
};

static_assert(numberFields[6].tag == "f");

// The shortest decimal that reads back as `value` (std::to_chars of a double is not in every
// C++ library the core is built with).
std::string shortest(double value)
{
    char text[32];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}

} // namespace

void describeFile(const WalkableFile &file, std::string_view path, InfoFormat format, TextOut &out)
{
    Shape shape;
    file.walk(shape);
    const bool compiled = file.kind() == FileKind::Compiled;
    const bool fpsKnown = std::isfinite(shape.fps);
    TrackLister tracks(format, out);
    ClipLister clips(format, out);
    if (format == InfoFormat::Text) {
        char fps[32] = "no";
        if (fpsKnown)
            std::snprintf(fps, sizeof fps, "%g", double(shape.fps));
        out << path << ": " << (compiled ? "compiled" : "text") << ", " << fps << " fps, "
            << std::int64_t(shape.tracks) << " tracks, " << std::int64_t(shape.frames) << " frames\n";
        file.walk(tracks);
        file.walk(clips);
        AttachmentLister attachments(format, out);
        file.walk(attachments);
        return;
    }
    out << "        {\n            \"path\": ";
    // JSON has no NaN or infinity; such a rate is null.
    out.jsonUtf8(path) << ",\n            \"kind\": \"" << (compiled ? "compiled" : "text")
                       << "\",\n            \"fps\": " << (fpsKnown ? shortest(double(shape.fps)) : "null")
                       << ",\n            \"frames\": " << std::int64_t(shape.frames) << ",\n            \"tracks\": [";
    file.walk(tracks);
    out << (shape.tracks > 0 ? "\n            ],\n" : "],\n") << "            \"clips\": [";
    file.walk(clips);
    out << (clips.clips() > 0 ? "\n            ],\n" : "],\n") << "            \"attachments\": [";
    AttachmentLister attachments(format, out);
    file.walk(attachments);
    out << (attachments.count() > 0 ? "\n            ]\n" : "]\n") << "        }";
}

} // namespace qor
