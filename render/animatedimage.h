#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace qor {

// The animated picture forms a clip is exported to.
enum class AnimatedFormat { WebP, Gif };

// The form a file name asks for by its ending (".webp", ".gif", any case), if any.
std::optional<AnimatedFormat> animatedFormatOf(const QString &path);
QString animatedSuffix(AnimatedFormat format);

// When each frame of an animation at `fps` starts, in units of `perSecond` (1000 for
// WebP's milliseconds, 100 for GIF's hundredths), rounded so that the times add up;
// `frames` + 1 values, the last one the end.
std::vector<qint64> frameTimes(int frames, double fps, int perSecond);

// Encodes frames of one size as an animation that loops for ever, each shown for 1/fps
// seconds. WebP keeps every pixel (lossless); GIF keeps 256 colours, chosen for all frames
// together, and one of them transparent for pixels less than half opaque. Empty with the
// reason in `why` when the frames can't be encoded.
QByteArray encodeAnimation(const std::vector<QImage> &frames, double fps, AnimatedFormat format, QString *why);

} // namespace qor
