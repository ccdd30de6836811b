#pragma once

#include "core/evaluated.h"
#include "render/framepainter.h"
#include "render/imagelibrary.h"

#include <QImage>
#include <QRectF>
#include <QSize>

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

// The framing that covers all a clip's frames draw, at `scale`; a single unit at the
// origin when they draw nothing.
Framing clipFraming(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images, qreal scale);

// One frame on a transparent picture; a null image when the framing has no pixel size.
QImage renderFrame(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images, const Framing &framing,
                   const DrawOptions &options = {});

// Columns and rows of a sheet of `frames` cells: near square, filled by rows.
QSize sheetGrid(int frames);

// A clip's frames left to right, top to bottom, each in a cell framed by `cell`, with the
// frame number small in the top left corner when `numbered`; null when it would not fit.
QImage renderSheet(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                   const Framing &cell, bool numbered, const DrawOptions &options = {});

} // namespace qor
