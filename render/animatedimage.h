#pragma once

#include "core/image/animatedimage.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace qor {

// The core's animated exports (core/image) for pictures and names as Qt holds them.

// The form a file name asks for by its ending (".webp", ".gif", any case), if any.
std::optional<AnimatedFormat> animatedFormatOf(const QString &path);

// Encodes frames of one size as the core does (qor::encodeAnimation). Empty with the reason in
// `why` when the frames can't be encoded.
QByteArray encodeAnimation(const std::vector<QImage> &frames, double fps, AnimatedFormat format, QString *why);

} // namespace qor
