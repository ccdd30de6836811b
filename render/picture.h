#pragma once

#include "core/scene/evaluated.h"
#include "render/framepainter.h"
#include "render/imagelibrary.h"

#include <QImage>
#include <QRectF>
#include <QSize>

#include <string_view>
#include <vector>

namespace qor {

// The part of the animation a picture shows and its pixels per animation unit: at scale 1
// the point (x, y) is the pixel (x - left, y - top).
struct Framing {
    QRectF area;
    qreal scale = 1.0;

    // The picture's size in pixels; empty when it would be empty or larger than pictures go.
    QSize pixelSize() const;
};

// The largest picture side drawn, in pixels, and the most pixels in one picture.
inline constexpr int maxPictureSide = 32768;
inline constexpr qint64 maxPicturePixels = qint64(1) << 28;

// Why a picture of that many pixels a side is not drawn, in words; empty when it is.
QString pictureSizeProblem(double width, double height);

// The framing that covers all a clip's frames draw, at `scale`; a single unit at the
// origin when they draw nothing.
Framing clipFraming(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images, qreal scale,
                    const AttachedAnimations *attached = nullptr);

// One frame on a transparent picture; a null image when the framing has no pixel size.
QImage renderFrame(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images, const Framing &framing,
                   const DrawOptions &options = {});

// Every frame of a clip in one framing, each over `background`; empty when a frame has no
// pixel size.
std::vector<QImage> renderClipFrames(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                                     const Framing &framing, const DrawOptions &options, const QColor &background);

// The picture drawn over a background colour; a transparent colour leaves it as it is.
QImage onBackground(const QImage &picture, const QColor &background);

// How a sheet lays out its cells: `columns` of them (0: near square) with `padding` pixels
// around each, and each cell's number, counted from the clip's start, in its corner.
struct SheetLayout {
    int columns = 0;
    int padding = 0;
    bool numbered = false;
};

// Columns and rows of a sheet of `frames` cells, filled by rows: `columns` wide, or near
// square when that is 0.
QSize sheetGrid(int frames, int columns = 0);

// The place of cell `index` in a sheet of cells of `cellSize` laid out as `layout` says.
QRect sheetCell(int index, QSize cellSize, const SheetLayout &layout, int frames);

// A clip's frames left to right, top to bottom, each in a cell framed by `cell`; null when
// it would not fit.
QImage renderSheet(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                   const Framing &cell, const SheetLayout &layout, const DrawOptions &options = {});

// The name of a clip's export: the animation file's name, a dash and the clip's name (none
// for the whole animation), then `suffix` ("png", "webp", "gif"); no character of it leads
// to another folder.
QString clipFileName(const QString &animationPath, std::string_view clipName, const QString &suffix);

// Where a sheet's description goes: beside it, "sheet.png" giving "sheet.json".
QString sheetDescriptionPath(const QString &sheetPath);

// What a program playing the sheet needs, as JSON: the sheet's size, each frame's cell and
// the point of the cells where the animation's origin lies.
QByteArray sheetDescription(const Clip &clip, const Framing &cell, const SheetLayout &layout, QSize sheetSize);

} // namespace qor
