#pragma once

#include "core/scene/scene.h"

#include <QByteArray>
#include <QCache>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace qor {

// The images of one folder, found by the names frames give them through the image-name rule
// (imageFileKey): "IMAGE_REANIM_FOO_BAR" finds foo_bar.png or foo_bar.jpg in any case. An image is decoded when it is first drawn
// (its size alone is read for working out bounds) and kept while the decoded images stay
// within a budget of bytes, the least recently drawn going first. An image that is not
// there, does not decode or is too large is drawn as a placeholder and listed with why.
// It gives the scene the sizes of images and of texts as the painter draws them.
class ImageLibrary : public ImageSizes {
public:
    ImageLibrary();
    explicit ImageLibrary(const QString &folder, qint64 budgetBytes = defaultBudget);

    static constexpr qint64 defaultBudget = qint64(512) << 20;
    // An image of more pixels than this is not decoded.
    static constexpr qint64 maxImagePixels = qint64(64) << 20;

    const QString &folder() const { return folder_; }
    // Every image file of the folder, for watching.
    QStringList files() const { return paths_.values(); }

    // The image a frame names (Latin-1 bytes), or a null image when it can't be drawn.
    QImage image(std::string_view name) const;
    // Its size in pixels without decoding it; empty when it can't be drawn.
    QSize size(std::string_view name) const;

    std::optional<Size> imageSize(std::string_view name) const override;
    Size textSize(std::string_view text, std::string_view font) const override;

    // The images that could not be drawn, one line each: the name and why, in name order.
    QStringList failures() const;
    // The bytes the decoded images now take.
    qint64 cachedBytes() const;

private:
    QSize sizeOf(const QByteArray &name) const;
    QString pathOf(const QByteArray &name) const;
    void fail(const QByteArray &name, const QString &why) const;

    QString folder_;
    QHash<QString, QString> paths_; // lower-case file name without its ending -> path
    mutable QHash<QByteArray, QSize> sizes_;
    mutable QHash<QByteArray, QString> failures_;
    // Costs in KiB, so that budgets of gigabytes fit in QCache's int.
    std::unique_ptr<QCache<QByteArray, QImage>> decoded_;
};

// The font a frame's font name (Latin-1 bytes) draws its text in: that family when the system
// has it, else the default.
QFont textFont(std::string_view name);

} // namespace qor
