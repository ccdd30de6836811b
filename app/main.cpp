#include "app/frmmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The window is gone before the application object, as Qt requires.
    return [&application] {
        frmMain window;
        window.show();
        return application.exec();
    }();
}
