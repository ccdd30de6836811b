#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>

#include <string_view>

namespace qor {

// The images of one folder, found by the names frames give them: "IMAGE_REANIM_FOO_BAR"
// finds foo_bar.png or foo_bar.jpg in any case. Each image is read once, when first asked for.
class ImageLibrary {
public:
    ImageLibrary() = default;
    explicit ImageLibrary(const QString &folder);

    const QString &folder() const { return folder_; }
    // The image a frame names, or a null image when the folder holds none of that name.
    const QImage &image(std::string_view name) const;

private:
    QString folder_;
    QHash<QString, QString> paths_; // lower-case file name without its ending -> path
    mutable QHash<QByteArray, QImage> loaded_;
};

// The file name, lower case and without ending, that an image name looks for.
QString imageFileKey(const QByteArray &name);

} // namespace qor
