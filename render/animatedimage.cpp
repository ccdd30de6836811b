#include "render/animatedimage.h"

#include "core/scene/evaluated.h"

#include <gif_lib.h>
#include <libimagequant.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <array>
#include <limits>
#include <cmath>
#include <memory>

namespace qor {

namespace {

// Each library's objects are released by their own functions.
template <auto release> struct Releaser {
    template <typename T> void operator()(T *object) const { release(object); }
};
template <typename T, auto release> using Owned = std::unique_ptr<T, Releaser<release>>;

void closeGif(GifFileType *gif)
{
    int error = 0;
    EGifCloseFile(gif, &error);
}

using WebPEncoder = Owned<WebPAnimEncoder, WebPAnimEncoderDelete>;
using LiqAttr = Owned<liq_attr, liq_attr_destroy>;
using LiqImage = Owned<liq_image, liq_image_destroy>;
using LiqHistogram = Owned<liq_histogram, liq_histogram_destroy>;
using LiqResult = Owned<liq_result, liq_result_destroy>;
using GifMap = Owned<ColorMapObject, GifFreeMapObject>;
using GifWriter = Owned<GifFileType, closeGif>;

struct WebPPictureOwner {
    WebPPicture picture{};
    WebPPictureOwner() { WebPPictureInit(&picture); }
    ~WebPPictureOwner() { WebPPictureFree(&picture); }
    WebPPictureOwner(const WebPPictureOwner &) = delete;
    WebPPictureOwner &operator=(const WebPPictureOwner &) = delete;
};

// Straight (not premultiplied) red, green, blue and alpha bytes, row after row.
QImage rgbaOf(const QImage &frame)
{
    return frame.convertToFormat(QImage::Format_RGBA8888);
}

QByteArray encodeWebP(const std::vector<QImage> &frames, double fps, QString *why)
{
    const QSize size = frames.front().size();
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) {
        *why = QStringLiteral("libwebp is not the version this program was built with");
        return {};
    }
    options.anim_params.loop_count = 0; // for ever
    config.lossless = 1;
    config.quality = 75; // in lossless mode: the effort spent making the file small
    const WebPEncoder encoder(WebPAnimEncoderNew(size.width(), size.height(), &options));
    if (!encoder) {
        *why = QStringLiteral("libwebp could not start an animation");
        return {};
    }
    const std::vector<qint64> times = frameTimes(int(frames.size()), fps, 1000);
    for (size_t index = 0; index < frames.size(); ++index) {
        const QImage rgba = rgbaOf(frames[index]);
        WebPPictureOwner picture;
        picture.picture.use_argb = 1;
        picture.picture.width = rgba.width();
        picture.picture.height = rgba.height();
        if (!WebPPictureImportRGBA(&picture.picture, rgba.constBits(), int(rgba.bytesPerLine()))
            || !WebPAnimEncoderAdd(encoder.get(), &picture.picture, int(times[index]), &config)) {
            *why = QStringLiteral("libwebp could not add frame %1: %2")
                       .arg(index)
                       .arg(QString::fromUtf8(WebPAnimEncoderGetError(encoder.get())));
            return {};
        }
    }
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, int(times.back()), nullptr)
        || !WebPAnimEncoderAssemble(encoder.get(), &data)) {
        *why = QStringLiteral("libwebp could not finish the animation: %1")
                   .arg(QString::fromUtf8(WebPAnimEncoderGetError(encoder.get())));
        WebPDataClear(&data);
        return {};
    }
    QByteArray bytes(reinterpret_cast<const char *>(data.bytes), qsizetype(data.size));
    WebPDataClear(&data);
    return bytes;
}

// GIF keeps a pixel or leaves it out: less than half opaque is out.
QImage opaqueOrClear(const QImage &frame)
{
    QImage rgba = rgbaOf(frame);
    for (int y = 0; y < rgba.height(); ++y) {
        uchar *pixel = rgba.scanLine(y);
        for (int x = 0; x < rgba.width(); ++x, pixel += 4) {
            if (pixel[3] < 128)
                std::fill(pixel, pixel + 4, uchar(0));
            else
                pixel[3] = 255;
        }
    }
    return rgba;
}

bool putGif(int result, QString *why, const char *what)
{
    if (result != GIF_ERROR)
        return true;
    *why = QStringLiteral("giflib could not write the %1").arg(QLatin1String(what));
    return false;
}

int appendBytes(GifFileType *gif, const GifByteType *bytes, int length)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(bytes), length);
    return length;
}

