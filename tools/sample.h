#pragma once

#include "coreadapter.h"
#include "core/format/bodywriter.h"
#include "core/format/decompiler.h"
#include "core/format/reanim.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <numbers>

// A small walking figure made here: coloured images in a folder and an animation with two
// clips ("walk" frames 0 to 11, "idle" 12 to 23), one part whose image is missing and a text.
namespace sample {

inline constexpr int walkFrames = 12;
inline constexpr int frameCount = 2 * walkFrames;

inline QImage part(QSize size, QColor colour, bool round)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(160), 2));
    painter.setBrush(colour);
    if (round)
        painter.drawEllipse(QRectF(1, 1, size.width() - 2, size.height() - 2));
    else
        painter.drawRoundedRect(QRectF(1, 1, size.width() - 2, size.height() - 2), 6, 6);
    return image;
}

struct Part {
    const char *name;
    QSize size;
    QColor colour;
    bool round;
};

inline const Part parts[] = {
    {"leg", {18, 64}, QColor(40, 70, 160), false},
    {"body", {56, 86}, QColor(60, 160, 80), false},
    {"arm", {14, 56}, QColor(230, 140, 40), false},
    {"head", {52, 52}, QColor(250, 210, 90), true},
};

inline void writeImages(const QString &folder)
{
    QDir().mkpath(folder);
    for (const Part &each : parts)
        part(each.size, each.colour, each.round).save(QDir(folder).filePath(QLatin1String(each.name) + QStringLiteral(".png")));
}

// Frames give only what differs from the frame before, as the game's files do.
inline qor::ReanimTrack limb(const char *name, const char *image, float x, float y, float swing, double phase)
{
    qor::ReanimTrack track{name, {}};
    float lastY = qor::unsetValue;
    float lastAngle = qor::unsetValue;
    for (int frame = 0; frame < frameCount; ++frame) {
        const bool walking = frame < walkFrames;
        const double turn = 2.0 * std::numbers::pi * frame / walkFrames + phase;
        const float angle = walking ? float(swing * std::sin(turn)) : 0.0f;
        const float bobbedY = y - (walking ? float(3.0 * std::abs(std::sin(turn))) : float(frame % 6 < 3));
        qor::ReanimTransform &given = track.transforms.emplace_back();
        if (bobbedY != lastY)
            given.y = lastY = bobbedY;
        if (angle != lastAngle)
            given.kx = given.ky = lastAngle = angle;
    }
    track.transforms.front().x = x;
    track.transforms.front().i = image;
    return track;
}

inline qor::ReanimTrack clipMarker(const char *name, int first, int count)
{
    qor::ReanimTrack track{name, std::vector<qor::ReanimTransform>(size_t(frameCount))};
    for (int frame = 0; frame < frameCount; ++frame) {
        const bool inside = frame >= first && frame < first + count;
        if (frame == 0 || inside != (frame - 1 >= first && frame - 1 < first + count))
            track.transforms[size_t(frame)].f = inside ? 0.0f : -1.0f;
    }
    return track;
}

inline qor::Reanim walker()
{
    qor::Reanim reanim;
    reanim.fps = 12.0f;
    reanim.tracks = {clipMarker("anim_walk", 0, walkFrames),
                     clipMarker("anim_idle", walkFrames, walkFrames),
                     limb("leg_back", "IMAGE_REANIM_LEG", 112, 150, 25, std::numbers::pi),
                     limb("body", "IMAGE_REANIM_BODY", 90, 70, 0, 0),
                     limb("leg_front", "IMAGE_REANIM_LEG", 112, 150, 25, 0),
                     limb("arm", "IMAGE_REANIM_ARM", 112, 82, 30, std::numbers::pi),
                     limb("head", "IMAGE_REANIM_HEAD", 92, 22, 5, 0.5),
                     limb("hat", "IMAGE_REANIM_HAT", 98, -6, 5, 0.5)};
    qor::ReanimTrack label{"label", std::vector<qor::ReanimTransform>(size_t(frameCount))};
    label.transforms.front().x = 60;
    label.transforms.front().y = 240;
    label.transforms.front().text = "walker";
    reanim.tracks.push_back(std::move(label));
    return reanim;
}

inline QByteArray textOf(qor::Reanim reanim)
{
    qor::DiscardingLog quiet;
    return testcore::textOf(testcore::serialize(reanim), quiet).value_or(QByteArray());
}

// The walker's text at folder/walker.reanim and its images in folder/images (no hat).
inline QString writeWalker(const QString &folder)
{
    writeImages(QDir(folder).filePath(QStringLiteral("images")));
    const QString path = QDir(folder).filePath(QStringLiteral("walker.reanim"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(textOf(walker()));
    return path;
}

// A composition beside the walker: "parade" (36 frames at 12 fps, one clip "march") has
// the walker walking across through "attacher__Walker__anim_walk", a half-size walker
// standing through "attacher__walker__anim_idle[6][hold]" at 60% opacity, and a track that
// attaches a file not there ("attacher__Ghost").
inline constexpr int paradeFrames = 36;

inline qor::Reanim parade()
{
    qor::Reanim reanim;
    reanim.fps = 12.0f;
    reanim.tracks.push_back(clipMarker("anim_march", 0, paradeFrames));
    reanim.tracks.front().transforms.resize(size_t(paradeFrames));
    qor::ReanimTrack marcher{"marcher", std::vector<qor::ReanimTransform>(size_t(paradeFrames))};
    for (int frame = 0; frame < paradeFrames; ++frame)
        marcher.transforms[size_t(frame)].x = 8.0f * float(frame);
    marcher.transforms.front().y = 10;
    marcher.transforms.front().text = "attacher__Walker__anim_walk";
    qor::ReanimTrack stander{"stander", std::vector<qor::ReanimTransform>(size_t(paradeFrames))};
    stander.transforms.front().x = 360;
    stander.transforms.front().y = 130;
    stander.transforms.front().sx = stander.transforms.front().sy = 0.5f;
    stander.transforms.front().a = 0.6f;
    stander.transforms.front().text = "attacher__walker__anim_idle[6][hold]";
    qor::ReanimTrack ghost{"ghost", std::vector<qor::ReanimTransform>(size_t(paradeFrames))};
    ghost.transforms.front().x = 450;
    ghost.transforms.front().y = 20;
    ghost.transforms.front().text = "attacher__Ghost";
    reanim.tracks.push_back(std::move(marcher));
    reanim.tracks.push_back(std::move(stander));
    reanim.tracks.push_back(std::move(ghost));
    return reanim;
}

// The walker and the parade beside it in folder; the parade's path.
inline QString writeParade(const QString &folder)
{
    writeWalker(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("parade.reanim"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(textOf(parade()));
    return path;
}

} // namespace sample
