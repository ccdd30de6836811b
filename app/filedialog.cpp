#include "app/filedialog.h"

#include <QFileDialog>

namespace {

OpenFileDialog &replacement()
{
    static OpenFileDialog dialog;
    return dialog;
}

} // namespace

QString askOpenFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter)
{
    if (replacement())
        return replacement()(parent, caption, folder, filter);
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

void setOpenFileDialog(OpenFileDialog dialog)
{
    replacement() = std::move(dialog);
}
