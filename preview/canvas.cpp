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

} // namespace

Canvas::Canvas(QWidget *parent) : QWidget(parent), checkers_(checkerBrush())
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
}

void Canvas::setScene(const qor::EvaluatedAnimation *animation, const qor::ImageLibrary *images)
{
    animation_ = animation;
    images_ = images;
    update();
}

void Canvas::setFrame(int frame, const qor::Clip &clip)
{
    frame_ = frame;
    clip_ = clip;
    update();
}

void Canvas::setOptions(const qor::DrawOptions &options, int selectedTrack)
{
    options_ = options;
    selectedTrack_ = selectedTrack;
    update();
}

void Canvas::fitToView()
{
    QRectF bounds;
    if (animation_ && images_)
        bounds = qor::clipBounds(*animation_, clip_, *images_);
    if (bounds.isEmpty())
        bounds = QRectF(0, 0, 100, 100);
    zoom_ = std::clamp(fitMargin * std::min(width() / bounds.width(), height() / bounds.height()), minZoom, maxZoom);
    pan_ = QPointF(width() / 2.0, height() / 2.0) - bounds.center() * zoom_;
    update();
}

void Canvas::zoomBy(double factor, QPointF fixedPoint)
{
    const QPointF under = (fixedPoint - pan_) / zoom_;
    zoom_ = std::clamp(zoom_ * factor, minZoom, maxZoom);
    pan_ = fixedPoint - under * zoom_;
    update();
}

QTransform Canvas::view() const
{
    return QTransform(zoom_, 0, 0, zoom_, pan_.x(), pan_.y());
}

void Canvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), checkers_);
    if (!animation_ || !images_)
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ != 1.0);
    painter.setWorldTransform(view());
    qor::drawFrame(painter, *animation_, frame_, *images_, options_);
    if (selectedTrack_ >= 0)
        qor::drawSelection(painter, *animation_, size_t(selectedTrack_), frame_, clip_, *images_);
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
    update();
}
