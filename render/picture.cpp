#include "render/picture.h"

#include "render/framepainter.h"

#include <QPainter>

#include <cmath>

namespace qor {

namespace {

constexpr int frameNumberPixels = 9;

bool fits(double width, double height)
{
    return width >= 1.0 && height >= 1.0 && width <= maxPictureSide && height <= maxPictureSide
           && width * height <= double(maxPicturePixels);
}

QImage transparentPicture(QSize size)
{
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    return picture;
}

// Maps the framing's area onto the picture, or a cell of a sheet at `corner`.
void frameOnto(QPainter &painter, const Framing &framing, QPointF corner = {})
{
    painter.setWorldTransform(QTransform::fromTranslate(-framing.area.left(), -framing.area.top())
                              * QTransform::fromScale(framing.scale, framing.scale)
                              * QTransform::fromTranslate(corner.x(), corner.y()));
}

void drawFrameNumber(QPainter &painter, int frame, QRect cell)
{
    painter.resetTransform();
    QFont font;
    font.setPixelSize(frameNumberPixels);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(cell.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(frame));
}

} // namespace

QSize Framing::pixelSize() const
{
    const double width = std::ceil(area.width() * scale);
    const double height = std::ceil(area.height() * scale);
    return std::isfinite(scale) && scale > 0 && fits(width, height) ? QSize(int(width), int(height)) : QSize();
}

Framing clipFraming(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images, qreal scale)
{
    const QRectF bounds = clipBounds(animation, clip, images);
    return {bounds.isEmpty() ? QRectF(0, 0, 1, 1) : bounds, scale};
}

QImage renderFrame(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images, const Framing &framing,
                   const DrawOptions &options)
{
    const QSize size = framing.pixelSize();
    if (size.isEmpty())
        return {};
    QImage picture = transparentPicture(size);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, framing.scale != 1.0);
    frameOnto(painter, framing);
    drawFrame(painter, animation, frame, images, options);
    return picture;
}

QSize sheetGrid(int frames)
{
    if (frames <= 0)
        return {};
    const int columns = int(std::ceil(std::sqrt(double(frames))));
    return {columns, (frames + columns - 1) / columns};
}

QImage renderSheet(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                   const Framing &cell, bool numbered, const DrawOptions &options)
{
    const QSize cellSize = cell.pixelSize();
    const QSize grid = sheetGrid(clip.frameCount);
    if (cellSize.isEmpty() || grid.isEmpty()
        || !fits(double(cellSize.width()) * grid.width(), double(cellSize.height()) * grid.height()))
        return {};
    QImage sheet = transparentPicture({cellSize.width() * grid.width(), cellSize.height() * grid.height()});
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, cell.scale != 1.0);
    for (int index = 0; index < clip.frameCount; ++index) {
        const QPoint corner(index % grid.width() * cellSize.width(), index / grid.width() * cellSize.height());
        painter.resetTransform();
        painter.setClipRect(QRect(corner, cellSize));
        frameOnto(painter, cell, corner);
        drawFrame(painter, animation, clip.firstFrame + index, images, options);
        if (numbered)
            drawFrameNumber(painter, clip.firstFrame + index, QRect(corner, cellSize));
    }
    return sheet;
}

} // namespace qor
