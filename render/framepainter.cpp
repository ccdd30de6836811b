#include "render/framepainter.h"

#include "qt/qtcore.h"

#include <QPolygonF>

namespace qor {

namespace {

const QColor placeholderFill(90, 140, 220, 90);
const QColor placeholderLine(40, 70, 150);
const QColor selectionColour(255, 120, 0);
constexpr int placeholderNamePixels = 7;

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

void paintItem(QPainter &painter, const SceneItem &item, const ImageLibrary &images)
{
    switch (item.kind) {
    case ItemKind::Image:
        if (const QImage image = images.image(item.image); !image.isNull())
            painter.drawImage(QPointF(0, 0), image);
        else
            drawPlaceholder(painter, item.track);
        break;
    case ItemKind::Placeholder:
        drawPlaceholder(painter, item.text);
        break;
    case ItemKind::Text:
        painter.setFont(textFont(item.font));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, item.size.width, item.size.height), Qt::AlignLeft | Qt::AlignTop,
                         qorqt::fromName(item.text));
        break;
    }
}

QPen cosmeticPen(qreal width, Qt::PenStyle style)
{
    QPen pen(selectionColour, width, style, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

void paintItems(QPainter &painter, const std::vector<SceneItem> &items, const ImageLibrary &images)
{
    const QTransform base = painter.worldTransform();
    const qreal opacity = painter.opacity();
    for (const SceneItem &item : items) {
        painter.setWorldTransform(toQTransform(item.matrix) * base);
        painter.setOpacity(opacity * item.opacity);
        paintItem(painter, item, images);
    }
    painter.setWorldTransform(base);
    painter.setOpacity(opacity);
}

void drawFrame(QPainter &painter, const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
               const DrawOptions &options)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    paintItems(painter, frameScene(animation, frame, images, options), images);
}

void drawTrack(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
               const ImageLibrary &images, const AnimationSource *attached)
{
    std::vector<SceneItem> items;
    trackScene(animation, track, frame, images, attached, items);
    paintItems(painter, items, images);
}

void drawSelection(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
                   const Clip &clip, const ImageLibrary &images, const AnimationSource *attached)
{
    const Selection selection = selectionOf(animation, track, frame, clip, images, attached);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    QPolygonF path;
    for (const Point &point : selection.path)
        path << QPointF(point.x, point.y);
    painter.setPen(cosmeticPen(1.0, Qt::DashLine));
    painter.drawPolyline(path);
    if (selection.outline && selection.origin) {
        QPolygonF outline;
        for (const Point &corner : *selection.outline)
            outline << QPointF(corner.x, corner.y);
        painter.setPen(cosmeticPen(2.0, Qt::SolidLine));
        painter.drawPolygon(outline);
        // A cross of fixed size in device pixels at the origin.
        const QPointF origin = painter.worldTransform().map(QPointF(selection.origin->x, selection.origin->y));
        painter.resetTransform();
        constexpr qreal arm = 5.0;
        painter.drawLine(origin - QPointF(arm, 0), origin + QPointF(arm, 0));
        painter.drawLine(origin - QPointF(0, arm), origin + QPointF(0, arm));
    }
    painter.restore();
}

} // namespace qor
