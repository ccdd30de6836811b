// Checked state of the option actions in "qorutil.ini". An action is an option when its
// whatsThis is "ini"; its status tip "true" makes it checked by default.
#include "app/frmmain.h"

#include <QAction>
#include <QSettings>

namespace {

const QString optionsFile = QStringLiteral("qorutil.ini");
const QString optionGroup = QStringLiteral("Option");
const QString configGroup = QStringLiteral("Config");

} // namespace

void frmMain::collectIniActions()
{
    iniActions.clear();
    for (QAction *action : findChildren<QAction *>()) {
        if (action->whatsThis() == QLatin1String("ini"))
            iniActions.append(action);
    }
}

void frmMain::readOptions()
{
    if (iniActions.isEmpty())
        collectIniActions();
    QSettings settings(optionsFile, QSettings::IniFormat);
    settings.beginGroup(optionGroup);
    for (QAction *action : std::as_const(iniActions)) {
        const bool byDefault = action->statusTip() == QLatin1String("true");
        action->setChecked(settings.value(action->objectName(), byDefault).toBool());
    }
    settings.endGroup();
    settings.beginGroup(configGroup);
    settings.endGroup();
}

void frmMain::writeOptions()
{
    if (loadingSettings)
        return;
    if (iniActions.isEmpty())
        collectIniActions();
    QSettings settings(optionsFile, QSettings::IniFormat);
    settings.beginGroup(optionGroup);
    for (QAction *action : std::as_const(iniActions))
        settings.setValue(action->objectName(), action->isChecked());
    settings.endGroup();
    settings.beginGroup(configGroup);
    settings.endGroup();
}
