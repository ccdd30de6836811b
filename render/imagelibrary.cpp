#include "render/imagelibrary.h"

#include "core/files/systemfile.h"
#include "core/scene/imagename.h"

#include "qt/qtcore.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImageReader>

#include <algorithm>
#include <limits>

namespace qor {

namespace {

// Whether `path` names a regular file, looked at without waiting on whatever else it is.
bool isRegularFile(const QString &path)
{
    const int descriptor = systemfile::openForReading(qorqt::toPath(path));
    if (descriptor < 0)
        return false;
    systemfile::Status status{};
    const bool regular = systemfile::statusOf(descriptor, status) == 0 && systemfile::isRegular(status);
    systemfile::close(descriptor);
    return regular;
}

int kibibytes(qint64 bytes)
{
    return int(std::clamp<qint64>((bytes + 1023) / 1024, 1, std::numeric_limits<int>::max()));
}

// The key of paths_ an image name looks for.
QString fileKey(std::string_view name)
{
    return qorqt::fromName(imageFileKey(name));
}

} // namespace

QFont textFont(std::string_view name)
{
    const QString family = qorqt::fromName(name);
    return !family.isEmpty() && QFontDatabase::hasFamily(family) ? QFont(family) : QFont();
}

ImageLibrary::ImageLibrary() : decoded_(std::make_unique<QCache<QByteArray, QImage>>(kibibytes(defaultBudget))) {}

ImageLibrary::ImageLibrary(const QString &folder, qint64 budgetBytes)
    : folder_(folder), decoded_(std::make_unique<QCache<QByteArray, QImage>>(kibibytes(budgetBytes)))
{
    if (folder.isEmpty())
        return;
    // Sorted by name so that of foo.jpg and foo.png the same one wins on every system.
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.png"), QStringLiteral("*.jpg")},
                                                           QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &file : files) {
        const QString name = file.fileName();
        paths_.insert(name.left(name.size() - 4).toLower(), file.absoluteFilePath());
    }
}

QString ImageLibrary::pathOf(const QByteArray &name) const
{
    return paths_.value(fileKey(qorqt::charsOf(name)));
}

void ImageLibrary::fail(const QByteArray &name, const QString &why) const
{
    failures_.insert(name, why);
    sizes_.insert(name, QSize());
}

QSize ImageLibrary::size(std::string_view name) const
{
    return sizeOf(qorqt::toQByteArray(name));
}

QSize ImageLibrary::sizeOf(const QByteArray &name) const
{
    if (const auto known = sizes_.constFind(name); known != sizes_.cend())
        return *known;
    const QString path = pathOf(name);
    if (path.isEmpty()) {
        fail(name, QStringLiteral("no %1.png or %1.jpg in %2")
                       .arg(fileKey(qorqt::charsOf(name)), folder_.isEmpty() ? QStringLiteral("any folder")
                                                                  : QDir::toNativeSeparators(folder_)));
        return {};
    }
    // Only a regular file is read: a link to a pipe would wait for a writer for good.
    if (!isRegularFile(path)) {
        fail(name, QStringLiteral("%1 is not a regular file").arg(QDir::toNativeSeparators(path)));
        return {};
    }
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid()) {
        fail(name, QStringLiteral("%1 does not read: %2").arg(QDir::toNativeSeparators(path), reader.errorString()));
        return {};
    }
    if (qint64(size.width()) * size.height() > maxImagePixels) {
        fail(name, QStringLiteral("%1 is too large: %2 x %3 pixels, more than the %4 an image may have")
                       .arg(QDir::toNativeSeparators(path))
                       .arg(size.width())
                       .arg(size.height())
                       .arg(maxImagePixels));
        return {};
    }
    sizes_.insert(name, size);
    return size;
}

std::optional<Size> ImageLibrary::imageSize(std::string_view name) const
{
    const QSize found = size(name);
    if (found.isEmpty())
        return std::nullopt;
    return Size{double(found.width()), double(found.height())};
}

Size ImageLibrary::textSize(std::string_view text, std::string_view font) const
{
    const QSizeF size = QFontMetricsF(textFont(font)).size(0, qorqt::fromName(text));
    return {size.width(), size.height()};
}

QImage ImageLibrary::image(std::string_view latin1) const
{
    const QByteArray name = qorqt::toQByteArray(latin1);
    if (const QImage *cached = decoded_->object(name))
        return *cached;
    const QSize expected = sizeOf(name);
    if (expected.isEmpty())
        return {};
    QImageReader reader(pathOf(name));
    reader.setAllocationLimit(int(maxImagePixels * 4 >> 20) + 1);
    QImage image = reader.read();
    if (image.isNull()) {
        fail(name, QStringLiteral("%1 does not decode: %2")
                       .arg(QDir::toNativeSeparators(pathOf(name)), reader.errorString()));
        return {};
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    // An image larger than the whole budget is drawn but not kept.
    decoded_->insert(name, new QImage(image), kibibytes(image.sizeInBytes()));
    return image;
}

QStringList ImageLibrary::failures() const
{
    QStringList lines;
    for (auto failure = failures_.cbegin(); failure != failures_.cend(); ++failure)
        lines.append(QString::fromLatin1(failure.key()) + QStringLiteral(": ") + failure.value());
    lines.sort();
    return lines;
}

qint64 ImageLibrary::cachedBytes() const
{
    return qint64(decoded_->totalCost()) * 1024;
}

} // namespace qor
