// qorutil: the converter's window. It takes no file.
#include "app/frmmain.h"
#include "qt/windowarguments.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QStringLiteral(QORUTIL_VERSION));
    if (const auto status = qorqt::answerBeforeApplication(cli::converterWindow(), argc, argv))
        return *status;
    QApplication application(argc, argv);
    if (const auto status = qorqt::answerAfterApplication(cli::converterWindow()))
        return *status;
    // The window is gone before the application object, as Qt requires.
    return [&application] {
        frmMain window;
        window.show();
        return application.exec();
    }();
}
