#include "render/imagelibrary.h"

#include <QDir>
#include <QFileInfo>

namespace qor {

namespace {

constexpr QLatin1StringView imagePrefix("IMAGE_REANIM_");

} // namespace

QString imageFileKey(const QByteArray &name)
{
    QString key = QString::fromLatin1(name);
    if (key.startsWith(imagePrefix, Qt::CaseInsensitive))
        key.remove(0, imagePrefix.size());
    return key.toLower();
}

ImageLibrary::ImageLibrary(const QString &folder) : folder_(folder)
{
    // Sorted by name so that of foo.jpg and foo.png the same one wins on every system.
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.png"), QStringLiteral("*.jpg")},
                                                           QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        const QString name = file.fileName();
        paths_.insert(name.left(name.size() - 4).toLower(), file.absoluteFilePath());
    }
}

const QImage &ImageLibrary::image(std::string_view latin1) const
{
    const QByteArray name(latin1.data(), qsizetype(latin1.size()));
    auto found = loaded_.find(name);
    if (found == loaded_.end()) {
        const QString path = paths_.value(imageFileKey(name));
        QImage image;
        if (!path.isEmpty() && image.load(path))
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
        found = loaded_.insert(name, image);
    }
    return *found;
}

} // namespace qor
