// qorutil: the converter's window. It takes no file.
#include "app/frmmain.h"
#include "qt/windowarguments.h"

#include <QApplication>

namespace {

qorqt::WindowProgram converter()
{
    return {QStringLiteral("qorutil"),
            QStringLiteral(
                "Converts game animations between compiled reanim files (.reanim.compiled) and reanim XML text\n"
                "(.reanim) in a window: File > Decompile and File > Compile ask for a file, files and folders\n"
                "dropped on the window are converted by their names. Its size, place and options are kept in\n"
                "formState.ini and qorutil.ini in the working folder. The command line does the same with\n"
                "qorutil-cli; qorutil-preview plays an animation."),
            QString(), QStringLiteral("takes no file (open files with File > Decompile or Compile, or qorutil-cli)")};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QStringLiteral(QORUTIL_VERSION));
    if (const auto status = qorqt::answerBeforeApplication(converter(), argc, argv))
        return *status;
    QApplication application(argc, argv);
    if (const auto status = qorqt::answerAfterApplication(converter()))
        return *status;
    // The window is gone before the application object, as Qt requires.
    return [&application] {
        frmMain window;
        window.show();
        return application.exec();
    }();
}
