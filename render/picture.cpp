#include "render/picture.h"

#include "qt/qtcore.h"

#include "render/framepainter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qor {

namespace {

constexpr int frameNumberPixels = 9;

bool fits(double width, double height)
{
    return pictureSizeProblem(width, height).isEmpty();
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

QString pictureSizeProblem(double width, double height)
{
    if (!(width >= 1.0 && height >= 1.0))
        return QStringLiteral("the picture would be empty");
    if (width * height > double(maxPicturePixels))
        return QStringLiteral("the picture would be %1 x %2 pixels, more than the %3 pixels a picture may have")
            .arg(width, 0, 'f', 0)
            .arg(height, 0, 'f', 0)
            .arg(maxPicturePixels);
    if (width > maxPictureSide || height > maxPictureSide)
        return QStringLiteral("the picture would be %1 x %2 pixels, more than %3 pixels a side")
            .arg(width, 0, 'f', 0)
            .arg(height, 0, 'f', 0)
            .arg(maxPictureSide);
    return {};
}

QSize Framing::pixelSize() const
{
    const double width = std::ceil(area.width() * scale);
    const double height = std::ceil(area.height() * scale);
    return std::isfinite(scale) && scale > 0 && fits(width, height) ? QSize(int(width), int(height)) : QSize();
}

Framing clipFraming(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images, qreal scale,
                    const AttachedAnimations *attached)
{
    const QRectF bounds = clipBounds(animation, clip, images, attached);
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
    frameOnto(painter, framing);
    drawFrame(painter, animation, frame, images, options);
    return picture;
}

std::vector<QImage> renderClipFrames(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                                     const Framing &framing, const DrawOptions &options, const QColor &background)
{
    std::vector<QImage> frames;
    for (int frame = clip.firstFrame; frame < clip.firstFrame + clip.frameCount; ++frame) {
        frames.push_back(onBackground(renderFrame(animation, frame, images, framing, options), background));
        if (frames.back().isNull())
            return {};
    }
    return frames;
}

QImage onBackground(const QImage &picture, const QColor &background)
{
    if (picture.isNull() || background.alpha() == 0)
        return picture;
    QImage filled(picture.size(), QImage::Format_ARGB32_Premultiplied);
    filled.fill(background);
    QPainter painter(&filled);
    painter.drawImage(0, 0, picture);
    return filled;
}

QSize sheetGrid(int frames, int columns)
{
    if (frames <= 0)
        return {};
    if (columns <= 0)
        columns = int(std::ceil(std::sqrt(double(frames))));
    columns = std::min(columns, frames);
    return {columns, (frames + columns - 1) / columns};
}

QRect sheetCell(int index, QSize cellSize, const SheetLayout &layout, int frames)
{
    const QSize grid = sheetGrid(frames, layout.columns);
    if (grid.isEmpty())
        return {};
    const int column = index % grid.width();
    const int row = index / grid.width();
    return {QPoint(layout.padding + column * (cellSize.width() + layout.padding),
                   layout.padding + row * (cellSize.height() + layout.padding)),
            cellSize};
}

QImage renderSheet(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                   const Framing &cell, const SheetLayout &layout, const DrawOptions &options)
{
    const QSize cellSize = cell.pixelSize();
    const QSize grid = sheetGrid(clip.frameCount, layout.columns);
    const double padding = std::max(layout.padding, 0);
    const double width = (cellSize.width() + padding) * grid.width() + padding;
    const double height = (cellSize.height() + padding) * grid.height() + padding;
    if (cellSize.isEmpty() || grid.isEmpty() || !fits(width, height))
        return {};
    QImage sheet = transparentPicture({int(width), int(height)});
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto cellAt = [&](int index) {
        const QRect place = sheetCell(index, cellSize, layout, clip.frameCount);
        painter.resetTransform();
        painter.setClipRect(place);
        return place;
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
            drawTrack(painter, animation, track, clip.firstFrame + index, images, options.attached);
        }
    }
    for (int index = 0; layout.numbered && index < clip.frameCount; ++index)
        drawFrameNumber(painter, index, cellAt(index));
    return sheet;
}

QString clipFileName(const QString &animationPath, std::string_view clipName, const QString &suffix)
{
    QString name = qorqt::fromName(animationName(animationPath));
    if (!clipName.empty())
        name += u'-' + qorqt::fromName(clipName);
    for (QChar &character : name) {
        if (character == u'/' || character == u'\\' || character.unicode() < 0x20)
            character = u'_';
    }
    return name + u'.' + suffix;
}

QString sheetDescriptionPath(const QString &sheetPath)
{
    QString path = sheetPath;
    if (path.endsWith(QLatin1StringView(".png"), Qt::CaseInsensitive))
        path.chop(4);
    return path + QStringLiteral(".json");
}

QByteArray sheetDescription(const Clip &clip, const Framing &cell, const SheetLayout &layout, QSize sheetSize)
{
    const QSize cellSize = cell.pixelSize();
    QJsonArray frames;
    for (int index = 0; index < clip.frameCount; ++index) {
        const QRect place = sheetCell(index, cellSize, layout, clip.frameCount);
        frames.append(QJsonObject{{QStringLiteral("frame"), index},
                                  {QStringLiteral("x"), place.x()},
                                  {QStringLiteral("y"), place.y()},
                                  {QStringLiteral("width"), place.width()},
                                  {QStringLiteral("height"), place.height()}});
    }
    const QPointF origin = QPointF(-cell.area.left(), -cell.area.top()) * cell.scale;
    return QJsonDocument(QJsonObject{{QStringLiteral("width"), sheetSize.width()},
                                     {QStringLiteral("height"), sheetSize.height()},
                                     {QStringLiteral("clip"), qorqt::fromName(clip.name)},
                                     {QStringLiteral("scale"), cell.scale},
                                     {QStringLiteral("origin"), QJsonObject{{QStringLiteral("x"), origin.x()},
                                                                            {QStringLiteral("y"), origin.y()}}},
                                     {QStringLiteral("frames"), frames}})
        .toJson();
}

} // namespace qor
