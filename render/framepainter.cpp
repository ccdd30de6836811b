#include "render/framepainter.h"

#include "core/scene/attachment.h"
#include "qt/qtcore.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qor {

namespace {

const QColor placeholderFill(90, 140, 220, 90);
const QColor placeholderLine(40, 70, 150);
const QColor selectionColour(255, 120, 0);
constexpr int placeholderNamePixels = 7;
// Deeper attachments than this are left out, so that no file set draws for ever.
constexpr size_t maxAttachmentDepth = 16;

// Whether a track's state is drawn: it is shown and can be placed.
bool drawn(const TrackState &state)
{
    return state.shown() && state.placeable();
}

// The state of a track that draws something in `frame`, or null.
const TrackState *drawnState(const EvaluatedAnimation &animation, size_t track, int frame)
{
    const TrackState *state = animation.state(track, frame);
    if (!state || animation.tracks[track].marksClip || !drawn(*state))
        return nullptr;
    return state;
}

QFont fontFor(const std::string &name)
{
    const QString family = qorqt::fromName(name);
    return !family.isEmpty() && QFontDatabase::hasFamily(family) ? QFont(family) : QFont();
}

QRectF textArea(const QString &text, const QFont &font)
{
    return QRectF(QPointF(0, 0), QFontMetricsF(font).size(0, text));
}

void drawPlaceholder(QPainter &painter, const std::string &name)
{
    const QRectF box(0, 0, placeholderSide, placeholderSide);
    painter.fillRect(box, placeholderFill);
    // A line one unit wide inside the box, so that the box covers 40 units, not 41.
    painter.setPen(QPen(placeholderLine, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
    QFont font;
    font.setPixelSize(placeholderNamePixels);
    painter.setFont(font);
    painter.drawText(box.adjusted(2, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere,
                     qorqt::fromName(name));
}

// One drawing of a frame and the attachments inside it: what it draws with, and the names
// of the animations being drawn, outermost first, so that a cycle is cut where it closes.
struct Walk {
    const ImageLibrary &images;
    const AttachedAnimations *attached;
    std::vector<std::string> chain;
};

// What a track's attachment shows in a frame: a frame of another animation, or the
// placeholder when its file is not there.
struct AttachedView {
    std::string name;
    const EvaluatedAnimation *animation = nullptr;
    int frame = 0;
    int earliest = 0; // where the attached clip starts, for the attachments inside it
};

std::optional<AttachedView> attachedView(const EvaluatedAnimation &animation, size_t track, int frame, int earliest,
                                         const Walk &walk)
{
    const TrackState &state = animation.tracks[track].frames[size_t(frame)];
    const auto attachment = walk.attached ? parseAttachment(state.text) : std::nullopt;
    if (!attachment)
        return std::nullopt;
    const std::string key = lowerName(attachment->name);
    if (std::find(walk.chain.begin(), walk.chain.end(), key) != walk.chain.end()) {
        QStringList names;
        for (const std::string &name : walk.chain)
            names.append(qorqt::fromName(name));
        walk.attached->noteProblem(QStringLiteral("attachments go round: %1 attaches %2; cut at the second %2")
                                       .arg(names.join(QStringLiteral(" attaches ")), qorqt::fromName(key)));
        return std::nullopt;
    }
    if (walk.chain.size() >= maxAttachmentDepth) {
        walk.attached->noteProblem(QStringLiteral("attachments nest deeper than %1 at %2; not drawn there")
                                       .arg(maxAttachmentDepth)
                                       .arg(qorqt::fromName(key)));
        return std::nullopt;
    }
    const EvaluatedAnimation *attached = walk.attached->animation(attachment->name);
    if (!attached)
        return AttachedView{attachment->name};
    bool found = true;
    const Clip clip = attachedClip(*attached, *attachment, &found);
    if (!found)
        walk.attached->noteProblem(QStringLiteral("attached animation %1 has no clip %2; all of it plays")
                                       .arg(qorqt::fromName(attachment->name), qorqt::fromName(attachment->clip)));
    const int start = attachmentStart(animation.tracks[track], frame, earliest);
    const auto shown = attachedFrame(*attachment, frame - start, animation.fps, attached->fps, clip.frameCount);
    if (!shown)
        return AttachedView{key, attached, -1, clip.firstFrame};
    return AttachedView{key, attached, clip.firstFrame + *shown, clip.firstFrame};
}

void drawAnimation(QPainter &painter, const EvaluatedAnimation &animation, int frame, int earliest, Walk &walk,
                   const std::vector<bool> &hidden);
QRectF animationBounds(const EvaluatedAnimation &animation, int frame, int earliest, Walk &walk);

void drawAttached(QPainter &painter, const AttachedView &view, Walk &walk)
{
    if (!view.animation) {
        drawPlaceholder(painter, view.name);
        return;
    }
    walk.chain.push_back(view.name);
    drawAnimation(painter, *view.animation, view.frame, view.earliest, walk, {});
    walk.chain.pop_back();
}

void drawTrack(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame, int earliest,
               Walk &walk)
{
    const TrackState &state = animation.tracks[track].frames[size_t(frame)];
    if (!state.image.empty()) {
        const QImage image = walk.images.image(state.image);
        if (image.isNull())
            drawPlaceholder(painter, animation.tracks[track].name);
        else
            painter.drawImage(QPointF(0, 0), image);
    }
    if (const auto view = attachedView(animation, track, frame, earliest, walk)) {
        drawAttached(painter, *view, walk);
    } else if (!state.text.empty() && !parseAttachment(state.text)) {
        const QString text = qorqt::fromName(state.text);
        const QFont font = fontFor(state.font);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(textArea(text, font), Qt::AlignLeft | Qt::AlignTop, text);
    }
}

// The part of a track's own coordinates it covers in a frame: its image (or the
// placeholder), its text or what it attaches; empty when it draws nothing there.
QRectF trackArea(const EvaluatedAnimation &animation, size_t track, int frame, int earliest, Walk &walk)
{
    const TrackState &state = animation.tracks[track].frames[size_t(frame)];
    QRectF area;
    if (!state.image.empty()) {
        const QSize size = walk.images.size(state.image);
        area = size.isEmpty() ? QRectF(0, 0, placeholderSide, placeholderSide) : QRectF(QPointF(0, 0), size);
    }
    if (const auto view = attachedView(animation, track, frame, earliest, walk)) {
        if (!view->animation) {
            area |= QRectF(0, 0, placeholderSide, placeholderSide);
        } else if (view->frame >= 0) {
            walk.chain.push_back(view->name);
            area |= animationBounds(*view->animation, view->frame, view->earliest, walk);
            walk.chain.pop_back();
        }
    } else if (!state.text.empty() && !parseAttachment(state.text)) {
        area |= textArea(qorqt::fromName(state.text), fontFor(state.font));
    }
    return area;
}

void drawAnimation(QPainter &painter, const EvaluatedAnimation &animation, int frame, int earliest, Walk &walk,
                   const std::vector<bool> &hidden)
{
    if (frame < 0)
        return;
    const QTransform base = painter.worldTransform();
    const qreal opacity = painter.opacity();
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const TrackState *state = drawnState(animation, track, frame);
        if (!state || (track < hidden.size() && hidden[track]))
            continue;
        painter.setWorldTransform(placement(*state) * base);
        painter.setOpacity(opacity * std::clamp(qreal(state->a), 0.0, 1.0));
        drawTrack(painter, animation, track, frame, earliest, walk);
    }
    painter.setWorldTransform(base);
    painter.setOpacity(opacity);
}

QRectF animationBounds(const EvaluatedAnimation &animation, int frame, int earliest, Walk &walk)
{
    QRectF bounds;
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        if (const TrackState *state = drawnState(animation, track, frame)) {
            const QRectF area = trackArea(animation, track, frame, earliest, walk);
            if (!area.isEmpty())
                bounds |= placement(*state).mapRect(area);
        }
    }
    return bounds;
}

Walk topWalk(const ImageLibrary &images, const AttachedAnimations *attached)
{
    return {images, attached, attached ? std::vector<std::string>{attached->ownName()} : std::vector<std::string>{}};
}

// Calls `use(track, frame, area)` with the box, in animation units, of each track in each
// frame of the clip that it draws: track by track over the frames each track has, so that
// frames past a track's end cost nothing, however many tracks there are.
template <typename Use>
void forEachDrawnArea(const EvaluatedAnimation &animation, const Clip &clip, Walk &walk, Use use)
{
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const qint64 end = std::min<qint64>(qint64(clip.firstFrame) + clip.frameCount,
                                            qint64(animation.tracks[track].frames.size()));
        for (qint64 frame = clip.firstFrame; frame < end; ++frame) {
            if (const TrackState *state = drawnState(animation, track, int(frame))) {
                const QRectF area = trackArea(animation, track, int(frame), 0, walk);
                if (!area.isEmpty())
                    use(track, int(frame), placement(*state).mapRect(area));
            }
        }
    }
}

QPen cosmeticPen(qreal width, Qt::PenStyle style)
{
    QPen pen(selectionColour, width, style, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

QTransform placement(const TrackState &state)
{
    constexpr double radiansPerDegree = std::numbers::pi / 180.0;
    const double kx = double(state.kx) * radiansPerDegree;
    const double ky = double(state.ky) * radiansPerDegree;
    return QTransform(state.sx * std::cos(kx), state.sx * std::sin(kx), -state.sy * std::sin(ky),
                      state.sy * std::cos(ky), state.x, state.y);
}

void drawFrame(QPainter &painter, const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
               const DrawOptions &options)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    Walk walk = topWalk(images, options.attached);
    drawAnimation(painter, animation, frame, 0, walk, options.hidden);
}

QRectF frameBounds(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
                   const AttachedAnimations *attached)
{
    Walk walk = topWalk(images, attached);
    return animationBounds(animation, frame, 0, walk);
}

QRectF clipBounds(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                  const AttachedAnimations *attached)
{
    Walk walk = topWalk(images, attached);
    QRectF bounds;
    forEachDrawnArea(animation, clip, walk, [&](size_t, int, const QRectF &area) { bounds |= area; });
    return bounds;
}

std::optional<TrackFrame> farthestReach(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                                        const AttachedAnimations *attached)
{
    Walk walk = topWalk(images, attached);
    std::optional<TrackFrame> farthest;
    qreal reach = 0;
    forEachDrawnArea(animation, clip, walk, [&](size_t track, int frame, const QRectF &area) {
        const qreal distance =
            std::max({std::abs(area.left()), std::abs(area.right()), std::abs(area.top()), std::abs(area.bottom())});
        if (!farthest || distance > reach) {
            farthest = TrackFrame{track, frame};
            reach = distance;
        }
    });
    return farthest;
}

void drawTrack(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
               const ImageLibrary &images, const AttachedAnimations *attached)
{
    const TrackState *state = drawnState(animation, track, frame);
    if (!state)
        return;
    Walk walk = topWalk(images, attached);
    const QTransform base = painter.worldTransform();
    const qreal opacity = painter.opacity();
    painter.setWorldTransform(placement(*state) * base);
    painter.setOpacity(opacity * std::clamp(qreal(state->a), 0.0, 1.0));
    drawTrack(painter, animation, track, frame, 0, walk);
    painter.setWorldTransform(base);
    painter.setOpacity(opacity);
}

void drawSelection(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
                   const Clip &clip, const ImageLibrary &images, const AttachedAnimations *attached)
{
    if (track >= animation.tracks.size())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    QPolygonF path;
    for (int other = clip.firstFrame; other < clip.firstFrame + clip.frameCount; ++other) {
        const TrackState *state = animation.state(track, other);
        if (state && drawn(*state))
            path << QPointF(state->x, state->y);
    }
    painter.setPen(cosmeticPen(1.0, Qt::DashLine));
    painter.drawPolyline(path);
    const TrackState *state = animation.state(track, frame);
    if (state && state->placeable()) {
        const QTransform map = placement(*state);
        painter.setPen(cosmeticPen(2.0, Qt::SolidLine));
        Walk walk = topWalk(images, attached);
        painter.drawPolygon(map.map(QPolygonF(trackArea(animation, track, frame, 0, walk))));
        // A cross of fixed size in device pixels at the origin.
        const QPointF origin = painter.worldTransform().map(map.map(QPointF(0, 0)));
        painter.resetTransform();
        constexpr qreal arm = 5.0;
        painter.drawLine(origin - QPointF(arm, 0), origin + QPointF(arm, 0));
        painter.drawLine(origin - QPointF(0, arm), origin + QPointF(0, arm));
    }
    painter.restore();
}

} // namespace qor
