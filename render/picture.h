#pragma once

#include "core/scene/bounds.h"
#include "core/scene/evaluated.h"
#include "core/scene/sheet.h"
#include "render/framepainter.h"
#include "render/imagelibrary.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <string_view>
#include <vector>

namespace qor {

// One frame on a transparent picture; a null image when the framing has no pixel size.
QImage renderFrame(const EvaluatedAnimation &animation, int frame, const ImageLibrary &images, const Framing &framing,
                   const DrawOptions &options = {});

// Every frame of a clip in one framing, each over `background`; empty when a frame has no
// pixel size.
std::vector<QImage> renderClipFrames(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                                     const Framing &framing, const DrawOptions &options, const QColor &background);

// The picture drawn over a background colour; a transparent colour leaves it as it is.
QImage onBackground(const QImage &picture, const QColor &background);

// A clip's frames left to right, top to bottom, each in a cell framed by `cell`; null when
// it would not fit.
QImage renderSheet(const EvaluatedAnimation &animation, const Clip &clip, const ImageLibrary &images,
                   const Framing &cell, const SheetLayout &layout, const DrawOptions &options = {});

// The core's names and description for paths as Qt holds them.
QString clipFileName(const QString &animationPath, std::string_view clipName, const QString &suffix);
QString sheetDescriptionPath(const QString &sheetPath);
QByteArray sheetDescription(const Clip &clip, const Framing &cell, const SheetLayout &layout, QSize sheetSize);

} // namespace qor