QByteArray encodeGif(const std::vector<QImage> &frames, double fps, QString *why)
{
    const QSize size = frames.front().size();
    std::vector<QImage> rgba;
    rgba.reserve(frames.size());
    for (const QImage &frame : frames)
        rgba.push_back(opaqueOrClear(frame));

    // One palette for all frames, so that still parts keep their colours from frame to frame.
    const LiqAttr attr(liq_attr_create());
    const LiqHistogram histogram(attr ? liq_histogram_create(attr.get()) : nullptr);
    if (!histogram) {
        *why = QStringLiteral("libimagequant could not start");
        return {};
    }
    liq_set_max_colors(attr.get(), 256);
    std::vector<LiqImage> images;
    for (const QImage &frame : rgba) {
        images.emplace_back(liq_image_create_rgba(attr.get(), frame.constBits(), frame.width(), frame.height(), 0));
        if (!images.back() || liq_histogram_add_image(histogram.get(), attr.get(), images.back().get()) != LIQ_OK) {
            *why = QStringLiteral("libimagequant could not read a frame");
            return {};
        }
    }
    liq_result *quantized = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &quantized) != LIQ_OK) {
        *why = QStringLiteral("libimagequant could not choose the colours");
        return {};
    }
    const LiqResult result(quantized);
    liq_set_dithering_level(result.get(), 0.5f);

    std::vector<std::vector<GifByteType>> indices(frames.size(),
                                                  std::vector<GifByteType>(size_t(size.width()) * size_t(size.height())));
    for (size_t n = 0; n < frames.size(); ++n) {
        if (liq_write_remapped_image(result.get(), images[n].get(), indices[n].data(), indices[n].size()) != LIQ_OK) {
            *why = QStringLiteral("libimagequant could not map frame %1 to the colours").arg(n);
            return {};
        }
    }
    const liq_palette *palette = liq_get_palette(result.get());
    std::array<GifColorType, 256> colours{};
    int transparent = NO_TRANSPARENT_COLOR;
    for (unsigned n = 0; n < palette->count && n < colours.size(); ++n) {
        colours[n] = {palette->entries[n].r, palette->entries[n].g, palette->entries[n].b};
        if (palette->entries[n].a < 128 && transparent == NO_TRANSPARENT_COLOR)
            transparent = int(n);
    }
    if (transparent != NO_TRANSPARENT_COLOR) {
        // Every entry less than half opaque is the one transparent entry.
        for (auto &frame : indices)
            for (GifByteType &index : frame)
                if (palette->entries[index].a < 128)
                    index = GifByteType(transparent);
    }
    const GifMap map(GifMakeMapObject(int(colours.size()), colours.data()));

    QByteArray bytes;
    int error = 0;
    GifWriter gif(EGifOpen(&bytes, appendBytes, &error));
    if (!gif || !map) {
        *why = QStringLiteral("giflib could not start: %1").arg(QString::fromUtf8(GifErrorString(error)));
        return {};
    }
    EGifSetGifVersion(gif.get(), true);
    static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loopForever[] = {1, 0, 0};
    if (!putGif(EGifPutScreenDesc(gif.get(), size.width(), size.height(), 8, 0, map.get()), why, "screen")
        || !putGif(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE), why, "loop")
        || !putGif(EGifPutExtensionBlock(gif.get(), sizeof netscape, netscape), why, "loop")
        || !putGif(EGifPutExtensionBlock(gif.get(), sizeof loopForever, loopForever), why, "loop")
        || !putGif(EGifPutExtensionTrailer(gif.get()), why, "loop"))
        return {};
    const std::vector<qint64> times = frameTimes(int(frames.size()), fps, 100);
    for (size_t n = 0; n < frames.size(); ++n) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND; // each frame starts from a clear picture
        control.DelayTime = int(std::clamp<qint64>(times[n + 1] - times[n], 1, 65535));
        control.TransparentColor = transparent;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (!putGif(EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, int(length), extension), why, "frame timing")
            || !putGif(EGifPutImageDesc(gif.get(), 0, 0, size.width(), size.height(), false, nullptr), why, "frame"))
            return {};
        for (int y = 0; y < size.height(); ++y) {
            if (!putGif(EGifPutLine(gif.get(), indices[n].data() + size_t(y) * size_t(size.width()), size.width()), why,
                        "frame"))
                return {};
        }
    }
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR) {
        *why = QStringLiteral("giflib could not finish: %1").arg(QString::fromUtf8(GifErrorString(error)));
        return {};
    }
    return bytes;
}

} // namespace

std::optional<AnimatedFormat> animatedFormatOf(const QString &path)
{
    if (path.endsWith(QLatin1StringView(".webp"), Qt::CaseInsensitive))
        return AnimatedFormat::WebP;
    if (path.endsWith(QLatin1StringView(".gif"), Qt::CaseInsensitive))
        return AnimatedFormat::Gif;
    return std::nullopt;
}

QString animatedSuffix(AnimatedFormat format)
{
    return format == AnimatedFormat::WebP ? QStringLiteral("webp") : QStringLiteral("gif");
}

std::vector<qint64> frameTimes(int frames, double fps, int perSecond)
{
    const double rate = playbackFps(float(fps));
    std::vector<qint64> times;
    for (int n = 0; n <= std::max(frames, 0); ++n)
        times.push_back(std::llround(std::min(double(n) * perSecond / rate, double(std::numeric_limits<int>::max()))));
    return times;
}

QByteArray encodeAnimation(const std::vector<QImage> &frames, double fps, AnimatedFormat format, QString *why)
{
    if (frames.empty() || frames.front().isNull()) {
        *why = QStringLiteral("there are no frames");
        return {};
    }
    const QSize size = frames.front().size();
    if (std::any_of(frames.begin(), frames.end(), [&](const QImage &frame) { return frame.size() != size; })) {
        *why = QStringLiteral("the frames differ in size");
        return {};
    }
    const int maxSide = format == AnimatedFormat::WebP ? 16383 : 65535;
    if (size.width() > maxSide || size.height() > maxSide) {
        *why = QStringLiteral("the frames are %1 x %2 pixels; %3 takes %4 pixels a side at most")
                   .arg(size.width())
                   .arg(size.height())
                   .arg(animatedSuffix(format).toUpper())
                   .arg(maxSide);
        return {};
    }
    return format == AnimatedFormat::WebP ? encodeWebP(frames, fps, why) : encodeGif(frames, fps, why);
}

} // namespace qor
