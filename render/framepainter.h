#pragma once

#include "core/scene/bounds.h"
#include "core/scene/scene.h"
#include "render/attachedanimations.h"
#include "render/imagelibrary.h"

#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <vector>

namespace qor {

// What to leave out of a frame, and where attached animations come from.
using DrawOptions = SceneOptions;

inline QTransform toQTransform(const Matrix &m)
{
    return QTransform(m.a, m.b, m.c, m.d, m.e, m.f);
}
inline QRectF toQRectF(const Rect &rect)
{
    return rect.null() ? QRectF() : QRectF(rect.x, rect.y, rect.width, rect.height);
}
inline Rect toRect(const QRectF &rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// Paints a scene's items in order, the first at the back, in the painter's current
// coordinates (animation units). An image that does not decode draws the placeholder.
void paintItems(QPainter &painter, const std::vector<SceneItem> &items, const ImageLibrary &images);

// Paints the scene of one frame.
void drawFrame(QPainter &painter, const EvaluatedAnimation &animation, int frame, const ImageLibrary &images,
               const DrawOptions &options = {});

// Paints what one track draws in `frame`, with what it attaches.
void drawTrack(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
               const ImageLibrary &images, const AnimationSource *attached = nullptr);

// Marks one track: the outline of what it covers in `frame` and the path of its origin
// over the clip's frames. Lines keep their width whatever the painter's scale.
void drawSelection(QPainter &painter, const EvaluatedAnimation &animation, size_t track, int frame,
                   const Clip &clip, const ImageLibrary &images, const AnimationSource *attached = nullptr);

} // namespace qor
