#include "qt/qtcore.h"

#include "core/files/pathnames.h"

#include <QFile>

namespace qorqt {

std::filesystem::path toPath(const QString &path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

std::optional<QString> fromPath(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    const std::string &bytes = path.native();
    QString text = QFile::decodeName(QByteArray::fromStdString(bytes));
    if (QFile::encodeName(text).toStdString() != bytes)
        return std::nullopt;
    return text;
#endif
}

QString shownPath(const std::filesystem::path &path)
{
    return fromUtf8(qor::escapedPath(path));
}

} // namespace qorqt
