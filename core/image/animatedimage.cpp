#include "core/image/animatedimage.h"

#include "core/scene/evaluated.h"

#include <gif_lib.h>
#include <libimagequant.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>

namespace qor {

namespace {

using Rgba = std::span<const std::uint8_t>;

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

struct Frames {
    const std::vector<Rgba> &rgba;
    int width;
    int height;
};

EncodedAnimation failed(std::string why)
{
    return {{}, std::move(why)};
}

EncodedAnimation encodeWebP(const Frames &frames, double fps)
{
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config))
        return failed("libwebp is not the version this program was built with");
    options.anim_params.loop_count = 0; // for ever
    config.lossless = 1;
    config.quality = 75; // in lossless mode: the effort spent making the file small
    const WebPEncoder encoder(WebPAnimEncoderNew(frames.width, frames.height, &options));
    if (!encoder)
        return failed("libwebp could not start an animation");
    const std::vector<std::int64_t> times = frameTimes(int(frames.rgba.size()), fps, 1000);
    for (size_t index = 0; index < frames.rgba.size(); ++index) {
        WebPPictureOwner picture;
        picture.picture.use_argb = 1;
        picture.picture.width = frames.width;
        picture.picture.height = frames.height;
        if (!WebPPictureImportRGBA(&picture.picture, frames.rgba[index].data(), frames.width * 4)
            || !WebPAnimEncoderAdd(encoder.get(), &picture.picture, int(times[index]), &config))
            return failed("libwebp could not add frame " + std::to_string(index) + ": "
                          + WebPAnimEncoderGetError(encoder.get()));
    }
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, int(times.back()), nullptr)
        || !WebPAnimEncoderAssemble(encoder.get(), &data)) {
        WebPDataClear(&data);
        return failed(std::string("libwebp could not finish the animation: ") + WebPAnimEncoderGetError(encoder.get()));
    }
    EncodedAnimation encoded{{data.bytes, data.bytes + data.size}, {}};
    WebPDataClear(&data);
    return encoded;
}

// GIF keeps a pixel or leaves it out: less than half opaque is out.
std::vector<std::uint8_t> opaqueOrClear(Rgba frame)
{
    std::vector<std::uint8_t> rgba(frame.begin(), frame.end());
    for (size_t at = 0; at + 4 <= rgba.size(); at += 4) {
        if (rgba[at + 3] < 128)
            std::fill_n(rgba.begin() + std::ptrdiff_t(at), 4, std::uint8_t(0));
        else
            rgba[at + 3] = 255;
    }
    return rgba;
}

bool putGif(int result, std::string &why, const char *what)
{
    if (result != GIF_ERROR)
        return true;
    why = std::string("giflib could not write the ") + what;
    return false;
}

int appendBytes(GifFileType *gif, const GifByteType *bytes, int length)
{
    auto *into = static_cast<std::vector<std::uint8_t> *>(gif->UserData);
    into->insert(into->end(), bytes, bytes + length);
    return length;
}

