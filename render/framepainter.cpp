#include "render/framepainter.h"

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

void drawPlaceholder(QPainter &painter, const std::string &trackName)
{
    const QRectF box(0, 0, placeholderSide, placeholderSide);
    painter.fillRect(box, placeholderFill);
    painter.setPen(QPen(placeholderLine, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    QFont font;
    font.setPixelSize(placeholderNamePixels);
    painter.setFont(font);
    painter.drawText(box.adjusted(2, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere,
                     qorqt::fromName(trackName));
}

void drawPlaced(QPainter &painter, const std::string &trackName, const TrackState &state, const ImageLibrary &images)
{
    if (!state.image.empty()) {
        const QImage &image = images.image(state.image);
        if (image.isNull())
            drawPlaceholder(painter, trackName);
        else
            painter.drawImage(QPointF(0, 0), image);
    }
    if (!state.text.empty()) {
        const QString text = qorqt::fromName(state.text);
        const QFont font = fontFor(state.font);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(textArea(text, font), Qt::AlignLeft | Qt::AlignTop, text);
    }
}

QPen cosmeticPen(qreal width, Qt::PenStyle style)
{
    QPen pen(selectionColour, width, style, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    return pen;
}

// Calls `use(track, frame, area)` for every track and frame of a clip that draws something,
// with what it covers in animation units, track by track: only the frames each track has are
// visited, so a clip of many frames beside many short tracks takes no longer than its frames.
template <typename Use>
void forEachDrawnArea(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images, Use use)
{
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const EvaluatedTrack &evaluated = animation.tracks[track];
        if (evaluated.marksClip)
            continue;
        const auto end = std::min<qint64>(qint64(clip.firstFrame) + clip.frameCount, qint64(evaluated.frames.size()));
        for (qint64 frame = clip.firstFrame; frame < end; ++frame) {
            const TrackState &state = evaluated.frames[size_t(frame)];
            if (!drawn(state))
                continue;
            const QRectF area = trackArea(state, images);
            if (!area.isEmpty())
                use(track, int(frame), placement(state).mapRect(area));
        }
    }
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

QRectF trackArea(const TrackState &state, const ImageLibrary &images)
{
    QRectF area;
    if (!state.image.empty()) {
        const QImage &image = images.image(state.image);
        area = image.isNull() ? QRectF(0, 0, placeholderSide, placeholderSide) : QRectF(QPointF(0, 0), image.size());
    }
    if (!state.text.empty())
        area |= textArea(qorqt::fromName(state.text), fontFor(state.font));
    return area;
}

void drawTrack(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
               const ImageLibrary &images)
{
    const TrackState *state = drawnState(animation, track, frame);
    if (!state)
        return;
    const QTransform base = painter.worldTransform();
    const qreal opacity = painter.opacity();
    painter.setWorldTransform(placement(*state) * base);
    painter.setOpacity(opacity * std::clamp(qreal(state->a), 0.0, 1.0));
    drawPlaced(painter, animation.tracks[track].name, *state, images);
    painter.setWorldTransform(base);
    painter.setOpacity(opacity);
}

void drawFrame(QPainter &painter, const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
               const DrawOptions &options)
{
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        if (!options.hides(track))
            drawTrack(painter, animation, track, frame, images);
    }
}

QRectF frameBounds(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images)
{
    QRectF bounds;
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        if (const TrackState *state = drawnState(animation, track, frame)) {
            const QRectF area = trackArea(*state, images);
            if (!area.isEmpty())
                bounds |= placement(*state).mapRect(area);
        }
    }
    return bounds;
}

QRectF clipBounds(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images)
{
    QRectF bounds;
    forEachDrawnArea(animation, clip, images, [&](size_t, int, const QRectF &area) { bounds |= area; });
    return bounds;
}

std::optional<TrackFrame> farthestReach(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images)
{
    std::optional<TrackFrame> farthest;
    qreal reach = 0;
    forEachDrawnArea(animation, clip, images, [&](size_t track, int frame, const QRectF &area) {
        const qreal distance =
            std::max({std::abs(area.left()), std::abs(area.right()), std::abs(area.top()), std::abs(area.bottom())});
        if (!farthest || distance > reach) {
            farthest = TrackFrame{track, frame};
            reach = distance;
        }
    });
    return farthest;
}

void drawSelection(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
                   const Clip &clip, const ImageLibrary &images)
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
        painter.drawPolygon(map.map(QPolygonF(trackArea(*state, images))));
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
