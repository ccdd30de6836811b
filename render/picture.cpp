#include "render/picture.h"

#include "qt/qtcore.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qor {

namespace {

constexpr int frameNumberPixels = 9;

QImage transparentPicture(QSize size)
{
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    return picture;
}

QSize qsize(Size size)
{
    return {int(size.width), int(size.height)};
}

// Maps the framing's area onto the picture, or a cell of a sheet at `corner`.
void frameOnto(QPainter &painter, const Framing &framing, QPointF corner = {})
{
    painter.setWorldTransform(QTransform::fromTranslate(-framing.area.x, -framing.area.y)
                              * QTransform::fromScale(framing.scale, framing.scale)
                              * QTransform::fromTranslate(corner.x(), corner.y()));
}

void drawFrameNumber(QPainter &painter, int number, QRect cell)
{
    painter.resetTransform();
    QFont font;
    font.setPixelSize(frameNumberPixels);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(cell.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(number));
}

QByteArray bytesOfPath(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

QImage renderFrame(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images, const Framing &framing,
                   const DrawOptions &options)
{
    const auto size = framing.pixelSize();
    if (!size)
        return {};
    QImage picture = transparentPicture(qsize(*size));
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

QImage renderSheet(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                   const Framing &cell, const SheetLayout &layout, const DrawOptions &options)
{
    const auto cellSize = cell.pixelSize();
    if (!cellSize || sheetGrid(clip.frameCount, layout.columns).empty())
        return {};
    const Size size = sheetSize(*cellSize, layout, clip.frameCount);
    if (!pictureSizeProblem(size.width, size.height).empty())
        return {};
    QImage sheet = transparentPicture(qsize(size));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto cellAt = [&](int index) {
        const SheetCell place = sheetCell(index, *cellSize, layout, clip.frameCount);
        const QRect rect(place.x, place.y, place.width, place.height);
        painter.resetTransform();
        painter.setClipRect(rect);
        return std::pair{place.number, rect};
    };
    // Track by track, each into the cells of the frames it has: every cell still gets its
    // tracks in order, the first at the back, and frames past a track's end cost nothing.
    for (size_t track = 0; track < animation.tracks.size(); ++track) {
        const EvaluatedTrack &evaluated = animation.tracks[track];
        if (evaluated.marksClip || options.hides(track))
            continue;
        const qint64 frames = std::min<qint64>(clip.frameCount, qint64(evaluated.frames.size()) - clip.firstFrame);
        for (int index = 0; index < frames; ++index) {
            frameOnto(painter, cell, cellAt(index).second.topLeft());
            drawTrack(painter, animation, track, clip.firstFrame + index, images, options.attached);
        }
    }
    for (int index = 0; layout.numbered && index < clip.frameCount; ++index) {
        const auto [number, rect] = cellAt(index);
        drawFrameNumber(painter, number, rect);
    }
    return sheet;
}

QString clipFileName(const QString &animationPath, std::string_view clipName, const QString &suffix)
{
    return qorqt::fromName(qor::clipFileName(animationName(animationPath), clipName, qorqt::toName(suffix)));
}

QString sheetDescriptionPath(const QString &sheetPath)
{
    const QByteArray path = bytesOfPath(sheetPath);
    return QFile::decodeName(QByteArray::fromStdString(qor::sheetDescriptionPath(qorqt::charsOf(path))));
}

QByteArray sheetDescription(const Clip &clip, const Framing &cell, const SheetLayout &layout, QSize sheetSize)
{
    return QByteArray::fromStdString(
        qor::sheetDescription(clip, cell, layout, Size{double(sheetSize.width()), double(sheetSize.height())}));
}

} // namespace qor
