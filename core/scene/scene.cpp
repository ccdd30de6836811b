#include "core/scene/scene.h"

#include "core/format/text.h"
#include "core/scene/attachment.h"
#include "core/scene/imagename.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qor {

namespace {

// Deeper attachments than this are left out, so that no file set draws for ever.
constexpr size_t maxAttachmentDepth = 16;

// One walk through a frame and the attachments inside it: what it asks for sizes and
// animations, the names of the animations being drawn, outermost first, so that a cycle is
// cut where it closes, and the path of tracks to the one being drawn.
struct Walk {
    const ImageSizes &sizes;
    const AnimationSource *attached;
    std::vector<std::string> chain;
    std::vector<std::uint32_t> path;
    std::vector<SceneItem> &items;
};

// What a track's attachment shows in a frame: a frame of another animation, or the
// placeholder when its file is not there.
struct AttachedView {
    std::string name;
    const EvaluatedAnimation *animation = nullptr;
    int frame = 0;
    int earliest = 0; // where the attached clip starts, for the attachments inside it
};

std::string joined(const std::vector<std::string> &names, std::string_view between)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : std::string(between)) + latin1ToUtf8(name);
    return text;
}

std::optional<AttachedView> attachedView(const EvaluatedAnimation &animation, size_t track, int frame, int earliest,
                                         const Walk &walk)
{
    const TrackState &state = animation.tracks[track].frames[size_t(frame)];
    const auto attachment = walk.attached ? parseAttachment(state.text) : std::nullopt;
    if (!attachment)
        return std::nullopt;
    const std::string key = lowerName(attachment->name);
    if (std::find(walk.chain.begin(), walk.chain.end(), key) != walk.chain.end()) {
        walk.attached->noteProblem("attachments go round: " + joined(walk.chain, " attaches ") + " attaches "
                                   + latin1ToUtf8(key) + "; cut at the second " + latin1ToUtf8(key));
        return std::nullopt;
    }
    if (walk.chain.size() >= maxAttachmentDepth) {
        walk.attached->noteProblem("attachments nest deeper than " + std::to_string(maxAttachmentDepth) + " at "
                                   + latin1ToUtf8(key) + "; not drawn there");
        return std::nullopt;
    }
    const EvaluatedAnimation *attached = walk.attached->animation(attachment->name);
    if (!attached)
        return AttachedView{attachment->name};
    bool found = true;
    const Clip clip = attachedClip(*attached, *attachment, &found);
    if (!found)
        walk.attached->noteProblem("attached animation " + latin1ToUtf8(attachment->name) + " has no clip "
                                   + latin1ToUtf8(attachment->clip) + "; all of it plays");
    const int start = attachmentStart(animation.tracks[track], frame, earliest);
    const auto shown = attachedFrame(*attachment, frame - start, animation.fps, attached->fps, clip.frameCount);
    return AttachedView{key, attached, shown ? clip.firstFrame + *shown : -1, clip.firstFrame};
}

void add(Walk &walk, SceneItem item, const Matrix &matrix, double opacity)
{
    item.matrix = matrix;
    item.opacity = opacity;
    item.path = walk.path;
    walk.items.push_back(std::move(item));
}

SceneItem item(ItemKind kind, const std::string &track, Size size)
{
    SceneItem made;
    made.kind = kind;
    made.track = track;
    made.size = size;
    return made;
}

SceneItem placeholder(const std::string &name, const std::string &track)
{
    SceneItem made = item(ItemKind::Placeholder, track, {placeholderSide, placeholderSide});
    made.text = name;
    return made;
}

void addAnimation(const EvaluatedAnimation &animation, int frame, int earliest, Walk &walk, const Matrix &base,
                  double opacity, const std::vector<bool> &hidden);

void addTrack(const EvaluatedAnimation &animation, size_t track, int frame, int earliest, Walk &walk,
              const Matrix &matrix, double opacity)
{
    const EvaluatedTrack &evaluated = animation.tracks[track];
    const TrackState &state = evaluated.frames[size_t(frame)];
    walk.path.push_back(std::uint32_t(track));
    if (!state.image.empty()) {
        if (const auto size = walk.sizes.imageSize(state.image)) {
            SceneItem image = item(ItemKind::Image, evaluated.name, *size);
            image.image = state.image;
            image.key = imageFileKey(state.image);
            add(walk, std::move(image), matrix, opacity);
        } else {
            add(walk, placeholder(evaluated.name, evaluated.name), matrix, opacity);
        }
    }
    if (const auto view = attachedView(animation, track, frame, earliest, walk)) {
        if (!view->animation) {
            add(walk, placeholder(view->name, evaluated.name), matrix, opacity);
        } else {
            walk.chain.push_back(view->name);
            addAnimation(*view->animation, view->frame, view->earliest, walk, matrix, opacity, {});
            walk.chain.pop_back();
        }
    } else if (!state.text.empty() && !parseAttachment(state.text)) {
        SceneItem text = item(ItemKind::Text, evaluated.name, walk.sizes.textSize(state.text, state.font));
        text.text = state.text;
        text.font = state.font;
        add(walk, std::move(text), matrix, opacity);
    }
    walk.path.pop_back();
}

double opacityOf(const TrackState &state)
{
    return std::clamp(double(state.a), 0.0, 1.0);
}

void addAnimation(const EvaluatedAnimation &animation, int frame, int earliest, Walk &walk, const Matrix &base,
                  double opacity, const std::vector<bool> &hidden)
{
    if (frame < 0)
        return;
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const TrackState *state = drawnState(animation, track, frame);
        if (state && !(track < hidden.size() && hidden[track]))
            addTrack(animation, track, frame, earliest, walk, base.after(placement(*state)),
                     opacity * opacityOf(*state));
    }
}

std::vector<std::string> topChain(const AnimationSource *attached)
{
    return attached ? std::vector<std::string>{attached->topName()} : std::vector<std::string>{};
}

} // namespace

Matrix placement(const TrackState &state)
{
    constexpr double radiansPerDegree = std::numbers::pi / 180.0;
    const double kx = double(state.kx) * radiansPerDegree;
    const double ky = double(state.ky) * radiansPerDegree;
    const double sx = state.sx;
    const double sy = state.sy;
    return {sx * std::cos(kx), sx * std::sin(kx), -sy * std::sin(ky), sy * std::cos(ky), state.x, state.y};
}

const TrackState *drawnState(const EvaluatedAnimation &animation, size_t track, int frame)
{
    const TrackState *state = animation.state(track, frame);
    if (!state || animation.tracks[track].marksClip || !state->shown() || !state->placeable())
        return nullptr;
    return state;
}

std::vector<SceneItem> frameScene(const EvaluatedAnimation &animation, int frame, const ImageSizes &sizes,
                                  const SceneOptions &options)
{
    std::vector<SceneItem> items;
    Walk walk{sizes, options.attached, topChain(options.attached), {}, items};
    addAnimation(animation, frame, 0, walk, Matrix(), 1.0, options.hidden);
    return items;
}

void trackScene(const EvaluatedAnimation &animation, size_t track, int frame, const ImageSizes &sizes,
                const AnimationSource *attached, std::vector<SceneItem> &items, bool own)
{
    const TrackState *state = own ? animation.state(track, frame) : drawnState(animation, track, frame);
    if (!state || !state->placeable() || animation.tracks[track].marksClip)
        return;
    Walk walk{sizes, attached, topChain(attached), {}, items};
    addTrack(animation, track, frame, 0, walk, own ? Matrix() : placement(*state), own ? 1.0 : opacityOf(*state));
}

} // namespace qor
