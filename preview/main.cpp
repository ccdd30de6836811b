// qorutil-preview [FILE]: plays an animation file and reloads it when it changes.
#include "preview/previewwindow.h"
#include "qt/windowarguments.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(QStringLiteral("QORUtil"));
    QCoreApplication::setApplicationName(QStringLiteral("qorutil-preview"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QORUTIL_VERSION));
    if (const auto status = qorqt::answerBeforeApplication(cli::previewWindow(), argc, argv))
        return *status;
    QApplication application(argc, argv);
    QString file;
    if (const auto status = qorqt::answerAfterApplication(cli::previewWindow(), &file))
        return *status;
    // The window is gone before the application object, as Qt requires.
    return [&application, &file] {
        PreviewWindow window;
        window.show();
        if (!file.isEmpty())
            window.openFile(file);
        return application.exec();
    }();
}
