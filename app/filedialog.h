#pragma once

#include <QString>

#include <functional>

class QWidget;

// The one place the commands ask the user for an input file. Tests put their own answer in
// place of the native dialog.
using OpenFileDialog =
    std::function<QString(QWidget *parent, const QString &caption, const QString &folder, const QString &filter)>;

// The chosen file's absolute path, or a null string when the user cancels.
QString askOpenFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter);

// Replaces the dialog; an empty function brings the native one back.
void setOpenFileDialog(OpenFileDialog dialog);
