// qorutil-preview [FILE]: plays an animation file and reloads it when it changes.
#include "preview/previewwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("QORUtil"));
    QApplication::setApplicationName(QStringLiteral("qorutil-preview"));
    // The window is gone before the application object, as Qt requires.
    return [&application] {
        PreviewWindow window;
        window.show();
        const QStringList arguments = QApplication::arguments();
        if (arguments.size() > 1)
            window.openFile(arguments.at(1));
        return application.exec();
    }();
}
