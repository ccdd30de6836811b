#include "render/picture.h"

#include "render/framepainter.h"

#include <QPainter>

#include <algorithm>
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
    const auto cellAt = [&](int index) {
        const QRect area(QPoint(index % grid.width() * cellSize.width(), index / grid.width() * cellSize.height()), cellSize);
        painter.resetTransform();
        painter.setClipRect(area);
        return area;
    };
    // Track by track, each into the cells of the frames it has: every cell still gets its
    // tracks in order, the first at the back, and frames past a track's end cost nothing.
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const EvaluatedTrack &evaluated = animation.tracks[track];
        if (evaluated.marksClip || options.hides(track))
            continue;
        const qint64 frames = std::min<qint64>(clip.frameCount, qint64(evaluated.frames.size()) - clip.firstFrame);
        for (int index = 0; index < frames; ++index) {
            frameOnto(painter, cell, cellAt(index).topLeft());
            drawTrack(painter, animation, track, clip.firstFrame + index, images);
        }
    }
    for (int index = 0; numbered && index < clip.frameCount; ++index)
        drawFrameNumber(painter, clip.firstFrame + index, cellAt(index));
    return sheet;
}

} // namespace qor
