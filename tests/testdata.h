#pragma once

#include "core/testdata.h"
#include "qt/qtcore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

// The core tests' bodies as QByteArray for the Qt programs' tests, and small file helpers.
namespace qtdata {

using testdata::Frame;
using testdata::Track;
using testdata::randomTracks;
using testdata::unset;

inline QByteArray workedExampleBody()
{
    return qorqt::toQByteArray(qor::ByteView(testdata::workedExampleBody()));
}

inline const QByteArray workedExampleText = qorqt::toQByteArray(testdata::workedExampleText);

inline QByteArray buildBody(float fps, const std::vector<Track> &tracks)
{
    return qorqt::toQByteArray(qor::ByteView(testdata::buildBody(fps, tracks)));
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A fresh temporary folder as the working directory, where the window keeps its ini files;
// the previous working directory comes back when it goes.
class WorkingFolder {
public:
    WorkingFolder() : entered(QDir::setCurrent(folder.path())) {}
    ~WorkingFolder() { QDir::setCurrent(previous); }
    WorkingFolder(const WorkingFolder &) = delete;
    WorkingFolder &operator=(const WorkingFolder &) = delete;

    QString path() const { return folder.path(); }
    QString filePath(const QString &name) const { return folder.filePath(name); }

    const QString previous = QDir::currentPath();
    const QTemporaryDir folder;
    const bool entered;
};

} // namespace qtdata
