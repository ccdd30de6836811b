#include "preview/canvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr double minZoom = 0.05;
constexpr double maxZoom = 40.0;
constexpr double wheelStep = 1.0015; // zoom factor per eighth of a degree
constexpr double fitMargin = 0.9;
constexpr int checkerSide = 12;
constexpr qreal onionOpacity = 0.25;
const QColor axisColour(220, 40, 40);
const QColor boundsColour(40, 120, 220);

QBrush checkerBrush()
{
    QPixmap tile(2 * checkerSide, 2 * checkerSide);
    tile.fill(QColor(250, 250, 250));
    QPainter painter(&tile);
    const QColor dark(228, 228, 228);
    painter.fillRect(0, 0, checkerSide, checkerSide, dark);
    painter.fillRect(checkerSide, checkerSide, checkerSide, checkerSide, dark);
    return QBrush(tile);
}

QPen guidePen(const QColor &colour, Qt::PenStyle style)
{
    QPen pen(colour, 1.0, style);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

Canvas::Canvas(QWidget *parent) : QWidget(parent), checkers_(checkerBrush())
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
}

void Canvas::setScene(const qor::EvaluatedAnimation *animation, const qor::ImageLibrary *images,
                      const qor::AttachedAnimations *attached)
{
    animation_ = animation;
    images_ = images;
    attached_ = attached;
    update();
}

void Canvas::setFrame(int frame, const qor::Clip &clip)
{
    frame_ = frame;
    clip_ = clip;
    update();
}

void Canvas::setTracks(const std::vector<bool> &hidden, int selectedTrack)
{
    hidden_ = hidden;
    selectedTrack_ = selectedTrack;
    update();
}

void Canvas::setBackground(const QColor &colour)
{
    background_ = colour;
    update();
}

void Canvas::setShowAxes(bool show)
{
    showAxes_ = show;
    update();
}

void Canvas::setShowBounds(bool show)
{
    showBounds_ = show;
    update();
}

void Canvas::setOnionSkin(bool show)
{
    onionSkin_ = show;
    update();
}

void Canvas::fitToView()
{
    QRectF bounds;
    if (animation_ && images_)
        bounds = qor::toQRectF(qor::clipBounds(*animation_, clip_, *images_, attached_));
    if (bounds.isEmpty())
        bounds = QRectF(0, 0, 100, 100);
    zoom_ = std::clamp(fitMargin * std::min(width() / bounds.width(), height() / bounds.height()), minZoom, maxZoom);
    pan_ = QPointF(width() / 2.0, height() / 2.0) - bounds.center() * zoom_;
    fitted_ = true;
    emit zoomChanged(zoom_);
    update();
}

void Canvas::setZoom(double zoom, QPointF fixedPoint)
{
    const QPointF under = (fixedPoint - pan_) / zoom_;
    zoom_ = std::clamp(zoom, minZoom, maxZoom);
    pan_ = fixedPoint - under * zoom_;
    fitted_ = false;
    emit zoomChanged(zoom_);
    update();
}

void Canvas::zoomBy(double factor, QPointF fixedPoint)
{
    setZoom(zoom_ * factor, fixedPoint);
}

void Canvas::zoomTo(double zoom)
{
    setZoom(zoom, QRectF(rect()).center());
}

QTransform Canvas::view() const
{
    return QTransform(zoom_, 0, 0, zoom_, pan_.x(), pan_.y());
}

void Canvas::drawGuides(QPainter &painter) const
{
    const QTransform map = view();
    if (showBounds_) {
        const QRectF bounds = qor::toQRectF(qor::clipBounds(*animation_, clip_, *images_, attached_));
        if (!bounds.isEmpty()) {
            painter.setPen(guidePen(boundsColour, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(map.mapRect(bounds));
        }
    }
    if (showAxes_) {
        const QPointF origin = map.map(QPointF(0, 0));
        painter.setPen(guidePen(axisColour, Qt::SolidLine));
        painter.drawLine(QPointF(0, origin.y()), QPointF(width(), origin.y()));
        painter.drawLine(QPointF(origin.x(), 0), QPointF(origin.x(), height()));
    }
}

void Canvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (background_.isValid())
        painter.fillRect(rect(), background_);
    else
        painter.fillRect(rect(), checkers_);
    if (!animation_ || !images_)
        return;
    painter.setWorldTransform(view());
    const qor::DrawOptions options{hidden_, attached_};
    if (onionSkin_) {
        painter.setOpacity(onionOpacity);
        for (const int other : {frame_ - 1, frame_ + 1}) {
            if (other >= clip_.firstFrame && other < clip_.firstFrame + clip_.frameCount)
                qor::drawFrame(painter, *animation_, other, *images_, options);
        }
        painter.setOpacity(1.0);
    }
    qor::drawFrame(painter, *animation_, frame_, *images_, options);
    if (selectedTrack_ >= 0)
        qor::drawSelection(painter, *animation_, size_t(selectedTrack_), frame_, clip_, *images_, attached_);
    painter.resetTransform();
    drawGuides(painter);
}

void Canvas::wheelEvent(QWheelEvent *event)
{
    zoomBy(std::pow(wheelStep, event->angleDelta().y()), event->position());
    event->accept();
}

void Canvas::mousePressEvent(QMouseEvent *event)
{
    dragFrom_ = event->position();
}

void Canvas::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & (Qt::LeftButton | Qt::MiddleButton)))
        return;
    pan_ += event->position() - dragFrom_;
    dragFrom_ = event->position();
    fitted_ = false;
    update();
}

void Canvas::resizeEvent(QResizeEvent *)
{
    if (fitted_)
        fitToView();
}
