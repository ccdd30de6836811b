#include "render/animatedimage.h"

#include <algorithm>
#include <span>

namespace qor {

std::optional<AnimatedFormat> animatedFormatOf(const QString &path)
{
    const QByteArray utf8 = path.toUtf8();
    return animatedFormatOf(std::string_view(utf8.constData(), size_t(utf8.size())));
}

QByteArray encodeAnimation(const std::vector<QImage> &frames, double fps, AnimatedFormat format, QString *why)
{
    if (frames.empty() || frames.front().isNull()) {
        *why = QString::fromStdString(qor::encodeAnimation({}, 0, 0, fps, format).why);
        return {};
    }
    const QSize size = frames.front().size();
    // Straight red, green, blue and alpha bytes, row after row; a frame of another size is
    // left as it is, for the core to refuse.
    std::vector<QImage> rgba;
    std::vector<std::span<const std::uint8_t>> spans;
    rgba.reserve(frames.size());
    for (const QImage &frame : frames) {
        rgba.push_back(frame.convertToFormat(QImage::Format_RGBA8888));
        spans.emplace_back(rgba.back().constBits(), size_t(rgba.back().sizeInBytes()));
    }
    const EncodedAnimation encoded = qor::encodeAnimation(spans, size.width(), size.height(), fps, format);
    if (encoded.bytes.empty()) {
        *why = QString::fromStdString(encoded.why);
        return {};
    }
    return QByteArray(reinterpret_cast<const char *>(encoded.bytes.data()), qsizetype(encoded.bytes.size()));
}

} // namespace qor
