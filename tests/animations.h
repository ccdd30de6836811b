#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>

#include <gif_lib.h>
#include <webp/demux.h>

// Animated pictures read back by their libraries' own readers: each frame as a picture with
// straight alpha and how long it shows, and the loop count.
namespace animations {

struct Decoded {
    QList<QImage> frames; // Format_RGBA8888
    QList<int> delaysMs;
    int loops = -1; // 0: for ever
};

inline Decoded decodeWebP(const QByteArray &bytes)
{
    Decoded decoded;
    WebPData data{reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())};
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return decoded;
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder *decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder)
        return decoded;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    decoded.loops = int(info.loop_count);
    int previous = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        uint8_t *pixels = nullptr;
        int timestamp = 0; // when the frame ends
        if (!WebPAnimDecoderGetNext(decoder, &pixels, &timestamp))
            break;
        decoded.frames.append(
            QImage(pixels, int(info.canvas_width), int(info.canvas_height), QImage::Format_RGBA8888).copy());
        decoded.delaysMs.append(timestamp - previous);
        previous = timestamp;
    }
    WebPAnimDecoderDelete(decoder);
    return decoded;
}

inline Decoded decodeGif(const QString &path)
{
    Decoded decoded;
    int error = 0;
    GifFileType *gif = DGifOpenFileName(QFile::encodeName(path).constData(), &error);
    if (!gif)
        return decoded;
    if (DGifSlurp(gif) == GIF_OK) {
        for (int n = 0; n < gif->ImageCount; ++n) {
            const SavedImage &saved = gif->SavedImages[n];
            GraphicsControlBlock control{};
            DGifSavedExtensionToGCB(gif, n, &control);
            for (int e = 0; e < saved.ExtensionBlockCount; ++e) {
                const ExtensionBlock &block = saved.ExtensionBlocks[e];
                if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11
                    && QByteArray(reinterpret_cast<const char *>(block.Bytes), 11) == "NETSCAPE2.0" && e + 1 < saved.ExtensionBlockCount
                    && saved.ExtensionBlocks[e + 1].ByteCount == 3)
                    decoded.loops = saved.ExtensionBlocks[e + 1].Bytes[1] | saved.ExtensionBlocks[e + 1].Bytes[2] << 8;
            }
            const ColorMapObject *map = saved.ImageDesc.ColorMap ? saved.ImageDesc.ColorMap : gif->SColorMap;
            // Each frame covers the whole picture from a clear start, as the exports write them.
            QImage frame(gif->SWidth, gif->SHeight, QImage::Format_RGBA8888);
            frame.fill(Qt::transparent);
            for (int y = 0; y < saved.ImageDesc.Height; ++y) {
                for (int x = 0; x < saved.ImageDesc.Width; ++x) {
                    const int index = saved.RasterBits[y * saved.ImageDesc.Width + x];
                    if (index == control.TransparentColor || !map || index >= map->ColorCount)
                        continue;
                    const GifColorType colour = map->Colors[index];
                    frame.setPixelColor(saved.ImageDesc.Left + x, saved.ImageDesc.Top + y,
                                        QColor(colour.Red, colour.Green, colour.Blue));
                }
            }
            decoded.frames.append(frame);
            decoded.delaysMs.append(control.DelayTime * 10);
        }
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

} // namespace animations