EncodedAnimation encodeGif(const Frames &frames, double fps)
{
    const int width = frames.width;
    const int height = frames.height;
    std::vector<std::vector<std::uint8_t>> rgba;
    rgba.reserve(frames.rgba.size());
    for (const Rgba frame : frames.rgba)
        rgba.push_back(opaqueOrClear(frame));

    // One palette for all frames, so that still parts keep their colours from frame to frame.
    const LiqAttr attr(liq_attr_create());
    const LiqHistogram histogram(attr ? liq_histogram_create(attr.get()) : nullptr);
    if (!histogram)
        return failed("libimagequant could not start");
    liq_set_max_colors(attr.get(), 256);
    std::vector<LiqImage> images;
    for (const std::vector<std::uint8_t> &frame : rgba) {
        images.emplace_back(liq_image_create_rgba(attr.get(), frame.data(), width, height, 0));
        if (!images.back() || liq_histogram_add_image(histogram.get(), attr.get(), images.back().get()) != LIQ_OK)
            return failed("libimagequant could not read a frame");
    }
    liq_result *quantized = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &quantized) != LIQ_OK)
        return failed("libimagequant could not choose the colours");
    const LiqResult result(quantized);
    liq_set_dithering_level(result.get(), 0.5f);

    const size_t pixels = size_t(width) * size_t(height);
    std::vector<std::vector<GifByteType>> indices(rgba.size(), std::vector<GifByteType>(pixels));
    for (size_t n = 0; n < rgba.size(); ++n) {
        if (liq_write_remapped_image(result.get(), images[n].get(), indices[n].data(), indices[n].size()) != LIQ_OK)
            return failed("libimagequant could not map frame " + std::to_string(n) + " to the colours");
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

    std::vector<std::uint8_t> bytes;
    int error = 0;
    GifWriter gif(EGifOpen(&bytes, appendBytes, &error));
    if (!gif || !map)
        return failed(std::string("giflib could not start: ") + GifErrorString(error));
    EGifSetGifVersion(gif.get(), true);
    static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loopForever[] = {1, 0, 0};
    std::string why;
    if (!putGif(EGifPutScreenDesc(gif.get(), width, height, 8, 0, map.get()), why, "screen")
        || !putGif(EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE), why, "loop")
        || !putGif(EGifPutExtensionBlock(gif.get(), sizeof netscape, netscape), why, "loop")
        || !putGif(EGifPutExtensionBlock(gif.get(), sizeof loopForever, loopForever), why, "loop")
        || !putGif(EGifPutExtensionTrailer(gif.get()), why, "loop"))
        return failed(why);
    const std::vector<std::int64_t> times = frameTimes(int(rgba.size()), fps, 100);
    for (size_t n = 0; n < rgba.size(); ++n) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND; // each frame starts from a clear picture
        control.DelayTime = int(std::clamp<std::int64_t>(times[n + 1] - times[n], 1, 65535));
        control.TransparentColor = transparent;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (!putGif(EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, int(length), extension), why, "frame timing")
            || !putGif(EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr), why, "frame"))
            return failed(why);
        for (int y = 0; y < height; ++y) {
            if (!putGif(EGifPutLine(gif.get(), indices[n].data() + size_t(y) * size_t(width), width), why, "frame"))
                return failed(why);
        }
    }
    if (EGifCloseFile(gif.release(), &error) == GIF_ERROR)
        return failed(std::string("giflib could not finish: ") + GifErrorString(error));
    return {std::move(bytes), {}};
}

bool endsWithAnyCase(std::string_view text, std::string_view ending)
{
    return text.size() >= ending.size()
           && std::equal(ending.begin(), ending.end(), text.end() - std::ptrdiff_t(ending.size()), [](char a, char b) {
                  return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b;
              });
}

} // namespace

std::optional<AnimatedFormat> animatedFormatOf(std::string_view path)
{
    if (endsWithAnyCase(path, ".webp"))
        return AnimatedFormat::WebP;
    if (endsWithAnyCase(path, ".gif"))
        return AnimatedFormat::Gif;
    return std::nullopt;
}

std::string_view animatedSuffix(AnimatedFormat format)
{
    return format == AnimatedFormat::WebP ? "webp" : "gif";
}

std::string animationFramesProblem(int frames)
{
    return frames > 0 ? std::string() : "there are no frames to animate";
}

std::vector<std::int64_t> frameTimes(int frames, double fps, int perSecond)
{
    const double rate = playbackFps(float(fps));
    std::vector<std::int64_t> times;
    for (int n = 0; n <= std::max(frames, 0); ++n)
        times.push_back(std::llround(std::min(double(n) * perSecond / rate, double(std::numeric_limits<int>::max()))));
    return times;
}

EncodedAnimation encodeAnimation(const std::vector<std::span<const std::uint8_t>> &frames, int width, int height,
                                 double fps, AnimatedFormat format)
{
    if (frames.empty() || width <= 0 || height <= 0)
        return failed("there are no frames");
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 4;
    if (std::any_of(frames.begin(), frames.end(), [&](Rgba frame) { return frame.size() != bytes; }))
        return failed("the frames differ in size");
    const int maxSide = format == AnimatedFormat::WebP ? 16383 : 65535;
    if (width > maxSide || height > maxSide) {
        std::string name(animatedSuffix(format));
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(c - 'a' + 'A'); });
        return failed("the frames are " + std::to_string(width) + " x " + std::to_string(height) + " pixels; " + name
                      + " takes " + std::to_string(maxSide) + " pixels a side at most");
    }
    const Frames all{frames, width, height};
    return format == AnimatedFormat::WebP ? encodeWebP(all, fps) : encodeGif(all, fps);
}

} // namespace qor
