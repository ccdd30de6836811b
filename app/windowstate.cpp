// Window size, position, toolbar and dock arrangement in "formState.ini".
#include "app/frmmain.h"

#include <QPoint>
#include <QSettings>
#include <QSize>

namespace {

const QString windowStateFile = QStringLiteral("formState.ini");

// The stored value when it has the type written there, else the default: a hand-edited
// or damaged entry never moves the window somewhere odd.
template <typename T>
T storedOr(const QSettings &settings, const QString &key, const T &fallback)
{
    const QVariant value = settings.value(key);
    return value.typeId() == qMetaTypeId<T>() ? value.value<T>() : fallback;
}

} // namespace

void frmMain::readSettings()
{
    QSettings settings(windowStateFile, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("TFrmMain"));
    resize(storedOr(settings, QStringLiteral("size"), QSize(400, 400)));
    move(storedOr(settings, QStringLiteral("pos"), QPoint(200, 200)));
    settings.endGroup();
    restoreState(settings.value(QStringLiteral("state"), QByteArray()).toByteArray(), 0);
    restoreGeometry(settings.value(QStringLiteral("geometry"), QByteArray()).toByteArray());
}

void frmMain::writeSettings()
{
    if (loadingSettings)
        return;
    QSettings settings(windowStateFile, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("TFrmMain"));
    settings.setValue(QStringLiteral("size"), size());
    settings.setValue(QStringLiteral("pos"), pos());
    settings.endGroup();
    settings.setValue(QStringLiteral("state"), saveState(0));
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
}
