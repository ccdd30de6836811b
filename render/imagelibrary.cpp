#include "render/imagelibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qor {

namespace {

constexpr QLatin1StringView imagePrefix("IMAGE_REANIM_");

// The bytes of a file that is a regular file, or nothing. It is opened without waiting (a pipe
// would wait for a writer for good) and looked at before anything is read from it, so a link
// to a pipe or a device is taken for a missing image.
std::optional<QByteArray> regularFileBytes(const QString &path)
{
    QFile file;
#ifdef Q_OS_UNIX
    const int handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)
        || !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return std::nullopt;
    }
#else
    file.setFileName(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
#endif
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

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
        if (const auto bytes = path.isEmpty() ? std::nullopt : regularFileBytes(path); bytes && image.loadFromData(*bytes))
            image.convertTo(QImage::Format_ARGB32_Premultiplied);
        found = loaded_.insert(name, image);
    }
    return *found;
}

} // namespace qor
